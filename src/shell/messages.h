// The program's fixed messages, one place for the engine, the
// command line and the window. Each returns the text as Shift_JIS, converted
// once from the UTF-8 literal in messages.cpp.
#pragma once

#include <string>
#include <string_view>

namespace kaplo::msg {

// Messages the tabs show.
const std::string& NoSaveFolder();      // no save folder is set
const std::string& FolderNotFound();    // a folder does not exist
const std::string& NotWebAddress();     // a text is not a web address
const std::string& NotFileName();       // a text is not a file name
const std::string& FileNotFound();      // a file does not exist
const std::string& FileSaved();         // a file was saved
const std::string& FileSaveFailed();    // saving a file failed
const std::string& RefreshRedirect();   // the page redirects by a refresh meta tag
const std::string& FramesetPage();      // a frameset page: frames are saved one by one
const std::string& NotNavigated();      // download before any page was opened
const std::string& NoHtmlFile();        // Yes/No/Cancel: the address names no HTML file
const std::string& BaseHref();          // Yes/No: the page has a base element
const std::string& GoOn();              // Yes/No: go on after a warning
const std::string& CombinedFileSlow();  // Yes/No: before loading a merged stylesheet file
const std::string& NoDriveFolder();     // a drive or folder cannot be chosen
const std::string& BadIpAddress();      // an IP address is malformed
const std::string& IframeLoad();        // Yes/No: a page with an inline frame is analysed

// The end of a download job, and why one saved nothing.
const std::string& DownloadFinished();
const std::string& PageNotSaved();
const std::string& PageNotFetched();
const std::string& FileNotFetched();
// The check of a saved page opened from its folder.
const std::string& SavedPageWhole();
const std::string& SavedPageIncomplete();
// A message with the reason put after it: "message（reason）".
std::string WithReason(std::string_view message, std::string_view reason);
const std::string& DownloadCancelled();
const std::string& FolderNotEmptied();

// The single file sheets.
std::string TextSaved(std::string_view file);
std::string FetchedAndSaved(std::string_view url, std::string_view file);
// What the memo shows when a fetch gave nothing.
std::string NoData(std::string_view url);

}  // namespace kaplo::msg
