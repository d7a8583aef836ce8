#include "gui/widgets/flow_layout.h"

#include <QWidget>
#include <algorithm>

namespace kaplo::gui {

FlowLayout::FlowLayout(QWidget* parent, int spacing) : QLayout(parent) {
  setContentsMargins(0, 0, 0, 0);
  setSpacing(spacing);
}

FlowLayout::~FlowLayout() {
  while (QLayoutItem* item = takeAt(0)) delete item;
}

void FlowLayout::addItem(QLayoutItem* item) { items_.append(item); }

QLayoutItem* FlowLayout::itemAt(int index) const {
  return index >= 0 && index < items_.size() ? items_[index] : nullptr;
}

QLayoutItem* FlowLayout::takeAt(int index) {
  return index >= 0 && index < items_.size() ? items_.takeAt(index) : nullptr;
}

int FlowLayout::heightForWidth(int width) const { return Arrange(QRect(0, 0, width, 0), false); }

QSize FlowLayout::minimumSize() const {
  QSize size;
  for (const QLayoutItem* item : items_) {
    if (!item->isEmpty()) size = size.expandedTo(item->minimumSize());
  }
  const QMargins m = contentsMargins();
  return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

QSize FlowLayout::sizeHint() const {
  int width = 0;
  int height = 0;
  int shown = 0;
  for (const QLayoutItem* item : items_) {
    if (item->isEmpty()) continue;
    const QSize hint = item->sizeHint();
    width += hint.width() + (shown++ > 0 ? spacing() : 0);
    height = std::max(height, hint.height());
  }
  const QMargins m = contentsMargins();
  return QSize(width + m.left() + m.right(), height + m.top() + m.bottom());
}

void FlowLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  Arrange(rect, true);
}

int FlowLayout::Arrange(const QRect& rect, bool place) const {
  const QRect area = rect.marginsRemoved(contentsMargins());
  int x = area.x();
  int y = area.y();
  int line_height = 0;
  for (QLayoutItem* item : items_) {
    if (item->isEmpty()) continue;
    // An item never narrower than its minimum, never wider than the line.
    QSize size = item->sizeHint().expandedTo(item->minimumSize());
    size.setWidth(std::min(size.width(), std::max(area.width(), item->minimumSize().width())));
    if (x > area.x() && x + size.width() > area.right() + 1) {
      x = area.x();
      y += line_height + spacing();
      line_height = 0;
    }
    if (place) item->setGeometry(QRect(QPoint(x, y), size));
    x += size.width() + spacing();
    line_height = std::max(line_height, size.height());
  }
  const QMargins m = contentsMargins();
  return y + line_height - rect.y() + m.bottom();
}

}  // namespace kaplo::gui
