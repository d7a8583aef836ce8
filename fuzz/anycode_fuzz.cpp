// The charset dispatcher, the detection and the declaration rewrites over
// arbitrary bytes; the first byte picks the code.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/charset.h"
#include "text/web_escape.h"

using namespace kaplo;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int code = static_cast<int>(data[0] % 8) - 1;  // -1 .. 6
  const std::string_view in(reinterpret_cast<const char*>(data + 1), size - 1);
  AnyCodeToShiftJIS(in, code);
  AnyCodeToShiftJIS(in, code, Unmappable::CharRef);
  DetectDeclaredCharset(in);
  NormaliseCharsetToShiftJIS(in);
  RewriteCharsetDeclForSave(in, code);
  ConvertShiftJISForSave(in, code);
  RewriteEncodingDeclToShiftJIS(in);
  // Every form of what Shift_JIS lacks, a page kept in its own code, and
  // conversions between any two codes.
  for (Unmappable how : {Unmappable::SavedPage, Unmappable::StyleEscape, Unmappable::ScriptEscape}) {
    const std::string page = ToShiftJISKeepingText(in, code, how);
    RestoreOwnCode(page);
    SavedPageCharset(page);
  }
  SavedPageToShiftJIS(in);
  RewriteDeclarations(in, code);
  ConversionStats stats;
  ConvertText(in, {.from = code < 0 ? 0 : code % 6, .to = (data[0] >> 3) % 6,
                   .unmappable = data[0] & 0x80 ? Unmappable::CharRef : Unmappable::Question},
              stats);
  const CharsetDecision decision = DecideCharset(in);
  Check(decision.code >= 1 && decision.code <= 4);
  // Whatever the route, nothing after a bad byte is lost: line ends, a
  // return to ASCII and a marker always come out.
  Check(AnyCodeToShiftJIS(std::string(in) + "\n\n\n\x1b(BEND", code).ends_with("END"));
  return 0;
}
