// Every decoder and encoder over arbitrary bytes: no crash, no read past the
// end, and the properties every caller relies on.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/convert.h"
#include "text/detect.h"

using namespace kaplo;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// Line ends and a return to ASCII (in every ISO-2022-JP decoder, also after
// an escape cut short) before a marker.
constexpr std::string_view kTail = "\n\n\n\x1b(BEND";

// Nothing after a bad byte is lost: the marker after any input comes out,
// and the output grows by at least the marker.
template <typename Decode>
void ReadsEveryByte(std::string_view in, Decode decode) {
  const std::string alone = decode(in);
  const std::string more = decode(std::string(in) + std::string(kTail));
  Check(more.ends_with("END"));
  Check(more.size() >= alone.size() + 3);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  Check(JisToShiftJIS(in).size() <= size);
  Check(JisToShiftJISSimple(in).size() <= size);
  Check(EucToShiftJIS(in).size() <= size);
  ShiftJISToEuc(in);
  ShiftJISToEucKana(in, 1);
  ShiftJISToEucKana(in, 2);
  ShiftJISToJis(in);
  HalfKanaToFullKana(in);
  HalfKanaToFullKanaPlain(in);
  const std::string strict = Utf8ToShiftJIS(in);
  const std::string refs = Utf8ToShiftJIS(in, Unmappable::CharRef);
  // Both modes accept exactly the same texts.
  Check(strict.empty() == refs.empty());
  // Shift_JIS that went out as UTF-8 reads back strictly.
  const std::string utf8 = ShiftJISToUtf8(in);
  Check(utf8.empty() || !Utf8ToShiftJIS(utf8).empty());

  ReadsEveryByte(in, [](std::string_view s) { return JisToShiftJIS(s); });
  ReadsEveryByte(in, [](std::string_view s) { return JisToShiftJISSimple(s); });
  ReadsEveryByte(in, [](std::string_view s) { return EucToShiftJIS(s); });
  ReadsEveryByte(in, [](std::string_view s) { return Utf8ToShiftJISLenient(s); });
  ReadsEveryByte(in,
                 [](std::string_view s) { return Utf8ToShiftJISLenient(s, Unmappable::CharRef); });
  ReadsEveryByte(in, [](std::string_view s) { return ShiftJISToUtf8(s); });
  Check(InvalidShiftJISSequences(in) <= size);
  // A text the strict decoder accepts reads the same leniently when it is
  // well-formed UTF-8.
  const Utf8Evidence evidence = MeasureUtf8(in);
  if (evidence.bad == 0) Check(strict == Utf8ToShiftJISLenient(in));
  const int detected = DetectCharsetFromBytes(in);
  Check(detected >= 1 && detected <= 4);
  return 0;
}
