// The pages of the download tab's two tab widgets. The engine names a page
// by its caption; this table maps captions to pages in one place.
#pragma once

#include <optional>
#include <span>
#include <string_view>

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
// The page whose caption is caption (UTF-8), blanks around either ignored;
// the left side first, as both sides have "WebHTMLｵﾘｼﾞﾅﾙ".
std::optional<DownloadPage> PageForCaption(std::string_view caption);

}  // namespace kaplo::gui
