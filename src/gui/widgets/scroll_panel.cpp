#include "gui/widgets/scroll_panel.h"

#include <QScrollArea>
#include <QVBoxLayout>

namespace kaplo::gui {

namespace {

// Asks for the room its contents want, so a layout gives it all of it where
// it can; it scrolls only when it gets less.
class FittingScrollArea : public QScrollArea {
 public:
  using QScrollArea::QScrollArea;

  QSize sizeHint() const override {
    if (!widget()) return QScrollArea::sizeHint();
    const int frame = 2 * frameWidth();
    return widget()->sizeHint() + QSize(frame, frame);
  }
};

}  // namespace

QWidget* ScrolledContent(QWidget* panel, const QString& name) {
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* scroll = new FittingScrollArea(panel);
  scroll->setObjectName(name + QStringLiteral("Scroll"));
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  auto* content = new QWidget(scroll);
  content->setObjectName(name);
  scroll->setWidget(content);
  layout->addWidget(scroll);
  return content;
}

}  // namespace kaplo::gui
