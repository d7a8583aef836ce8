// One text file or one image, apart from a whole job: the download tab's
// single file sheets and `kaplo get`. Each action takes a request and gives
// a result; the messages a user is to see go through the prompter. Texts
// are Shift_JIS.
#pragma once

#include <string>
#include <string_view>

#include "engine/fetch.h"
#include "engine/ports.h"

namespace kaplo {

struct SingleTextRequest {
  std::string url;          // as typed
  std::string file;         // the file box: where the text is saved or read from
  std::string memo;         // the text to save
  int code = 0;             // the code a text is read in (0 automatic)
  int save_code = 0;        // the code it is saved in
  int screen = 0;           // how an address is shown: 0 by its kind, 1 as text, 2 as an image
  std::string save_folder;  // the download's save folder; may be empty
};

struct SingleTextResult {
  std::string url;      // the address as used: trimmed, without backslashes
  std::string file;     // the file box afterwards
  std::string memo;     // the text shown
  std::string browser;  // what the sheet's browser shows: an address, a file, or "" for blank
  std::string failure;  // why the address gave no text (the memo says so too)
  bool done = false;    // fetched or saved: the file is there
};

// The address read (fetched, in the request's code) into the memo, or left
// to the browser when it is an image; a local file of the file box read
// when it is no address. The file box then names the file below the save folder.
SingleTextResult ShowSingleText(Fetcher& fetcher, const SingleTextRequest& request);
// The address fetched into a file (and its copy as fetched): below the save
// folder, else the file box's folder, else where the save dialog says.
SingleTextResult FetchSingleText(Fetcher& fetcher, Prompter& prompter,
                                 const SingleTextRequest& request);
// The memo saved in the save code to the file box's file (asked for when empty).
SingleTextResult SaveSingleText(Prompter& prompter, const SingleTextRequest& request);
// A local file read into the memo in the request's code.
SingleTextResult OpenSingleText(const SingleTextRequest& request, const std::string& file);

struct SingleImageRequest {
  std::string url;
  std::string save_folder;  // may be empty: the save dialog chooses a folder
};

struct SingleImageResult {
  std::string url;
  std::string file;         // where the image was stored; empty when it was not
  std::string browser;      // what the sheet's browser shows
  std::string save_folder;  // the save folder afterwards (the dialog may have chosen one)
  bool done = false;
};

// The image fetched into the save folder at its address's path. An error
// answer, an HTML page or an empty answer is no image.
SingleImageResult FetchSingleImage(Fetcher& fetcher, Prompter& prompter,
                                   const SingleImageRequest& request);

// Line ends made LF, runs of blank lines squeezed, TABs made two blanks,
// then every line end CR LF.
std::string CollapseBlankLines(std::string_view text);

// The URL box's text as the actions use it: trimmed, without backslashes.
std::string CleanIndividualUrl(std::string_view url);

// The text as written for url: root-relative references ("/x", "(/x", ...)
// get the run of "../" up to the save folder. Other addresses are left alone.
std::string PrefixRootReferencesFor(std::string_view text, std::string_view url);

// The name the save dialog suggests for the memo of url.
std::string IndividualSuggestedName(std::string_view url);

}  // namespace kaplo
