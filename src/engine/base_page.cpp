// The base page stage: acquire the page, name its local files, keep the copy
// as fetched, fetch what it names into the resource map, point its
// references at the saved files and save it.
#include "engine/engine.h"
#include "engine/folder_names.h"
#include "engine/local_path.h"
#include "engine/resource_stage.h"
#include "engine/safe_write.h"
#include "engine/saved_names.h"
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

// The address a saved page names: a frameset's folder address without its mark.
std::string SavedFromAddress(std::string address) {
  if (address.ends_with(kFolderAddressMark)) address.resize(address.size() - kFolderAddressMark.size());
  return address;
}

// The name the user chose for the page, made a safe file name of an HTML page.
std::string ChosenName(std::string_view typed) {
  std::string name = FileNameOf(UrlToSafePath(Trim(typed)));
  return WithTypeEnding(name.empty() ? std::string(kIndexPage) : name, kHtmlType);
}

}  // namespace

std::string BeforeBody(std::string_view text) {
  std::size_t at = FindAtBoundary(text, "<BODY");
  if (at == npos) at = FindAtBoundary(text, "<body");
  return std::string(text.substr(0, at == npos ? text.size() : at));
}

const TextResponse& DownloadEngine::PageResponse(const std::string& url) {
  if (!page_response_ || page_response_url_ != url) {
    page_response_ = RefreshPage(WireUrl(url).empty() ? url : WireUrl(url));
    page_response_url_ = url;
    // An empty page is nothing to save.
    if (page_response_->failure.empty() && page_response_->text.empty()) {
      page_response_->failure = "an empty answer";
    }
  }
  return *page_response_;
}

std::string DownloadEngine::DLInnerMakeHTML() {
  const std::string document = browser_ ? browser_->OuterHtml() : std::string();
  job_.InnerDocumentText = document;
  const std::string body = FromBody(document);
  job_.PageHead = RewriteCharsetDeclToShiftJIS(job_.PageHead);
  // Both halves are Shift_JIS already (the head was converted when the page
  // was navigated, the body comes from the browser): converting again by the
  // page's own declaration would garble a page that declares UTF-8, so only
  // the declarations are rewritten.
  std::string text = SqueezeSpaces(job_.PageHead + NormaliseHtml(body));
  return BreakHtmlLines(RewriteQuotedCharsetToShiftJIS(RewriteCharsetDeclToShiftJIS(text)));
}

int DownloadEngine::DLMakeWinPage(const std::string& url, const std::string& save_folder,
                                  int /*mode*/) {
  if (!IsHttpUrl(url)) return -1;
  std::string text;
  page_base_ = WireUrl(url);
  page_query_code_ = kCharsetShiftJis;  // the browser-built page comes from Shift_JIS texts
  if (options_.download_inner_html) {
    if (job_.PageHead.empty()) {
      prompter_.Inform(SJ<"●">() + msg::NotNavigated());
      return -1;
    }
    text = DLInnerMakeHTML();
    job_.InnerPageText = text;
    text = BreakHtmlLines(text);
    observer_.ShowText(JobText::Inner, job_.InnerDocumentText, true);
  } else {
    const TextResponse& page = PageResponse(url);
    if (!page.failure.empty()) {
      failure_reason_ = page.failure;
      failure_ = DownloadFailure::PageNotFetched;
      return -1;
    }
    // The copy as fetched keeps the server's bytes and code.
    job_.RawPageText = Replace(page.text, "\"/*", "\" /*");
    job_.PageHead =
        NormaliseCharsetToShiftJIS(BeforeBody(page.text), Unmappable::CharRef, page.content_type);
    const ReadText read = ReadSavedText(page.text, options_.main_html_charset, page.content_type,
                                        true);
    text = read.text;
    page_query_code_ = read.code;
    job_.RawPageCode = read.code;
    if (!page.final_url.empty()) page_base_ = page.final_url;
  }

  page_scan_ = ScanPage(text);
  if (page_scan_.has_base) {
    job_.BaseHrefValue = page_scan_.base_href;
    job_.BaseHrefDir = UrlDirectory(job_.BaseHrefValue);
    labels_.base_address =
        SJ<" 【 ">() + job_.BaseHrefDir + SJ<" 】  [ ">() + job_.BaseHrefValue + " ]";
    if (job_.BaseHrefDir == url) job_.BaseHrefDir = "/";
  }

  const BasePageNames names = MakeBasePageNames(url, NameRulesOf(options_, save_folder));
  if (!MakeFoldersBelow(save_folder, names.local_file)) return -1;
  job_.LocalPageFile = names.local_file;
  labels_.local_file = names.local_file;
  job_.FetchedCopyFile = names.fetched_copy;
  job_.InnerCopyFile = names.inner_copy;
  job_.ConvertedPageText = std::move(text);
  LabelsChanged();
  return 0;
}

std::string DownloadEngine::SaveWithResources(const std::string& text,
                                              const std::string& page_file,
                                              const std::string& save_folder,
                                              const PageScan& scan) {
  ResourceMap map(NameRulesOf(options_, save_folder), &names_);
  ResourceStage stage(fetcher_, map, lists_, options_,
                      {.running = [this] { return Running(); },
                       .progress =
                           [this](std::string_view local, int total, int index) {
                             DLFileDownloadInfo(local, total, index);
                           },
                       .lists_changed = [this] { ListsChanged(); }});
  std::string base = page_base_;
  if (scan.has_base) {
    if (std::string resolved = RequestUrl(page_base_, scan.base_href, page_query_code_);
        !resolved.empty()) {
      base = std::move(resolved);
    }
  }
  const std::vector<std::string> urls = ResourceStage::ResolvePage(scan, base, page_query_code_);
  stage.Record(record_, refreshing_, refresh_outcome_);
  stage.EnterPage(scan, urls, base, page_file);
  if (!lists_.browser_images.empty()) stage.EnterBrowserImages(lists_.browser_images);
  stage.Run();
  last_resources_.assign(map.Entries().begin(), map.Entries().end());
  for (const MappedResource& m : last_resources_) {
    if (m.Saved()) names_.Note(RecordLineOf(m));
  }
  // Each frame entry leads where this page resolved it.
  for (std::size_t i = 0; i < scan.references.size(); ++i) {
    if (scan.references[i].role == RefRole::kFrame && !urls[i].empty()) {
      frame_targets_[labels_.url + "\n" + std::string(Trim(scan.references[i].value))] = urls[i];
    }
  }
  return RewriteSavedPage({.page = text,
                           .scan = scan,
                           .urls = urls,
                           .page_url = page_base_,
                           .page_file = page_file,
                           .saved_from = SavedFromAddress(job_.PageUrl),
                           .map = map,
                           .options = options_});
}

int DownloadEngine::DownLoadBasePage(const std::string& url, const std::string& save_folder) {
  if (DLMakeWinPage(url, save_folder, 0) != 0 || job_.LocalPageFile.empty() ||
      job_.FetchedCopyFile.empty()) {
    return -1;
  }

  if (!job_.RawPageText.empty()) {
    if (options_.save_this_name) {
      // A query with "/" in it made folders of the address: the copy goes
      // where the address's path ends.
      std::string folder = FolderOf(job_.FetchedCopyFile);
      const std::size_t below = folder.starts_with(save_folder) ? save_folder.size() : 0;
      if (const std::size_t at = FindAtBoundary(folder, "@", below); at != npos) {
        folder = FolderOf(folder.substr(0, at));
      }
      job_.FetchedCopyFile =
          folder + std::string(kFetchedImportPrefix) + ChosenName(options_.save_filename);
      WriteFileBelow(save_folder, job_.FetchedCopyFile, job_.RawPageText);
    } else {
      WriteFileBelow(save_folder, job_.FetchedCopyFile, job_.RawPageText);
    }
  }

  Focus(JobFocus::Stylesheets);
  job_.HeadPreamble = HeadPreambleOf(job_.ConvertedPageText);
  if (options_.top_page_filename.empty()) options_.top_page_filename = kIndexPage;
  job_.TopPageFileName = options_.top_page_filename;

  std::string written = job_.LocalPageFile;
  if (options_.save_this_name) {
    job_.ChosenLocalFile = FolderOf(job_.LocalPageFile) + ChosenName(options_.save_filename);
    written = job_.ChosenLocalFile;
  }
  const std::string page =
      SaveWithResources(job_.ConvertedPageText, written, save_folder, page_scan_);
  if (!options_.dont_save_image) Focus(JobFocus::Images);
  // Inline frames are saved by jobs of their own into this folder; the
  // reports wait for them.
  for (const FoundReference& ref : page_scan_.references) {
    if (ref.role != RefRole::kFrame) continue;
    options_.dont_empty_folder = true;
    options_.dont_make_css_list = true;
    break;
  }

  if (options_.save_this_name) labels_.local_file = job_.ChosenLocalFile;
  labels_.status =
      SJ<"【 ">() + (options_.save_this_name ? job_.ChosenLocalFile : job_.LocalPageFile) + SJ<" 】">();
  std::string why;
  // A page that answered 304 keeps its saved files: the names of what it
  // refers to are fixed by their addresses, so nothing in it changed.
  const bool kept = page_unchanged_ && LocalFileExists(written);
  const bool saved = kept || WriteFileBelow(save_folder, written, page, &why);
  if (!saved) failure_reason_ = why;
  if (saved) WriteRecord(save_folder);
  if (options_.download_inner_html) {
    WriteFileBelow(save_folder, PrefixedName(job_.LocalPageFile, kInnerPagePrefix), page);
  }
  observer_.ShowText(JobText::Local, page, true);
  if (!job_.InnerPageText.empty() && !job_.InnerCopyFile.empty()) {
    WriteFileBelow(save_folder, job_.InnerCopyFile, job_.InnerPageText);
  }
  LabelsChanged();
  return saved && LocalFileExists(written) ? 0 : -1;
}

std::string HeadPreambleOf(std::string_view page) {
  const std::size_t head = FindAtBoundary(page, "<head");
  return (head == npos || head == 0) ? std::string() : std::string(page.substr(0, head));
}

}  // namespace kaplo
