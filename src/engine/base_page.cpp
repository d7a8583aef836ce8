// The base page stage: acquire the page, name its local files, keep the copy
// as fetched, fetch what it names into the resource map, point its
// references at the saved files and save it.
#include "engine/engine.h"
#include "engine/folder_names.h"
#include "engine/local_path.h"
#include "engine/resource_stage.h"
#include "engine/safe_write.h"
#include "engine/saved_page.h"
#include "engine/url.h"
#include "shell/messages.h"
#include "text/charset.h"
#include "text/normalise.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"
#include "text/strutil.h"
#include "text/urlcode.h"

namespace kaplo {
namespace {

constexpr auto npos = std::string::npos;

std::string FromBody(std::string_view text) {
  std::size_t at = FindAtBoundary(text, "<BODY");
  if (at == npos) at = FindAtBoundary(text, "<body");
  return std::string(at == npos ? text : text.substr(at));
}

std::string WithHtmlExtension(std::string name) {
  if (!ContainsAtBoundary(name, ".htm")) name += ".html";
  return name;
}

}  // namespace

std::string BeforeBody(std::string_view text) {
  std::size_t at = FindAtBoundary(text, "<BODY");
  if (at == npos) at = FindAtBoundary(text, "<body");
  return std::string(text.substr(0, at == npos ? text.size() : at));
}

const TextResponse& DownloadEngine::PageResponse(const std::string& url) {
  if (!page_response_ || page_response_url_ != url) {
    page_response_ = fetcher_.FetchTextResponse(WireUrl(url).empty() ? url : WireUrl(url));
    page_response_url_ = url;
  }
  return *page_response_;
}

std::string DownloadEngine::DLInnerMakeHTML() {
  const std::string document = browser_ ? browser_->OuterHtml() : std::string();
  job.InnerDocumentText = document;
  const std::string body = FromBody(document);
  job.PageHead = RewriteCharsetDeclToShiftJIS(job.PageHead);
  // Both halves are Shift_JIS already (the head was converted when the page
  // was navigated, the body comes from the browser): converting again by the
  // page's own declaration would garble a page that declares UTF-8, so only
  // the declarations are rewritten.
  std::string text = SqueezeSpaces(job.PageHead + NormaliseHtml(body));
  return BreakHtmlLines(RewriteQuotedCharsetToShiftJIS(RewriteCharsetDeclToShiftJIS(text)));
}

int DownloadEngine::DLMakeWinPage(const std::string& url, const std::string& save_folder,
                                  int /*mode*/) {
  if (!IsHttpUrl(url)) return -1;
  std::string text;
  page_base_ = WireUrl(url);
  page_query_code_ = kCharsetShiftJis;  // the browser-built page comes from Shift_JIS texts
  if (settings.download_inner_html) {
    if (job.PageHead.empty()) {
      prompter_.Inform(SJ<"●">() + msg::NotNavigated());
      return -1;
    }
    text = DLInnerMakeHTML();
    job.InnerPageText = text;
    text = BreakHtmlLines(text);
    observer_.ShowText(JobView::Inner, job.InnerDocumentText, true);
  } else {
    const TextResponse& page = PageResponse(url);
    if (!page.failure.empty()) {
      failure_reason_ = page.failure;
      failure_ = DownloadFailure::PageNotFetched;
      return -1;
    }
    // The copy as fetched keeps the server's bytes and code.
    job.RawPageText = Replace(page.text, "\"/*", "\" /*");
    job.PageHead =
        NormaliseCharsetToShiftJIS(BeforeBody(page.text), Unmappable::CharRef, page.content_type);
    const ReadText read = ReadSavedText(page.text, settings.main_html_charset, page.content_type,
                                        true);
    text = read.text;
    page_query_code_ = read.code;
    job.RawPageCode = read.code;
    if (!page.final_url.empty()) page_base_ = page.final_url;
  }

  page_scan_ = ScanPage(text);
  if (page_scan_.has_base) {
    job.BaseHrefValue = page_scan_.base_href;
    job.BaseHrefDir = UrlDirectory(job.BaseHrefValue);
    form.status_base_href =
        SJ<" 【 ">() + job.BaseHrefDir + SJ<" 】  [ ">() + job.BaseHrefValue + " ]";
    if (job.BaseHrefDir == url) job.BaseHrefDir = "/";
  }

  const bool dummy = settings.top_directory_for_unknown && !settings.top_dummy_directory.empty();
  const BasePageNames names = MakeBasePageNames(url, save_folder, settings.url_web_decode,
                                                dummy ? settings.top_dummy_directory : "");
  if (!MakeFoldersBelow(save_folder, names.local_file)) return -1;
  job.LocalPageFile = names.local_file;
  form.local_filename = names.local_file;
  job.FetchedCopyFile = names.fetched_copy;
  job.InnerCopyFile = names.inner_copy;
  job.ConvertedPageText = std::move(text);
  observer_.FormChanged();
  return 0;
}

std::string DownloadEngine::SaveWithResources(const std::string& text,
                                              const std::string& page_file,
                                              const std::string& save_folder,
                                              const PageScan& scan) {
  ResourceMap map(save_folder, settings.url_web_decode);
  ResourceStage stage(fetcher_, map, lists, settings,
                      {.running = [this] { return Running(); },
                       .progress =
                           [this](std::string_view local, int total, int index) {
                             DLFileDownloadInfo(local, total, index);
                           },
                       .lists_changed = [this] { observer_.ListsChanged(); }});
  std::string base = page_base_;
  if (scan.has_base) {
    if (std::string resolved = RequestUrl(page_base_, scan.base_href, page_query_code_);
        !resolved.empty()) {
      base = std::move(resolved);
    }
  }
  const std::vector<std::string> urls = ResourceStage::ResolvePage(scan, base, page_query_code_);
  stage.EnterPage(scan, urls, base);
  if (!lists.ListBoxIEImage.empty()) stage.EnterBrowserImages(lists.ListBoxIEImage);
  stage.Run();
  last_resources_.assign(map.Entries().begin(), map.Entries().end());
  return RewriteSavedPage({.page = text,
                           .scan = scan,
                           .urls = urls,
                           .page_url = page_base_,
                           .page_file = page_file,
                           .saved_from = job.PageUrl,
                           .map = map,
                           .options = settings});
}

int DownloadEngine::DownLoadBasePage(const std::string& url, const std::string& save_folder) {
  if (DLMakeWinPage(url, save_folder, 0) != 0 || job.LocalPageFile.empty() ||
      job.FetchedCopyFile.empty()) {
    return -1;
  }

  if (!job.RawPageText.empty()) {
    if (settings.save_this_name) {
      std::string folder = FolderOf(job.FetchedCopyFile);
      if (const std::size_t at = FindAtBoundary(folder, "@"); at != npos) {
        folder = FolderOf(folder.substr(0, at));
      }
      const std::string name = WithHtmlExtension(
          settings.save_filename.empty() ? "index.html" : settings.save_filename);
      WriteFileBelow(save_folder,
                     folder + std::string(kFetchedImportPrefix) + UrlToSafePath(name),
                     job.RawPageText);
    } else {
      job.FetchedCopyFile = WithHtmlExtension(job.FetchedCopyFile);
      WriteFileBelow(save_folder, job.FetchedCopyFile, job.RawPageText);
    }
  }

  lists.ListedScriptSet.clear();
  lists.ListedImageSet.clear();
  ShowTab(JobPage::PageCssJs);
  job.HeadPreamble = HeadPreambleOf(job.ConvertedPageText);
  if (settings.top_page_filename.empty()) settings.top_page_filename = kIndexPage;
  job.TopPageFileName = settings.top_page_filename;

  std::string written;
  if (settings.save_this_name) {
    std::string name(Trim(settings.save_filename));
    name = WithHtmlExtension(name.empty() ? "index.html" : name);
    job.ChosenLocalFile = FolderOf(job.LocalPageFile) + UrlToSafePath(name);
    written = job.ChosenLocalFile;
  } else {
    written = FinalPageName(job.LocalPageFile);
  }
  const std::string page =
      SaveWithResources(job.ConvertedPageText, written, save_folder, page_scan_);
  if (!settings.dont_save_image) ShowTab(JobPage::PageImage);
  // Inline frames are saved by jobs of their own into this folder; the
  // reports wait for them.
  for (const FoundReference& ref : page_scan_.references) {
    if (ref.role != RefRole::kFrame) continue;
    settings.dont_empty_folder = true;
    settings.dont_make_css_list = true;
    break;
  }

  if (settings.save_this_name) form.local_filename = job.ChosenLocalFile;
  form.label_downloaded_file =
      SJ<"【 ">() + (settings.save_this_name ? job.ChosenLocalFile : job.LocalPageFile) + SJ<" 】">();
  std::string why;
  const bool saved = WriteFileBelow(save_folder, written, page, &why);
  if (!saved) failure_reason_ = why;
  if (settings.download_inner_html) {
    WriteFileBelow(save_folder, FinalPageName(PrefixedName(job.LocalPageFile, kInnerPagePrefix)),
                   page);
  }
  observer_.ShowText(JobView::Local, page, true);
  if (!ContainsAtBoundary(job.LocalPageFile, ".htm") && job.LocalPageFile + ".html" != written) {
    WriteFileBelow(save_folder, job.LocalPageFile + ".html", page);
  }
  if (!job.InnerPageText.empty() && !job.InnerCopyFile.empty()) {
    WriteFileBelow(save_folder, job.InnerCopyFile, job.InnerPageText);
  }
  observer_.FormChanged();
  return saved && LocalFileExists(written) ? 0 : -1;
}

std::string HeadPreambleOf(std::string_view page) {
  const std::size_t head = FindAtBoundary(page, "<head");
  return (head == npos || head == 0) ? std::string() : std::string(page.substr(0, head));
}

}  // namespace kaplo
