#include "engine/saved_names.h"

#include <algorithm>
#include <array>
#include <initializer_list>

#include "engine/download_job.h"
#include "engine/folder_names.h"
#include "engine/local_path.h"
#include "text/sjis.h"
#include "text/strutil.h"
#include "text/urlcode.h"

namespace kaplo {
namespace {

constexpr auto npos = std::string_view::npos;

struct MediaType {
  std::string_view type;                      // the name files are typed by
  std::initializer_list<std::string_view> also;  // other names of the same type
  std::initializer_list<std::string_view> endings;  // the first is appended
};

// The types a saved file is named for, with the endings browsers read them
// by. A type not here (text/plain, application/octet-stream...) tells nothing.
const std::array<MediaType, 34>& MediaTypes() {
  static const std::array<MediaType, 34> kTypes = {{
      {"text/html", {}, {".html", ".htm"}},
      {"application/xhtml+xml", {}, {".xhtml", ".xht", ".html", ".htm"}},
      {"text/css", {}, {".css"}},
      {"text/javascript",
       {"application/javascript", "application/x-javascript", "application/ecmascript",
        "text/ecmascript", "text/x-javascript", "text/jscript"},
       {".js", ".mjs"}},
      {"application/json", {"text/json"}, {".json", ".map"}},
      {"application/manifest+json", {}, {".webmanifest", ".json"}},
      {"text/xml", {"application/xml"}, {".xml"}},
      {"application/rss+xml", {}, {".rss", ".xml"}},
      {"application/atom+xml", {}, {".atom", ".xml"}},
      {"image/svg+xml", {}, {".svg", ".svgz"}},
      {"image/png", {"image/apng", "image/x-png"}, {".png", ".apng"}},
      {"image/gif", {}, {".gif"}},
      {"image/jpeg", {"image/pjpeg", "image/jpg"}, {".jpg", ".jpeg", ".jpe", ".jfif", ".pjpeg", ".pjp"}},
      {"image/webp", {}, {".webp"}},
      {"image/avif", {}, {".avif"}},
      {"image/bmp", {"image/x-ms-bmp", "image/x-bmp"}, {".bmp"}},
      {"image/x-icon", {"image/vnd.microsoft.icon", "image/ico", "image/icon"}, {".ico", ".cur"}},
      {"image/tiff", {}, {".tif", ".tiff"}},
      {"font/woff", {"application/font-woff", "application/x-font-woff"}, {".woff"}},
      {"font/woff2", {"application/font-woff2"}, {".woff2"}},
      {"font/ttf", {"application/x-font-ttf", "application/x-font-truetype", "font/sfnt",
                    "application/font-sfnt"}, {".ttf"}},
      {"font/otf", {"application/x-font-otf", "application/x-font-opentype", "font/opentype"},
       {".otf"}},
      {"application/vnd.ms-fontobject", {}, {".eot"}},
      {"application/wasm", {}, {".wasm"}},
      {"video/mp4", {}, {".mp4", ".m4v"}},
      {"video/webm", {"audio/webm"}, {".webm"}},
      {"video/ogg", {}, {".ogv", ".ogg"}},
      {"audio/mpeg", {"audio/mp3"}, {".mp3"}},
      {"audio/ogg", {"audio/opus"}, {".ogg", ".oga", ".opus"}},
      {"audio/wav", {"audio/x-wav", "audio/wave"}, {".wav"}},
      {"audio/mp4", {"audio/x-m4a"}, {".m4a", ".mp4"}},
      {"text/vtt", {}, {".vtt"}},
      {"application/pdf", {}, {".pdf"}},
      {"application/x-shockwave-flash", {}, {".swf"}},
  }};
  return kTypes;
}

const MediaType* Find(std::string_view type) {
  for (const MediaType& m : MediaTypes()) {
    if (m.type == type) return &m;
    for (std::string_view other : m.also) {
      if (other == type) return &m;
    }
  }
  return nullptr;
}

// The media type of a Content-Type value: lower case, parameters cut.
std::string MainType(std::string_view content_type) {
  return std::string(Trim(LowerAscii(content_type.substr(0, content_type.find(';')))));
}

// What the first bytes of a body are, when a signature says it.
std::string_view SignatureType(std::string_view b) {
  static constexpr std::pair<std::string_view, std::string_view> kSignatures[] = {
      {"\x89PNG\r\n\x1a\n", "image/png"},
      {"GIF87a", "image/gif"},
      {"GIF89a", "image/gif"},
      {"\xFF\xD8\xFF", "image/jpeg"},
      {"wOFF", "font/woff"},
      {"wOF2", "font/woff2"},
      {"OTTO", "font/otf"},
      {"%PDF-", "application/pdf"},
      {std::string_view("\0asm", 4), "application/wasm"},
  };
  for (const auto& [signature, type] : kSignatures) {
    if (b.starts_with(signature)) return type;
  }
  if (b.size() >= 12 && b.starts_with("RIFF") && b.substr(8, 4) == "WEBP") return "image/webp";
  if (b.size() >= 12 && b.substr(4, 8) == "ftypavif") return "image/avif";
  if (b.starts_with(std::string_view("\0\0\1\0", 4)) && b.size() > 6 && b[4] != 0) {
    return "image/x-icon";
  }
  if (b.starts_with(std::string_view("\0\1\0\0", 4))) return "font/ttf";
  return {};
}

// What a text begins with: an SVG image or an HTML page.
std::string_view TextType(std::string_view b) {
  if (b.starts_with("\xEF\xBB\xBF")) b.remove_prefix(3);
  const std::string head = LowerAscii(b.substr(0, 1024));
  std::size_t at = head.find_first_not_of(" \t\r\n");
  if (at == npos) return {};
  const std::string_view h = std::string_view(head).substr(at);
  if (h.starts_with("<svg") ||
      ((h.starts_with("<?xml") || h.starts_with("<!doctype svg")) && h.find("<svg") != npos)) {
    return "image/svg+xml";
  }
  if (h.starts_with("<!doctype html") || h.starts_with("<html")) return kHtmlType;
  return {};
}

// At most max bytes of text, not ending inside a double-byte character.
std::string_view CutAtCharacter(std::string_view text, std::size_t max) {
  if (text.size() <= max) return text;
  SjisBoundary walker(text);
  std::size_t cut = walker.NextBoundary(max);
  if (cut > max) cut = max - 1;
  return text.substr(0, cut);
}

}  // namespace

NameRules NameRulesOf(const DownloadOptions& options, std::string_view save_folder) {
  NameRules r;
  r.save_folder = std::string(save_folder);
  if (!r.save_folder.empty() && r.save_folder.back() != '/') r.save_folder += '/';
  r.decode_mode = options.url_web_decode;
  r.top_name = options.top_page_filename;
  if (options.top_directory_for_unknown) r.dummy_dir = options.top_dummy_directory;
  return r;
}

std::string TypeOfEnding(std::string_view ending) {
  if (ending.starts_with('.')) ending.remove_prefix(1);
  if (ending.empty()) return {};
  const std::string lower = "." + LowerAscii(ending);
  for (const MediaType& m : MediaTypes()) {
    if (std::find(m.endings.begin(), m.endings.end(), lower) != m.endings.end()) {
      return std::string(m.type);
    }
  }
  return {};
}

std::string WithTypeEnding(std::string_view name, std::string_view type) {
  const MediaType* m = Find(MainType(type));
  if (!m) return std::string(name);
  const std::string ending = LowerAscii(FileExtension(name));
  if (std::find(m->endings.begin(), m->endings.end(), ending) != m->endings.end()) {
    return std::string(name);
  }
  return std::string(name) + std::string(*m->endings.begin());
}

std::string AnswerType(std::string_view content_type, std::string_view first_bytes) {
  if (const MediaType* m = Find(MainType(content_type))) return std::string(m->type);
  if (const std::string_view signed_as = SignatureType(first_bytes); !signed_as.empty()) {
    return std::string(signed_as);
  }
  return std::string(TextType(first_bytes));
}

bool IsNameOf(std::string_view name, std::string_view base) {
  if (name == base) return true;
  if (!name.starts_with(base)) return false;
  const std::string_view ending = name.substr(base.size());
  return ending.find('/') == npos && ending.rfind('.') == 0 && !TypeOfEnding(ending).empty();
}

std::string SavedFileOf(std::string_view url, SavedAs as, std::string_view type,
                        const NameRules& rules) {
  const std::string& folder = rules.save_folder;
  std::string local = SafeLocalPath(UrlToLocalPath(url, folder, rules.decode_mode, 0), folder);
  // An address that names a folder: its file is the folder's top.
  if (local.empty() || local.back() == '/') {
    std::string top = as == SavedAs::kPage && !rules.top_name.empty()
                          ? FileNameOf(UrlToSafePath(rules.top_name))
                          : std::string(kIndexPage);
    if (top.empty()) top = kIndexPage;
    local += top;
  }
  if (as == SavedAs::kPage && !rules.dummy_dir.empty()) {
    // The dummy text is typed by the user: made safe so it stays below the folder.
    std::string moved = FolderOf(local) + UrlToSafePath(rules.dummy_dir) + "/" + FileNameOf(local);
    moved = ReplaceAllExact(moved, "\\", "/");
    while (ContainsAtBoundary(moved, "//")) moved = ReplaceAllExact(moved, "//", "/");
    local = std::move(moved);
  }
  return WithTypeEnding(local, as == SavedAs::kPage ? kHtmlType : type);
}

std::string FetchedCopyOf(std::string_view page_file) {
  std::string name = std::string(kFetchedPagePrefix) + FileNameOf(page_file);
  if (name.size() > 40) name = std::string(CutAtCharacter(name, 40)) + ".html";
  return FolderOf(page_file) + name;
}

BasePageNames MakeBasePageNames(std::string_view url, const NameRules& rules) {
  BasePageNames n;
  n.local_file = PageFileOf(url, rules);
  NameRules in_place = rules;
  in_place.dummy_dir.clear();
  n.fetched_copy = FetchedCopyOf(PageFileOf(url, in_place));
  n.inner_copy = PrefixedName(n.local_file, kInnerCopyPrefix);
  return n;
}

}  // namespace kaplo
