// The download engine: one web page and what it needs saved into a folder,
// one job at a time, for the download tab and `kaplo download` alike.
//
// How a job flows:
//   request   A front end fills a DownloadRequest (download_request.h): the
//             address, the save folder, the options, the address list. The
//             navigate button sends a NavigateRequest, a frame entry of the
//             page last saved a FrameRequest. Nothing else goes in.
//   stages    Run checks the address and the folder (asking the Prompter
//             when the page has no file name, redirects or names a base),
//             fetches the page once and hands that answer on: the navigate
//             step shows it, the base page stage (base_page.cpp) names the
//             local files, keeps the copy as fetched and enters what the page
//             names into the resource map; the resource stage
//             (resource_stage.cpp) fetches stylesheets first, what they
//             import and show after them, then images and other files; the
//             page is saved with its references pointed at the local files;
//             the report files (reports.cpp) are written beside it. A
//             frameset page (frames.cpp) is saved with local frame names and
//             its frames listed for jobs of their own.
//   events    While it runs the job tells its JobObserver (ports.h) what it
//             shows, by meaning: labels, lists, texts, progress, what to
//             bring to the front, running or not. The calls come from the
//             job's thread; the tab copies what they pass to the window.
//   result    Run answers with a DownloadResult: saved or not and why, the
//             page file, counts per outcome mark, frames, reports, failed
//             resources, the lists and labels as the job ended, and the
//             options the next job starts from.
//
// The working state (the job record, lists, labels, options) is the engine's
// own; front ends read it only through Labels, Lists and LastResult, and
// change it only through the calls below (Stop, StartOver, Reset...).
#pragma once

#include <atomic>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/download_job.h"
#include "engine/download_request.h"
#include "engine/fetch.h"
#include "engine/job_record.h"
#include "engine/ports.h"
#include "engine/references.h"
#include "engine/resource_map.h"

namespace kaplo {

// The download engine, one job at a time. A front end fills a request; the
// engine asks its questions through the prompter, shows what it does
// through the observer and answers with a result. Its working state is its
// own: nothing outside edits it.
class DownloadEngine {
 public:
  DownloadEngine(Fetcher& fetcher, Prompter& prompter, BrowserPort* browser,
                 JobObserver& observer, SystemBrowser* system_browser = nullptr);

  // A whole job: the page and what it needs into the request's folder.
  DownloadResult Run(const DownloadRequest& request);
  // The navigate button: the browser opens the page, its text is fetched
  // once and shown, its head kept for a browser-built save.
  NavigateResult Navigate(const NavigateRequest& request);
  // A frame entry of the page last saved: a job of its own into the same
  // folder, the system browser or the result pane (request.options).
  DownloadResult RunFrame(const FrameRequest& request);
  // The stop: the running loops end after their current item.
  void Stop();
  // The stop from another thread than the job's: the loops end and what is
  // under way is cut; the views are left alone.
  void Interrupt();
  bool Running() const { return running_.load(); }
  // A new address typed: the last page's lists and frame entries go.
  void StartOver();
  // The window's reset: StartOver and a blank job record.
  void Reset();
  // A page file saved by hand (the window's save dialog) becomes the one
  // the next job confirms.
  void ConfirmLocalFile(const std::string& file);
  // The views and lists emptied, the page blanked (the navigate step's first part).
  void ClearViews();

  // What the last job came to, and what the tab shows now (read only).
  DownloadResult LastResult() const;
  JobLabels Labels() const;
  const JobLists& Lists() const { return lists_; }

 private:
  // One whole job on labels_.url: the checks and questions around DLDownloadAll.
  void RunJob();
  // The checks, questions and stages of one job; true when the page was saved.
  bool DLDownloadAll(const std::string& url);
  bool WBDLNavigate(const std::string& url, const std::string& save_folder, int mode);
  void DownLoadMain(const std::string& url, const std::string& save_folder);
  // The base page stage and its acquisition; 0 / -1.
  int DownLoadBasePage(const std::string& url, const std::string& save_folder);
  int DLMakeWinPage(const std::string& url, const std::string& save_folder, int mode);
  std::string DLInnerMakeHTML();
  // A frameset page: its frames listed, the page saved with local frame names (0 / -1).
  int DLMakeFrameSetFile(const std::string& url, const std::string& chosen_file,
                         const std::string& page_text, const std::string& save_folder);
  void DLSaveMakeHTML(const std::string& url, const std::string& local_file,
                      const std::string& page_text, const std::string& save_folder);
  // The action on a frame entry by options_.frame_download: a whole job,
  // the system browser, or the result pane. False when the reference leads
  // to no http address or the job saved nothing.
  bool DLInFrameFileGo(const std::string& page_url, const std::string& save_folder,
                       const std::string& reference);
  // The report files beside the saved page.
  void DLPostProcess(const std::string& save_folder);

  // Clearing and showing.
  // The job's lists emptied (unless keep_lists; the frame list stays).
  void DLClearLists(bool keep_lists);
  // The page's file names; mode 0 its texts too.
  void DLClearPageFile(int mode);
  // Mode 0 the address, mode 0 and 1 the save folder, every mode the local
  // file; the web pane blanked and its source texts emptied.
  void DLClearNames(int mode);
  // The shown texts, the stylesheet outcomes and the browser's image list emptied.
  void DLClearTexts();
  void DLFileDownloadInfo(std::string_view text, int total, int index);
  void SetRunning(bool running);
  void Focus(JobFocus what) { observer_.Focus(what); }
  void LabelsChanged() { observer_.LabelsChanged(Labels()); }
  void ListsChanged() { observer_.ListsChanged(lists_); }

  void RestoreConfirmedLocalFile();
  // "KAPLO 【 URL 】  - [ saved page ]"
  std::string SavedPageCaption() const;
  // Ends a job that saved nothing: the reason kept, the controls idle,
  // and with restore the confirmed file of the job before put back. False.
  bool Abandon(DownloadFailure kind, bool restore);
  // Why the last job saved nothing, with the fetch's reason; empty when it did.
  std::string FailureMessage(DownloadFailure kind) const;
  // The page's response, fetched once per job and handed from stage to stage.
  const TextResponse& PageResponse(const std::string& url);
  // The record of the job before in the page's folder, read at the start
  // of a job; on a refresh the folder is then kept.
  void OpenRecord(const std::string& url, const std::string& save_folder);
  // The page asked for with its recorded validators: on a 304 its copy as
  // fetched stands in for the answer.
  TextResponse RefreshPage(const std::string& wire_url);
  // The record of this job beside the saved page.
  void WriteRecord(const std::string& save_folder);
  // What the record says of a saved resource: this job's answer, the
  // earlier record's line, or what an earlier job in the folder knew.
  RecordLine RecordLineOf(const MappedResource& m) const;
  // A refresh that changed something: the report files go, to be written anew.
  void DropStaleReports();
  // Fetches what the page (scanned as scan) names into the save folder and
  // gives the page as saved under page_file.
  std::string SaveWithResources(const std::string& text, const std::string& page_file,
                                const std::string& save_folder, const PageScan& scan);

  Fetcher& fetcher_;
  Prompter& prompter_;
  BrowserPort* browser_;  // may be null: no browser pane (the command line without --render)
  JobObserver& observer_;
  SystemBrowser* system_browser_;

  DownloadOptions options_;
  JobLabels labels_;
  JobLists lists_;
  DownloadJob job_;
  std::atomic<bool> running_{false};
  bool page_saved_ = false;
  DownloadFailure failure_ = DownloadFailure::None;
  std::string failure_reason_;  // what libcurl or the server said
  bool frameset_page_ = false;  // the last job's page was a frameset
  std::optional<TextResponse> page_response_;
  std::string page_response_url_;
  bool reuse_page_response_ = false;  // the navigate step of Run fetched it
  PageScan page_scan_;                // the page being saved
  std::string page_base_;             // its address as sent, after redirects
  int page_query_code_ = 0;           // the code its queries are sent in
  // What the last job's resources came to.
  std::vector<MappedResource> last_resources_;
  // The names files of the save folder were given (by earlier jobs and
  // their records), so a name an answer's type gave is kept.
  NameBook names_;
  // Where each frame entry leads, as its container resolved it:
  // container address + "\n" + entry -> the frame's address.
  std::map<std::string, std::string> frame_targets_;
  JobRecord record_;
  bool refreshing_ = false;          // a refresh with a record to go by
  bool page_unchanged_ = false;      // the page answered 304: its files stay
  RefreshOutcome refresh_outcome_;
};

// Pure steps of a job, usable on their own.

// The target of a client-side redirect in the head of a lower-cased page, or empty.
std::string CheckRefresh(std::string_view lower_case_html);
// Deletes every file below folder, keeping the folders; refuses folders that
// must never be emptied (system folders, anybody's home and what lies above
// it, a folder that holds another file system). False, with the reason
// (UTF-8) in *why, when it refused or a deletion failed.
bool EmptyFolder(std::string_view folder, std::string* why = nullptr);
// "【  3  /  12 】" for item index 2 of 12.
std::string DownloadCountLabel(int total, int index);

}  // namespace kaplo
