// The pages of the download tab's two tab widgets, and which of them the
// engine's page ids bring to the front.
#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "engine/ports.h"

namespace kaplo::gui {

enum class DownloadPage {
  // PGTab02L
  WebBrowse,
  PageCssJs,
  PageImage,
  ImportCss,
  Root,
  CssImage,
  AllCssJs,
  UnknownImage,
  HrefIeImage,
  LocalHtml,
  InnerHtml,
  OrgHtmlLeft,
  // PGTab02R
  Settings,
  WebHtml,
  OrgHtmlRight,
  Native,
  LocalBrowse,
  CssJs,
  Individual,
  ImageIndividual,
  FirstFetch,
};

struct DownloadPageSpec {
  DownloadPage page;
  const char* object_name;
  // UTF-8, blanks included.
  const char* caption;
  bool right;
};

std::span<const DownloadPageSpec> DownloadPages();
const DownloadPageSpec& SpecOf(DownloadPage page);
// The page that shows what a job brings to the front.
DownloadPage PageOf(JobFocus what);

// The tab's source views.
enum class JobView {
  WebSource,     // "　WebHTML "
  FetchedLeft,   // the two "WebHTMLｵﾘｼﾞﾅﾙ" views
  FetchedRight,
  Native,        // " WebHTMLNative"
  Inner,         // " Java実行後の内部HTML "
  Local,         // " ﾛｰｶﾙHTML "
  FirstFetch,    // " Redirect前のWebHTML  "
};
// The views a text of the engine shows in.
std::vector<JobView> ViewsOf(JobText text);

}  // namespace kaplo::gui
