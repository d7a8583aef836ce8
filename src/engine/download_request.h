// The download engine's front door: what a front end asks for (a request)
// and what it gets back (a result). The command line, the tests and the
// download tab fill a request and read a result; the working state behind
// them stays the engine's.
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
  PageNotSaved,      // the stages ran but the page file is not there
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
  DownloadFailure failure_kind = DownloadFailure::None;
  std::string failure;  // the reason as a message (Shift_JIS); empty when saved
};

// The message that says why (Shift_JIS); empty for None.
const std::string& DownloadFailureText(DownloadFailure kind);

}  // namespace kaplo
