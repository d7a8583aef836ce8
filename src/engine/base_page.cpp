// The base page stage: acquire the page, name its local files, save the
// as-fetched copy, run the collection stages, rewrite the links and save.
#include <filesystem>

#include "engine/css_js.h"
#include "engine/engine.h"
#include "engine/folder_names.h"
#include "engine/frames.h"
#include "engine/local_path.h"
#include "engine/page_rewrite.h"
#include "engine/url.h"
#include "shell/messages.h"
#include "text/charset.h"
#include "text/fsname.h"
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
  int code = kCharsetShiftJis;  // the browser-built page comes from Shift_JIS texts
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
    const TextResponse page = fetcher_.FetchTextResponse(url);
    if (!page.failure.empty()) {
      failure_reason_ = page.failure;
      failure_ = DownloadFailure::PageNotFetched;
      return -1;
    }
    text = Replace(page.text, "\"/*", "\" /*");
    job.RawPageText = text;
    job.PageHead =
        NormaliseCharsetToShiftJIS(BeforeBody(text), Unmappable::CharRef, page.content_type);
    code = PageReadingCode(text, settings.main_html_charset, page.content_type);
    job.RawPageCode = code;
  }
  text = PageToShiftJIS(text, code);

  const std::string base_tag = Between(text, "<base ", ">");
  if (!base_tag.empty()) {
    job.BaseHrefValue = Between(base_tag, "=\"", "\"");
    job.BaseHrefDir = UrlDirectory(job.BaseHrefValue);
    form.status_base_href =
        SJ<" 【 ">() + job.BaseHrefDir + SJ<" 】  [ ">() + job.BaseHrefValue + " ]";
    if (job.BaseHrefDir == url) job.BaseHrefDir = "/";
  }

  text = ReplaceAllExact(NormaliseHtml(text), "?<", "<");

  const bool dummy = settings.top_directory_for_unknown && !settings.top_dummy_directory.empty();
  const BasePageNames names = MakeBasePageNames(url, save_folder, settings.url_web_decode,
                                                dummy ? settings.top_dummy_directory : "");
  const std::string folder = FolderOf(names.local_file);
  if (!folder.empty() && ForceFolderForPath(folder, "").empty()) return -1;
  job.LocalPageFile = names.local_file;
  form.local_filename = names.local_file;
  job.FetchedCopyFile = names.fetched_copy;
  job.InnerCopyFile = names.inner_copy;
  job.ConvertedPageText = std::move(text);
  observer_.FormChanged();
  return 0;
}

int DownloadEngine::DownLoadBasePage(const std::string& url, const std::string& save_folder) {
  if (DLMakeWinPage(url, save_folder, 0) != 0 || job.LocalPageFile.empty() ||
      job.FetchedCopyFile.empty()) {
    return -1;
  }

  // The as-fetched copy keeps the page's lines but is Shift_JIS like every
  // file the job writes, so it reads as the page did.
  const std::string fetched_copy =
      AsFetchedToShiftJIS(job.RawPageText, job.RawPageCode, Unmappable::CharRef);
  if (settings.save_this_name) {
    std::string folder = FolderOf(job.FetchedCopyFile);
    if (const std::size_t at = FindAtBoundary(folder, "@"); at != npos) {
      folder = FolderOf(folder.substr(0, at));
    }
    const std::string name =
        WithHtmlExtension(settings.save_filename.empty() ? "index.html" : settings.save_filename);
    SaveTextFile(fetched_copy, folder + std::string(kFetchedImportPrefix) + UrlToSafePath(name));
  } else {
    job.FetchedCopyFile = WithHtmlExtension(job.FetchedCopyFile);
    SaveTextFile(fetched_copy, job.FetchedCopyFile);
  }

  lists.ResourceCandidateSet.clear();
  lists.NestedCandidateSet.clear();
  lists.ListedScriptSet.clear();
  lists.ListedImageSet.clear();
  lists.WrittenFileSet.clear();
  lists.StylesheetHostSet.clear();
  ShowTab(JobPage::PageCssJs);

  {
    // The scanning copy: escaped quotes inside scripts must not end a value.
    const std::string scan =
        ReplaceAllExact(NormaliseHtml(job.ConvertedPageText), "\\\"", kEscapedQuote);
    if (DLMakePageCSSJS(url, save_folder, scan) != 0) return -1;
  }
  DLMakeIframe();
  // Modern pages' further addresses: a discovery step of its own.
  DLMakeModernResources(url, save_folder, job.ConvertedPageText);
  // Everything discovery listed can be on its way while the stages below
  // handle their items one by one; stylesheets first, as they come first.
  PrefetchAhead(lists.ListBoxPGTab02LTab02PageWebCSS, SplitResourceLine, true,
                settings.dont_save_image ? nullptr : &lists.ListBoxPGTab02LTab03PageImage);
  lists.ListBoxPGTab02LTab07AllImportCSSFileDownloaedCSSJS.clear();
  lists.ListBoxPGTab02LTab04DLCSSFileImportCSS.clear();
  DLDownloadCSSJS(save_folder, lists.ListBoxPGTab02LTab02PageWebCSS);
  DLRecursiveGetCSSJS(url, job.LocalPageFile, 0, lists.ListBoxPGTab02LTab03PageImage,
                      lists.ListBoxPGTab02LTab04DLCSSFileImportCSS,
                      lists.ListBoxPGTab02LTab02PageFileDownloaedCSSJS, save_folder);
  if (!settings.dont_save_image) {
    ShowTab(JobPage::PageImage);
    DLDownloadImage(save_folder, lists.ListBoxPGTab02LTab03PageImage);
  }

  job.HeadPreamble = HeadPreambleOf(job.ConvertedPageText);
  if (!job.BaseHrefDir.empty() && settings.remove_base_href >= 0 &&
      settings.remove_base_href <= 2) {
    job.BaseHrefDirPath = UrlDirPath(job.BaseHrefDir);
  }
  if (settings.top_page_filename.empty()) settings.top_page_filename = kIndexPage;
  job.TopPageFileName = settings.top_page_filename;
  const std::string page = RewritePage(PointModernReferences(url, save_folder, job.ConvertedPageText),
                                       {.page_url = url,
                                                               .saved_from = job.PageUrl,
                                                               .save_folder = save_folder,
                                                               .base_href_dir = job.BaseHrefDir,
                                                               .lists = lists,
                                                               .options = settings});

  std::string written;
  if (settings.save_this_name) {
    std::string name(Trim(settings.save_filename));
    name = WithHtmlExtension(name.empty() ? "index.html" : name);
    job.ChosenLocalFile = FolderOf(job.LocalPageFile) + UrlToSafePath(name);
    form.local_filename = job.ChosenLocalFile;
    form.label_downloaded_file = SJ<"【 ">() + job.ChosenLocalFile + SJ<" 】">();
    written = job.ChosenLocalFile;
  } else {
    form.label_downloaded_file = SJ<"【 ">() + job.LocalPageFile + SJ<" 】">();
    written = FinalPageName(job.LocalPageFile);
  }
  SaveTextFile(page, written);
  if (settings.download_inner_html) {
    SaveTextFile(page, FinalPageName(PrefixedName(job.LocalPageFile, kInnerPagePrefix)));
  }
  observer_.ShowText(JobView::Local, page, true);
  if (!ContainsAtBoundary(job.LocalPageFile, ".htm")) SaveTextFile(page, job.LocalPageFile + ".html");
  if (!job.InnerPageText.empty() && !job.InnerCopyFile.empty()) {
    SaveTextFile(job.InnerPageText, job.InnerCopyFile);
  }
  observer_.FormChanged();
  std::error_code ec;
  return std::filesystem::is_regular_file(FsPath(written), ec) ? 0 : -1;
}

}  // namespace kaplo
