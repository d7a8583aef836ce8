#include "gui/widgets/form_source.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/widgets/colorize_view.h"
#include "gui/widgets/rich_edit_ex.h"
#include "shell/settings.h"

namespace kaplo::gui {

TFormSource::TFormSource(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint),
      view_(new TRichEditEx(this)),
      wrap_box_(new QCheckBox(QString::fromUtf8("折り返し"), this)),
      color_box_(new QCheckBox(QString::fromUtf8("色付け "), this)),
      status_bar_(new QStatusBar(this)) {
  setObjectName(QStringLiteral("FormSource"));
  setWindowTitle(QString::fromUtf8("選択したオブジェクトの部分ＨＴＭＬソースの表示"));
  resize(720, 520);

  auto* bar = new QHBoxLayout;
  const auto add_tool = [&](const char* name, const char* caption) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(QString::fromUtf8(caption));
    bar->addWidget(button);
    return button;
  };
  const auto add_push = [&](const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption), this);
    button->setObjectName(QString::fromLatin1(name));
    bar->addWidget(button);
    return button;
  };
  QToolButton* close = add_tool("SpeedButton1", "閉じる");
  QPushButton* black = add_push("btnTextBlack", "黒に戻す");
  QPushButton* make_color = add_push("btnMakeColor", "色付け");
  QToolButton* here = add_tool("sbAppearanceThisPosition", "この位置に、このｻｲｽﾞで出現させる");
  wrap_box_->setObjectName(QStringLiteral("CheckBox1"));
  bar->addWidget(wrap_box_);
  color_box_->setObjectName(QStringLiteral("CheckBoxColor"));
  color_box_->setChecked(true);
  bar->addWidget(color_box_);
  QToolButton* copy_all = add_tool("sbCopyAll", "ｺﾋﾟｰ");
  QToolButton* clear = add_tool("sbClear", "クリア");
  bar->addStretch(1);

  view_->setObjectName(QStringLiteral("RichEditSource"));
  QFont font(QStringLiteral("Noto Sans CJK JP"));
  font.setPointSize(10);
  view_->setFont(font);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  status_bar_->setObjectName(QStringLiteral("StatusBar1"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 0);
  layout->addLayout(bar);
  layout->addWidget(view_, 1);
  layout->addWidget(status_bar_);

  connect(close, &QToolButton::clicked, this, &QWidget::close);
  connect(black, &QPushButton::clicked, this, [this] { ResetViewColors(view_); });
  connect(make_color, &QPushButton::clicked, this,
          [this] { ColorizeView(view_, ColorizeMode::kKeepCaret); });
  connect(here, &QToolButton::clicked, this, &TFormSource::SaveBounds);
  connect(wrap_box_, &QCheckBox::toggled, this, [this](bool on) {
    view_->setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  });
  connect(copy_all, &QToolButton::clicked, this,
          [this] { QApplication::clipboard()->setText(view_->toPlainText()); });
  connect(clear, &QToolButton::clicked, view_, &QPlainTextEdit::clear);
}

void TFormSource::SetFormSource(std::string_view sjis_text) {
  view_->SetSjisText(sjis_text);
  if (color_box_->isChecked()) {
    view_->SetTextMargins(40, 30);
    ColorizeViewChecked(view_, ColorizeMode::kToTop);
  } else {
    ResetViewColors(view_);
  }
}

// Values of 0 or less in the file leave the designed place and size.
void TFormSource::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (settings_file_.empty()) return;
  const std::optional<WindowBounds> bounds = ReadFormSourceBounds(settings_file_);
  if (!bounds) return;
  move(bounds->left > 0 ? bounds->left : x(), bounds->top > 0 ? bounds->top : y());
  resize(bounds->width > 0 ? bounds->width : width(),
         bounds->height > 0 ? bounds->height : height());
}

void TFormSource::SaveBounds() {
  if (settings_file_.empty()) return;
  WriteFormSourceBounds(settings_file_, {y(), x(), width(), height()});
}

}  // namespace kaplo::gui
