#include "gui/widgets/scroll_panel.h"

#include <QScrollArea>
#include <QVBoxLayout>

namespace kaplo::gui {

QWidget* ScrolledContent(QWidget* panel, const QString& name) {
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* scroll = new QScrollArea(panel);
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
