// Byte-level primitives over Shift_JIS (code page 932) texts.
//
// Every web text inside the core is a std::string of Shift_JIS bytes. A byte
// in 0x81-0x9F or 0xE0-0xFC starts a double-byte character and takes the next
// byte as its second byte when that byte can be one (0x40-0x7E, 0x80-0xFC);
// otherwise both are characters of their own, so a stray first byte never
// swallows a CR, LF or quote. Searches never match starting on a second byte,
// and letter case means ASCII letters only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kaplo {

inline constexpr bool IsSjisLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
inline constexpr bool IsSjisTrailByte(unsigned char b) {
  return b >= 0x40 && b <= 0xFC && b != 0x7F;
}
// Bytes taken by the character that starts at offset i (i < text.size()).
inline std::size_t SjisCharLength(std::string_view text, std::size_t i) {
  return IsSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() &&
                 IsSjisTrailByte(static_cast<unsigned char>(text[i + 1]))
             ? 2
             : 1;
}
// Whether offset pos starts a character, looking back only over the run of
// possible first bytes before it: the byte after any other byte, and any byte
// that cannot be a second byte, always starts one.
bool StartsCharacterAt(std::string_view text, std::size_t pos);

inline constexpr unsigned char AsciiLower(unsigned char b) {
  return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + 32) : b;
}
inline constexpr unsigned char AsciiUpper(unsigned char b) {
  return (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - 32) : b;
}

// Walks character boundaries from the start of a text. Asking for positions in
// increasing order costs one pass over the text in total.
class SjisBoundary {
 public:
  explicit SjisBoundary(std::string_view text) : text_(text) {}
  // True when the byte at 0-based offset pos starts a character.
  bool IsBoundary(std::size_t pos);
  // The first character boundary at or after pos.
  std::size_t NextBoundary(std::size_t pos);

 private:
  std::string_view text_;
  std::size_t cursor_ = 0;  // always a boundary
};

// ASCII letters lowered/raised; second bytes of double-byte characters kept.
std::string LowerAscii(std::string_view text);
std::string UpperAscii(std::string_view text);

// 0-based offset of the first occurrence of sub in text that starts on a
// character boundary at or after `from` (which must itself be a boundary or
// is moved to the next one), case-sensitive; npos when there is none.
std::size_t FindAtBoundary(std::string_view text, std::string_view sub, std::size_t from = 0);
bool ContainsAtBoundary(std::string_view text, std::string_view sub);

// Repeated boundary searches in one text from non-decreasing positions: the
// boundaries are walked once in total instead of from the start each time.
class BoundaryFinder {
 public:
  explicit BoundaryFinder(std::string_view text) : text_(text), walker_(text) {}
  // As FindAtBoundary(text, sub, from).
  std::size_t Find(std::string_view sub, std::size_t from);

 private:
  std::string_view text_;
  SjisBoundary walker_;
};

// Replace(text, old, new): every occurrence of old, left to right, without
// overlap and without rescanning inserted text; ASCII letters compared
// case-insensitively; matches start on character boundaries only.
std::string Replace(std::string_view text, std::string_view old_text, std::string_view new_text);
// The "first, exact" variant: the first case-sensitive occurrence only.
std::string ReplaceFirstExact(std::string_view text, std::string_view old_text,
                              std::string_view new_text);
// Every occurrence, case-sensitive (the URL operations compare letter case exactly).
std::string ReplaceAllExact(std::string_view text, std::string_view old_text,
                            std::string_view new_text);

}  // namespace kaplo
