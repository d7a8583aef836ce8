#include "gui/window/window_geometry.h"

#include <algorithm>

namespace kaplo::gui {

QRect StartGeometry(const QRect& available, const WindowBounds& saved, const QSize& minimum) {
  QSize size;
  if (saved.width > 0 && saved.height > 0) {
    size = QSize(saved.width, saved.height);
  } else {
    size = QSize(static_cast<int>(available.width() * kFirstStartShare),
                 static_cast<int>(available.height() * kFirstStartShare));
  }
  size = size.boundedTo(available.size()).expandedTo(minimum);
  QRect rect(QPoint(0, 0), size);
  if (saved.width > 0 && saved.height > 0) {
    rect.moveTopLeft(QPoint(saved.left, saved.top));
    // Moved back onto the screen where it sticks out.
    rect.moveLeft(std::clamp(rect.left(), available.left(),
                             std::max(available.left(), available.right() + 1 - rect.width())));
    rect.moveTop(std::clamp(rect.top(), available.top(),
                            std::max(available.top(), available.bottom() + 1 - rect.height())));
  } else {
    rect.moveCenter(available.center());
  }
  return rect;
}

}  // namespace kaplo::gui
