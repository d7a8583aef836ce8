// Frame containers: the frameset page saved with local frame names, the
// inline frames of an ordinary page listed, and the action on a frame entry.
#include "engine/frames.h"

#include <filesystem>

#include "engine/engine.h"
#include "engine/local_path.h"
#include "engine/safe_write.h"
#include "engine/saved_names.h"
#include "engine/url.h"
#include "shell/messages.h"
#include "text/fsname.h"
#include "text/charset.h"
#include "text/normalise.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"
#include "text/strutil.h"
#include "text/urlcode.h"

namespace kaplo {
std::string FrameTarget(std::string_view page_url, std::string_view reference) {
  std::string target(Trim(reference));
  if (target.starts_with("//")) target = "http:" + target;
  if (IsHttpUrl(target)) return target;
  // Resolved as a browser resolves it: a name holding "http" is a name.
  const std::string base = WireUrl(page_url);
  target = RequestUrl(base.empty() ? std::string(page_url) : base, target, kCharsetUtf8);
  return IsHttpUrl(target) ? target : std::string();
}

int DownloadEngine::DLMakeFrameSetFile(const std::string& url, const std::string& chosen_file,
                                       const std::string& page_text,
                                       const std::string& save_folder) {
  if (url.empty() || chosen_file.empty() || save_folder.empty() || !IsHttpUrl(url)) return -1;
  std::error_code ec;
  if (!std::filesystem::is_directory(FsPath(FolderOf(save_folder)), ec)) return -1;
  page_scan_ = ScanPage(page_text);
  bool any = false;
  for (const FoundReference& ref : page_scan_.references) any |= ref.role == RefRole::kFrame;
  if (!any) return -1;
  DLSaveMakeHTML(url, PageFileOf(url, NameRulesOf(options_, save_folder)), page_text, save_folder);
  return 0;
}

void DownloadEngine::DLSaveMakeHTML(const std::string& /*url*/, const std::string& local_file,
                                    const std::string& page_text,
                                    const std::string& save_folder) {
  // The frames are listed and pointed at the names their own jobs give them.
  const std::string page = SaveWithResources(page_text, local_file, save_folder, page_scan_);
  WriteFileBelow(save_folder, local_file, page);
  observer_.ShowText(JobText::WebSource, page, true);
  labels_.local_file = local_file;
  labels_.caption = SavedPageCaption();
  ListsChanged();
  LabelsChanged();
}

bool DownloadEngine::DLInFrameFileGo(const std::string& page_url,
                                     const std::string& /*save_folder*/,
                                     const std::string& reference) {
  // Where the container's copy points it, when the container was saved here.
  const auto known = frame_targets_.find(page_url + "\n" + std::string(Trim(reference)));
  const std::string target =
      known != frame_targets_.end() ? known->second : FrameTarget(page_url, reference);
  if (target.empty()) return false;
  switch (options_.frame_download) {
    case 0: {
      labels_.status.clear();
      labels_.progress.clear();
      const bool saved = DLDownloadAll(target);
      Focus(JobFocus::LocalPage);
      return saved;
    }
    case 1:
      if (system_browser_) system_browser_->OpenInSystemBrowser(target);
      return true;
    case 2:
      if (browser_) browser_->Navigate(BrowserPane::DownloadResult, target);
      labels_.result_address = target;
      Focus(JobFocus::LocalPage);
      return true;
    default:
      return false;
  }
}

}  // namespace kaplo
