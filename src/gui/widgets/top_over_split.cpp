#include "gui/widgets/top_over_split.h"

#include <QSplitter>
#include <QVBoxLayout>

namespace kaplo::gui {

QSplitter* TopOverSplit(QWidget* owner, QWidget* top, QWidget* left, QWidget* right,
                        const char* splitter_name, int left_stretch, int right_stretch) {
  auto* layout = new QVBoxLayout(owner);
  layout->setContentsMargins(2, 2, 2, 2);
  if (top) layout->addWidget(top);
  auto* split = new QSplitter(Qt::Horizontal, owner);
  split->setObjectName(QString::fromLatin1(splitter_name));
  split->addWidget(left);
  split->addWidget(right);
  split->setStretchFactor(0, left_stretch);
  split->setStretchFactor(1, right_stretch);
  layout->addWidget(split, 1);
  return split;
}

}  // namespace kaplo::gui
