// Byte strings for tests written as hex: Hex("82 A0 0D 0A").
#pragma once

#include <cstdlib>
#include <string>
#include <string_view>

namespace kaplo::test {

inline std::string Hex(std::string_view hex) {
  std::string out;
  std::string digits;
  for (char c : hex) {
    if (c == ' ') continue;
    digits.push_back(c);
    if (digits.size() == 2) {
      out.push_back(static_cast<char>(std::strtol(digits.c_str(), nullptr, 16)));
      digits.clear();
    }
  }
  return out;
}

inline std::string ToHex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    if (!out.empty()) out.push_back(' ');
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

}  // namespace kaplo::test
