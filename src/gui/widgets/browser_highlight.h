// Highlighting keywords in a rendered page: every hit inside a text node is
// wrapped in the span of its keyword's position, ignoring letter case. And
// finding a text forward or backward from the page's selection.
#pragma once

#include <QString>
#include <QStringList>
#include <span>
#include <string>

namespace kaplo::gui {

class BrowserPane;

// The script that wraps the hits of keywords (UTF-16 texts) and answers how
// many it wrapped. Keywords travel as JSON string literals, never as script
// text.
QString HighlightScript(const QStringList& keywords);

// Highlights keywords (Shift_JIS) in the pane's document, in a script world
// of its own that the page's scripts cannot reach; earlier highlights stay.
// The number of hits, or -1 when the pane is loading or has no document or
// the script failed.
int HighlightKeywords(BrowserPane* pane, std::span<const std::string> keywords,
                      int timeout_ms = 30000);

// Selects the next (or, backward, the previous) occurrence of text in the
// pane's document after (before) the selection, ignoring letter case, and
// scrolls it into view; without a selection the search starts at the top
// (the end). It does not wrap around. False when there is none, or when the
// pane is loading or has no document.
bool FindFromSelection(BrowserPane* pane, const QString& text, bool backward,
                       int timeout_ms = 30000);

}  // namespace kaplo::gui
