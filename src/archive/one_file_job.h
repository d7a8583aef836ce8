// A job's one-file page: the page's frames saved by jobs of their own into
// the same folder (so they can be written into it), then the page and what
// the jobs saved folded into one file. The command line and the download
// tab both end a job with it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"

namespace kaplo {

struct OneFileResult {
  bool written = false;
  std::string error;                  // why not (UTF-8)
  std::vector<FailedResource> failed; // of the page and of its frames' jobs
};

// page is the result of a job that saved a page; engine saves its frames
// (another than the page's keeps the page's job the one its front end shows).
OneFileResult WriteJobAsOneFile(DownloadEngine& engine, const DownloadResult& page,
                                const std::filesystem::path& out);

// A file beside a saved page, named as the page with suffix for its
// extension: "PAGE.single.html", "PAGE.warc.gz".
std::string FileBesidePage(const std::string& saved_page, std::string_view suffix);

}  // namespace kaplo
