#include "shell/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "text/convert.h"
#include "text/sjis.h"
#include "text/strutil.h"

namespace kaplo {

namespace fs = std::filesystem;

namespace {

// Settings files are a few kilobytes; anything this large is not one.
constexpr std::size_t kMaxFileBytes = std::size_t{32} << 20;

std::string Lowered(std::string_view name) { return LowerAscii(Trim(name)); }

// The name of a "[name]" line: between the "[" that starts the line and the
// last "]" on it. A "]" that is the second byte of a double-byte character
// does not count.
std::optional<std::string_view> HeaderName(std::string_view line) {
  const std::string_view t = Trim(line);
  if (t.empty() || t[0] != '[') return std::nullopt;
  std::size_t close = std::string_view::npos;
  for (std::size_t i = 1; i < t.size();) {
    const auto b = static_cast<unsigned char>(t[i]);
    if (b == ']') close = i;
    i += (IsSjisLeadByte(b) && i + 1 < t.size()) ? 2 : 1;
  }
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

// "=" never occurs as the second byte of a double-byte character.
struct KeyLine {
  std::string_view key, value;
};
std::optional<KeyLine> SplitKeyLine(std::string_view line) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return KeyLine{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

std::string CutValue(std::string_view value) {
  if (value.size() <= kIniValueLimit) return std::string(value);
  SjisBoundary boundary(value);
  std::size_t n = kIniValueLimit;
  if (!boundary.IsBoundary(n)) --n;
  return std::string(value.substr(0, n));
}

std::string WithoutLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != '\r' && c != '\n' && c != '\0') out.push_back(c);
  }
  return out;
}

bool IsBlank(std::string_view line) { return Trim(line).empty(); }

// Calls add(line) for every line; lines end at "\n" (a "\r" before it is
// dropped), or at "\r" in a file that has no "\n" at all.
template <typename Add>
void SplitLines(std::string_view text, Add add) {
  const char sep = text.find('\n') != std::string_view::npos ? '\n' : '\r';
  while (!text.empty()) {
    const std::size_t end = text.find(sep);
    std::string_view line = text.substr(0, end);
    if (sep == '\n' && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    add(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

}  // namespace

int ParseIniInteger(std::string_view value, int def) {
  if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
    std::uint64_t n = 0;
    for (char c : value.substr(2)) {
      int d;
      if (c >= '0' && c <= '9') {
        d = c - '0';
      } else if (c >= 'a' && c <= 'f') {
        d = c - 'a' + 10;
      } else if (c >= 'A' && c <= 'F') {
        d = c - 'A' + 10;
      } else {
        return def;
      }
      n = n * 16 + static_cast<std::uint64_t>(d);
      if (n > 0xFFFFFFFFu) return def;
    }
    // Eight hex digits cover the whole 32 bits: 0xFFFFFFFF is -1.
    return static_cast<int>(static_cast<std::uint32_t>(n));
  }
  std::size_t i = 0;
  bool negative = false;
  if (!value.empty() && (value[0] == '-' || value[0] == '+')) {
    negative = value[0] == '-';
    i = 1;
  }
  if (i == value.size()) return def;
  std::int64_t n = 0;
  for (; i < value.size(); ++i) {
    const char c = value[i];
    if (c < '0' || c > '9') return def;
    n = n * 10 + (c - '0');
    if (n > std::int64_t{INT32_MAX} + 1) return def;
  }
  if (negative) n = -n;
  if (n > INT32_MAX || n < INT32_MIN) return def;
  return static_cast<int>(n);
}

// ---- parsing and writing text ----

void IniFile::AddLine(std::string_view line, std::optional<std::string> raw) {
  if (const auto name = HeaderName(line)) {
    Section s;
    s.name = LowerAscii(*name);
    s.header = Line{std::string(line), std::move(raw)};
    sections_.push_back(std::move(s));
    return;
  }
  Line l{std::string(line), std::move(raw)};
  if (sections_.empty()) {
    preamble_.push_back(std::move(l));
  } else {
    sections_.back().body.push_back(std::move(l));
  }
}

IniFile IniFile::FromText(std::string_view sjis_text) {
  IniFile ini;
  const std::size_t lf = sjis_text.find('\n');
  ini.crlf_ = lf != std::string_view::npos && lf > 0 && sjis_text[lf - 1] == '\r';
  SplitLines(sjis_text, [&](std::string_view line) { ini.AddLine(line, std::nullopt); });
  return ini;
}

std::optional<IniFile> IniFile::FromBytes(std::string_view bytes) {
  if (bytes.find('\0') != std::string_view::npos) return std::nullopt;
  std::string_view text = bytes;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  // UTF-8 when every line is; the raw line is kept so that characters with
  // no Shift_JIS form survive in lines this program does not change.
  IniFile ini;
  bool utf8 = true;
  SplitLines(text, [&](std::string_view line) {
    if (!utf8) return;
    std::string sjis = Utf8ToShiftJIS(line);
    if (sjis.empty() && !line.empty()) {
      utf8 = false;
      return;
    }
    ini.AddLine(sjis, std::string(line));
  });
  if (utf8) {
    const std::size_t lf = text.find('\n');
    ini.crlf_ = lf != std::string_view::npos && lf > 0 && text[lf - 1] == '\r';
    return ini;
  }
  return FromText(bytes);
}

std::string IniFile::ToBytes() const {
  const std::string_view eol = crlf_ ? "\r\n" : "\n";
  std::string out;
  auto put = [&](const Line& l) {
    out += l.raw ? *l.raw : ShiftJISToUtf8(l.text);
    out += eol;
  };
  for (const Line& l : preamble_) put(l);
  for (const Section& s : sections_) {
    put(s.header);
    for (const Line& l : s.body) put(l);
  }
  return out;
}

// ---- lookup ----

const IniFile::Section* IniFile::FindSection(std::string_view section) const {
  if (!indexed_) {
    first_section_.clear();
    for (std::size_t i = 0; i < sections_.size(); ++i) first_section_.emplace(sections_[i].name, i);
    indexed_ = true;
  }
  const auto it = first_section_.find(Lowered(section));
  return it == first_section_.end() ? nullptr : &sections_[it->second];
}

IniFile::Section* IniFile::FindSection(std::string_view section) {
  return const_cast<Section*>(std::as_const(*this).FindSection(section));
}

std::optional<std::size_t> IniFile::KeyIndex(const Section& s, std::string_view key) const {
  if (!s.indexed) {
    s.keys.clear();
    for (std::size_t i = 0; i < s.body.size(); ++i) {
      if (const auto kv = SplitKeyLine(s.body[i].text)) s.keys.emplace(LowerAscii(kv->key), i);
    }
    s.indexed = true;
  }
  const auto it = s.keys.find(Lowered(key));
  if (it == s.keys.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> IniFile::Find(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  if (!s) return std::nullopt;
  const auto at = KeyIndex(*s, key);
  if (!at) return std::nullopt;
  return std::string(SplitKeyLine(s->body[*at].text)->value);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view def) const {
  const auto v = Find(section, key);
  return v ? CutValue(*v) : std::string(def);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
  const auto v = Find(section, key);
  return v ? ParseIniInteger(CutValue(*v), def) : def;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::HasSection(std::string_view section) const { return FindSection(section) != nullptr; }

// ---- changes ----

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const std::string clean_key = WithoutLineBreaks(Trim(key));
  const std::string clean_value = WithoutLineBreaks(value);
  Section* s = FindSection(section);
  if (!s) {
    std::vector<Line>& last = sections_.empty() ? preamble_ : sections_.back().body;
    if (!last.empty() && !IsBlank(last.back().text)) last.push_back(Line{});
    Section added;
    const std::string name = WithoutLineBreaks(Trim(section));
    added.name = LowerAscii(name);
    added.header.text = "[" + name + "]";
    sections_.push_back(std::move(added));
    if (indexed_) first_section_.emplace(sections_.back().name, sections_.size() - 1);
    s = &sections_.back();
  }
  if (const auto found = KeyIndex(*s, clean_key)) {
    Line& line = s->body[*found];
    const KeyLine kv = *SplitKeyLine(line.text);
    if (kv.value == clean_value) return;  // keeps the line exactly as the user wrote it
    line.text = std::string(kv.key) + "=" + clean_value;
    line.raw.reset();
    return;
  }
  std::size_t at = s->body.size();
  while (at > 0 && IsBlank(s->body[at - 1].text)) --at;
  s->body.insert(s->body.begin() + static_cast<std::ptrdiff_t>(at),
                 Line{clean_key + "=" + clean_value, std::nullopt});
  if (at + 1 == s->body.size() && s->indexed) {
    s->keys.emplace(LowerAscii(clean_key), at);
  } else {
    s->indexed = false;
  }
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::EraseSection(std::string_view section) {
  const std::string name = Lowered(section);
  std::erase_if(sections_, [&](const Section& s) { return s.name == name; });
  indexed_ = false;
}

// ---- the file on disk ----

namespace {

// The file's bytes, at most kMaxFileBytes of them.
IniStatus ReadBytes(const fs::path& path, std::string& out) {
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (st.type() == fs::file_type::not_found) return IniStatus::kMissing;
  if (st.type() != fs::file_type::regular) return IniStatus::kUnreadable;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return errno == ENOENT ? IniStatus::kMissing : IniStatus::kUnreadable;
  out.clear();
  char buf[65536];
  bool ok = true;
  while (true) {
    const std::size_t n = std::fread(buf, 1, sizeof buf, f);
    out.append(buf, n);
    if (out.size() > kMaxFileBytes) {
      ok = false;
      break;
    }
    if (n < sizeof buf) {
      ok = !std::ferror(f);
      break;
    }
  }
  std::fclose(f);
  return ok ? IniStatus::kOk : IniStatus::kUnreadable;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// A temporary file beside the target, renamed over it once complete, so the
// target holds either the old or the new contents, never a part.
bool WriteAtomically(const fs::path& target, std::string_view bytes, mode_t mode) {
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  std::error_code ec;
  fs::create_directories(dir, ec);
  std::string temp = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

}  // namespace

IniRead ReadIniFile(const fs::path& path) {
  IniRead r;
  std::string bytes;
  r.status = ReadBytes(path, bytes);
  if (r.status != IniStatus::kOk) return r;
  if (auto ini = IniFile::FromBytes(bytes)) {
    r.file = std::move(*ini);
  } else {
    r.status = IniStatus::kUnreadable;
  }
  return r;
}

bool UpdateIniFile(const fs::path& path, const std::function<void(IniFile&)>& change) {
  if (path.empty()) return false;
  std::error_code ec;
  fs::path target = fs::canonical(path, ec);
  if (ec) target = path;
  std::string before;
  const IniStatus status = ReadBytes(target, before);
  if (status == IniStatus::kUnreadable) return false;
  const bool exists = status == IniStatus::kOk;
  std::optional<IniFile> ini = exists ? IniFile::FromBytes(before) : IniFile();
  if (!ini) return false;
  mode_t mode = 0600;  // a new file is the user's own
  if (exists) {
    // A read-only settings file stays as it is, as the user marked it.
    struct stat st;
    if (::access(target.c_str(), W_OK) != 0 || ::stat(target.c_str(), &st) != 0) return false;
    mode = st.st_mode & 07777;
  }
  change(*ini);
  const std::string after = ini->ToBytes();
  if (exists ? after == before : after.empty()) return true;  // nothing to write
  return WriteAtomically(target, after, mode);
}

}  // namespace kaplo
