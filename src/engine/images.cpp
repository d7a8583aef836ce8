// Images: each listed once per job, downloaded once next to the page, with
// one retry against the page's base address.
#include "engine/css_js.h"
#include "engine/engine.h"
#include "engine/folder_names.h"
#include "engine/local_path.h"
#include "engine/outcome_marks.h"
#include "engine/url.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"
#include "text/strutil.h"
#include "text/urlcode.h"

namespace kaplo {
void DownloadEngine::DLSetListbox(std::string line, std::vector<std::string>& image_box,
                                  StringSet& set, std::vector<std::string>& display_box) {
  const std::string lower = LowerAscii(line);
  if (ContainsAtBoundary(lower, "url(") && ContainsAtBoundary(lower, ")")) {
    line = Replace(Replace(line, "url(", ""), ")", "");
  }
  if (line.empty() || IsJunkResourceLine(line)) return;
  if (!set.insert(line).second) return;
  image_box.push_back(line);
  display_box.push_back(line);
}

int DownloadEngine::DLDownloadImage(const std::string& save_folder,
                                    std::vector<std::string>& image_box) {
  if (image_box.empty()) return 0;
  stage_folder_ = save_folder;
  auto& outcome = lists.ListBoxPGTab02LTab03PageImageDownloaedImage;

  PrefetchAhead(image_box, ImageLineFields, true);

  const int n = static_cast<int>(image_box.size());
  for (int i = 0; i < n; ++i) {
    const std::string line =
        Replace(Trim(image_box[static_cast<std::size_t>(i)]), kEscapedQuote, "");
    std::string shown = line;
    if (!line.empty() && !IsJunkResourceLine(line)) {
      const ResourceFields f = ImageLineFields(line);
      DLDownloadedImage(f.absolute_url, f.local_path, outcome, image_box);
      shown = f.local_path;
    }
    DLFileDownloadInfo(shown, n, i);
    observer_.ListsChanged();
    if (!Running()) break;
  }
  return 0;
}

int DownloadEngine::DLDownloadedImage(const std::string& abs_url, const std::string& local_path,
                                      std::vector<std::string>& outcome_box,
                                      std::vector<std::string>& /*image_box*/) {
  const std::string local = SafeLocal(local_path);
  if (!IsHttpUrl(abs_url)) return -1;
  ForceFolderForPath(FolderOf(local), "");
  // The newest outcome comes first.
  auto mark = [&](const std::string& m) { outcome_box.insert(outcome_box.begin(), m + local); };
  if (LocalFileExists(local)) {
    mark(MarkText(OutcomeMark::Present));
    return 0;
  }
  if (fetcher_.FetchResourceToFile(abs_url, local, 0)) {
    mark(MarkText(OutcomeMark::Saved));
    return 0;
  }
  mark(MarkText(OutcomeMark::Failed));
  auto& failed = lists.ListBoxPGTab02LTab06DLImageNotFound;
  failed.push_back(abs_url + "\t" + MarkText(OutcomeMark::Failed) + local);
  if (!job.BaseHrefValue.empty()) {
    const std::string retry = ReplaceUrlRoot(abs_url, job.BaseHrefValue);
    if (fetcher_.FetchResourceToFile(retry, local, 0)) {
      mark(MarkText(OutcomeMark::Saved));
      failed.push_back(retry + "\t" + MarkText(OutcomeMark::Saved) + local);
    }
  }
  return LocalFileExists(local) ? 0 : -1;
}

}  // namespace kaplo
