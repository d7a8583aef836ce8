// The charset dispatcher and the declaration rewrites over arbitrary bytes;
// the first byte picks the code.
#include <cstdint>
#include <string_view>

#include "text/charset.h"

using namespace kaplo;

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
  return 0;
}
