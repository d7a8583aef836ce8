#include "engine/url.h"

#include <curl/curl.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "engine/local_path.h"
#include "text/charset.h"
#include "text/fsname.h"
#include "text/sjis.h"
#include "text/strutil.h"

namespace kaplo {
namespace {

constexpr auto npos = std::string_view::npos;

std::string ReplaceFirst(std::string_view text, std::string_view old_text,
                         std::string_view new_text) {
  return ReplaceFirstExact(text, old_text, new_text);
}

std::string ReplaceAll(std::string_view text, std::string_view old_text,
                       std::string_view new_text) {
  return ReplaceAllExact(text, old_text, new_text);
}

bool Has(std::string_view text, std::string_view sub) { return ContainsAtBoundary(text, sub); }

// The host prefixes removed in turn, each once, from the longest forms down.
const std::vector<std::string>& WwwPrefixes() {
  static const std::vector<std::string> prefixes = [] {
    std::vector<std::string> p;
    p.push_back("https://wwwz.");
    for (int i = 19; i >= 1; --i) p.push_back("https://www" + std::to_string(i) + ".");
    for (int i = 9; i >= 1; --i) p.push_back("https://www" + std::to_string(i) + "b.");
    for (int i = 9; i >= 1; --i) p.push_back("https://www" + std::to_string(i) + "a.");
    p.push_back("https://www.");
    p.push_back("https://");
    p.push_back("http://wwwz.");
    for (int i = 19; i >= 1; --i) p.push_back("http://www" + std::to_string(i) + ".");
    p.push_back("http://www.");
    p.push_back("http://");
    return p;
  }();
  return prefixes;
}

// Text after the first "/" of s, or all of s when it has none.
std::string_view AfterFirstSlash(std::string_view s) {
  const std::size_t slash = FindAtBoundary(s, "/");
  return slash == npos ? s : s.substr(slash + 1);
}

std::string_view AfterLastSlash(std::string_view s) {
  const std::size_t slash = s.rfind('/');
  return slash == npos ? s : s.substr(slash + 1);
}

struct CurlUrlDeleter {
  void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

std::string CurlResolve(const std::string& base, const std::string& ref) {
  std::unique_ptr<CURLU, CurlUrlDeleter> u(curl_url());
  if (!u) return ref;
  const unsigned flags = CURLU_NON_SUPPORT_SCHEME | CURLU_ALLOW_SPACE;
  CURLUcode rc = curl_url_set(u.get(), CURLUPART_URL, base.c_str(), flags);
  if (rc == CURLUE_OK) rc = curl_url_set(u.get(), CURLUPART_URL, ref.c_str(), flags);
  if (rc != CURLUE_OK) {
    // An unusable base: the reference may still be absolute on its own.
    u.reset(curl_url());
    if (!u || curl_url_set(u.get(), CURLUPART_URL, ref.c_str(), flags) != CURLUE_OK) return ref;
  }
  char* out = nullptr;
  if (curl_url_get(u.get(), CURLUPART_URL, &out, 0) != CURLUE_OK || !out) return ref;
  std::string result(out);
  curl_free(out);
  return result;
}

// Bytes a request address never carries as they are.
bool NeedsEscape(unsigned char c) {
  return c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '`' || c == '{' ||
         c == '}';
}

std::string PercentEncode(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size());
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (NeedsEscape(c)) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

void AppendUtf8(unsigned long code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Numeric character references ("&#x1F600;") read into UTF-8: characters
// Shift_JIS lacks reach an address this way.
std::string ReadCharRefsUtf8(std::string_view text) {
  if (text.find("&#") == npos) return std::string(text);
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "&#") == 0) {
      const bool hex = i + 2 < text.size() && (text[i + 2] == 'x' || text[i + 2] == 'X');
      std::size_t j = i + (hex ? 3 : 2);
      unsigned long code = 0;
      const std::size_t first = j;
      while (j < text.size() && code <= 0x10FFFF &&
             (hex ? std::isxdigit(static_cast<unsigned char>(text[j]))
                  : std::isdigit(static_cast<unsigned char>(text[j])))) {
        const char d = text[j];
        code = code * (hex ? 16 : 10) +
               static_cast<unsigned long>(d <= '9' ? d - '0' : (d | 0x20) - 'a' + 10);
        ++j;
      }
      if (j > first && j < text.size() && text[j] == ';' && code > 0 && code <= 0x10FFFF &&
          (code < 0xD800 || code > 0xDFFF)) {
        AppendUtf8(code, out);
        i = j;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

// The query's characters in the code of the text that wrote them.
std::string QueryBytes(std::string_view sjis, int code) {
  switch (code) {
    case kCharsetShiftJis: return std::string(sjis);
    case kCharsetEucJp: return ShiftJISToEuc(sjis);
    case kCharsetIso2022Jp: return ShiftJISToJis(sjis);
    default: return ReadCharRefsUtf8(ShiftJISToUtf8(sjis));
  }
}

// The parts of an absolute address.
struct UrlParts {
  std::string_view scheme, authority, path, query;  // query without "?"
  bool has_query = false;
};

bool ParseAbsolute(std::string_view url, UrlParts& p) {
  const std::size_t colon = url.find(':');
  if (colon == npos || colon == 0 || !std::isalpha(static_cast<unsigned char>(url[0]))) return false;
  for (std::size_t i = 1; i < colon; ++i) {
    const char c = url[i];
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') {
      return false;
    }
  }
  p.scheme = url.substr(0, colon);
  std::string_view rest = url.substr(colon + 1);
  if (const std::size_t hash = rest.find('#'); hash != npos) rest = rest.substr(0, hash);
  if (rest.starts_with("//")) {
    const std::size_t end = std::min(rest.find_first_of("/?", 2), rest.size());
    p.authority = rest.substr(2, end - 2);
    rest = rest.substr(end);
  }
  const std::size_t q = rest.find('?');
  p.path = rest.substr(0, q);
  p.has_query = q != npos;
  if (p.has_query) p.query = rest.substr(q + 1);
  return true;
}

// RFC 3986's removal of "." and ".." segments.
std::string RemoveDots(std::string_view path) {
  std::vector<std::string_view> out;
  std::size_t at = 0;
  const bool absolute = path.starts_with('/');
  if (absolute) at = 1;
  bool trailing = false;
  while (at <= path.size()) {
    const std::size_t end = std::min(path.find('/', at), path.size());
    const std::string_view seg = path.substr(at, end - at);
    const bool last = end == path.size();
    if (seg == ".") {
      trailing = last;
    } else if (seg == "..") {
      if (!out.empty()) out.pop_back();
      trailing = last;
    } else {
      out.push_back(seg);
      trailing = false;
    }
    at = end + 1;
  }
  std::string result = absolute ? "/" : "";
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (i) result += '/';
    result += out[i];
  }
  if (trailing && !result.ends_with('/')) result += '/';
  return result;
}

bool IsSpecial(std::string_view scheme) {
  const std::string s = LowerAscii(scheme);
  return s == "http" || s == "https";
}

// "host:port" lower case, the default port of the scheme dropped.
std::string NormalAuthority(std::string_view scheme, std::string_view authority) {
  if (const std::size_t at = authority.rfind('@'); at != npos) authority.remove_prefix(at + 1);
  std::string a = LowerAscii(authority);
  const std::string s = LowerAscii(scheme);
  if ((s == "http" && a.ends_with(":80")) || (s == "https" && a.ends_with(":443"))) {
    a.resize(a.rfind(':'));
  }
  if (a.ends_with(':')) a.pop_back();
  return a;
}

std::string Compose(std::string_view scheme, std::string_view authority, std::string_view path,
                    bool has_query, std::string_view query) {
  std::string out = LowerAscii(scheme);
  out += "://";
  out += NormalAuthority(scheme, authority);
  out += path.empty() ? std::string_view("/") : path;
  if (has_query) {
    out += '?';
    out += query;
  }
  return out;
}

}  // namespace

std::string ResolveUrl(std::string_view base, std::string_view ref) {
  UrlParts r;
  const bool ref_absolute = ParseAbsolute(ref, r);
  UrlParts b;
  if (!ParseAbsolute(base, b) || !IsSpecial(b.scheme)) {
    if (ref_absolute && IsSpecial(r.scheme)) {
      return Compose(r.scheme, r.authority, RemoveDots(r.path), r.has_query, r.query);
    }
    return CurlResolve(std::string(base), std::string(ref));
  }
  if (ref_absolute) {
    if (!IsSpecial(r.scheme)) return std::string(ref.substr(0, ref.find('#')));
    // "http:x" on an http page is relative, as browsers read it.
    if (!ref.substr(r.scheme.size() + 1).starts_with("//") &&
        LowerAscii(r.scheme) == LowerAscii(b.scheme)) {
      ref.remove_prefix(r.scheme.size() + 1);
    } else {
      return Compose(r.scheme, r.authority, RemoveDots(r.path), r.has_query, r.query);
    }
  }
  if (const std::size_t hash = ref.find('#'); hash != npos) ref = ref.substr(0, hash);
  if (ref.starts_with("//")) {
    UrlParts n;
    const std::string full = std::string(b.scheme) + ":" + std::string(ref);
    ParseAbsolute(full, n);
    return Compose(b.scheme, n.authority, RemoveDots(n.path), n.has_query, n.query);
  }
  const std::size_t q = ref.find('?');
  const std::string_view path = ref.substr(0, q);
  const bool has_query = q != npos;
  const std::string_view query = has_query ? ref.substr(q + 1) : std::string_view();
  if (path.empty()) {
    return Compose(b.scheme, b.authority, b.path, has_query || b.has_query,
                   has_query ? query : b.query);
  }
  if (path.starts_with('/')) return Compose(b.scheme, b.authority, RemoveDots(path), has_query, query);
  std::string merged(b.path.empty() ? "/" : b.path.substr(0, b.path.rfind('/') + 1));
  merged += path;
  return Compose(b.scheme, b.authority, RemoveDots(merged), has_query, query);
}

std::string_view FragmentOf(std::string_view reference) {
  // "&#...;" is a character, not a fragment.
  for (std::size_t hash = FindAtBoundary(reference, "#"); hash != npos;
       hash = FindAtBoundary(reference, "#", hash + 1)) {
    if (hash == 0 || reference[hash - 1] != '&') return reference.substr(hash);
  }
  return {};
}

std::string RequestUrl(std::string_view base, std::string_view reference, int query_code) {
  std::string ref;
  for (const char c : Trim(reference)) {
    if (c != '\t' && c != '\r' && c != '\n') ref += c;
  }
  // Characters Shift_JIS lacks come as references: read them first, so their
  // "#" starts no fragment.
  std::string utf8 = ReadCharRefsUtf8(ShiftJISToUtf8(ref));
  if (const std::size_t hash = utf8.find('#'); hash != npos) utf8.resize(hash);
  const std::size_t question = utf8.find('?');
  std::string path = utf8.substr(0, question);
  // Browsers read a backslash of a web address as a slash.
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  std::string wire = PercentEncode(path);
  if (question != npos && question + 1 < utf8.size()) {
    const std::string query = utf8.substr(question + 1);
    wire += '?';
    wire += PercentEncode(query_code == kCharsetUtf8 || query_code == kCharsetUtf8N ||
                                  query_code == kCharsetAuto
                              ? query
                              : QueryBytes(Utf8ToShiftJIS(query), query_code));
  }
  std::string result = wire.empty() ? std::string(base) : ResolveUrl(base, wire);
  if (const std::size_t hash = result.find('#'); hash != npos) result.resize(hash);
  if (result.ends_with('?')) result.pop_back();
  if (!IsHttpUrl(result) || result.find_first_of(" \t\r\n") != npos) return {};
  return result;
}

std::string WireUrl(std::string_view url) { return RequestUrl({}, url, kCharsetUtf8); }

std::string HostPortOf(std::string_view url) {
  UrlParts p;
  if (!ParseAbsolute(url, p) || p.authority.empty()) return {};
  std::string a = NormalAuthority(p.scheme, p.authority);
  if (a.find(':') == npos) a += LowerAscii(p.scheme) == "https" ? ":443" : ":80";
  return a;
}

std::string StripSchemeAndWww(std::string_view url) {
  std::string s(url);
  for (const std::string& prefix : WwwPrefixes()) s = ReplaceFirst(s, prefix, "");
  return s;
}

std::string UrlRoot(std::string_view url) {
  if (!Has(url, "//")) return std::string(url);
  const std::string t = ReplaceFirst(url, "//", "|");
  const std::size_t slash = FindAtBoundary(t, "/");
  if (slash == npos) return std::string(url) + "/";
  return ReplaceAll(std::string_view(t).substr(0, slash + 1), "|", "//");
}

std::string UrlDirectory(std::string_view url) {
  if (!Has(url, "//")) return {};
  std::string t = ReplaceFirst(url, "//", "|");
  const std::size_t slash = t.rfind('/');
  if (slash != npos) t.resize(slash);
  if (t.empty() || t.back() != '/') t += '/';
  return ReplaceAll(t, "|", "//");
}

std::string UrlDirPath(std::string_view url) {
  if (!Has(url, "//")) return std::string(url);
  std::string s = StripSchemeAndWww(url);
  const std::size_t last = s.rfind('/');
  if (last == npos) {
    s = std::string(url) + "/";
  } else {
    s.resize(last);
  }
  const std::size_t first = FindAtBoundary(s, "/");
  if (first == npos || first + 1 == s.size()) return {};
  return s.substr(first + 1);
}

std::string UrlPathAfterHost(std::string_view url) {
  if (!Has(url, "//")) return std::string(url);
  const std::string t = ReplaceFirst(StripSchemeAndWww(url), "//", "|");
  return ReplaceAll(AfterFirstSlash(t), "|", "//");
}

std::string UrlFileName(std::string_view url) {
  if (!Has(url, "//")) return std::string(url);
  const std::string t = ReplaceFirst(StripSchemeAndWww(url), "//", "|");
  return ReplaceAll(AfterLastSlash(t), "|", "//");
}

std::string UrlDepthPrefix(std::string_view url, std::string_view dummy_dir) {
  if (!Has(url, "//")) return std::string(url);
  std::string t = ReplaceFirst(url, "//", "|");
  const std::size_t slash = FindAtBoundary(t, "/");
  if (slash == npos) return {};
  const std::string_view rest = std::string_view(t).substr(slash + 1);
  if (!rest.empty() && rest.find('/') == npos) return {};  // a file straight below the host
  if (!dummy_dir.empty()) t = ReplaceFirst(std::string(dummy_dir) + "/" + t, "//", "/");
  std::size_t count = 0;
  for (std::size_t i = 0; i + 1 < t.size(); ++i) count += t[i] == '/';
  if (t.back() != '/' && count >= 2) --count;
  std::string prefix;
  for (std::size_t i = 0; i < count; ++i) prefix += "../";
  return prefix;
}

std::string ReplaceUrlRoot(std::string_view url, std::string_view prefix) {
  return ReplaceFirst(url, UrlRoot(url), prefix);
}

std::string CombineUrl(std::string_view base, std::string_view ref) {
  // A reference that carries an absolute address after some prefix (a
  // redirect parameter) resolves to that address.
  const std::size_t http = FindAtBoundary(ref, "http");
  if (http != npos && http >= 1) return std::string(ref.substr(http));
  std::string r = Replace(ref, "\\/", "/");
  r = Replace(r, "@.css", "");
  std::string result = CurlResolve(std::string(base), r);
  if (const std::size_t nul = result.find('\0'); nul != npos) result.resize(nul);
  return result;
}

bool IsHttpUrl(std::string_view text) {
  const std::string_view t = Trim(text);
  return t.starts_with("http://") || t.starts_with("https://");
}

bool IsPageUrl(std::string_view url) {
  const std::string u = LowerAscii(url);
  if (!u.empty() && u.back() == '/') return true;
  const std::size_t ss = FindAtBoundary(u, "//");
  if (ss == npos) return false;
  std::string rest = u.substr(ss + 2);
  if (rest.empty()) return true;
  if (const std::size_t slash = FindAtBoundary(rest, "/"); slash != npos) {
    rest = ReplaceAll(std::string_view(rest).substr(slash + 1), "/", "\\");
    if (FileExtension(rest).empty()) return false;
  }
  return Has(rest, ".htm") || Has(rest, ".php") || Has(rest, "http://") || Has(rest, "https://");
}

int ClassifyResource(std::string_view ref) {
  const std::string r = LowerAscii(ref);
  if (Has(r, " ")) return kOtherResource;
  if (Has(r, ".htm") || Has(r, "mailto:") || Has(r, "type=")) return kOtherResource;
  for (std::string_view ext : {".gif", ".jpg", ".jpeg", ".png", ".ico"}) {
    if (Has(r, ext)) return kImageResource;
  }
  for (std::string_view p :
       {".css", ".js", ".kss", ".rdf", ".xml", ".txt", ".rss", ".htc", ".php", "?", "=", "&"}) {
    if (Has(r, p)) return kTextResource;
  }
  return kOtherResource;
}

void ExtractHostNames(std::string_view text, std::vector<std::string>& list) {
  std::size_t at = FindAtBoundary(text, "http://");
  if (at == npos) return;
  list.clear();
  while (at != npos) {
    const std::size_t host = at + 7;
    const std::size_t slash = FindAtBoundary(text, "/", host);
    // A last address without a "/" after its host ends the list; looking
    // for a "/" that never comes would loop forever.
    if (slash == npos) return;
    std::string name;
    for (char c : text.substr(host, slash - host)) {
      if (c != '\r' && c != '\n') name.push_back(c);
    }
    list.push_back(std::move(name));
    text.remove_prefix(slash + 1);
    at = FindAtBoundary(text, "http://");
  }
}

std::string LoadTextFile(std::string_view file_name) {
  if (file_name.empty()) return {};
  std::ifstream in(FsPath(file_name), std::ios::binary);
  if (!in) return {};
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  bytes = Replace(bytes, "\r\r", "\n");
  bytes = Replace(bytes, "\r\n", "\n");
  bytes = Replace(bytes, "\r", "\n");
  return Replace(bytes, "\n", "\r\n");
}

}  // namespace kaplo
