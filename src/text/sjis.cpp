#include "text/sjis.h"

#include <cstring>

namespace kaplo {

bool SjisBoundary::IsBoundary(std::size_t pos) {
  return NextBoundary(pos) == pos;
}

std::size_t SjisBoundary::NextBoundary(std::size_t pos) {
  if (pos < cursor_) {
    // Positions asked out of order: start again from the beginning.
    cursor_ = 0;
  }
  const std::size_t n = text_.size();
  while (cursor_ < pos && cursor_ < n) {
    cursor_ += SjisCharLength(text_, cursor_);
  }
  return cursor_;
}

bool StartsCharacterAt(std::string_view text, std::size_t pos) {
  if (pos == 0 || pos >= text.size()) return true;
  if (!IsSjisTrailByte(static_cast<unsigned char>(text[pos]))) return true;
  // Every first byte is also a possible second byte, so within the run each
  // first byte pairs with the next and only the run's parity counts.
  std::size_t run = 0;
  while (run < pos && IsSjisLeadByte(static_cast<unsigned char>(text[pos - 1 - run]))) ++run;
  return run % 2 == 0;
}

namespace {

template <unsigned char (*Map)(unsigned char)>
std::string MapAscii(std::string_view text) {
  std::string out(text);
  const std::size_t n = out.size();
  for (std::size_t i = 0; i < n;) {
    const std::size_t len = SjisCharLength(out, i);
    if (len == 1) out[i] = static_cast<char>(Map(static_cast<unsigned char>(out[i])));
    i += len;  // a second byte stays as it is
  }
  return out;
}

unsigned char Lower(unsigned char b) { return AsciiLower(b); }
unsigned char Upper(unsigned char b) { return AsciiUpper(b); }

// Finds needle in hay starting at from, on boundaries only. hay and needle
// must already be in the form in which they are compared.
std::size_t FindBoundaryIn(std::string_view hay, std::string_view needle, std::size_t from,
                           SjisBoundary& walker) {
  if (needle.empty() || needle.size() > hay.size()) return std::string_view::npos;
  std::size_t pos = from;
  while (true) {
    pos = hay.find(needle, pos);
    if (pos == std::string_view::npos) return pos;
    const std::size_t b = walker.NextBoundary(pos);
    if (b == pos) return pos;
    pos = b;  // pos was a second byte; the next candidate is the next boundary
  }
}

std::string ReplaceImpl(std::string_view text, std::string_view hay, std::string_view needle,
                        std::string_view new_text, bool first_only) {
  if (needle.empty() || text.size() < needle.size()) return std::string(text);
  SjisBoundary walker(text);
  std::size_t pos = FindBoundaryIn(hay, needle, 0, walker);
  if (pos == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size() + (new_text.size() > needle.size() ? text.size() / 4 : 0));
  std::size_t done = 0;
  while (pos != std::string_view::npos) {
    out.append(text.data() + done, pos - done);
    out.append(new_text);
    done = pos + needle.size();
    if (first_only) break;
    pos = FindBoundaryIn(hay, needle, done, walker);
  }
  out.append(text.data() + done, text.size() - done);
  return out;
}

}  // namespace

std::string LowerAscii(std::string_view text) { return MapAscii<Lower>(text); }
std::string UpperAscii(std::string_view text) { return MapAscii<Upper>(text); }

std::size_t FindAtBoundary(std::string_view text, std::string_view sub, std::size_t from) {
  SjisBoundary walker(text);
  return FindBoundaryIn(text, sub, walker.NextBoundary(from), walker);
}

std::size_t BoundaryFinder::Find(std::string_view sub, std::size_t from) {
  return FindBoundaryIn(text_, sub, walker_.NextBoundary(from), walker_);
}

bool ContainsAtBoundary(std::string_view text, std::string_view sub) {
  return FindAtBoundary(text, sub) != std::string_view::npos;
}

std::string Replace(std::string_view text, std::string_view old_text, std::string_view new_text) {
  if (old_text.empty() || text.size() < old_text.size()) return std::string(text);
  // Only the letters of the pattern can differ in case; compare lowered forms.
  // The lowered text keeps every byte offset, so matches map back one to one.
  const std::string lowered_old = LowerAscii(old_text);
  bool has_letter = false;
  for (unsigned char c : old_text) has_letter |= (AsciiLower(c) != AsciiUpper(c));
  if (!has_letter) return ReplaceImpl(text, text, old_text, new_text, false);
  const std::string lowered = LowerAscii(text);
  return ReplaceImpl(text, lowered, lowered_old, new_text, false);
}

std::string ReplaceFirstExact(std::string_view text, std::string_view old_text,
                              std::string_view new_text) {
  return ReplaceImpl(text, text, old_text, new_text, true);
}

std::string ReplaceAllExact(std::string_view text, std::string_view old_text,
                            std::string_view new_text) {
  return ReplaceImpl(text, text, old_text, new_text, false);
}

}  // namespace kaplo
