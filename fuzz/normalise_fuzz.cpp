// The normaliser on any bytes: no crash, no read past the end, and the same
// bytes as the rule-by-rule reference (on inputs small enough for it).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "../tests/text/normalise_reference_support.cpp"
#include "text/normalise.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string normalised = kaplo::NormaliseHtml(text);
  const std::string broken = kaplo::BreakHtmlLines(text);
  kaplo::StripAttributeOpeners(text);
  if (size <= 4096) {
    if (normalised != kaplo::test::ReferenceNormaliseHtml(text)) std::abort();
    if (broken != kaplo::test::ReferenceBreakHtmlLines(text)) std::abort();
  }
  return 0;
}
