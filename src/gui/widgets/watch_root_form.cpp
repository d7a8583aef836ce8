#include "gui/widgets/watch_root_form.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace kaplo::gui {

TFormWatchRoot::TFormWatchRoot(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), body_(new QFrame(this)) {
  setObjectName(QStringLiteral("FormWatchRoot"));
  setWindowTitle(QString::fromUtf8(" 【 Root 】が使用されいるCSS/JS "));
  resize(480, 360);
  auto* close = new QPushButton(QString::fromUtf8(" 閉じる "), this);
  close->setObjectName(QStringLiteral("sbWatchRootClose"));
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  body_->setObjectName(QStringLiteral("PanelWatchRootBody"));
  static_cast<QFrame*>(body_)->setFrameShape(QFrame::StyledPanel);
  auto* top = new QHBoxLayout;
  top->addWidget(close);
  top->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(body_, 1);
}

}  // namespace kaplo::gui
