// Every decoder and encoder over arbitrary bytes: no crash, no read past the
// end, and the properties every caller relies on.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/convert.h"

using namespace kaplo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  if (JisToShiftJIS(in).size() > size) std::abort();
  if (JisToShiftJISSimple(in).size() > size) std::abort();
  if (EucToShiftJIS(in).size() > size) std::abort();
  ShiftJISToEuc(in);
  ShiftJISToEucKana(in, 1);
  ShiftJISToEucKana(in, 2);
  ShiftJISToJis(in);
  HalfKanaToFullKana(in);
  HalfKanaToFullKanaPlain(in);
  const std::string strict = Utf8ToShiftJIS(in);
  const std::string refs = Utf8ToShiftJIS(in, Unmappable::CharRef);
  // Both modes accept exactly the same texts.
  if (strict.empty() != refs.empty()) std::abort();
  const std::string lenient = Utf8ToShiftJISLenient(in, Unmappable::CharRef);
  // Shift_JIS that went out as UTF-8 reads back strictly.
  const std::string utf8 = ShiftJISToUtf8(in);
  if (!utf8.empty() && Utf8ToShiftJIS(utf8).empty()) std::abort();
  return 0;
}
