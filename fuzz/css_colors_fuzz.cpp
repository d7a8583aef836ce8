// Any bytes make a colour list whose entries are padded "#" values, and
// every entry can be painted and clicked.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "view/css_colors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (bool sorted : {false, true}) {
    for (const auto& list : {kaplo::ExtractCssColors(text, sorted), kaplo::CreateCssColorList(text, sorted)}) {
      for (const std::string& entry : list) {
        if (entry.size() < kaplo::kCssColorWidth || entry[0] != '#') std::abort();
        (void)kaplo::ColorFromCss(entry);
        (void)kaplo::PaintCssColorEntry(entry);
        (void)kaplo::ClickCssColorEntry(entry);
      }
    }
  }
  (void)kaplo::ColorFromCss(text);
  (void)kaplo::PaintCssColorEntry(text);
  return 0;
}
