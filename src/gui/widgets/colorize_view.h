// Colouring a source view's text as HTML (CSS and JavaScript go through the
// same rules).
//
// The colours are worked out on a worker thread from a copy of the text and
// laid over the view in one go when they are ready; the view keeps
// repainting and taking input meanwhile. The caret and the scroll position
// are kept (mode kToTop moves both to the top). The view emits colorized()
// once the colours are on screen. A colouring that finishes after a newer
// one was asked for, or after ResetViewColors, is dropped; one that finishes
// after the text was edited starts over on the new text.
#pragma once

#include <QString>
#include <string_view>

#include "gui/widgets/rich_edit_ex.h"

namespace kaplo::gui {

enum class ColorizeMode { kToTop, kKeepCaret };

// Starts colouring the view's whole text; an empty view is left untouched.
void ColorizeView(TRichEditEx* view, ColorizeMode mode);
// ColorizeView for panes that load a file. The view's text is never
// replaced by the colouring, so there is nothing to check or retry.
void ColorizeViewChecked(TRichEditEx* view, ColorizeMode mode);
// Every character in the view's text colour, a pending colouring dropped,
// caret to the start.
void ResetViewColors(TRichEditEx* view);

// Puts a Shift_JIS text into the view and colours it (the caret at the top).
void ShowColored(TRichEditEx* view, std::string_view sjis_text);

// The line formats that colour text (a view's text) as HTML; the work done
// off the UI thread.
LineFormats HtmlLineFormats(const QString& text);

}  // namespace kaplo::gui
