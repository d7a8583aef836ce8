#include "text/urlcode.h"

#include <array>
#include <filesystem>
#include <system_error>
#include <utility>

#include "text/convert.h"
#include "text/fsname.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"
#include "text/strutil.h"

namespace kaplo {
namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr std::size_t kMaxFolderBytes = 200;
constexpr std::size_t kMaxNameBytes = 255;  // one part of a path, on disk

constexpr char kHexLower[] = "0123456789abcdef";

int HexDigit(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

void PutPercent(std::string& out, unsigned char b) {
  out.push_back('%');
  out.push_back(kHexLower[b >> 4]);
  out.push_back(kHexLower[b & 15]);
}

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<unsigned char, 256> MakeBase64Values() {
  std::array<unsigned char, 256> v{};
  for (auto& x : v) x = 64;  // unknown: only its low six bits (0) are used
  for (int i = 0; i < 64; ++i)
    v[static_cast<unsigned char>(kBase64[i])] = static_cast<unsigned char>(i);
  return v;
}
constexpr std::array<unsigned char, 256> kBase64Values = MakeBase64Values();

std::string Utf8Decoded(std::string_view url) { return Utf8ToShiftJIS(UrlDecodeBytes(url)); }

// The percent codes of a redirect target that are turned back into characters.
std::string UnescapeRedirect(std::string s) {
  s = Replace(s, "%3A", ":");
  s = Replace(s, "%3F", "?");
  s = Replace(s, "%2F", "/");
  return Replace(s, "%26", "&");
}

// Characters unfit for file names, in this order. There are no drive letters
// here, so every colon goes.
constexpr std::pair<std::string_view, std::string_view> kSafePathRules[] = {
    {"?", "@"},   {"|", "~"},   {"*", ";"},           {"&amp;", "&"}, {"<", ""},
    {">", ""},    {":", ";"},   {"%3A%2F%2F", ";~~"}, {"%2F", "~"},   {"\"", "'"},
    {"%26", "&"}, {"%20", " "}, {"\\", "/"},
};

bool StartsWith(std::string_view text, std::string_view a, std::string_view b) {
  return text.size() >= a.size() + b.size() && text.substr(0, a.size()) == a &&
         text.substr(a.size(), b.size()) == b;
}

// Splits at every "/" byte (a "/" after a first byte is no character, but the
// file system would still see a separator), drops empty, "." and ".." parts and
// joins again, keeping a leading and a trailing "/".
std::string JoinSafeParts(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  if (!path.empty() && path.front() == '/') out.push_back('/');
  std::size_t i = 0;
  while (i < path.size()) {
    std::size_t e = path.find('/', i);
    if (e == npos) e = path.size();
    const std::string_view part = path.substr(i, e - i);
    if (!part.empty() && part != "." && part != "..") {
      if (!out.empty() && out.back() != '/') out.push_back('/');
      out.append(part);
    }
    i = e + 1;
  }
  if (path.size() > 1 && path.back() == '/' && !out.empty() && out.back() != '/')
    out.push_back('/');
  return out;
}

// save_folder as written, then the safe path below it without its leading "/".
std::string JoinBelow(std::string_view save_folder, std::string_view safe) {
  if (save_folder.empty()) return std::string(safe);
  std::string out(save_folder);
  std::size_t skip = 0;
  while (skip < safe.size() && safe[skip] == '/') ++skip;
  if (!out.empty() && out.back() != '/' && skip < safe.size()) out.push_back('/');
  out.append(safe.substr(skip));
  return out;
}

std::string ForceFolder(std::string_view save_folder, std::string_view below) {
  if (Trim(save_folder).empty() && Trim(below).empty()) return {};
  if (save_folder.size() + below.size() > kMaxFolderBytes) return {};
  const std::string safe = ReplaceAllExact(UrlToSafePath(below), "+", "_");
  if (safe.empty() && save_folder.empty()) return {};
  // The save folder is the user's: only what was made from a URL is checked.
  if (!IsPathFitForFileSystem(safe)) return {};
  std::string f = JoinBelow(save_folder, safe);
  std::error_code ec;
  const std::filesystem::path p = FsPath(f);
  std::filesystem::create_directories(p, ec);
  if (!std::filesystem::is_directory(p, ec)) return {};
  return f;
}

}  // namespace

std::string UrlEncodeBytes(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b >= 0x80) {
      PutPercent(out, b);
      // An ASCII byte right after is the second byte of the same character.
      // A NUL is not: the result never holds "%00".
      if (i + 1 < n) {
        const auto next = static_cast<unsigned char>(text[i + 1]);
        if (next < 0x80 && next != 0) {
          PutPercent(out, next);
          ++i;
        }
      }
    } else if (b == ' ') {
      out.push_back('+');
    } else {
      out.push_back(static_cast<char>(b));
    }
  }
  return out;
}

std::string UrlDecodeBytes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    char c = text[i];
    if (c == '%' && i + 2 < n) {
      c = static_cast<char>(HexDigit(static_cast<unsigned char>(text[i + 1])) << 4 |
                            HexDigit(static_cast<unsigned char>(text[i + 2])));
      i += 3;
    } else {
      ++i;
    }
    out.push_back(c == '+' ? ' ' : c);
  }
  return out;
}

std::string Base64Encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  for (; i + 3 <= n; i += 3) {
    const unsigned v = s[i] << 16 | s[i + 1] << 8 | s[i + 2];
    out.push_back(kBase64[v >> 18]);
    out.push_back(kBase64[v >> 12 & 63]);
    out.push_back(kBase64[v >> 6 & 63]);
    out.push_back(kBase64[v & 63]);
  }
  if (n - i == 1) {
    const unsigned v = s[i] << 16;
    out.push_back(kBase64[v >> 18]);
    out.push_back(kBase64[v >> 12 & 63]);
    out.append("==");
  } else if (n - i == 2) {
    const unsigned v = s[i] << 16 | s[i + 1] << 8;
    out.push_back(kBase64[v >> 18]);
    out.push_back(kBase64[v >> 12 & 63]);
    out.push_back(kBase64[v >> 6 & 63]);
    out.push_back('=');
  }
  return out;
}

std::string Base64Decode(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 4 * 3);
  for (std::size_t i = 0; i + 4 <= text.size(); i += 4) {
    unsigned v = 0;
    for (std::size_t j = 0; j < 4; ++j) {
      v = v << 6 | (kBase64Values[static_cast<unsigned char>(text[i + j])] & 63);
    }
    out.push_back(static_cast<char>(v >> 16));
    // Padding decodes to zero bytes, which are left out.
    if (const char b = static_cast<char>(v >> 8 & 0xFF)) out.push_back(b);
    if (const char b = static_cast<char>(v & 0xFF)) out.push_back(b);
  }
  return out;
}

std::string DecodeUrlForPath(std::string_view url, int code) {
  switch (code) {
    case kUrlDecodeUtf8:
      return Utf8Decoded(url);
    case kUrlDecodeEuc:
      return Replace(EucToShiftJIS(UrlDecodeBytes(url)), "\n", "\r\n");
    // The same reading as the web code tab's "Web16進ｺｰﾄﾞ": Shift_JIS bytes.
    case kUrlDecodeSjis:
      return UrlDecodeBytes(url);
    case kUrlDecodeUtf8Unescaped:
      return Utf8Decoded(Replace(url, "%25", "%"));
    case kUrlDecodeBase64:
      return Base64Decode(url);
    default:
      return std::string(url);
  }
}

std::string DecodeUtf8Url(std::string_view url) {
  if (!ContainsAtBoundary(url, "%")) return {};
  std::string s = Utf8Decoded(url);
  if (ContainsAtBoundary(s, "%")) s = Utf8Decoded(Replace(s, "%25", "%"));  // encoded twice
  if (ContainsAtBoundary(s, "%")) return {};
  return s;
}

std::string UrlToSafePath(std::string_view text) {
  std::string s(text);
  // An address inside a query is flattened into one name.
  if (const std::size_t at = FindAtBoundary(s, "=http"); at != npos) {
    s = s.substr(0, at) + ReplaceAllExact(std::string_view(s).substr(at), "/", "~");
  }
  for (const auto& [old_text, new_text] : kSafePathRules) s = Replace(s, old_text, new_text);
  for (char& c : s) {
    if (c == '\0') c = '_';
  }
  return JoinSafeParts(s);
}

std::string UrlToSafePath(std::string_view save_folder, std::string_view text) {
  return JoinBelow(save_folder, UrlToSafePath(text));
}

bool IsPathFitForFileSystem(std::string_view sjis_path) {
  const std::string on_disk = ShiftJISToUtf8(sjis_path);
  std::size_t i = 0;
  while (i <= on_disk.size()) {
    std::size_t e = on_disk.find('/', i);
    if (e == npos) e = on_disk.size();
    const std::string_view part = std::string_view(on_disk).substr(i, e - i);
    if (part == "." || part == ".." || part.size() > kMaxNameBytes || part.find('\0') != npos) {
      return false;
    }
    i = e + 1;
  }
  return true;
}

std::string ForceFolderForPath(std::string_view folder) { return ForceFolder({}, folder); }

std::string ForceFolderForPath(std::string_view save_folder, std::string_view below) {
  return ForceFolder(save_folder, below);
}

std::string DecodeSearchRedirect(std::string_view url) {
  // A later pattern that is found wins.
  std::size_t p = npos;
  for (std::string_view pattern : {"**http%3A", "**https%3A", "**https%3aA"}) {
    if (const std::size_t at = FindAtBoundary(url, pattern); at != npos) p = at;
  }
  if (p != npos) return UnescapeRedirect(std::string(url.substr(p + 2)));

  if (const std::size_t q = FindAtBoundary(url, "=http%3A"); q != npos) {
    const std::string s = UnescapeRedirect(std::string(url.substr(q == 0 ? 0 : q - 1)));
    std::string target = Between(s, "=", "ei=");
    if (!target.empty() && target.back() == '&') target.pop_back();
    return target;
  }

  std::string s;
  if (const std::size_t at = FindAtBoundary(url, "**http:"); at != npos) {
    s = "http:" + std::string(url.substr(at + 7));
  } else if (const std::size_t at9 = FindAtBoundary(url, "**http%3a"); at9 != npos) {
    s = "http:" + std::string(url.substr(at9 + 9));
  } else if (StartsWith(url, kGoogleJapanAddress, "/url?q=")) {
    s = Between(url, "?q=", "&sa=");
  } else if (StartsWith(url, kGoogleJapanAddress, "/url?sa=")) {
    s = Replace(Replace(Between(url, "&url=", "&ei="), "%3A", ":"), "%2F", "/");
  } else {
    s = std::string(url);
  }
  if (ContainsAtBoundary(s, kWikipediaDomain)) s = Replace(s, "%25", "%");
  return s;
}

bool IsPageLink(std::string_view url) {
  const std::string lowered = LowerAscii(url);
  for (std::string_view mark :
       {".pdf", ".xls", ".doc", ".zip", ".lzh", "mailto:", ".nfs", "related"}) {
    if (ContainsAtBoundary(lowered, mark)) return false;
  }
  return true;
}

bool IsUrlStatusText(std::string_view text) {
  if (text.empty()) return false;
  for (const std::string* mark : {&SJ<"ページ">(), &SJ<"ダウン">(), &SJ<"　">(), &SJ<"画像">(),
                                  &SJ<"内容">(), &SJ<"選択">()}) {
    if (ContainsAtBoundary(text, *mark)) return false;
  }
  return !ContainsAtBoundary(text, " ");
}

}  // namespace kaplo
