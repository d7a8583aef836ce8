#include "gui/widgets/about_box.h"

#include <QDialogButtonBox>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QVBoxLayout>

#include "gui/common/app_texts.h"

namespace kaplo::gui {

QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48, 64, 128}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x5f, 0xa8));
    p.drawRoundedRect(QRectF(4, 4, 56, 56), 10, 10);
    QPainterPath page;
    page.moveTo(18, 12);
    page.lineTo(38, 12);
    page.lineTo(48, 22);
    page.lineTo(48, 52);
    page.lineTo(18, 52);
    page.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setBrush(QColor(0xc7, 0xd7, 0xee));
    p.drawPolygon(QPolygonF({QPointF(38, 12), QPointF(38, 22), QPointF(48, 22)}));
    p.setBrush(QColor(0xf0, 0x8c, 0x00));
    p.drawRect(QRectF(29, 24, 6, 14));
    p.drawPolygon(QPolygonF({QPointF(21, 36), QPointF(43, 36), QPointF(32, 48)}));
    p.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QString::fromUtf8("このプログラムについて"));
  auto* layout = new QVBoxLayout(this);

  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("ProgramIcon"));
  icon->setPixmap(ProgramIcon().pixmap(64, 64));
  icon->setAlignment(Qt::AlignCenter);
  layout->addWidget(icon);

  const auto add_label = [this, layout](const char* name, const QString& text) {
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
    return label;
  };
  QLabel* product = add_label("ProductName", QString::fromUtf8(kProductTitle));
  QFont bold = product->font();
  bold.setBold(true);
  product->setFont(bold);
  add_label("Version", QString::fromUtf8("バージョン %1  ( Build %2 )")
                           .arg(QString::fromUtf8(kVersion), QString::fromUtf8(kBuild)));
  add_label(
      "Comments",
      QString::fromUtf8("Webページの保存・閲覧・検索  -  %1").arg(QString::fromUtf8(kAppTitle)));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->setObjectName(QStringLiteral("OKButton"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
  setModal(true);
}

}  // namespace kaplo::gui
