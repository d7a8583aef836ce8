// Shift_JIS literals written in UTF-8 source: SJ<"見つかり">() converts once
// per literal and keeps the bytes for the life of the process.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace kaplo {

std::string SjisFromUtf8Literal(std::string_view utf8);

template <std::size_t N>
struct Utf8Literal {
  char chars[N];
  constexpr Utf8Literal(const char (&s)[N]) { std::copy_n(s, N, chars); }
  constexpr std::string_view view() const { return {chars, N - 1}; }
};

template <Utf8Literal L>
const std::string& SJ() {
  static const std::string bytes = SjisFromUtf8Literal(L.view());
  return bytes;
}

}  // namespace kaplo
