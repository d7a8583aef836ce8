#include "archive/inline_page.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <optional>
#include <set>
#include <system_error>
#include <vector>

#include "archive/inline_sinks.h"
#include "engine/references.h"
#include "engine/resource_map.h"
#include "text/convert.h"
#include "text/fsname.h"
#include "text/sjis.h"
#include "text/web_escape.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

// Frames in frames, imports in imports: deeper ones keep their reference.
constexpr int kMaxDepth = 8;

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::size_t FindNoCase(std::string_view text, std::string_view what, std::size_t from) {
  const std::string lower = LowerAscii(text.substr(std::min(from, text.size())));
  const std::size_t at = lower.find(what);
  return at == std::string::npos ? at : at + from;
}

// Where the tag around position at begins ('<') and ends (after '>').
struct Span {
  std::size_t begin = 0, end = 0;
};
Span TagAround(std::string_view text, std::size_t at) {
  Span s;
  s.begin = text.rfind('<', at);
  if (s.begin == std::string_view::npos) return {};
  char quote = 0;
  for (std::size_t i = s.begin + 1; i < text.size(); ++i) {
    const char c = text[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      s.end = i + 1;
      return s;
    }
  }
  return {};
}

std::string TagName(std::string_view tag) {
  std::size_t i = 1;
  while (i < tag.size() && (std::isalnum(static_cast<unsigned char>(tag[i])) != 0)) ++i;
  return LowerAscii(tag.substr(1, i - 1));
}

// The whole attribute (name, "=", quoted value) of the value ref.
Span AttributeOf(std::string_view text, const FoundReference& ref) {
  std::size_t b = ref.begin - (ref.quote ? 1 : 0);
  while (b > 0 && (text[b - 1] == ' ' || text[b - 1] == '\t' || text[b - 1] == '\n' ||
                   text[b - 1] == '\r')) {
    --b;
  }
  if (b == 0 || text[b - 1] != '=') return {};
  --b;
  while (b > 0 && (text[b - 1] == ' ' || text[b - 1] == '\t')) --b;
  while (b > 0 && (std::isalnum(static_cast<unsigned char>(text[b - 1])) != 0 ||
                   text[b - 1] == '-')) {
    --b;
  }
  return {b, ref.end + (ref.quote ? 1 : 0)};
}

// An attribute's value in a tag (Shift_JIS, as written), empty when absent.
std::string AttributeValue(std::string_view tag, std::string_view name) {
  const std::string lower = LowerAscii(tag);
  for (std::size_t at = lower.find(name); at != std::string::npos; at = lower.find(name, at + 1)) {
    const char before = lower[at - 1];
    if (before != ' ' && before != '\t' && before != '\n' && before != '\r') continue;
    std::size_t i = at + name.size();
    while (i < lower.size() && lower[i] == ' ') ++i;
    if (i >= lower.size() || lower[i] != '=') continue;
    ++i;
    while (i < lower.size() && lower[i] == ' ') ++i;
    const char q = i < tag.size() && (tag[i] == '"' || tag[i] == '\'') ? tag[i] : 0;
    const std::size_t from = i + (q ? 1 : 0);
    const std::size_t to = q ? tag.find(q, from) : tag.find_first_of(" \t\r\n>", from);
    return std::string(tag.substr(from, (to == std::string_view::npos ? tag.size() : to) - from));
  }
  return {};
}

// An @import rule around ref: the whole rule and the media list after the address.
struct ImportRule {
  Span span;
  std::string media;
};
ImportRule ImportAround(std::string_view css, const FoundReference& ref) {
  ImportRule r;
  const std::size_t at = LowerAscii(css.substr(0, ref.begin)).rfind("@import");
  if (at == std::string::npos) return {};
  std::size_t i = ref.end + (ref.quote ? 1 : 0);
  while (i < css.size() && (css[i] == ' ' || css[i] == '\t' || css[i] == '\n')) ++i;
  if (i < css.size() && css[i] == ')') ++i;
  const std::size_t semi = css.find_first_of(";}", i);
  const std::size_t end = semi == std::string_view::npos ? css.size() : semi;
  r.media = std::string(css.substr(i, end - i));
  while (!r.media.empty() && std::isspace(static_cast<unsigned char>(r.media.back()))) {
    r.media.pop_back();
  }
  while (!r.media.empty() && std::isspace(static_cast<unsigned char>(r.media.front()))) {
    r.media.erase(0, 1);
  }
  r.span = {at, semi != std::string_view::npos && css[semi] == ';' ? semi + 1 : end};
  return r;
}

// "</name" inside inline text would close the element early.
std::string EscapeClosing(std::string text, std::string_view name) {
  const std::string needle = "</" + std::string(name);
  std::string lower = LowerAscii(text);
  for (std::size_t at = lower.find(needle); at != std::string::npos;
       at = lower.find(needle, at + 2)) {
    text.insert(at + 1, 1, '\\');
    lower.insert(at + 1, 1, '\\');
  }
  return text;
}

// An address written where a reference was: quotes, blanks and parentheses
// escaped (they would end an unquoted url()); "&" written as "&amp;" in markup.
std::string WrittenAddress(std::string_view url, bool html_attribute) {
  std::string out;
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char c : url) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\'' || c == '(' || c == ')' || c == '\\' || u <= 0x20) {
      out += '%';
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else if (c == '&' && html_attribute) {
      out += "&amp;";
    } else {
      out += c;
    }
  }
  return out;
}

class Inliner {
 public:
  explicit Inliner(const OneFileSources& sources) {
    std::error_code ec;
    root_ = fs::weakly_canonical(FsPath(sources.save_folder), ec);
    for (const auto& [local, url] : sources.failed) {
      failed_[FsPath(local).lexically_normal().string()] = url;
    }
  }

  // The whole page file into out.
  void Top(const fs::path& file, Sink& out) {
    Enter(file.lexically_normal(), 0);
    Page(file, out, 0);
  }

 private:
  void Page(const fs::path& file, Sink& out, int depth);
  struct Target {
    fs::path file;
    std::string fragment;  // "#..." as written
    bool exists = false;
    const std::string* failed_url = nullptr;
  };
  // The local file a reference written in folder names; none for an
  // address of its own, or a file outside the save folder.
  std::optional<Target> Resolve(const fs::path& folder, std::string_view value) const;
  void Css(const std::string& css, const fs::path& folder, Sink& out, int depth, bool in_element);
  // A data: address, the failed resource's address, or the reference as it was.
  void Reference(std::string_view raw, const std::optional<Target>& t, bool html_attribute,
                 Sink& out);
  void Text(std::string_view sjis, Sink& out, std::string_view element = {}) {
    std::string utf8 = MarkedShiftJISToUtf8(sjis);
    out.Write(element.empty() ? utf8 : EscapeClosing(std::move(utf8), element));
  }
  bool Enter(const fs::path& file, int depth) {
    return depth < kMaxDepth && open_.insert(file.string()).second;
  }
  void Leave(const fs::path& file) { open_.erase(file.string()); }

  fs::path root_;
  std::map<std::string, std::string> failed_;
  std::set<std::string> open_;  // files being written out (a frame that holds itself)
};

std::optional<Inliner::Target> Inliner::Resolve(const fs::path& folder,
                                                std::string_view value) const {
  if (value.empty() || value.find("://") != std::string_view::npos || value.starts_with("//") ||
      value.starts_with('/') || value.find(':') < value.find_first_of("/?#")) {
    return std::nullopt;
  }
  Target t;
  const std::size_t hash = value.find('#');
  if (hash != std::string_view::npos) t.fragment = std::string(value.substr(hash));
  // Read back as the job wrote it.
  t.file = (folder / FsPath(ReadReference(value))).lexically_normal();
  std::error_code ec;
  const fs::path real = fs::weakly_canonical(t.file, ec);
  // A page read from disk names no file outside the save folder.
  const auto [root_end, ignored] = std::mismatch(root_.begin(), root_.end(), real.begin(), real.end());
  if (ec || root_end != root_.end()) return std::nullopt;
  t.exists = fs::is_regular_file(real, ec);
  if (auto it = failed_.find(t.file.string()); it != failed_.end()) t.failed_url = &it->second;
  return t;
}

void Inliner::Reference(std::string_view raw, const std::optional<Target>& t, bool html_attribute,
                        Sink& out) {
  if (t && t->exists) {
    std::ifstream in(t->file, std::ios::binary);
    std::string chunk(3 * 16384, '\0');
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    chunk.resize(static_cast<std::size_t>(in.gcount()));
    out.Write("data:" + ContentTypeOf(t->file.string(), chunk) + ";base64,");
    Base64Sink b64(out);
    while (!chunk.empty()) {
      b64.Write(chunk);
      chunk.assign(3 * 16384, '\0');
      in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
      chunk.resize(static_cast<std::size_t>(in.gcount()));
    }
    b64.Finish();
    out.Write(WrittenAddress(t->fragment, html_attribute));
  } else if (t && t->failed_url) {
    out.Write(WrittenAddress(*t->failed_url + t->fragment, html_attribute));
  } else {
    Text(raw, out);
  }
}

void Inliner::Css(const std::string& css, const fs::path& folder, Sink& out, int depth,
                  bool in_element) {
  const std::string_view element = in_element ? "style" : "";
  std::size_t pos = 0;
  for (const FoundReference& ref : ScanStylesheet(css)) {
    if (ref.begin < pos) continue;
    const std::optional<Target> t = Resolve(folder, ref.value);
    if (ref.role == RefRole::kStylesheet && t && t->exists) {
      const ImportRule rule = ImportAround(css, ref);
      if (rule.span.end > rule.span.begin && rule.span.begin >= pos && Enter(t->file, depth)) {
        Text(std::string_view(css).substr(pos, rule.span.begin - pos), out, element);
        if (!rule.media.empty()) Text("@media " + rule.media + " {\n", out, element);
        Css(ReadWhole(t->file), t->file.parent_path(), out, depth + 1, in_element);
        if (!rule.media.empty()) out.Write("\n}");
        Leave(t->file);
        pos = rule.span.end;
        continue;
      }
    }
    Text(std::string_view(css).substr(pos, ref.begin - pos), out, element);
    Reference(std::string_view(css).substr(ref.begin, ref.end - ref.begin), t, false, out);
    pos = ref.end;
  }
  Text(std::string_view(css).substr(pos), out, element);
}

void Inliner::Page(const fs::path& file, Sink& out, int depth) {
  // A page kept in its own code is read as the job held it.
  const std::string text = SavedPageToShiftJIS(ReadWhole(file));
  const PageScan scan = ScanPage(text);
  const fs::path folder = file.parent_path();
  // The charset names and the references, in text order.
  struct Step {
    std::size_t begin, end;
    const FoundReference* ref;
  };
  std::vector<Step> steps;
  for (const CharsetDeclaration& c : scan.charsets) steps.push_back({c.begin, c.end, nullptr});
  for (const FoundReference& r : scan.references) steps.push_back({r.begin, r.end, &r});
  std::stable_sort(steps.begin(), steps.end(),
                   [](const Step& a, const Step& b) { return a.begin < b.begin; });
  std::size_t pos = 0;
  if (scan.charsets.empty()) {
    std::size_t at = scan.has_head ? scan.head_content_begin : 0;
    if (!scan.has_head) {
      // After a doctype: before it the page would be laid out in quirks mode.
      const std::size_t doctype = FindNoCase(text, "<!doctype", 0);
      if (doctype != std::string::npos) at = text.find('>', doctype) + 1;
      if (at == 0 || at > text.size()) at = 0;
    }
    Text(std::string_view(text).substr(0, at), out);
    out.Write("<meta charset=\"utf-8\">");
    pos = at;
  }
  const std::string_view all(text);
  for (const Step& step : steps) {
    if (step.begin < pos) continue;
    if (!step.ref) {
      Text(all.substr(pos, step.begin - pos), out);
      out.Write("utf-8");
      pos = step.end;
      continue;
    }
    const FoundReference& ref = *step.ref;
    const std::optional<Target> t = Resolve(folder, ref.value);
    const bool here = t && t->exists;
    if (ref.in_script) {
      // Markup in a script's string: only its address becomes the file's data.
      Text(all.substr(pos, ref.begin - pos), out);
      Reference(all.substr(ref.begin, ref.end - ref.begin), t, true, out);
      pos = ref.end;
      continue;
    }
    const Span tag = ref.in_css ? Span{} : TagAround(all, ref.begin);
    const std::string name = tag.end ? TagName(all.substr(tag.begin)) : std::string();
    const std::string_view tag_text = all.substr(tag.begin, tag.end - tag.begin);
    if (here && ref.role == RefRole::kStylesheet && name == "link" &&
        LowerAscii(AttributeValue(tag_text, "rel")).find("stylesheet") != std::string::npos &&
        tag.begin >= pos && Enter(t->file, depth)) {
      Text(all.substr(pos, tag.begin - pos), out);
      const std::string media = AttributeValue(tag_text, "media");
      out.Write(media.empty() ? std::string("<style>")
                              : "<style media=\"" + ShiftJISToUtf8(media) + "\">");
      Css(ReadWhole(t->file), t->file.parent_path(), out, depth + 1, true);
      out.Write("</style>");
      Leave(t->file);
      pos = tag.end;
      continue;
    }
    if (here && ref.role == RefRole::kStylesheet && ref.in_css) {
      const ImportRule rule = ImportAround(all, ref);
      if (rule.span.end > rule.span.begin && rule.span.begin >= pos && Enter(t->file, depth)) {
        Text(all.substr(pos, rule.span.begin - pos), out);
        if (!rule.media.empty()) Text("@media " + rule.media + " {\n", out);
        Css(ReadWhole(t->file), t->file.parent_path(), out, depth + 1, true);
        if (!rule.media.empty()) out.Write("\n}");
        Leave(t->file);
        pos = rule.span.end;
        continue;
      }
    }
    const Span attr = tag.end ? AttributeOf(all, ref) : Span{};
    if (here && ref.role == RefRole::kScript && name == "script" && attr.end > attr.begin &&
        attr.begin >= pos) {
      // The script's own text in place of its address; what the element
      // held is ignored by browsers while src is there, and goes.
      std::string_view before = all.substr(pos, attr.begin - pos);
      while (before.ends_with(' ')) before.remove_suffix(1);
      Text(before, out);
      Text(all.substr(attr.end, tag.end - attr.end), out);
      Text(ReadWhole(t->file), out, "script");
      const std::size_t close = FindNoCase(all, "</script", tag.end);
      pos = close == std::string::npos ? tag.end : close;
      continue;
    }
    if (here && ref.role == RefRole::kFrame && attr.end > attr.begin && attr.begin >= pos &&
        Enter(t->file, depth)) {
      Text(all.substr(pos, attr.begin - pos), out);
      if (name == "iframe") {
        out.Write("srcdoc=\"");
        AttributeSink escaped(out);
        Page(t->file, escaped, depth + 1);
      } else {
        // A <frame> has no srcdoc: the page goes in as a data: address.
        out.Write("src=\"data:text/html;charset=utf-8;base64,");
        Base64Sink b64(out);
        Page(t->file, b64, depth + 1);
        b64.Finish();
      }
      out.Write("\"");
      Leave(t->file);
      pos = attr.end;
      continue;
    }
    Text(all.substr(pos, ref.begin - pos), out);
    if (ref.role == RefRole::kFrame || ref.role == RefRole::kLink) {
      Text(all.substr(ref.begin, ref.end - ref.begin), out);
    } else {
      Reference(all.substr(ref.begin, ref.end - ref.begin), t, ref.in_attribute, out);
    }
    pos = ref.end;
  }
  Text(all.substr(pos), out);
}

}  // namespace

bool WriteOneFilePage(std::string_view page_file, const OneFileSources& sources,
                      const std::filesystem::path& out, std::string* error) {
  const fs::path page = FsPath(page_file);
  std::error_code ec;
  if (!fs::is_regular_file(page, ec)) {
    if (error) *error = "no saved page at " + page.string();
    return false;
  }
  fs::path part = out;
  part += ".part";
  {
    FileSink file(part);
    if (!file.Open()) {
      if (error) *error = "cannot write " + part.string() + ": " + file.Error();
      return false;
    }
    Inliner(sources).Top(page, file);
    if (!file.Close()) {
      if (error) *error = "cannot write " + part.string() + ": " + file.Error();
      fs::remove(part, ec);
      return false;
    }
  }
  fs::rename(part, out, ec);
  if (ec) {
    if (error) *error = "cannot name " + out.string() + ": " + ec.message();
    fs::remove(part, ec);
    return false;
  }
  return true;
}

}  // namespace kaplo
