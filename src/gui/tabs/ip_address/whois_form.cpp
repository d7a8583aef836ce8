#include "gui/tabs/ip_address/whois_form.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>

namespace kaplo::gui {
namespace {

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  parent->layout()->addWidget(label);
  return label;
}

}  // namespace

// Owned by the desktop: no parent, so it stays when the main window is minimised.
TWhoisForm::TWhoisForm()
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("WhoisForm"));
  setWindowTitle(QString::fromUtf8("Whoisｻｰﾊﾞの変更"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 12);
  AddLabel(this, "LabelServerDesc", QString::fromUtf8("Whoisｻｰﾊﾞ"));
  server_ = AddLabel(this, "LabelOherWhoisServer", QString());
  AddLabel(this, "LabelTryOther", QString::fromUtf8("を変更して、「 他のｻｰﾊﾞ 」で試してください "));
  timer_ = new QTimer(this);
  timer_->setObjectName(QStringLiteral("TimerWhoisServer"));
  timer_->setInterval(2000);
  connect(timer_, &QTimer::timeout, this, [this] {
    hide();
    timer_->stop();
  });
}

void TWhoisForm::ShowFor(const QString& server) {
  server_->setText(server);
  adjustSize();
  setFixedSize(sizeHint());
  show();
  raise();
  timer_->start();
}

}  // namespace kaplo::gui
