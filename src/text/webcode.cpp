#include "text/webcode.h"

#include "text/convert.h"
#include "text/sjis.h"
#include "text/urlcode.h"

namespace kaplo {
namespace {

// Also meets the LF of an existing CRLF, which then becomes CR CR LF.
std::string LfToCrLf(std::string_view text) { return Replace(text, "\n", "\r\n"); }

}  // namespace

std::string WebCodeDecode(std::string_view text, int code) {
  if (text.empty()) return {};
  switch (code) {
    case kWebCodeUtf8Hex:
      return Utf8ToShiftJIS(UrlDecodeBytes(text));
    case kWebCodeUtf8HexUnescaped:
      return Utf8ToShiftJIS(UrlDecodeBytes(Replace(text, "%25", "%")));
    case kWebCodeEucHex:
      return LfToCrLf(EucToShiftJIS(UrlDecodeBytes(text)));
    case kWebCodeSjisHex:
      return UrlDecodeBytes(text);
    case kWebCodeUtf8:
      return Utf8ToShiftJIS(text);
    case kWebCodeJis:
      return JisToShiftJISSimple(text);
    case kWebCodeBase64:
      return Base64Decode(text);
    case kWebCodeEuc:
      return LfToCrLf(EucToShiftJIS(text));
    default:
      return std::string(text);
  }
}

std::string WebCodeEncode(std::string_view text, int code) {
  if (text.empty()) return {};
  switch (code) {
    case kWebCodeUtf8Hex:
    case kWebCodeUtf8HexUnescaped:
      return UrlEncodeBytes(ShiftJISToUtf8(text));
    case kWebCodeEucHex: {
      std::string s = ShiftJISToEuc(Replace(text, "\r\n", "\n"));
      s = UrlEncodeBytes(Replace(s, "(", "%28"));
      // Undo the encoding of ASCII characters that directly followed a
      // double-byte character.
      s = Replace(s, "%2a", "*");
      s = Replace(s, "%20", "+");
      return Replace(s, "%26", "&");
    }
    case kWebCodeSjisHex:
      return UrlEncodeBytes(text);
    // The UTF-8 bytes shown as Shift_JIS text.
    case kWebCodeUtf8:
      return Utf8ToShiftJIS(ShiftJISToUtf8(ShiftJISToUtf8(text)));
    case kWebCodeJis:
      return ShiftJISToJis(text);
    case kWebCodeBase64:
      return Base64Encode(text);
    case kWebCodeEuc:
      return Replace(ShiftJISToEucKana(text, 1), "\r\n", "\n");
    default:
      return std::string(text);
  }
}

}  // namespace kaplo
