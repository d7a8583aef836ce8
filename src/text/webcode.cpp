#include "text/webcode.h"

#include "text/convert.h"
#include "text/sjis.h"
#include "text/urlcode.h"

namespace kaplo {
namespace {

// Also meets the LF of an existing CRLF, which then becomes CR CR LF.
std::string LfToCrLf(std::string_view text) { return Replace(text, "\n", "\r\n"); }

std::string Utf8Text(std::string_view bytes, ConversionStats& stats) {
  return Utf8ToShiftJISOrLenient(bytes, Unmappable::Question, stats);
}

bool IsBase64Char(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
         c == '/';
}

// A group of four: two characters of the alphabet, then two more, or one
// and "=", or "==".
bool IsBase64Group(std::string_view g) {
  return IsBase64Char(g[0]) && IsBase64Char(g[1]) &&
         (IsBase64Char(g[2]) ? IsBase64Char(g[3]) || g[3] == '=' : g[2] == '=' && g[3] == '=');
}

std::string Base64Text(std::string_view text, ConversionStats& stats) {
  std::string compact;
  compact.reserve(text.size());
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') compact.push_back(c);
  }
  for (std::size_t i = 0; i + 4 <= compact.size(); i += 4) {
    if (!IsBase64Group(std::string_view(compact).substr(i, 4))) ++stats.invalid;
  }
  if (compact.size() % 4 != 0) ++stats.invalid;  // a cut last group
  return Base64Decode(compact);
}

}  // namespace

std::string WebCodeDecode(std::string_view text, int code) {
  ConversionStats stats;
  return WebCodeDecode(text, code, stats);
}

std::string WebCodeDecode(std::string_view text, int code, ConversionStats& stats) {
  if (text.empty()) return {};
  switch (code) {
    case kWebCodeUtf8Hex:
      return Utf8Text(UrlDecodeBytes(text), stats);
    case kWebCodeUtf8HexUnescaped:
      return Utf8Text(UrlDecodeBytes(Replace(text, "%25", "%")), stats);
    case kWebCodeEucHex:
      return LfToCrLf(EucToShiftJIS(UrlDecodeBytes(text), stats));
    case kWebCodeSjisHex: {
      // The bytes stay as they are: the window shows what is no character.
      std::string bytes = UrlDecodeBytes(text);
      stats.invalid += InvalidShiftJISSequences(bytes);
      return bytes;
    }
    case kWebCodeUtf8:
      return Utf8Text(text, stats);
    case kWebCodeJis:
      return JisToShiftJISSimple(text, stats);
    case kWebCodeBase64:
      return Base64Text(text, stats);
    case kWebCodeEuc:
      return LfToCrLf(EucToShiftJIS(text, stats));
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
