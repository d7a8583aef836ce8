#include "gui/common/lazy_widget.h"

#include <QShowEvent>
#include <QVBoxLayout>

namespace kaplo::gui {

LazySlot::LazySlot(const QString& name, Maker make, QWidget* parent)
    : QWidget(parent), name_(name), make_(std::move(make)) {
  setObjectName(name + QStringLiteral("Slot"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  // Until it is made the place takes what room its layout gives it, as the
  // widget will.
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QWidget* LazySlot::Widget() {
  if (widget_ || making_ || !make_) return widget_;
  making_ = true;
  QWidget* made = make_(this);
  making_ = false;
  if (!made) return nullptr;
  made->setObjectName(name_);
  layout()->addWidget(made);
  if (isVisible()) made->show();
  widget_ = made;
  emit Made(made);
  return made;
}

LazySlot* LazySlot::Find(const QObject* root, const QString& name) {
  if (!root) return nullptr;
  for (LazySlot* slot : root->findChildren<LazySlot*>(name + QStringLiteral("Slot"))) {
    if (slot->Name() == name) return slot;
  }
  return nullptr;
}

void LazySlot::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Widget();
}

}  // namespace kaplo::gui
