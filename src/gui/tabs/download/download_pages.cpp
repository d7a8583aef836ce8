#include "gui/tabs/download/download_pages.h"

#include <array>
#include <string>

namespace kaplo::gui {

namespace {

constexpr std::array<DownloadPageSpec, 21> kPages{{
    {DownloadPage::WebBrowse, "PGTab02LTab01WB", " Webﾍﾟｰｼﾞの閲覧 ", false},
    {DownloadPage::PageCssJs, "PGTab02LTab02", " PageCSS/JS", false},
    {DownloadPage::PageImage, "PGTab02LTab03", "PageImage", false},
    {DownloadPage::ImportCss, "PGTab02LTab04", "ImportCSS", false},
    {DownloadPage::Root, "PGTab02LTab05", "Root", false},
    {DownloadPage::CssImage, "PGTab02LTab06", "CSSImage", false},
    {DownloadPage::AllCssJs, "PGTab02LTab07", "AllCSS/JS", false},
    {DownloadPage::UnknownImage, "PGTab02LTab08", "UnknownImage", false},
    {DownloadPage::HrefIeImage, "PGTab02LTab09", "Href/IEImage", false},
    {DownloadPage::LocalHtml, "PGTab02LTab09LocalFileHTML", " ﾛｰｶﾙHTML ", false},
    {DownloadPage::InnerHtml, "PGTab02LTab11InnerHTML", " Java実行後の内部HTML ", false},
    {DownloadPage::OrgHtmlLeft, "PGTab02LTab12OrgHTML", "WebHTMLｵﾘｼﾞﾅﾙ", false},
    {DownloadPage::Settings, "PGTab02RTab01Settings", "ﾀﾞｳﾝﾛｰﾄﾞ設定", true},
    {DownloadPage::WebHtml, "PGTab02RTab02HTMLSrc", "　WebHTML ", true},
    {DownloadPage::OrgHtmlRight, "PGTab02RTab03HTMLOrg", "WebHTMLｵﾘｼﾞﾅﾙ", true},
    {DownloadPage::Native, "PGTab02RTab04PDownload", " WebHTMLNative", true},
    {DownloadPage::LocalBrowse, "PGTab02RTab05LocalBrowse", " ﾛｰｶﾙﾍﾟｰｼﾞの閲覧 ", true},
    {DownloadPage::CssJs, "PGTab02RTab06CSSJS", "CSS/JS", true},
    {DownloadPage::Individual, "PGTab02RTab07Individual", " CSS/JSﾀﾞｳﾝﾛｰﾄﾞ ", true},
    {DownloadPage::ImageIndividual, "PGTab02RTab08ImageIndividual", " Imageﾀﾞｳﾝﾛｰﾄﾞ ", true},
    {DownloadPage::FirstFetch, "PGTab02RTab09FirstFetch", " Redirect前のWebHTML  ", true},
}};

// Blanks of either width around a caption do not count.
std::string_view Trim(std::string_view s) {
  const auto blank_at_front = [&s] {
    if (!s.empty() && s.front() == ' ') return std::size_t{1};
    if (s.substr(0, 3) == "\u3000") return std::size_t{3};
    return std::size_t{0};
  };
  const auto blank_at_back = [&s] {
    if (!s.empty() && s.back() == ' ') return std::size_t{1};
    if (s.size() >= 3 && s.substr(s.size() - 3) == "\u3000") return std::size_t{3};
    return std::size_t{0};
  };
  while (std::size_t n = blank_at_front()) s.remove_prefix(n);
  while (std::size_t n = blank_at_back()) s.remove_suffix(n);
  return s;
}

}  // namespace

std::span<const DownloadPageSpec> DownloadPages() { return kPages; }

const DownloadPageSpec& SpecOf(DownloadPage page) { return kPages[static_cast<int>(page)]; }

DownloadPage PageOf(JobFocus what) {
  switch (what) {
    case JobFocus::WebPage:
      return DownloadPage::WebBrowse;
    case JobFocus::WebSource:
      return DownloadPage::WebHtml;
    case JobFocus::LocalPage:
      return DownloadPage::LocalBrowse;
    case JobFocus::FirstFetch:
      return DownloadPage::FirstFetch;
    case JobFocus::Native:
      return DownloadPage::Native;
    case JobFocus::Stylesheets:
      return DownloadPage::PageCssJs;
    case JobFocus::Images:
      return DownloadPage::PageImage;
  }
  return DownloadPage::WebBrowse;
}

std::vector<JobView> ViewsOf(JobText text) {
  switch (text) {
    case JobText::WebSource: return {JobView::WebSource};
    case JobText::FetchedCopy: return {JobView::FetchedLeft, JobView::FetchedRight};
    case JobText::Native: return {JobView::Native};
    case JobText::Inner: return {JobView::Inner};
    case JobText::Local: return {JobView::Local};
    case JobText::FirstFetch: return {JobView::FirstFetch};
  }
  return {};
}

}  // namespace kaplo::gui
