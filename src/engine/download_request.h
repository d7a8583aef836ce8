// The download engine's front door: what a front end asks for (a request)
// and what it gets back (a result). The command line, the tests and the
// download tab fill a request and read a result (and, while a job runs,
// what the observer is told); the working state behind them stays the
// engine's.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "engine/download_job.h"
#include "engine/outcome_marks.h"

namespace kaplo {

// One page to save. Texts are Shift_JIS.
struct DownloadRequest {
  std::string url;
  // The folder the page's address is mapped below; empty: the prompter's save
  // dialog chooses the page file.
  std::string save_folder;
  DownloadOptions options;
  // Navigate first, as the window's navigate button does: the browser-built
  // page (options.download_inner_html) needs the page's head from it.
  bool navigate_first = false;
  // The addresses asked for before (the address box's list): the job's
  // address joins them.
  std::vector<std::string> url_history;
};

// The navigate button: the browser opens the address, and its text is
// fetched and shown.
struct NavigateRequest {
  std::string url;  // as typed: backslashes are dropped
  std::string save_folder;
  DownloadOptions options;
};

struct NavigateResult {
  bool navigated = false;  // false: no http or https address
  // The address box after it: an address typed with another one inside
  // ("http://a/http://b") keeps the inner one; a redirect in the browser
  // gives where it ended.
  std::string url;
  std::string base_message;  // what a base element in the page says, empty without one
};

// A frame entry of the page last saved.
struct FrameRequest {
  std::string page_url;     // the frame container's address (for a relative entry)
  std::string save_folder;
  std::string reference;    // the entry as listed, or an absolute address
  DownloadOptions options;  // options.frame_download chooses what is done
  std::vector<std::string> url_history;  // the address box's list: a saved entry joins it
};

// Why a job saved no page.
enum class DownloadFailure {
  None,
  NoAddress,         // the request named no address
  NotWebAddress,     // the address is not http or https
  Cancelled,         // a question or the save dialog was answered with no
  NotNavigated,      // the browser-built page was asked for before navigating
  FolderNotFound,    // the save folder does not exist
  NoSaveFolder,      // no save folder, even after the dialog
  FolderNotEmptied,  // the save folder could not (or must not) be emptied
  PageNotFetched,    // the page could not be fetched: refused, timed out, an HTTP error
  PageNotSaved,      // the stages ran but the page file is not there
};

// A resource of the job that the server did not deliver.
struct FailedResource {
  std::string url;         // as it was asked for
  std::string local_path;  // where it would have been saved (Shift_JIS)
  OutcomeMark mark = OutcomeMark::Failed;
  std::string reason;      // what the server or libcurl said (UTF-8)
  bool stylesheet_or_script = false;  // else an image, a font, a file
};

// What a refresh came to; the page counts as one of the files.
struct RefreshOutcome {
  bool asked = false;       // the job was a refresh
  bool had_record = false;  // the folder held an earlier job's record
  int unchanged = 0;        // 304, or the same bytes again
  int changed = 0;          // replaced by a new answer
  int gone = 0;             // the server no longer gives it: the file is kept
};

struct DownloadResult {
  bool page_saved = false;
  std::string saved_page;  // the page file written; empty when none
  // The URL box after the job: the job's address, or the target of a refresh
  // redirect offered for the next job.
  std::string url;
  bool frameset = false;  // a frameset page: its frames are saved one by one
  // Outcome lines per mark, for every mark the list can hold.
  std::map<OutcomeMark, int> stylesheet_counts, image_counts;
  std::vector<std::string> frames;   // frame entries of the page, for RunFrame
  std::vector<std::string> reports;  // report files that exist beside the page
  std::vector<FailedResource> failed;  // stylesheets, scripts, images... not delivered
  JobLists lists;                      // everything the job listed, as it ended
  JobLabels labels;                    // everything it shows besides, as it ended
  // The options the next job starts from: a job keeps the folder and skips
  // the reports next time, and a chosen page name serves one job.
  DownloadOptions next_options;
  DownloadFailure failure_kind = DownloadFailure::None;
  // The reason as a message (Shift_JIS), with what libcurl or the server
  // said when the page could not be fetched; empty when saved.
  std::string failure;
  RefreshOutcome refresh;
};

// The message that says why (Shift_JIS); empty for None.
const std::string& DownloadFailureText(DownloadFailure kind);

}  // namespace kaplo
