// The single file sheets of the download tab: one text file or one image,
// shown, fetched, read in a chosen code and saved under a chosen name.
#include "engine/single_file.h"

#include <filesystem>
#include <fstream>
#include <optional>

#include "engine/folder_names.h"
#include "engine/local_path.h"
#include "engine/reports.h"
#include "engine/saved_names.h"
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

// The file a sheet stores url in: where a job saves the address's resource
// below save_folder, or without one, under that file's name in folder. An
// address that names no file is stored under fallback.
std::string SheetFile(std::string_view url, std::string_view save_folder, std::string_view folder,
                      std::string_view fallback) {
  const bool below = !save_folder.empty();
  std::string file =
      SavedFileOf(url, SavedAs::kResource, {}, NameRules{std::string(below ? save_folder : "/")});
  if (UrlFileName(url).empty()) file = FolderOf(file) + std::string(fallback);
  return below ? file : UrlToSafePath(folder, FileNameOf(file));
}

// A stored file named for its type, told by the ending of its address's
// path or else by its first bytes: renamed when its name does not say it.
// The name it has afterwards.
std::string NamedForType(const std::string& file, std::string_view url) {
  std::string type = TypeOfEnding(FileExtension(url.substr(0, url.find('?'))));
  if (type.empty()) {
    std::ifstream in(FsPath(file), std::ios::binary);
    std::string head(1024, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    type = AnswerType({}, head);
  }
  const std::string named = WithTypeEnding(file, type);
  std::error_code ec;
  if (named != file) fs::rename(FsPath(file), FsPath(named), ec);
  return ec ? file : named;
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

SingleTextResult ShowSingleText(Fetcher& fetcher, const SingleTextRequest& request) {
  SingleTextResult r;
  r.url = CleanIndividualUrl(request.url);
  r.file = request.file;
  const bool web = IsHttpUrl(r.url);
  if (web) {
    const int screen = request.screen;
    if (screen == 2 || (screen == 0 && ClassifyResource(r.url) == kImageResource)) {
      r.browser = r.url;
    } else {
      const TextResponse response = fetcher.FetchTextResponse(r.url);
      const std::string& text = response.text;
      r.failure = response.failure;
      if (!response.failure.empty() || (text.empty() && screen == 0)) {
        // An error answer is no text of the file: the memo says why instead.
        r.memo = msg::NoData(r.url);
        if (!response.failure.empty()) {
          r.memo += "\r\n" + msg::WithReason(msg::FileNotFetched(), response.failure);
        }
        return r;
      }
      r.memo = CollapseBlankLines(AnyCodeToShiftJIS(
          text, TextReadingCode(text, request.code, response.content_type)));
    }
  } else if (LocalFileExists(request.file)) {
    r.memo = AnyCodeToShiftJIS(LoadTextFile(request.file), request.code);
  }
  // A local file named in the box stays the box's file: only an address
  // gives a name below the save folder.
  if (web && !request.save_folder.empty()) {
    r.file = SheetFile(r.url, request.save_folder, {}, kIndexPage);
  }
  return r;
}

SingleTextResult OpenSingleText(const SingleTextRequest& request, const std::string& file) {
  SingleTextResult r;
  r.url = CleanIndividualUrl(request.url);
  r.file = file;
  r.memo = AnyCodeToShiftJIS(LoadTextFile(file), request.code);
  if (IsHtmlFileName(file)) r.browser = file;
  return r;
}

SingleTextResult FetchSingleText(Fetcher& fetcher, Prompter& prompter,
                                 const SingleTextRequest& request) {
  SingleTextResult r;
  r.url = CleanIndividualUrl(request.url);
  r.file = request.file;
  if (!IsHttpUrl(r.url)) return r;
  std::string save_folder, folder;
  if (!request.file.empty() && !request.save_folder.empty()) {
    save_folder = request.save_folder;
  } else if (!FolderOf(request.file).empty()) {
    // No save folder: the box's own folder, never the working folder.
    folder = FolderOf(request.file);
  } else {
    const std::optional<std::string> chosen = prompter.SaveHtmlDialog(
        FileNameOf(SheetFile(r.url, {}, "/", kIndexPage)), request.save_folder);
    if (!chosen || FolderOf(*chosen).empty()) return r;
    r.file = *chosen;
    folder = FolderOf(*chosen);
  }
  std::string local = SheetFile(r.url, save_folder, folder, kIndexPage);
  ForceFolderForPath(FolderOf(local), "");
  const bool fetched = fetcher.FetchToFile(r.url, local);
  // A download that left no file is a failure, whatever was attempted.
  if (!fetched || !LocalFileExists(local)) {
    prompter.Inform(msg::FileSaveFailed());
    return r;
  }
  local = NamedForType(local, r.url);
  fetcher.FetchToFile(r.url, PrefixedName(local, kFetchedPagePrefix));
  prompter.Inform(msg::FetchedAndSaved(r.url, local));
  SingleTextResult opened = OpenSingleText(request, local);
  opened.url = r.url;
  opened.done = true;
  return opened;
}

SingleTextResult SaveSingleText(Prompter& prompter, const SingleTextRequest& request) {
  SingleTextResult r;
  r.url = CleanIndividualUrl(request.url);
  r.file = request.file;
  r.memo = request.memo;
  if (request.memo.empty()) return r;
  if (r.file.empty()) {
    const std::optional<std::string> chosen =
        prompter.SaveHtmlDialog(IndividualSuggestedName(r.url), request.save_folder);
    if (!chosen) return r;
    r.file = *chosen;
  }
  // The folder is the user's; only the name is made safe.
  r.file = UrlToSafePath(FolderOf(r.file), FileNameOf(r.file));
  // References are rewritten before the code changes: in ISO-2022-JP the
  // bytes of a double-byte character can look like them.
  const std::string text =
      ConvertShiftJISForSave(PrefixRootReferencesFor(request.memo, r.url), request.save_code);
  SaveTextFile(text, r.file);
  if (!LocalFileExists(r.file)) {
    prompter.Inform(msg::FileSaveFailed());
    return r;
  }
  prompter.Inform(msg::TextSaved(r.file));
  r.done = true;
  return r;
}

SingleImageResult FetchSingleImage(Fetcher& fetcher, Prompter& prompter,
                                   const SingleImageRequest& request) {
  SingleImageResult r;
  r.url = std::string(Trim(request.url));
  r.save_folder = request.save_folder;
  if (!IsHttpUrl(r.url)) return r;
  constexpr std::string_view kNoName = "dummy.gif";
  if (r.save_folder.empty()) {
    const std::optional<std::string> chosen =
        prompter.SaveImageDialog(FileNameOf(SheetFile(r.url, {}, "/", kNoName)), "");
    if (!chosen || FolderOf(*chosen).empty()) return r;
    // The save folder gets a folder: a file there would become the next
    // job's save folder.
    r.save_folder = FolderOf(*chosen);
  }
  // An address that ends in a folder is stored under the default name, not
  // as the folder itself.
  std::string local = SheetFile(r.url, r.save_folder, {}, kNoName);
  ForceFolderForPath(FolderOf(local), "");
  bool stored = fetcher.FetchResourceToFile(r.url, local, kImageResource);
  // An empty answer (an error status without a page) is no image.
  std::error_code ec;
  if (stored && fs::file_size(FsPath(local), ec) == 0 && !ec) {
    fs::remove(FsPath(local), ec);
    stored = false;
  }
  if (!stored) {
    prompter.Inform(msg::FileSaveFailed());
    return r;
  }
  local = NamedForType(local, r.url);
  r.file = local;
  if (LocalFileExists(local)) r.browser = local;
  r.done = true;
  prompter.Inform(msg::FetchedAndSaved(r.url, local));
  return r;
}

}  // namespace kaplo
