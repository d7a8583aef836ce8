// The download engine: one job at a time, driven by the download tab or by
// the command line through the same ports.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/download_job.h"
#include "engine/download_request.h"
#include "engine/fetch.h"
#include "engine/ports.h"
#include "engine/references.h"
#include "engine/resource_map.h"

namespace kaplo {

class DownloadEngine {
 public:
  DownloadEngine(Fetcher& fetcher, Prompter& prompter, BrowserPort* browser,
                 JobObserver& observer, SystemBrowser* system_browser = nullptr);

  // The front door. Run saves the request's page as the download button
  // does (questions through the prompter, progress through the observer)
  // and says what became of it; the lists stay readable through Lists().
  DownloadResult Run(const DownloadRequest& request);
  // Takes the request's address, folder and options without starting a job.
  void Load(const DownloadRequest& request);
  // Saves a frame entry (as listed, or an absolute address) of the page last
  // run or loaded as a job of its own into the same folder.
  DownloadResult RunFrame(const std::string& reference);
  // What the last job (started here or by btnDownloadAllClick) came to.
  DownloadResult LastResult() const;
  // The stop button: the running loops end after their current item.
  void Stop() { btnDownloadStopClick(); }
  // A new address typed: the last page's lists and frame entries go.
  void StartOver();
  // The window's reset: StartOver and a blank job record.
  void Reset();
  // A page file saved by hand (the window's save dialog) becomes the one
  // the next job confirms.
  void ConfirmLocalFile(const std::string& file);
  const DownloadOptions& Options() const { return settings; }
  const DownloadForm& Form() const { return form; }
  const DownloadJob& Job() const { return job; }
  const DownloadLists& Lists() const { return lists; }

  // The tab's working state, which the window still edits directly.
  DownloadOptions settings;
  DownloadForm form;
  DownloadJob job;
  DownloadLists lists;

  // The user's download-all action: one whole job on the URL box's text.
  void btnDownloadAllClick();
  // The checks, questions and stages of one job; true when the page was saved.
  bool DLDownloadAll(const std::string& url);
  bool WBDLNavigate(const std::string& url, const std::string& save_folder, int mode);
  void DownLoadMain(const std::string& url, const std::string& save_folder);
  // The stop button: the running loops end after their current item.
  void btnDownloadStopClick();
  bool Running() const { return running_.load(); }

  // The base page stage and its acquisition; 0 / -1.
  int DownLoadBasePage(const std::string& url, const std::string& save_folder);
  int DLMakeWinPage(const std::string& url, const std::string& save_folder, int mode);
  std::string DLInnerMakeHTML();

  // Frames. A frameset page is listed and saved with local frame names (0 /
  // -1); inline frames found by discovery are listed (how many were found).
  int DLMakeFrameSetFile(const std::string& url, const std::string& chosen_file,
                         const std::string& page_text, const std::string& save_folder);
  void DLSaveMakeHTML(const std::string& url, const std::string& local_file,
                      const std::string& page_text, const std::string& save_folder);
  // The action on a frame entry chosen by settings.frame_download: a whole
  // job, the system browser, or the result pane. False when the reference
  // leads to no http address or the job saved nothing.
  bool DLInFrameFileGo(const std::string& page_url, const std::string& save_folder,
                       const std::string& reference);
  void ListBoxWBInFrameFileListClick(const std::string& entry);
  void sbDLFrameGoClick();

  // The report files beside the saved page; always 0.
  int DLPostProcess(const std::string& save_folder);

  void DLClearListBox(bool keep_boxes);
  void DLClearPageFile(int mode);
  void DLClearEditText(int mode);
  void DLClearRichEditListBox();
  void DLFileDownloadInfo(std::string_view text, int total, int index);
  void DLButtonDisable();
  void DLButtonEnable();

  // The single file sheets. Each action changes the sheets (and the form),
  // shows its message through the prompter and ends with FormChanged.
  IndividualTextSheet individual;
  IndividualImageSheet individual_image;
  // A ResourceLine chosen in a stylesheet list: both URL boxes and the file
  // box filled, then shown.
  void ListBoxDlLIndividual(const std::string& line);
  // A ResourceLine chosen in the image list.
  void ListBoxDLIndividualImage(const std::string& line);
  // An outcome line of the stylesheet list: its file read with code; false
  // (and the file-missing message) when the file is not there.
  bool ListBoxDLIndividualOutcome(const std::string& line, int code);
  // An outcome line of the image list: the file shown, or the message.
  bool ListBoxDLIndividualImageOutcome(const std::string& line);
  void sbPGTab02RTab07IndividualUrlClick();           // show
  bool sbPGTab02RTab07IndividualDownloadClick();      // fetch to file; true when stored
  bool sbsbPGTab02RTab07IndividualSaveFileClick();    // save the memo; true when written
  // Reads a local file into the memo (the window's open dialog chose it).
  void IndividualOpenFile(const std::string& file);
  // The file box's file; false when the box is empty (the window then asks).
  bool sbsbPGTab02RTab07IndividualOpenFileGoClick();
  void sbsbPGTab02RTab07IndividualMemoClearClick();
  void sbPGTab02RTab08ImageIndividualGoClick();       // image show
  bool sbPGTab02RTab08ImageIndividualDownloadClick(); // image fetch; true when stored
  void IndividualOpenImage(const std::string& file);
  void sbPGTab02RTab08ImageIndividualClearClick();

  // Whether the last job saved its page (the command line's exit status).
  bool PageSaved() const { return page_saved_; }

 private:
  void RestoreConfirmedLocalFile();
  // "KAPLO 【 URL 】  - [ saved page ]"
  std::string SavedPageCaption() const;
  // Ends a job that saved nothing: the reason kept, the buttons enabled,
  // and with restore the confirmed file of the job before put back. False.
  bool Abandon(DownloadFailure kind, bool restore);
  // Why the last job saved nothing, with the fetch's reason; empty when it did.
  std::string FailureMessage(DownloadFailure kind) const;
  void ShowTab(JobPage page) { observer_.ShowTab(page); }
  // The page's response, fetched once per job and handed from stage to stage.
  const TextResponse& PageResponse(const std::string& url);
  // Fetches what the page (scanned as scan) names into the save folder and
  // gives the page as saved under page_file.
  std::string SaveWithResources(const std::string& text, const std::string& page_file,
                                const std::string& save_folder, const PageScan& scan);

  Fetcher& fetcher_;
  Prompter& prompter_;
  BrowserPort* browser_;  // may be null: no browser pane (the command line without --render)
  JobObserver& observer_;
  SystemBrowser* system_browser_;
  std::atomic<bool> running_{false};
  bool page_saved_ = false;
  DownloadFailure failure_ = DownloadFailure::None;
  std::string failure_reason_;  // what libcurl or the server said, for PageNotFetched
  bool frameset_page_ = false;  // the last job's page was a frameset
  std::optional<TextResponse> page_response_;
  std::string page_response_url_;
  bool reuse_page_response_ = false;  // the navigate step of Run fetched it
  PageScan page_scan_;                // the page being saved
  std::string page_base_;             // its address as sent, after redirects
  int page_query_code_ = 0;           // the code its queries are sent in
  // What the last job's resources came to.
  std::vector<MappedResource> last_resources_;
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
