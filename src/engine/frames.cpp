// Frame containers: the frameset page saved with local frame names, the
// inline frames of an ordinary page listed, and the action on a frame entry.
#include "engine/frames.h"

#include <filesystem>

#include "engine/engine.h"
#include "engine/local_path.h"
#include "engine/page_rewrite.h"
#include "engine/url.h"
#include "shell/messages.h"
#include "text/fsname.h"
#include "text/normalise.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"
#include "text/strutil.h"
#include "text/urlcode.h"

namespace kaplo {
namespace {

constexpr auto npos = std::string::npos;

// An absolute frame address is matched from its path on; the host part of
// the container's text stays as written.
std::string FrameEntryPath(std::string_view entry) {
  for (std::string_view scheme : {"http://", "https://"}) {
    if (!entry.starts_with(scheme)) continue;
    const std::string_view rest = entry.substr(scheme.size());
    const std::size_t slash = FindAtBoundary(rest, "/");
    return slash == npos ? std::string() : std::string(rest.substr(slash));
  }
  return std::string(entry);
}

bool Listed(const std::vector<std::string>& list, std::string_view entry) {
  for (const std::string& e : list) {
    if (e == entry) return true;
  }
  return false;
}

}  // namespace

std::string FrameLocalForm(std::string_view entry) {
  std::string local = ReplaceAllExact(entry, "&amp;", "&");
  local = ReplaceAllExact(local, "?", "@");
  local = Replace(local, "%3A%2F%2F", ";~~");
  local = Replace(local, "%2F", "~");
  if (!ContainsAtBoundary(entry, ".htm")) local += ".html";
  return local;
}

std::string ChangeFrameUrlname(std::string page, const std::vector<std::string>& frame_list) {
  for (const std::string& raw : frame_list) {
    const std::string entry = FrameEntryPath(Trim(raw));
    if (entry.empty()) continue;  // an empty pattern would match everywhere
    page = Replace(page, entry, FrameLocalForm(entry));
  }
  return page;
}

std::string DLReplaceIframehtml(std::string page, const std::vector<std::string>& frame_list,
                                std::string_view save_folder, int decode_mode) {
  if (frame_list.empty()) return page;
  for (const std::string& entry : frame_list) {
    const std::string local = UrlToSafePath(UrlToLocalPath(entry, save_folder, decode_mode, 0));
    if (local.empty()) continue;
    std::string name(Trim(FileNameOf(local)));
    while (!name.empty() && name.front() == '/') name.erase(0, 1);
    if (name.empty() || ContainsAtBoundary(name, ".htm")) continue;
    // Only where the name ends a quoted reference: a short name such as
    // "frame" must not turn "<iframe" or running text into "frame.html".
    for (std::string_view open : {"\"", "'", "/"}) {
      for (std::string_view close : {"\"", "'"}) {
        const std::string from = std::string(open) + name + std::string(close);
        page = Replace(page, from, std::string(open) + name + ".html" + std::string(close));
      }
    }
  }
  for (std::string_view run : {".html.html.html.html.html.html", ".html.html.html.html.html",
                               ".html.html.html.html", ".html.html.html", ".html.html"}) {
    page = Replace(page, run, ".html");
  }
  return ReplaceAllExact(page, "/?", "/@");
}

std::string FrameTarget(std::string_view page_url, std::string_view reference) {
  std::string target(Trim(reference));
  if (target.starts_with("//")) target = "http:" + target;
  if (IsHttpUrl(target)) return target;
  target = CombineUrl(page_url, target);
  return IsHttpUrl(target) ? target : std::string();
}

int DownloadEngine::DLMakeFrameSetFile(const std::string& url, const std::string& chosen_file,
                                       const std::string& page_text,
                                       const std::string& save_folder) {
  if (url.empty() || chosen_file.empty() || save_folder.empty() || !IsHttpUrl(url)) return -1;
  std::error_code ec;
  if (!std::filesystem::is_directory(FsPath(FolderOf(save_folder)), ec)) return -1;

  StringSet& srcs = lists.FrameSrcSet;
  srcs.clear();
  for (const auto& [open, close] : {std::pair{"src=\"", "\""}, std::pair{"src='", "'"},
                                    std::pair{"SRC=\"", "\""}, std::pair{"SRC='", "'"}}) {
    std::vector<std::string> found;
    CollectBetween(page_text, open, close, found);
    for (const std::string& value : found) srcs.insert(std::string(Trim(value)));
  }
  srcs.erase("");
  if (srcs.empty()) return -1;
  // A frame listed twice would get its ".html" twice.
  for (const std::string& src : srcs) {
    if (!Listed(lists.ListBoxWBInFrameFileList, src)) lists.ListBoxWBInFrameFileList.push_back(src);
  }
  observer_.ListsChanged();

  std::string local = UrlToLocalPath(url, save_folder, settings.url_web_decode, 0);
  if (local.empty() || local.back() == '/') local += "index.html";
  DLSaveMakeHTML(url, local, page_text, save_folder);
  return 0;
}

void DownloadEngine::DLSaveMakeHTML(const std::string& url, const std::string& local_file,
                                    const std::string& page_text,
                                    const std::string& /*save_folder*/) {
  const std::string prefix = UrlDepthPrefix(url, "");
  std::string page = ChangeFrameUrlname(NormaliseHtml(page_text), lists.ListBoxWBInFrameFileList);
  if (ContainsAtBoundary(page, "<base ")) page = CommentOutBaseTag(std::move(page));
  page = DropSlashAfterCssJsNames(std::move(page));
  page = ChangeHTMLSrcUrlname(std::move(page), lists.ListBoxPGTab02LTab02PageWebCSS);
  page = ChangeHTMLSrcUrlname(std::move(page), lists.ListBoxPGTab02LTab03PageImage);
  page = RemoveHTMLSrcUrlname(std::move(page), lists.ListBoxPGTab02LTab09LHref);
  // Root-relative links climb to the save folder. Relative and absolute
  // links are left alone: putting the prefix before them would send them
  // out of the page's folder or break the address.
  page = Replace(page, " href=\"/", " href=\"" + prefix);
  page = Replace(page, " src=\"/", " src=\"" + prefix);
  page = ClleanupSaveHTMLFile(page, job.PageUrl);

  SaveTextFile(page, local_file);
  const bool htm = ContainsAtBoundary(local_file, ".htm");
  if (!htm || (ContainsAtBoundary(local_file, "@") && ContainsAtBoundary(local_file, "="))) {
    SaveTextFile(page, local_file + ".html");
  }
  observer_.ShowText(JobView::WebSource, page, true);
  form.local_filename = local_file;
  form.caption = SavedPageCaption();
  observer_.FormChanged();
}

int DownloadEngine::DLMakeIframe() {
  StringSet& tags = lists.FrameTagSet;
  if (tags.empty()) return 0;
  std::string joined;
  for (const std::string& tag : tags) joined += tag + "\r\n";
  tags.clear();
  std::vector<std::string> found;
  CollectBetween(joined, "src=\"", "\"", found);
  int collected = 0;
  for (const std::string& raw : found) {
    const std::string src(Trim(raw));
    if (src.empty()) continue;
    tags.insert(src);
    ++collected;
    if (!Listed(lists.ListBoxWBInFrameFileList, src)) lists.ListBoxWBInFrameFileList.push_back(src);
  }
  if (collected > 0) {
    // Later jobs fetch the frame pages into this folder; its reports wait.
    settings.dont_empty_folder = true;
    settings.dont_make_css_list = true;
  }
  observer_.ListsChanged();
  return collected;
}

bool DownloadEngine::DLInFrameFileGo(const std::string& page_url,
                                     const std::string& /*save_folder*/,
                                     const std::string& reference) {
  const std::string target = FrameTarget(page_url, reference);
  if (target.empty()) return false;
  switch (settings.frame_download) {
    case 0: {
      form.label_downloaded_file.clear();
      form.label_downloaded_file_count.clear();
      const bool saved = DLDownloadAll(target);
      ShowTab(msg::TabLocalBrowse());
      return saved;
    }
    case 1:
      if (system_browser_) system_browser_->OpenInSystemBrowser(target);
      return true;
    case 2:
      if (browser_) browser_->Navigate(BrowserPane::DownloadResult, target);
      form.label_local_browser_url = target;
      ShowTab(msg::TabLocalBrowse());
      return true;
    default:
      return false;
  }
}

void DownloadEngine::ListBoxWBInFrameFileListClick(const std::string& entry) {
  const std::string ref(Trim(entry));
  if (ref.empty()) return;
  form.frame_link_url = ref;
  const std::string folder(Trim(form.save_folder));
  std::error_code ec;
  if (!IsHttpUrl(form.url) || folder.empty() ||
      !std::filesystem::is_directory(FsPath(folder), ec)) {
    observer_.FormChanged();
    return;
  }
  DLInFrameFileGo(form.url, folder, ref);
  bool known = false;
  for (const std::string& item : form.url_history) known |= item == ref;
  if (!known) form.url_history.push_back(ref);
  observer_.FormChanged();
}

void DownloadEngine::sbDLFrameGoClick() {
  if (!form.frame_link_url.empty()) ListBoxWBInFrameFileListClick(form.frame_link_url);
}

}  // namespace kaplo
