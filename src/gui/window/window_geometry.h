// Where the main window opens: the size the settings file saved, clamped to
// the screen it opens on, or at the first start most of that screen.
#pragma once

#include <QRect>
#include <QSize>

#include "shell/settings.h"

namespace kaplo::gui {

// The share of the screen's free area the window takes at its first start.
inline constexpr double kFirstStartShare = 0.9;

// available: the free area of the screen (without panels); minimum: the
// window's minimum size. Saved bounds (kept when width and height are above
// 0) are made to fit available and moved onto it; without them the window
// takes kFirstStartShare of it, centred. Never smaller than minimum.
QRect StartGeometry(const QRect& available, const WindowBounds& saved, const QSize& minimum);

}  // namespace kaplo::gui
