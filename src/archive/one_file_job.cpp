#include "archive/one_file_job.h"

#include "archive/inline_page.h"
#include "engine/local_path.h"

namespace kaplo {
namespace {

// Frames of frames are saved too, within bounds: a site of endless frames
// ends here.
constexpr int kMaxFrameDepth = 3;
constexpr int kMaxFrameJobs = 32;

void SaveFrames(DownloadEngine& engine, const DownloadResult& page, int depth, int& jobs,
                std::vector<FailedResource>& failed) {
  if (depth > kMaxFrameDepth) return;
  for (const std::string& entry : page.frames) {
    if (++jobs > kMaxFrameJobs) return;
    DownloadOptions options = page.next_options;
    options.frame_download = 0;
    const DownloadResult frame = engine.RunFrame({.page_url = page.url,
                                                  .save_folder = page.labels.save_folder,
                                                  .reference = entry,
                                                  .options = options});
    if (!frame.page_saved) continue;
    failed.insert(failed.end(), frame.failed.begin(), frame.failed.end());
    SaveFrames(engine, frame, depth + 1, jobs, failed);
  }
}

}  // namespace

OneFileResult WriteJobAsOneFile(DownloadEngine& engine, const DownloadResult& page,
                                const std::filesystem::path& out) {
  OneFileResult r;
  if (!page.page_saved) {
    r.error = "no page was saved";
    return r;
  }
  r.failed = page.failed;
  int jobs = 0;
  SaveFrames(engine, page, 1, jobs, r.failed);
  OneFileSources sources;
  sources.save_folder = page.labels.save_folder;
  for (const FailedResource& f : r.failed) sources.failed.emplace(f.local_path, f.url);
  r.written = WriteOneFilePage(page.saved_page, sources, out, &r.error);
  return r;
}

std::string FileBesidePage(const std::string& saved_page, std::string_view suffix) {
  std::string name = saved_page;
  const std::size_t slash = name.rfind('/');
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) name.resize(dot);
  return name + std::string(suffix);
}

}  // namespace kaplo
