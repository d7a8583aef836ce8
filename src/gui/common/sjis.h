// The core's Shift_JIS texts at the widget edge.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "text/convert.h"

namespace kaplo::gui {

inline QString QsFromSjis(std::string_view sjis) {
  return QString::fromStdString(ShiftJISToUtf8(sjis));
}
// Characters Shift_JIS lacks become "?", or references for page HTML.
inline std::string SjisFromQs(const QString& text, Unmappable unmappable = Unmappable::Question) {
  return Utf8ToShiftJISLenient(text.toStdString(), unmappable);
}

}  // namespace kaplo::gui
