// Reads back the RTF that the colouring writes: the colour table, "\cf"
// switches, "\par" breaks, the escapes "\\", "\{" and "\}" and the font
// table, giving plain text and its colour runs. Bytes pass through as they
// are (Shift_JIS stays Shift_JIS). Other RTF is read as far as it is simple:
// "\'hh" bytes and "\tab" are kept, unknown control words and the usual
// hidden groups ("{\*...}", the style sheet, pictures) are skipped. Any input
// gives a result.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "view/rtf_syntax.h"

namespace kaplo {

// A colour-table entry written as a bare ";" (the reader's default colour).
inline constexpr RtfColor kRtfAutoColor = -1;

// A stretch of the plain text drawn with one colour-table entry.
struct RtfColorRun {
  std::size_t offset;
  std::size_t length;
  int color_index;  // entry of RtfText::colors; may lie outside the table
  bool operator==(const RtfColorRun&) const = default;
};

struct RtfText {
  // "\par" is CR LF, except the one that ends the document (a view always
  // has a last line of its own). Raw CR and LF bytes of the RTF are layout.
  std::string text;
  std::vector<RtfColor> colors;    // 0x00BBGGRR, or kRtfAutoColor
  std::vector<std::string> fonts;  // names, in table order
  // Runs in text order, covering the text, adjacent runs of different colour.
  std::vector<RtfColorRun> runs;

  // The colour of an entry; kRtfAutoColor for one the table does not have.
  RtfColor ColorOf(int color_index) const {
    return color_index >= 0 && static_cast<std::size_t>(color_index) < colors.size()
               ? colors[static_cast<std::size_t>(color_index)]
               : kRtfAutoColor;
  }
};

RtfText ReadRtf(std::string_view rtf);

}  // namespace kaplo
