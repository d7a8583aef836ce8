// The edge between the web code memos and the core's Shift_JIS texts.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace kaplo::gui {

// A memo's text for the core: Shift_JIS with CR LF line ends ("?" for a
// character with no Shift_JIS form).
std::string MemoTextToSjis(const QString& text);

// A conversion result for a memo. Line ends are normalised once here: CR LF,
// CR CR LF (what a decode makes of a text that had CR LF already), a lone CR
// and a lone LF are each one line break. A byte that is no Shift_JIS
// character, and NUL, show as U+FFFD, one per byte.
QString SjisToMemoText(std::string_view sjis);

}  // namespace kaplo::gui
