// The download engine: one job at a time, driven by the download tab or by
// the command line through the same ports.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include "engine/download_job.h"
#include "engine/fetch.h"
#include "engine/ports.h"

namespace kaplo {

class DownloadEngine {
 public:
  DownloadEngine(Fetcher& fetcher, Prompter& prompter, BrowserPort* browser,
                 JobObserver& observer, SystemBrowser* system_browser = nullptr);

  DownloadSettings settings;
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

  void DLClearListBox(bool keep_boxes);
  void DLClearPageFile(int mode);
  void DLClearEditText(int mode);
  void DLClearRichEditListBox();
  void DLFileDownloadInfo(std::string_view text, int total, int index);
  void DLButtonDisable();
  void DLButtonEnable();

  // Whether the last job saved its page (the command line's exit status).
  bool PageSaved() const { return page_saved_; }

 private:
  void RestoreConfirmedLocalFile();
  void ShowTab(std::string_view caption) { observer_.ShowTab(caption); }
  void SaveBasePage(std::string page, const std::string& save_folder);

  Fetcher& fetcher_;
  Prompter& prompter_;
  BrowserPort* browser_;  // may be null: no browser pane (the command line without --render)
  JobObserver& observer_;
  SystemBrowser* system_browser_;
  std::atomic<bool> running_{false};
  bool page_saved_ = false;
};

// Pure steps of a job, usable on their own.

// The target of a client-side redirect in the head of a lower-cased page, or empty.
std::string CheckRefresh(std::string_view lower_case_html);
// Deletes every file below folder, keeping the folders; refuses folders that
// must never be emptied. False when it refused or a deletion failed.
bool EmptyFolder(std::string_view folder);
// "【  3  /  12 】" for item index 2 of 12.
std::string DownloadCountLabel(int total, int index);

// The fixed message texts of the download tab, Shift_JIS.
namespace dlmsg {
const std::string& NoFolder();
const std::string& Folder();
const std::string& NavigateFirst();
const std::string& Refresh();
const std::string& Frameset();
const std::string& PageQuestion();
const std::string& BaseQuestion();
const std::string& ContinueQuestion();
const std::string& Finished();
}  // namespace dlmsg

}  // namespace kaplo
