// The download job: checks, questions and the order of the stages.
#include <filesystem>

#include "engine/engine.h"
#include "engine/folder_names.h"
#include "engine/frames.h"
#include "engine/local_path.h"
#include "engine/resource_stage.h"
#include "engine/saved_page.h"
#include "engine/saved_names.h"
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
  if (ContainsAtBoundary(head, "http-equiv=\"refresh\""))
    return unquote(Between(head, "url=", "\""));
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

void DownloadEngine::RunJob() {
  page_saved_ = false;
  frameset_page_ = false;
  failure_ = DownloadFailure::None;
  std::string url(Trim(labels_.url));
  if (url.empty()) {
    failure_ = DownloadFailure::NoAddress;
    return;
  }
  if (const std::size_t hash = FindAtBoundary(url, "#"); hash != std::string::npos) {
    url.resize(hash);
    labels_.url = url;
  }
  if (ContainsAtBoundary(url, "/**http%3A//") || ContainsAtBoundary(url, "/**https%3A//")) {
    url = DecodeSearchRedirect(url);
    labels_.url = url;
  }
  LabelsChanged();
  if (!IsPageUrl(url)) {
    switch (prompter_.Ask(msg::NoHtmlFile(), Prompter::Buttons::YesNoCancel)) {
      case Prompter::Answer::Cancel:
        failure_ = DownloadFailure::Cancelled;
        return;
      case Prompter::Answer::No:
        labels_.url += "/index.html";
        url = labels_.url;
        LabelsChanged();
        break;
      case Prompter::Answer::Yes:
        break;
    }
  }
  if (options_.download_inner_html && job_.PageHead.empty()) {
    prompter_.Inform(msg::NotNavigated());
    failure_ = DownloadFailure::NotNavigated;
    return;
  }
  lists_.frames.clear();
  frame_targets_.clear();
  labels_.caption = "KAPLO[ " + url + " ]";
  job_.FramesetSaved = false;

  DLDownloadAll(url);

  // A second job in the same run neither empties the folder nor writes the
  // reports unless the user asks again.
  options_.dont_empty_folder = true;
  options_.dont_make_css_list = true;
  job_.PreviousConfirmedLocalFile = job_.ConfirmedLocalFile;
  job_.ConfirmedLocalFile = labels_.local_file;
  labels_.confirmed_file = job_.ConfirmedLocalFile;
  labels_.fetched_copy_file = page_saved_ && !frameset_page_
                                  ? job_.FetchedCopyFile
                                  : FetchedCopyOf(job_.ConfirmedLocalFile);
  labels_.local_views_stay = false;
  bool known = false;
  for (const std::string& item : labels_.url_history) known |= EqualsIgnoreCase(item, labels_.url);
  if (!known) labels_.url_history.push_back(labels_.url);
  LabelsChanged();
  if (job_.FramesetSaved) Focus(JobFocus::Native);
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

DownloadResult DownloadEngine::Run(const DownloadRequest& request) {
  options_ = request.options;
  labels_.url = request.url;
  labels_.save_folder = request.save_folder;
  labels_.url_history = request.url_history;
  page_response_.reset();
  if (request.navigate_first) {
    WBDLNavigate(labels_.url, labels_.save_folder, 0);
    reuse_page_response_ = true;
  }
  RunJob();
  reuse_page_response_ = false;
  return LastResult();
}

NavigateResult DownloadEngine::Navigate(const NavigateRequest& request) {
  NavigateResult result;
  options_ = request.options;
  std::string url(Trim(request.url));
  std::erase(url, '\\');
  result.url = url;
  // An address typed with another one inside it: the box keeps the inner one.
  if (const std::size_t first = url.find("http://"); first != std::string::npos) {
    if (const std::size_t inner = url.find("http://", first + 7); inner != std::string::npos) {
      result.url = url.substr(inner);
    }
  }
  labels_.url = result.url;
  job_.SuppressUrlChange = false;
  page_response_.reset();
  if (!WBDLNavigate(url, std::string(Trim(request.save_folder)), 0)) return result;
  result.navigated = true;
  const std::string here = browser_ ? browser_->LocationUrl() : std::string();
  if (here != url && here != kBlank && here.starts_with("http://")) {
    labels_.url = result.url = here;
    job_.ConfirmedLocalFile = here;
  }
  // What the page says of its base address, as the web source view shows it.
  std::string text = ReplaceFirstExact(job_.NavigatedPageText, "<BASE ", "<base ");
  labels_.status.clear();
  if (const std::size_t at = FindAtBoundary(text, "<base "); at != std::string::npos) {
    std::string tag = SqueezeSpaces(Between(text.substr(at), "<base ", ">"));
    tag = ReplaceFirstExact(tag, "HREF=", "href=");
    std::string value = Between(tag, "\"", "\"");
    if (value.empty() && !ContainsAtBoundary(tag, "\"")) value = tag;
    result.base_message =
        SJ<"＜ｂａｓｅ　ｈｒｅｆ＝”【 ">() + value + SJ<" 】 ” ・・＞が見つかりました">();
    labels_.status = result.base_message;
  }
  labels_.progress.clear();
  if (!options_.dont_web_list_clear) DLClearLists(false);
  job_.PageHead = BeforeBody(text);
  // The next job fetches the page anew: the user may navigate long before it.
  page_response_.reset();
  LabelsChanged();
  Focus(JobFocus::WebPage);
  Focus(JobFocus::WebSource);
  return result;
}

DownloadResult DownloadEngine::RunFrame(const FrameRequest& request) {
  options_ = request.options;
  labels_.url = request.page_url;
  labels_.save_folder = request.save_folder;
  labels_.url_history = request.url_history;
  const std::string reference(Trim(request.reference));
  labels_.frame_entry = reference;
  page_saved_ = false;
  frameset_page_ = false;
  failure_ = DownloadFailure::None;
  bool done = false;
  const bool web = !FrameTarget(request.page_url, reference).empty();
  if (!web) {
    failure_ = DownloadFailure::NotWebAddress;
  } else {
    done = DLInFrameFileGo(request.page_url, std::string(Trim(request.save_folder)), reference);
    if (!done && failure_ == DownloadFailure::None && options_.frame_download == 0) {
      failure_ = DownloadFailure::PageNotSaved;
    }
  }
  // Whatever the choice did with it, the entry joins the address box's list.
  if (web) {
    bool known = false;
    for (const std::string& item : labels_.url_history) known |= item == reference;
    if (!known) labels_.url_history.push_back(reference);
  }
  LabelsChanged();
  DownloadResult result = LastResult();
  // Shown in a browser, nothing was to be saved: that is no failure.
  if (done && options_.frame_download != 0) {
    result.failure_kind = DownloadFailure::None;
    result.failure.clear();
  }
  return result;
}

void DownloadEngine::Stop() {
  fetcher_.CancelPrefetch();
  DLClearNames(2);
  SetRunning(false);
}

void DownloadEngine::Interrupt() {
  fetcher_.CancelPrefetch();
  running_ = false;
}

void DownloadEngine::ClearViews() {
  DLClearLists(false);
  DLClearTexts();
}

void DownloadEngine::StartOver() {
  lists_.frames.clear();
  frame_targets_.clear();
  DLClearLists(false);
}

void DownloadEngine::Reset() {
  job_ = DownloadJob{};
  labels_ = JobLabels{};
  StartOver();
}

void DownloadEngine::ConfirmLocalFile(const std::string& file) {
  labels_.local_file = file;
  job_.ConfirmedLocalFile = file;
}

JobLabels DownloadEngine::Labels() const {
  JobLabels l = labels_;
  l.confirmed_page = job_.ConfirmedLocalFile;
  l.page_address = job_.PageUrl;
  l.frameset_saved = job_.FramesetSaved;
  return l;
}

DownloadResult DownloadEngine::LastResult() const {
  DownloadResult r;
  r.page_saved = page_saved_;
  if (page_saved_) r.saved_page = labels_.local_file;
  r.url = labels_.url;
  r.frameset = frameset_page_;
  r.stylesheet_counts = CountMarks(lists_.stylesheet_outcomes, OutcomeList::StylesheetsAndScripts);
  r.image_counts = CountMarks(lists_.image_outcomes, OutcomeList::Images);
  r.frames = lists_.frames;
  r.lists = lists_;
  r.labels = Labels();
  r.next_options = options_;
  for (const MappedResource& m : last_resources_) {
    if (m.handled && IsFailure(m.mark)) {
      r.failed.push_back({m.url, m.local, m.mark, m.reason,
                          m.role == RefRole::kStylesheet || m.role == RefRole::kScript});
    }
  }
  for (const std::string* report :
       {&labels_.css_js_list, &labels_.css_js_merged, &labels_.image_list}) {
    if (!report->empty() && LocalFileExists(*report)) r.reports.push_back(*report);
  }
  r.failure_kind = page_saved_ ? DownloadFailure::None : failure_;
  if (!page_saved_ && r.failure_kind == DownloadFailure::None) {
    r.failure_kind = DownloadFailure::PageNotSaved;
  }
  r.failure = FailureMessage(r.failure_kind);
  r.refresh = refresh_outcome_;
  return r;
}

std::string DownloadEngine::SavedPageCaption() const {
  return SJ<"KAPLO 【 ">() + labels_.url + SJ<" 】  - [ ">() + labels_.local_file + " ]";
}

void DownloadEngine::RestoreConfirmedLocalFile() {
  job_.ConfirmedLocalFile = job_.PreviousConfirmedLocalFile;
}

bool DownloadEngine::Abandon(DownloadFailure kind, bool restore) {
  failure_ = kind;
  if (restore) RestoreConfirmedLocalFile();
  // The label says why the job ended; never the finished message.
  labels_.status = FailureMessage(kind);
  labels_.progress.clear();
  LabelsChanged();
  SetRunning(false);
  return false;
}

bool DownloadEngine::DLDownloadAll(const std::string& url) {
  page_saved_ = false;
  frameset_page_ = false;
  failure_ = DownloadFailure::None;
  fetcher_.StartJob();
  if (!reuse_page_response_) page_response_.reset();
  last_resources_.clear();
  job_.PageUrl = url;
  job_.SuppressUrlChange = false;
  std::string folder(Trim(labels_.save_folder));
  if (!IsHttpUrl(url)) return Abandon(DownloadFailure::NotWebAddress, false);

  DLClearLists(false);
  Focus(JobFocus::WebPage);
  Focus(JobFocus::WebSource);
  OpenRecord(url, folder);

  // The page as first fetched, read as the base page stage will read it, so
  // a frameset page is saved in Shift_JIS like any page.
  std::string fetched;
  std::string lower;
  if (!options_.download_inner_html) {
    const TextResponse& first = PageResponse(url);
    if (!first.failure.empty()) {
      failure_reason_ = first.failure;
      return Abandon(DownloadFailure::PageNotFetched, false);
    }
    const ReadText read =
        ReadSavedText(first.text, options_.main_html_charset, first.content_type, true);
    fetched = read.text;
    page_query_code_ = read.code;
    page_base_ = first.final_url.empty() ? WireUrl(url) : first.final_url;
    if (!fetched.empty()) observer_.ShowText(JobText::FirstFetch, fetched, true);
    lower = LowerAscii(fetched);
    const std::string target = CheckRefresh(lower);
    if (!target.empty()) {
      prompter_.ShowInformation(msg::RefreshRedirect(), fetched);
      Focus(JobFocus::FirstFetch);
      if (IsHttpUrl(target) && target.starts_with("http:")) {
        labels_.url = target;  // offered for the next job; this one goes on with its URL
        LabelsChanged();
      }
      if (prompter_.Ask(msg::GoOn(), Prompter::Buttons::YesNo) != Prompter::Answer::Yes) {
        return Abandon(DownloadFailure::Cancelled, false);
      }
    }
    if (ContainsAtBoundary(lower, "<base") && options_.remove_base_href == 0 &&
        prompter_.Ask(msg::BaseHref(), Prompter::Buttons::YesNo) != Prompter::Answer::Yes) {
      return Abandon(DownloadFailure::Cancelled, false);
    }
  }

  if (browser_) browser_->Navigate(BrowserPane::DownloadResult, kBlank);
  labels_.status.clear();
  labels_.progress.clear();
  // Nothing shown over the panes belongs to this job yet.
  labels_.web_address.clear();
  labels_.result_address.clear();
  LabelsChanged();

  if (folder.empty()) {
    // The name the page would have below a save folder.
    const std::string name = FileNameOf(PageFileOf(url, NameRulesOf(options_, "/")));
    const std::optional<std::string> chosen = prompter_.SaveHtmlDialog(name, "");
    if (!chosen) return Abandon(DownloadFailure::Cancelled, true);
    labels_.local_file = *chosen;
    labels_.save_folder = FolderOf(*chosen);
    LabelsChanged();
  } else if (!LocalFolderExists(folder)) {
    prompter_.Inform(msg::FolderNotFound());
    return Abandon(DownloadFailure::FolderNotFound, true);
  }

  folder = std::string(Trim(labels_.save_folder));
  if (folder.empty()) {
    prompter_.Inform(msg::NoSaveFolder());
    return Abandon(DownloadFailure::NoSaveFolder, false);
  }
  // A refresh works on what the folder holds.
  if (std::string why; !options_.dont_empty_folder && !refreshing_ && !EmptyFolder(folder, &why)) {
    failure_reason_ = Utf8ToShiftJISLenient(why);
    prompter_.Inform(msg::WithReason(msg::FolderNotEmptied(), failure_reason_));
    return Abandon(DownloadFailure::FolderNotEmptied, false);
  }
  if (browser_) browser_->Navigate(BrowserPane::DownloadResult, kBlank);

  if (ContainsAtBoundary(lower, "<frameset ")) {
    // Frame pages are saved one by one from the frame list.
    observer_.ShowText(JobText::Native, fetched, true);
    prompter_.ShowInformation(msg::FramesetPage(), fetched);
    labels_.local_file.clear();
    const std::optional<std::string> chosen = prompter_.SaveHtmlDialog(
        FileNameOf(PageFileOf(url, NameRulesOf(options_, folder))), folder);
    if (!chosen) return Abandon(DownloadFailure::Cancelled, true);
    labels_.save_folder = FolderOf(*chosen);
    LabelsChanged();
    job_.PageUrl = url;
    if (!ContainsAtBoundary(url, ".htm") && url.ends_with('/')) job_.PageUrl += kFolderAddressMark;
    const std::string chosen_file = FileNameOf(*chosen).empty() ? *chosen + "index.html" : *chosen;
    const bool saved =
        DLMakeFrameSetFile(url, chosen_file, fetched, std::string(Trim(labels_.save_folder))) == 0;
    options_.dont_empty_folder = true;
    options_.dont_make_css_list = true;
    if (!job_.ConfirmedLocalFile.empty()) labels_.confirmed_file = job_.ConfirmedLocalFile;
    Focus(JobFocus::WebSource);
    job_.FramesetSaved = true;
    frameset_page_ = true;
    page_saved_ = saved && LocalFileExists(labels_.local_file);
    if (!page_saved_) {
      failure_ = DownloadFailure::PageNotSaved;
      labels_.status = FailureMessage(failure_);
    }
    LabelsChanged();
    return page_saved_;
  }

  SetRunning(true);
  if (!WBDLNavigate(url, std::string(Trim(labels_.save_folder)), 0)) {
    return Abandon(DownloadFailure::NotWebAddress, false);
  }
  DownLoadMain(url, folder);

  labels_.caption = SavedPageCaption();
  labels_.result_address = labels_.local_file;
  labels_.web_address = labels_.url;

  const std::string& display = labels_.local_file;
  switch (options_.final_open) {
    case 0:
      if (browser_) browser_->Navigate(BrowserPane::DownloadResult, url);
      labels_.result_address = url;
      break;
    case 1:
      if (LocalFileExists(display)) {
        if (browser_) browser_->Navigate(BrowserPane::DownloadResult, "file://" + display);
        labels_.result_address = display;
      } else {
        labels_.result_address.clear();
      }
      break;
    case 2:
      if (!labels_.local_file.empty() && LocalFileExists(display)) {
        if (system_browser_) system_browser_->OpenInSystemBrowser(display);
        labels_.result_address = display;
      }
      break;
    default:
      break;
  }
  Focus(JobFocus::LocalPage);
  Focus(JobFocus::WebPage);
  if (!options_.dont_make_css_list) {
    DropStaleReports();
    DLPostProcess(folder);
  }
  if (!job_.ConfirmedLocalFile.empty()) labels_.confirmed_file = job_.ConfirmedLocalFile;
  SetRunning(false);
  labels_.progress.clear();
  if (!page_saved_ && failure_ == DownloadFailure::None) failure_ = DownloadFailure::PageNotSaved;
  labels_.status = page_saved_ ? msg::DownloadFinished() : FailureMessage(failure_);
  LabelsChanged();
  return page_saved_;
}

bool DownloadEngine::WBDLNavigate(const std::string& url, const std::string& save_folder,
                                  int mode) {
  if (!IsHttpUrl(url)) return false;
  job_.NavigatedPageText.clear();
  job_.InnerPageText.clear();
  job_.InnerCopyFile.clear();
  if (mode == 0) DLClearTexts();
  if ((mode == 0 || mode == 1) && browser_) browser_->Navigate(BrowserPane::Download, url);

  const TextResponse& page = PageResponse(url);
  const std::string& text = page.text;
  if (!observer_.ShowsTexts()) {
    // Nothing shows the views: only the head is kept, for the browser-built page.
    job_.PageHead = NormaliseHtml(
        NormaliseCharsetToShiftJIS(BeforeBody(text), Unmappable::CharRef, page.content_type));
  } else {
    // The as-fetched views show the page's own lines, in Shift_JIS as every view.
    const std::string shown = AsFetchedToShiftJIS(
        text, PageReadingCode(text, options_.main_html_charset, page.content_type),
        Unmappable::CharRef);
    observer_.ShowText(JobText::FetchedCopy, shown, true);
    observer_.ShowText(JobText::Native, shown, false);

    job_.NavigatedPageText =
        NormaliseHtml(NormaliseCharsetToShiftJIS(text, Unmappable::CharRef, page.content_type));
    if (const std::size_t body = FindAtBoundary(job_.NavigatedPageText, "<body");
        body != std::string::npos) {
      job_.PageHead = job_.NavigatedPageText.substr(0, body);
    }
    observer_.ShowText(JobText::WebSource, job_.NavigatedPageText, true);
  }
  labels_.web_address = url;
  if (browser_) browser_->Navigate(BrowserPane::DownloadResult, kBlank);
  labels_.caption = SJ<"KAPLO 【 ">() + url + SJ<" 】">();
  LabelsChanged();
  return true;
}

void DownloadEngine::DownLoadMain(const std::string& url, const std::string& save_folder) {
  DLClearPageFile(0);
  DLClearLists(false);
  job_.BaseHrefValue.clear();
  job_.BaseHrefDirPath.clear();
  job_.BaseHrefDir.clear();
  if (browser_) {
    job_.NativePageText = NormaliseHtml(browser_->OuterHtml());
    observer_.ShowText(JobText::Native, job_.NativePageText, true);
    lists_.browser_images = browser_->ImageUrls();
  } else {
    lists_.browser_images.clear();
  }
  ListsChanged();
  SetRunning(true);
  page_saved_ = DownLoadBasePage(url, save_folder) == 0;
  options_.save_this_name = false;  // a chosen name serves one job only
}

void DownloadEngine::SetRunning(bool running) {
  running_ = running;
  observer_.RunningChanged(running);
}

void DownloadEngine::DLClearLists(bool keep_lists) {
  if (!keep_lists) {
    JobLists& l = lists_;
    for (auto* list : {&l.stylesheets, &l.stylesheet_outcomes, &l.images, &l.image_outcomes,
                       &l.imports, &l.entered_images, &l.failed_images, &l.all_stylesheets,
                       &l.all_stylesheet_outcomes, &l.found_images, &l.link_hosts}) {
      list->clear();
    }
  }
  ListsChanged();
}

void DownloadEngine::DLClearPageFile(int mode) {
  job_.LocalPageFile.clear();
  job_.FetchedCopyFile.clear();
  if (mode == 0) {
    job_.ConvertedPageText.clear();
    job_.RawPageText.clear();
  }
}

void DownloadEngine::DLClearNames(int mode) {
  if (mode == 0) labels_.url.clear();
  if (mode == 0 || mode == 1) labels_.save_folder.clear();
  labels_.local_file.clear();
  if (browser_) browser_->Navigate(BrowserPane::Download, kBlank);
  observer_.ShowText(JobText::WebSource, "", false);
  observer_.ShowText(JobText::FetchedCopy, "", false);
  LabelsChanged();
}

void DownloadEngine::DLClearTexts() {
  observer_.ClearTexts();
  lists_.stylesheet_outcomes.clear();
  lists_.browser_images.clear();
  ListsChanged();
}

void DownloadEngine::DLFileDownloadInfo(std::string_view text, int total, int index) {
  labels_.progress = DownloadCountLabel(total, index);
  if (text.find(' ') == std::string_view::npos) labels_.status = std::string(text);
  observer_.Progress(labels_.progress, text);
}

}  // namespace kaplo
