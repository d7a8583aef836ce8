// The engine's step for the addresses modern pages keep beyond the places
// the collection stages read (see modern_resources.h for the pattern table).
#include <string>

#include "engine/css_js.h"
#include "engine/engine.h"
#include "engine/local_path.h"
#include "engine/modern_resources.h"
#include "engine/url.h"
#include "text/sjis.h"

namespace kaplo {
namespace {

bool IsAbsolute(std::string_view address) {
  return address.starts_with("//") || IsHttpUrl(address);
}

// The ordered replacements already point a reference home when it is
// relative, or root-relative right after a quote or "(": left to them.
bool LeftToReplacements(std::string_view text, const ModernReference& ref) {
  if (IsAbsolute(ref.address)) return false;
  if (!ref.address.starts_with("/")) return true;
  const char before = ref.begin > 0 ? text[ref.begin - 1] : ' ';
  return before == '"' || before == '\'' || before == '(';
}

std::string Absolute(const std::string& base, const std::string& address) {
  return CombineUrl(base, address.starts_with("//") ? "http:" + address : address);
}

// What the older stages already fetch in a stylesheet: images of these
// kinds, stylesheets and scripts.
bool FetchedByStylesheetStage(std::string_view address) {
  const std::string low = LowerAscii(address.substr(0, address.find_first_of("?#")));
  for (std::string_view ext : {".gif", ".jpg", ".jpeg", ".png", ".swf", ".css", ".js"}) {
    if (low.ends_with(ext)) return true;
  }
  return false;
}

}  // namespace

void DownloadEngine::DLMakeModernResources(const std::string& url, const std::string& save_folder,
                                           std::string_view page) {
  const std::string base = job.BaseHrefValue.empty() ? url : job.BaseHrefValue;
  for (const ModernReference& ref : FindModernPageReferences(page)) {
    const std::string abs = Absolute(base, ref.address);
    if (IsHttpUrl(abs)) EnterImage(ref.address, abs, save_folder, lists.ListBoxPGTab02LTab03PageImage);
  }
}

std::string DownloadEngine::PointModernReferences(const std::string& url,
                                                  const std::string& save_folder,
                                                  std::string_view page) const {
  const std::string base = job.BaseHrefValue.empty() ? url : job.BaseHrefValue;
  const std::string folder = FolderOf(job.LocalPageFile);
  return RewriteReferences(page, FindModernPageReferences(page), [&](const ModernReference& ref) {
    if (LeftToReplacements(page, ref)) return std::string();
    const std::string abs = Absolute(base, ref.address);
    const std::string local = SafeLocalPath(LocalOf(abs, save_folder), save_folder);
    // A file that could not be fetched keeps its address.
    if (!IsHttpUrl(abs) || !LocalFileExists(local)) return std::string();
    return RelativePath(folder, local);
  });
}

std::string DownloadEngine::ModernStylesheet(const std::string& abs_url, const std::string& local,
                                             std::string_view css,
                                             std::vector<std::string>& image_box,
                                             const std::string& save_folder) {
  const std::string folder = FolderOf(local);
  return RewriteReferences(css, FindStylesheetReferences(css), [&](const ModernReference& ref) {
    if (ref.kind != ModernKind::kFont && !IsAbsolute(ref.address) &&
        FetchedByStylesheetStage(ref.address)) {
      return std::string();
    }
    if (LowerAscii(ref.address).find(".css") != std::string::npos) return std::string();
    const std::string abs = Absolute(abs_url, ref.address);
    if (!IsHttpUrl(abs)) return std::string();
    // Saved beside the stylesheet that names it, as its address says.
    EnterImage(ref.address, abs, save_folder, image_box);
    if (!IsAbsolute(ref.address)) return std::string();
    return RelativePath(folder, SafeLocalPath(LocalOf(abs, save_folder), save_folder));
  });
}

}  // namespace kaplo
