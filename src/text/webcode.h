// The conversions of the web code tab: a text to Shift_JIS from one of eight
// codes, and from Shift_JIS to them.
#pragma once

#include <string>
#include <string_view>

#include "text/convert.h"

namespace kaplo {

// The item index of the web code tab's decode and encode radio groups.
enum WebCode : int {
  kWebCodeUtf8Hex = 0,           // "%E3%82%A4..."
  kWebCodeUtf8HexUnescaped = 1,  // "%25" taken as "%" first when decoding
  kWebCodeEucHex = 2,
  kWebCodeSjisHex = 3,
  kWebCodeUtf8 = 4,
  kWebCodeJis = 5,
  kWebCodeBase64 = 6,
  kWebCodeEuc = 7,
};
inline constexpr int kWebCodeCount = 8;

// To Shift_JIS. Any other code, or an empty text, gives the text unchanged.
// Every byte is read: an invalid sequence of the code becomes "?". Base64
// skips blanks and line breaks.
std::string WebCodeDecode(std::string_view text, int code);
// The same, counting invalid sequences (for Base64: characters outside its
// alphabet, padding before the end, a cut last group).
std::string WebCodeDecode(std::string_view text, int code, ConversionStats& stats);
// From Shift_JIS. Any other code, or an empty text, gives the text unchanged.
std::string WebCodeEncode(std::string_view text, int code);

}  // namespace kaplo
