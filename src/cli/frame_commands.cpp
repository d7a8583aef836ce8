// kaplo frame: the action on one frame entry of a container page.
//
// Without a window there is no frame list left over from an earlier run, so
// the container is the page of --url, saved into --folder by this same
// command; REF is then one of its frame entries, as listed or by its place in
// the list (1 = first). Without --url there is no container and REF must be
// an absolute address. --choice 0 saves the frame page into the folder as a
// job of its own; 1 and 2, which show the page in a browser, print its
// address instead.
#include <string>
#include <vector>

#include "cli/cli.h"

namespace kaplo::cli {

// The download command's job runner, with the frame step after it.
int RunDownloadJob(std::span<const std::string> argv, const std::string* frame_ref,
                   int frame_choice);

namespace {

int Frame(std::span<const std::string> argv) {
  if (argv.empty() || argv[0].starts_with("--")) throw UsageError("REF comes first");
  const std::string ref = argv[0];
  std::string url, folder;
  bool has_url = false, has_folder = false;
  long long choice = 0;
  // The frame options are taken out; the rest are download options.
  std::vector<std::string> job_args;
  for (std::size_t i = 1; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    if (a != "--url" && a != "--folder" && a != "--choice") {
      job_args.push_back(a);
      continue;
    }
    if (i + 1 >= argv.size()) throw UsageError(a + " needs a value");
    const std::string& v = argv[++i];
    if (a == "--url") {
      url = v;
      has_url = true;
    } else if (a == "--folder") {
      folder = v;
      has_folder = !v.empty();
    } else if (v.size() != 1 || v[0] < '0' || v[0] > '2') {
      throw UsageError("--choice is 0, 1 or 2");
    } else {
      choice = v[0] - '0';
    }
  }
  std::vector<std::string> call;
  if (has_url || has_folder) call.push_back(has_url ? url : std::string());
  if (has_folder) call.push_back(folder);
  call.insert(call.end(), job_args.begin(), job_args.end());
  return RunDownloadJob(call, &ref, static_cast<int>(choice));
}

constexpr Command kCommands[] = {
    {"frame", "REF [--url URL] [--folder DIR] [--choice N] [download options]",
     "save (0) or print the address of (1, 2) a frame of the page --url, saved into --folder "
     "first",
     Frame},
};

}  // namespace

std::span<const Command> FrameCommands() { return kCommands; }

}  // namespace kaplo::cli
