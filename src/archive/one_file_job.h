// A job's one-file page: the page's frames saved by jobs of their own into
// the same folder (so they can be written into it), then the page and what
// the jobs saved folded into one file. The command line and the download
// tab both end a job with it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace kaplo {

struct OneFileResult {
  bool written = false;
  std::string error;                  // why not (UTF-8)
  std::vector<FailedResource> failed; // of the page and of its frames' jobs
};

// page is the result of the job that saved the page with engine.
OneFileResult WriteJobAsOneFile(DownloadEngine& engine, const DownloadResult& page,
                                const std::filesystem::path& out);

// The one file beside a saved page: "PAGE.single.html".
std::string OneFileBesidePage(const std::string& saved_page);

}  // namespace kaplo
