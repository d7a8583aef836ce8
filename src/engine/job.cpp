// The download job: checks, questions and the order of the stages.
#include <filesystem>

#include "engine/engine.h"
#include "engine/folder_names.h"
#include "engine/frames.h"
#include "engine/local_path.h"
#include "engine/resource_stage.h"
#include "engine/saved_page.h"
#include "engine/url.h"
#include "shell/messages.h"
#include "text/charset.h"
#include "text/convert.h"
#include "text/fsname.h"
#include "text/normalise.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"
#include "text/strutil.h"
#include "text/urlcode.h"

namespace kaplo {

namespace {

constexpr std::string_view kBlank = "about:blank";

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && LowerAscii(a) == LowerAscii(b);
}

}  // namespace

std::string CheckRefresh(std::string_view text) {
  std::string head = LowerAscii(Between(text, "<head>", "</head>"));
  auto unquote = [](std::string s) {
    std::erase(s, '"');
    std::erase(s, '\'');
    return s;
  };
  if (ContainsAtBoundary(head, "http-equiv=\"refresh\"")) return unquote(Between(head, "url=", "\""));
  if (ContainsAtBoundary(head, "location.replace(")) {
    return unquote(Between(head, "location.replace(", ")"));
  }
  return {};
}

std::string DownloadCountLabel(int total, int index) {
  return SJ<"【 ">() + PadNumberBlanks(index + 1, 3) + "  /  " + PadNumberBlanks(total, 3) +
         SJ<" 】">();
}

DownloadEngine::DownloadEngine(Fetcher& fetcher, Prompter& prompter, BrowserPort* browser,
                               JobObserver& observer, SystemBrowser* system_browser)
    : fetcher_(fetcher),
      prompter_(prompter),
      browser_(browser),
      observer_(observer),
      system_browser_(system_browser) {}

void DownloadEngine::btnDownloadAllClick() {
  page_saved_ = false;
  frameset_page_ = false;
  failure_ = DownloadFailure::None;
  std::string url(Trim(form.url));
  if (url.empty()) {
    failure_ = DownloadFailure::NoAddress;
    return;
  }
  if (const std::size_t hash = FindAtBoundary(url, "#"); hash != std::string::npos) {
    url.resize(hash);
    form.url = url;
  }
  if (ContainsAtBoundary(url, "/**http%3A//") || ContainsAtBoundary(url, "/**https%3A//")) {
    url = DecodeSearchRedirect(url);
    form.url = url;
  }
  observer_.FormChanged();
  if (!IsPageUrl(url)) {
    switch (prompter_.Ask(msg::NoHtmlFile(), Prompter::Buttons::YesNoCancel)) {
      case Prompter::Answer::Cancel:
        failure_ = DownloadFailure::Cancelled;
        return;
      case Prompter::Answer::No:
        form.url += "/index.html";
        url = form.url;
        observer_.FormChanged();
        break;
      case Prompter::Answer::Yes:
        break;
    }
  }
  if (settings.download_inner_html && job.PageHead.empty()) {
    prompter_.Inform(msg::NotNavigated());
    failure_ = DownloadFailure::NotNavigated;
    return;
  }
  lists.FrameTagSet.clear();
  lists.ListBoxWBInFrameFileList.clear();
  form.caption = "KAPLO[ " + url + " ]";
  job.FramesetSaved = false;

  DLDownloadAll(url);

  // A second job in the same run neither empties the folder nor writes the
  // reports unless the user asks again.
  settings.dont_empty_folder = true;
  settings.dont_make_css_list = true;
  job.PreviousConfirmedLocalFile = job.ConfirmedLocalFile;
  job.ConfirmedLocalFile = form.local_filename;
  form.confirm_local_html_file = job.ConfirmedLocalFile;
  form.local_file_org_html = PrefixedName(job.ConfirmedLocalFile, kFetchedPagePrefix);
  form.local_dont_load = false;
  bool known = false;
  for (const std::string& item : form.url_history) known |= EqualsIgnoreCase(item, form.url);
  if (!known) form.url_history.push_back(form.url);
  observer_.FormChanged();
  if (job.FramesetSaved) ShowTab(JobPage::Native);
}

const std::string& DownloadFailureText(DownloadFailure kind) {
  static const std::string none;
  switch (kind) {
    case DownloadFailure::None:
      return none;
    case DownloadFailure::NoAddress:
    case DownloadFailure::NotWebAddress:
      return msg::NotWebAddress();
    case DownloadFailure::Cancelled:
      return msg::DownloadCancelled();
    case DownloadFailure::NotNavigated:
      return msg::NotNavigated();
    case DownloadFailure::FolderNotFound:
      return msg::FolderNotFound();
    case DownloadFailure::NoSaveFolder:
      return msg::NoSaveFolder();
    case DownloadFailure::FolderNotEmptied:
      return msg::FolderNotEmptied();
    case DownloadFailure::PageNotFetched:
      return msg::PageNotFetched();
    case DownloadFailure::PageNotSaved:
      return msg::PageNotSaved();
  }
  return none;
}

std::string DownloadEngine::FailureMessage(DownloadFailure kind) const {
  const std::string& text = DownloadFailureText(kind);
  const bool with_reason =
      kind == DownloadFailure::PageNotFetched || kind == DownloadFailure::FolderNotEmptied;
  return with_reason ? msg::WithReason(text, failure_reason_) : text;
}

void DownloadEngine::Load(const DownloadRequest& request) {
  settings = request.options;
  form.url = request.url;
  form.save_folder = request.save_folder;
}

DownloadResult DownloadEngine::Run(const DownloadRequest& request) {
  Load(request);
  page_response_.reset();
  if (request.navigate_first) {
    WBDLNavigate(form.url, form.save_folder, 0);
    reuse_page_response_ = true;
  }
  btnDownloadAllClick();
  reuse_page_response_ = false;
  return LastResult();
}

DownloadResult DownloadEngine::RunFrame(const std::string& reference) {
  settings.frame_download = 0;
  page_saved_ = false;
  frameset_page_ = false;
  failure_ = DownloadFailure::None;
  if (FrameTarget(form.url, reference).empty()) {
    failure_ = DownloadFailure::NotWebAddress;
  } else if (!DLInFrameFileGo(form.url, form.save_folder, reference) &&
             failure_ == DownloadFailure::None) {
    failure_ = DownloadFailure::PageNotSaved;
  }
  return LastResult();
}

void DownloadEngine::StartOver() {
  lists.ListBoxWBInFrameFileList.clear();
  DLClearListBox(false);
}

void DownloadEngine::Reset() {
  job = DownloadJob{};
  StartOver();
}

void DownloadEngine::ConfirmLocalFile(const std::string& file) {
  form.local_filename = file;
  job.ConfirmedLocalFile = file;
}

DownloadResult DownloadEngine::LastResult() const {
  DownloadResult r;
  r.page_saved = page_saved_;
  if (page_saved_) r.saved_page = form.local_filename;
  r.url = form.url;
  r.frameset = frameset_page_;
  r.stylesheet_counts = CountMarks(lists.ListBoxPGTab02LTab02PageFileDownloaedCSSJS,
                                   OutcomeList::StylesheetsAndScripts);
  r.image_counts =
      CountMarks(lists.ListBoxPGTab02LTab03PageImageDownloaedImage, OutcomeList::Images);
  r.frames = lists.ListBoxWBInFrameFileList;
  for (const MappedResource& m : last_resources_) {
    if (m.handled && IsFailure(m.mark)) {
      r.failed.push_back({m.url, m.local, m.mark, m.reason,
                          m.role == RefRole::kStylesheet || m.role == RefRole::kScript});
    }
  }
  for (const std::string* report :
       {&form.local_file_css_js_list, &form.local_file_total_css_js, &form.local_file_image_list}) {
    if (!report->empty() && LocalFileExists(*report)) r.reports.push_back(*report);
  }
  r.failure_kind = page_saved_ ? DownloadFailure::None : failure_;
  if (!page_saved_ && r.failure_kind == DownloadFailure::None) {
    r.failure_kind = DownloadFailure::PageNotSaved;
  }
  r.failure = FailureMessage(r.failure_kind);
  return r;
}

std::string DownloadEngine::SavedPageCaption() const {
  return SJ<"KAPLO 【 ">() + form.url + SJ<" 】  - [ ">() + form.local_filename + " ]";
}

void DownloadEngine::RestoreConfirmedLocalFile() {
  job.ConfirmedLocalFile = job.PreviousConfirmedLocalFile;
}

bool DownloadEngine::Abandon(DownloadFailure kind, bool restore) {
  failure_ = kind;
  if (restore) RestoreConfirmedLocalFile();
  // The label says why the job ended; never the finished message.
  form.label_downloaded_file = FailureMessage(kind);
  form.label_downloaded_file_count.clear();
  observer_.FormChanged();
  DLButtonEnable();
  return false;
}

bool DownloadEngine::DLDownloadAll(const std::string& url) {
  page_saved_ = false;
  frameset_page_ = false;
  failure_ = DownloadFailure::None;
  fetcher_.StartJob();
  if (!reuse_page_response_) page_response_.reset();
  last_resources_.clear();
  job.PageUrl = url;
  job.SuppressUrlChange = false;
  std::string folder(Trim(form.save_folder));
  if (!IsHttpUrl(url)) return Abandon(DownloadFailure::NotWebAddress, false);

  DLClearListBox(false);
  ShowTab(JobPage::WebBrowse);
  ShowTab(JobPage::WebHtml);

  // The page as first fetched, read as the base page stage will read it, so
  // a frameset page is saved in Shift_JIS like any page.
  std::string fetched;
  std::string lower;
  if (!settings.download_inner_html) {
    const TextResponse& first = PageResponse(url);
    if (!first.failure.empty()) {
      failure_reason_ = first.failure;
      return Abandon(DownloadFailure::PageNotFetched, false);
    }
    const ReadText read =
        ReadSavedText(first.text, settings.main_html_charset, first.content_type, true);
    fetched = read.text;
    page_query_code_ = read.code;
    page_base_ = first.final_url.empty() ? WireUrl(url) : first.final_url;
    if (!fetched.empty()) observer_.ShowText(JobView::FirstFetch, fetched, true);
    lower = LowerAscii(fetched);
    const std::string target = CheckRefresh(lower);
    if (!target.empty()) {
      prompter_.ShowInformation(msg::RefreshRedirect(), fetched);
      ShowTab(JobPage::FirstFetch);
      if (IsHttpUrl(target) && target.starts_with("http:")) {
        form.url = target;  // offered for the next job; this one goes on with its URL
        observer_.FormChanged();
      }
      if (prompter_.Ask(msg::GoOn(), Prompter::Buttons::YesNo) != Prompter::Answer::Yes) {
        return Abandon(DownloadFailure::Cancelled, false);
      }
    }
    if (ContainsAtBoundary(lower, "<base") && settings.remove_base_href == 0 &&
        prompter_.Ask(msg::BaseHref(), Prompter::Buttons::YesNo) != Prompter::Answer::Yes) {
      return Abandon(DownloadFailure::Cancelled, false);
    }
  }

  if (browser_) browser_->Navigate(BrowserPane::DownloadResult, kBlank);
  form.label_downloaded_file.clear();
  form.label_downloaded_file_count.clear();

  if (folder.empty()) {
    const std::string mapped = UrlToLocalPath(url, "", settings.url_web_decode, 0);
    std::string name;
    if (mapped.empty() || ContainsAtBoundary(mapped, ".htm")) {
      name = "index.html";
    } else {
      name = FileNameOf(mapped + ".html");
      if (name == ".html") name = "index.html";
    }
    name = UrlToSafePath(name);
    const std::optional<std::string> chosen = prompter_.SaveHtmlDialog(name, "");
    if (!chosen) return Abandon(DownloadFailure::Cancelled, true);
    form.local_filename = *chosen;
    form.save_folder = FolderOf(*chosen);
    observer_.FormChanged();
  } else if (!LocalFolderExists(folder)) {
    prompter_.Inform(msg::FolderNotFound());
    return Abandon(DownloadFailure::FolderNotFound, true);
  }

  folder = std::string(Trim(form.save_folder));
  if (folder.empty()) {
    prompter_.Inform(msg::NoSaveFolder());
    return Abandon(DownloadFailure::NoSaveFolder, false);
  }
  if (std::string why; !settings.dont_empty_folder && !EmptyFolder(folder, &why)) {
    failure_reason_ = Utf8ToShiftJISLenient(why);
    prompter_.Inform(msg::WithReason(msg::FolderNotEmptied(), failure_reason_));
    return Abandon(DownloadFailure::FolderNotEmptied, false);
  }
  if (browser_) browser_->Navigate(BrowserPane::DownloadResult, kBlank);

  if (ContainsAtBoundary(lower, "<frameset ")) {
    // Frame pages are saved one by one from the frame list.
    observer_.ShowText(JobView::Native, fetched, true);
    prompter_.ShowInformation(msg::FramesetPage(), fetched);
    form.local_filename.clear();
    const std::string file_name = UrlFileName(url);
    const std::optional<std::string> chosen = prompter_.SaveHtmlDialog(
        file_name.empty() ? std::string(kIndexPage) : UrlToSafePath(file_name), folder);
    if (!chosen) return Abandon(DownloadFailure::Cancelled, true);
    form.save_folder = FolderOf(*chosen);
    observer_.FormChanged();
    job.PageUrl = url;
    if (!ContainsAtBoundary(url, ".htm") && url.ends_with('/')) job.PageUrl += kFolderAddressMark;
    const std::string chosen_file =
        FileNameOf(*chosen).empty() ? *chosen + "index.html" : *chosen;
    const bool saved =
        DLMakeFrameSetFile(url, chosen_file, fetched, std::string(Trim(form.save_folder))) == 0;
    settings.dont_empty_folder = true;
    settings.dont_make_css_list = true;
    if (!job.ConfirmedLocalFile.empty()) form.confirm_local_html_file = job.ConfirmedLocalFile;
    ShowTab(JobPage::WebHtml);
    job.FramesetSaved = true;
    frameset_page_ = true;
    page_saved_ = saved && LocalFileExists(form.local_filename);
    if (!page_saved_) {
      failure_ = DownloadFailure::PageNotSaved;
      form.label_downloaded_file = FailureMessage(failure_);
    }
    observer_.FormChanged();
    return page_saved_;
  }

  DLButtonDisable();
  if (!WBDLNavigate(url, std::string(Trim(form.save_folder)), 0)) {
    return Abandon(DownloadFailure::NotWebAddress, false);
  }
  DownLoadMain(url, folder);

  form.caption = SavedPageCaption();
  form.label_local_browser_url = form.local_filename;
  form.label_web_browser_url = form.url;

  std::string display = form.local_filename + ".html";
  display = ReplaceFirstExact(display, ".htm.html", ".htm");
  display = ReplaceFirstExact(display, ".html.html", ".html");
  switch (settings.final_open) {
    case 0:
      if (browser_) browser_->Navigate(BrowserPane::DownloadResult, url);
      form.label_local_browser_url = url;
      break;
    case 1:
      if (LocalFileExists(display)) {
        if (browser_) browser_->Navigate(BrowserPane::DownloadResult, "file://" + display);
        form.label_local_browser_url = display;
      } else {
        form.label_local_browser_url.clear();
      }
      break;
    case 2:
      if (!form.local_filename.empty() && LocalFileExists(display)) {
        if (system_browser_) system_browser_->OpenInSystemBrowser(display);
        form.label_local_browser_url = display;
      }
      break;
    default:
      break;
  }
  ShowTab(JobPage::LocalBrowse);
  ShowTab(JobPage::WebBrowse);
  if (!settings.dont_make_css_list) DLPostProcess(folder);
  if (!job.ConfirmedLocalFile.empty()) form.confirm_local_html_file = job.ConfirmedLocalFile;
  DLButtonEnable();
  form.label_downloaded_file_count.clear();
  if (!page_saved_ && failure_ == DownloadFailure::None) failure_ = DownloadFailure::PageNotSaved;
  form.label_downloaded_file = page_saved_ ? msg::DownloadFinished() : FailureMessage(failure_);
  observer_.FormChanged();
  return page_saved_;
}

bool DownloadEngine::WBDLNavigate(const std::string& url, const std::string& save_folder,
                                  int mode) {
  if (!IsHttpUrl(url)) return false;
  job.NavigatedPageText.clear();
  job.InnerPageText.clear();
  job.InnerCopyFile.clear();
  if (mode == 0) DLClearRichEditListBox();
  if ((mode == 0 || mode == 1) && browser_) browser_->Navigate(BrowserPane::Download, url);

  const TextResponse& page = PageResponse(url);
  const std::string& text = page.text;
  if (!observer_.ShowsTexts()) {
    // Nothing shows the views: only the head is kept, for the browser-built page.
    job.PageHead = NormaliseHtml(
        NormaliseCharsetToShiftJIS(BeforeBody(text), Unmappable::CharRef, page.content_type));
  } else {
    // The as-fetched views show the page's own lines, in Shift_JIS as every view.
    const std::string shown = AsFetchedToShiftJIS(
        text, PageReadingCode(text, settings.main_html_charset, page.content_type),
        Unmappable::CharRef);
    observer_.ShowText(JobView::FetchedLeft, shown, true);
    observer_.ShowText(JobView::FetchedRight, shown, true);
    observer_.ShowText(JobView::Native, shown, false);

    job.NavigatedPageText = NormaliseHtml(
        NormaliseCharsetToShiftJIS(text, Unmappable::CharRef, page.content_type));
    if (const std::size_t body = FindAtBoundary(job.NavigatedPageText, "<body");
        body != std::string::npos) {
      job.PageHead = job.NavigatedPageText.substr(0, body);
    }
    observer_.ShowText(JobView::WebSource, job.NavigatedPageText, true);
  }
  form.label_web_browser_url = url;
  if (browser_) browser_->Navigate(BrowserPane::DownloadResult, kBlank);
  form.caption = SJ<"KAPLO 【 ">() + url + SJ<" 】">();
  observer_.FormChanged();
  return true;
}

void DownloadEngine::DownLoadMain(const std::string& url, const std::string& save_folder) {
  DLClearPageFile(0);
  DLClearListBox(false);
  job.BaseHrefValue.clear();
  job.BaseHrefDirPath.clear();
  job.BaseHrefDir.clear();
  if (browser_) {
    job.NativePageText = NormaliseHtml(browser_->OuterHtml());
    observer_.ShowText(JobView::Native, job.NativePageText, true);
    lists.ListBoxIEImage = browser_->ImageUrls();
  } else {
    lists.ListBoxIEImage.clear();
  }
  observer_.ListsChanged();
  DLButtonDisable();
  page_saved_ = DownLoadBasePage(url, save_folder) == 0;
  settings.save_this_name = false;  // a chosen name serves one job only
}

void DownloadEngine::btnDownloadStopClick() {
  fetcher_.CancelPrefetch();
  DLClearEditText(2);
  DLButtonEnable();
}

void DownloadEngine::DLButtonDisable() {
  running_ = true;
  observer_.RunningChanged(true);
}

void DownloadEngine::DLButtonEnable() {
  running_ = false;
  observer_.RunningChanged(false);
}

void DownloadEngine::DLClearListBox(bool keep_boxes) {
  DownloadLists& l = lists;
  if (!keep_boxes) {
    for (auto* box : {&l.ListBoxPGTab02LTab02PageWebCSS, &l.ListBoxPGTab02LTab02PageFileDownloaedCSSJS,
                      &l.ListBoxPGTab02LTab03PageImage, &l.ListBoxPGTab02LTab03PageImageDownloaedImage,
                      &l.ListBoxPGTab02LTab04DLCSSFileImportCSS,
                      &l.ListBoxPGTab02LTab04ImportCSSFileDownloaedCSSJS, &l.ListBoxPGTab02LTab05UseRoot,
                      &l.ListBoxPGTab02LTab06DLImportCSSImage, &l.ListBoxPGTab02LTab06DLImageNotFound,
                      &l.ListBoxPGTab02LTab07DLAllCSSFileImportCSS,
                      &l.ListBoxPGTab02LTab07AllImportCSSFileDownloaedCSSJS,
                      &l.ListBoxPGTab02LTab08UnkownImage, &l.ListBoxPGTab02LTab09LHref}) {
      box->clear();
    }
  }
  for (auto* set : {&l.ResourceCandidateSet, &l.FrameTagSet, &l.NestedCandidateSet,
                    &l.ListedScriptSet, &l.ListedImageSet, &l.WrittenFileSet,
                    &l.StylesheetHostSet}) {
    set->clear();
  }
  observer_.ListsChanged();
}

void DownloadEngine::DLClearPageFile(int mode) {
  job.LocalPageFile.clear();
  job.FetchedCopyFile.clear();
  if (mode == 0) {
    job.ConvertedPageText.clear();
    job.RawPageText.clear();
  }
}

void DownloadEngine::DLClearEditText(int mode) {
  if (mode == 0) form.url.clear();
  if (mode == 0 || mode == 1) form.save_folder.clear();
  form.local_filename.clear();
  if (browser_) browser_->Navigate(BrowserPane::Download, kBlank);
  observer_.ShowText(JobView::WebSource, "", false);
  observer_.ShowText(JobView::FetchedLeft, "", false);
  observer_.ShowText(JobView::FetchedRight, "", false);
  observer_.FormChanged();
}

void DownloadEngine::DLClearRichEditListBox() {
  observer_.ClearTexts();
  lists.ListBoxIEImage.clear();
  observer_.ListsChanged();
}

void DownloadEngine::DLFileDownloadInfo(std::string_view text, int total, int index) {
  form.label_downloaded_file_count = DownloadCountLabel(total, index);
  if (text.find(' ') == std::string_view::npos) form.label_downloaded_file = std::string(text);
  observer_.Progress(form.label_downloaded_file_count, text);
}

}  // namespace kaplo
