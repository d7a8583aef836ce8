#include "gui/widgets/radio_group.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>
#include <algorithm>

namespace kaplo::gui {

TRadioGroup::TRadioGroup(const QString& name, const QString& caption, const QStringList& items,
                         int columns, QWidget* parent)
    : QGroupBox(caption, parent), buttons_(new QButtonGroup(this)) {
  setObjectName(name);
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(6, 4, 6, 4);
  grid->setVerticalSpacing(2);
  columns = std::max(1, columns);
  const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    button->setObjectName(name + QStringLiteral("Item") + QString::number(i));
    buttons_->addButton(button, i);
    grid->addWidget(button, i % rows, i / rows);
  }
  connect(buttons_, &QButtonGroup::idClicked, this, &TRadioGroup::ItemIndexChanged);
}

int TRadioGroup::ItemIndex() const { return buttons_->checkedId(); }

int TRadioGroup::Count() const { return static_cast<int>(buttons_->buttons().size()); }

void TRadioGroup::SetItemIndex(int index) {
  if (Count() == 0) return;
  index = std::clamp(index, -1, Count() - 1);
  if (index == ItemIndex()) return;
  if (index < 0) {
    // An exclusive group will not uncheck its last checked button.
    buttons_->setExclusive(false);
    if (QAbstractButton* b = buttons_->checkedButton()) b->setChecked(false);
    buttons_->setExclusive(true);
  } else {
    buttons_->button(index)->setChecked(true);
  }
  emit ItemIndexChanged(index);
}

}  // namespace kaplo::gui
