// Small helpers shared by the page analysis tab's files.
#pragma once

#include <QString>
#include <string>

#include "text/convert.h"

namespace kaplo::gui::analysis {

// The top panel's heights, open and collapsed.
inline constexpr int kTopHeight = 280;
inline constexpr int kTopCollapsed = 58;

// A path or address typed or chosen in the window, for the core.
inline std::string PathToSjis(const QString& path) {
  const QByteArray utf8 = path.toUtf8();
  const std::string s = Utf8ToShiftJIS(std::string_view(utf8.constData(), utf8.size()));
  return s.empty() ? std::string(utf8.constData(), utf8.size()) : s;
}

}  // namespace kaplo::gui::analysis
