// The saved form of a page: its references pointed at the saved files, its
// links at the copies of pages that are saved and at the web otherwise,
// frames at the names their own jobs save them under, its charset declaration
// made Shift_JIS, a base tag kept as a comment, and the saved-from comment
// before its head. Nothing else of the page changes: text, scripts, styles
// and markup stay as they came.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/download_job.h"
#include "engine/references.h"
#include "engine/resource_map.h"

namespace kaplo {

struct SavedPageInput {
  std::string_view page;       // read into Shift_JIS, every line kept
  const PageScan& scan;        // ScanPage(page)
  const std::vector<std::string>& urls;  // what each reference asks for (ResolvePage)
  std::string_view page_url;   // the address the page came from (as sent)
  std::string_view page_file;  // where the page is written
  std::string_view saved_from; // the address the saved-from comment names
  const ResourceMap& map;
  const DownloadOptions& options;
};

std::string RewriteSavedPage(const SavedPageInput& in);

// What stands before the first "<head"; empty when the page starts with it
// or has none.
std::string HeadPreambleOf(std::string_view page);
// The page's head: the text before the first "<BODY" (else "<body") that
// starts on a character, or the whole text.
std::string BeforeBody(std::string_view text);

// "<!-- saved from "URL" by NOLDA-KAPLO -->"
std::string SavedFromComment(std::string_view page_url);

}  // namespace kaplo
