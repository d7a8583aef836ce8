// INI text with the lookup and update rules of Windows profile files, and its
// file on disk.
//
// In memory every line is Shift_JIS. Section and key names compare without
// ASCII letter case; the first section of a name is the one that counts, and
// in it the first key of a name. Lines without "=" are kept but are no keys.
// Blanks around names and values do not count. Lines this program does not
// touch are written back as they were, so other sections, keys, comments and
// blank lines survive a write.
//
// On disk the file may be UTF-8 (with or without a byte-order mark) or
// Shift_JIS, whichever its bytes are valid as; it is always written as UTF-8,
// through a temporary file in the same folder that is then renamed over it.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kaplo {

// A value is read back at most this many bytes long.
inline constexpr std::size_t kIniValueLimit = 2047;

// Decimal, or hexadecimal after "0x"/"0X"; anything else (blank, "12ab",
// out of the 32-bit range) gives def.
int ParseIniInteger(std::string_view value, int def);

class IniFile {
 public:
  IniFile() = default;
  // Shift_JIS text, any line ends.
  static IniFile FromText(std::string_view sjis_text);
  // The bytes of a file; nullopt when they cannot be a settings file (a NUL byte).
  static std::optional<IniFile> FromBytes(std::string_view bytes);
  // The UTF-8 bytes to store.
  std::string ToBytes() const;

  // The whole value, blanks trimmed; nullopt when the key is missing.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  // The value cut to kIniValueLimit bytes (never inside a double-byte character).
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def = {}) const;
  int ReadInteger(std::string_view section, std::string_view key, int def) const;
  // Any non-zero integer is true.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;
  bool HasSection(std::string_view section) const;

  // Sets the key in the first section of that name; a new key goes after the
  // last non-blank line of the section, a new section at the end. Line breaks
  // and NUL bytes are dropped from names and values: they would split the line.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  // Every section of that name, with all its lines.
  void EraseSection(std::string_view section);

 private:
  struct Line {
    std::string text;                // Shift_JIS
    std::optional<std::string> raw;  // the UTF-8 bytes read, while the line is unchanged
  };
  struct Section {
    std::string name;  // lowered
    Line header;
    std::vector<Line> body;
    // lowered key -> index in body of its first line; built on demand.
    mutable std::unordered_map<std::string, std::size_t> keys;
    mutable bool indexed = false;
  };

  const Section* FindSection(std::string_view section) const;
  Section* FindSection(std::string_view section);
  std::optional<std::size_t> KeyIndex(const Section& s, std::string_view key) const;
  void AddLine(std::string_view line, std::optional<std::string> raw);

  std::vector<Line> preamble_;  // lines before the first section
  std::vector<Section> sections_;
  mutable std::unordered_map<std::string, std::size_t> first_section_;
  mutable bool indexed_ = false;
  bool crlf_ = false;  // line ends written CR LF (the file had them)
};

enum class IniStatus {
  kOk,
  kMissing,     // no such file
  kUnreadable,  // not a regular file, no permission, too large or not text
};

struct IniRead {
  IniStatus status = IniStatus::kMissing;
  IniFile file;  // empty unless kOk
};

IniRead ReadIniFile(const std::filesystem::path& path);

// Reads the file (a missing one is empty), applies change and writes the
// result atomically. False, with the file untouched, when the file cannot be
// read as a settings file, is read-only, or its folder refuses the write.
// A symbolic link is followed, so the file it names is replaced, not the link.
bool UpdateIniFile(const std::filesystem::path& path, const std::function<void(IniFile&)>& change);

}  // namespace kaplo
