// The single file sheets of the download tab: one text file or one image,
// shown, fetched, read in a chosen code and saved under a chosen name.
#include "engine/individual.h"

#include <filesystem>
#include <optional>

#include "engine/local_path.h"
#include "engine/engine.h"
#include "engine/folder_names.h"
#include "engine/local_path.h"
#include "engine/reports.h"
#include "engine/url.h"
#include "shell/messages.h"
#include "text/charset.h"
#include "text/fsname.h"
#include "text/sjis.h"
#include "text/strutil.h"
#include "text/urlcode.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

// The name a URL without a file name is stored under.
std::string FileNameOr(std::string_view url, std::string_view fallback) {
  std::string name = UrlFileName(url);
  return name.empty() ? std::string(fallback) : name;
}

bool IsHtmlFileName(std::string_view file) {
  const std::string name = FileNameOf(file);
  const std::size_t dot = name.rfind('.');
  return dot != std::string::npos && LowerAscii(name.substr(dot)).find(".htm") != std::string::npos;
}

}  // namespace

std::string CollapseBlankLines(std::string_view text) {
  std::string s = ReplaceAllExact(text, "\r\n", "\n");
  s = ReplaceAllExact(s, "\r", "\n");
  for (std::string_view run : {"\n\n\n\n\n", "\n\n\n\n", "\n\n\n", "\n\n"}) {
    s = ReplaceAllExact(s, run, "\n");
  }
  s = ReplaceAllExact(s, "\t", "  ");
  return ReplaceAllExact(s, "\n", "\r\n");
}

std::string CleanIndividualUrl(std::string_view url) {
  return ReplaceAllExact(Trim(url), "\\", "");
}

namespace {

// Root-relative references ("/, '/, ("/, ('/, (/) get prefix (a run of
// "../") so they lead up to the save folder; in this order.
std::string PrefixRootReferences(std::string text, std::string_view prefix) {
  for (std::string_view opener : {"\"", "'", "(\"", "('", "("}) {
    text = Replace(text, std::string(opener) + "/", std::string(opener) + std::string(prefix));
  }
  return text;
}

}  // namespace

std::string PrefixRootReferencesFor(std::string_view text, std::string_view url) {
  // Without an address there is no depth to climb: an arbitrary text
  // would otherwise be spliced in.
  if (!IsHttpUrl(url)) return std::string(text);
  const std::string prefix = UrlDepthPrefix(url, "");
  if (prefix.empty()) return std::string(text);
  return PrefixRootReferences(std::string(text), prefix);
}

std::string IndividualSuggestedName(std::string_view url) {
  return FileNameOf(UrlToSafePath(url));
}

namespace {

// A list line fills both URL boxes and one sheet's file box.
void FillFromLine(const std::string& line, std::string& text_url, std::string& image_url,
                  std::string& file_box) {
  const ResourceFields f = SplitResourceLine(line);
  text_url = f.absolute_url;
  image_url = f.absolute_url;
  file_box = f.local_path;
}

}  // namespace

void DownloadEngine::ListBoxDlLIndividual(const std::string& line) {
  FillFromLine(line, form.individual_url, individual_image.url, individual.file);
  sbPGTab02RTab07IndividualUrlClick();
  ShowTab(JobPage::TextSheet);
}

void DownloadEngine::ListBoxDLIndividualImage(const std::string& line) {
  FillFromLine(line, form.individual_url, individual_image.url, individual_image.file);
  sbPGTab02RTab08ImageIndividualGoClick();
  ShowTab(JobPage::ImageSheet);
}

bool DownloadEngine::ListBoxDLIndividualOutcome(const std::string& line, int code) {
  const std::string path = RemoveDownloadMark(line);
  if (!LocalFileExists(path)) {
    individual.css_js_win_filename = path;
    observer_.FormChanged();
    prompter_.Inform(msg::FileNotFound());
    return false;
  }
  individual.memo = AnyCodeToShiftJIS(LoadTextFile(path), code);
  individual.file = path;
  observer_.FormChanged();
  ShowTab(JobPage::TextSheet);
  return true;
}

bool DownloadEngine::ListBoxDLIndividualImageOutcome(const std::string& line) {
  const std::string path = RemoveDownloadMark(line);
  if (!LocalFileExists(path)) {
    prompter_.Inform(msg::FileNotFound());
    return false;
  }
  individual_image.browser = path;
  observer_.FormChanged();
  return true;
}

void DownloadEngine::sbPGTab02RTab07IndividualUrlClick() {
  const std::string url = CleanIndividualUrl(form.individual_url);
  form.individual_url = url;
  individual.browser.clear();
  individual.memo.clear();
  individual.failure.clear();
  const bool web = IsHttpUrl(url);
  if (web) {
    const int screen = individual.screen;
    if (screen == 2 || (screen == 0 && ClassifyResource(url) == kImageResource)) {
      individual.browser = url;
    } else {
      const TextResponse response = fetcher_.FetchTextResponse(url);
      const std::string& text = response.text;
      individual.failure = response.failure;
      if (!response.failure.empty() || (text.empty() && screen == 0)) {
        // An error answer is no text of the file: the memo says why instead.
        individual.memo = msg::NoData(url);
        if (!response.failure.empty()) {
          individual.memo += "\r\n" + msg::WithReason(msg::FileNotFetched(), response.failure);
        }
        observer_.FormChanged();
        return;
      }
      individual.memo = CollapseBlankLines(AnyCodeToShiftJIS(
          text, TextReadingCode(text, individual.code, response.content_type)));
    }
  } else if (LocalFileExists(individual.file)) {
    individual.memo = AnyCodeToShiftJIS(LoadTextFile(individual.file), individual.code);
  }
  // A local file named in the box stays the box's file: only an address
  // gives a name below the save folder.
  if (web && !form.save_folder.empty()) {
    individual.file =
        UrlToSafePath(form.save_folder, UrlDirPath(url) + "/" + FileNameOr(url, "index.html"));
  }
  observer_.FormChanged();
}

bool DownloadEngine::sbPGTab02RTab07IndividualDownloadClick() {
  individual.browser.clear();
  individual.memo.clear();
  const std::string url = CleanIndividualUrl(form.individual_url);
  form.individual_url = url;
  observer_.FormChanged();
  if (!IsHttpUrl(url)) return false;
  const std::string name = FileNameOr(url, "index.html");
  std::string folder, below;
  if (!individual.file.empty() && !form.save_folder.empty()) {
    folder = form.save_folder;
    below = UrlDirPath(url);
  } else if (!FolderOf(individual.file).empty()) {
    // No save folder: the box's own folder, never the working folder.
    folder = FolderOf(individual.file);
  } else {
    const std::optional<std::string> chosen = prompter_.SaveHtmlDialog(name, form.save_folder);
    if (!chosen || FolderOf(*chosen).empty()) return false;
    individual.file = *chosen;
    folder = FolderOf(*chosen);
    observer_.FormChanged();
  }
  const std::string local = UrlToSafePath(folder, below + "/" + name);
  const std::string copy =
      UrlToSafePath(folder, below + "/" + std::string(kFetchedPagePrefix) + name);
  ForceFolderForPath(FolderOf(local), "");
  const bool fetched = fetcher_.FetchToFile(url, local);
  fetcher_.FetchToFile(url, copy);
  // A download that left no file is a failure, whatever was attempted.
  if (!fetched || !LocalFileExists(local)) {
    prompter_.Inform(msg::FileSaveFailed());
    return false;
  }
  prompter_.Inform(msg::FetchedAndSaved(url, local));
  individual.file = local;
  IndividualOpenFile(local);
  return true;
}

bool DownloadEngine::sbsbPGTab02RTab07IndividualSaveFileClick() {
  if (individual.memo.empty()) return false;
  const std::string url = CleanIndividualUrl(form.individual_url);
  if (individual.file.empty()) {
    const std::optional<std::string> chosen =
        prompter_.SaveHtmlDialog(IndividualSuggestedName(url), form.save_folder);
    if (!chosen) return false;
    individual.file = *chosen;
  }
  // The folder is the user's; only the name is made safe.
  individual.file = UrlToSafePath(FolderOf(individual.file), FileNameOf(individual.file));
  observer_.FormChanged();
  // References are rewritten before the code changes: in ISO-2022-JP the
  // bytes of a double-byte character can look like them.
  const std::string text =
      ConvertShiftJISForSave(PrefixRootReferencesFor(individual.memo, url), individual.save_code);
  SaveTextFile(text, individual.file);
  if (!LocalFileExists(individual.file)) {
    prompter_.Inform(msg::FileSaveFailed());
    return false;
  }
  prompter_.Inform(msg::TextSaved(individual.file));
  return true;
}

void DownloadEngine::IndividualOpenFile(const std::string& file) {
  individual.memo = AnyCodeToShiftJIS(LoadTextFile(file), individual.code);
  if (IsHtmlFileName(file)) individual.browser = file;
  observer_.FormChanged();
}

bool DownloadEngine::sbsbPGTab02RTab07IndividualOpenFileGoClick() {
  if (individual.file.empty()) return false;
  IndividualOpenFile(individual.file);
  return true;
}

void DownloadEngine::sbsbPGTab02RTab07IndividualMemoClearClick() {
  individual.browser.clear();
  individual.memo.clear();
  individual.file.clear();
  observer_.FormChanged();
}

void DownloadEngine::sbPGTab02RTab08ImageIndividualGoClick() {
  const std::string_view url = Trim(individual_image.url);
  individual_image.browser = IsHttpUrl(url) ? std::string(url) : std::string();
  observer_.FormChanged();
}

bool DownloadEngine::sbPGTab02RTab08ImageIndividualDownloadClick() {
  individual_image.browser.clear();
  observer_.FormChanged();
  const std::string url(Trim(individual_image.url));
  if (!IsHttpUrl(url)) return false;
  const std::string name = FileNameOr(url, "dummy.gif");
  std::string folder = form.save_folder;
  if (folder.empty()) {
    const std::optional<std::string> chosen = prompter_.SaveHtmlDialog(name, "");
    if (!chosen || FolderOf(*chosen).empty()) return false;
    // The save folder box gets a folder: a file there would become the next
    // job's save folder.
    folder = FolderOf(*chosen);
    form.save_folder = folder;
    observer_.FormChanged();
  }
  // An address that ends in a folder is stored under the default name, not
  // as the folder itself.
  std::string below = UrlPathAfterHost(url);
  if (below.empty() || below.back() == '/') below += name;
  const std::string local = UrlToSafePath(folder, below);
  ForceFolderForPath(FolderOf(local), "");
  bool stored = fetcher_.FetchResourceToFile(url, local, kImageResource);
  // An empty answer (an error status without a page) is no image.
  std::error_code ec;
  if (stored && fs::file_size(FsPath(local), ec) == 0 && !ec) {
    fs::remove(FsPath(local), ec);
    stored = false;
  }
  if (!stored) {
    individual_image.file.clear();
    observer_.FormChanged();
    prompter_.Inform(msg::FileSaveFailed());
    return false;
  }
  individual_image.file = local;
  if (LocalFileExists(local)) individual_image.browser = local;
  observer_.FormChanged();
  prompter_.Inform(msg::FetchedAndSaved(url, local));
  return true;
}

void DownloadEngine::IndividualOpenImage(const std::string& file) {
  individual_image.browser = file;
  observer_.FormChanged();
}

void DownloadEngine::sbPGTab02RTab08ImageIndividualClearClick() {
  individual_image.browser.clear();
  observer_.FormChanged();
}

}  // namespace kaplo
