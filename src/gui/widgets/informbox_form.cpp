#include "gui/widgets/informbox_form.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/widgets/colorize_view.h"
#include "gui/widgets/rich_edit_ex.h"
#include "gui/widgets/view_text.h"

namespace kaplo::gui {

TInformboxForm::TInformboxForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint),
      label_(new QLabel(QString::fromUtf8(" 情報ｂｏｘ "), this)),
      memo_top_(new TRichEditEx(this)),
      memo_bottom_(new QPlainTextEdit(this)) {
  setObjectName(QStringLiteral("InformboxForm"));
  setWindowTitle(QString::fromUtf8("\u3000\u3000情報ボックス "));
  setModal(true);
  resize(760, 560);

  auto* close = new QToolButton(this);
  close->setObjectName(QStringLiteral("sbClose"));
  close->setText(QString::fromUtf8("閉じる"));
  connect(close, &QToolButton::clicked, this, &QDialog::accept);
  label_->setObjectName(QStringLiteral("LabelInfo"));
  label_->setWordWrap(true);

  QFont mono(QStringLiteral("Noto Sans Mono CJK JP"));
  mono.setPointSize(10);
  memo_top_->setObjectName(QStringLiteral("MemoMemoNSHTTPGetFile"));
  memo_bottom_->setObjectName(QStringLiteral("MemoNSHTTPGet"));
  for (QPlainTextEdit* memo : {static_cast<QPlainTextEdit*>(memo_top_), memo_bottom_}) {
    memo->setFont(mono);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  }
  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->setObjectName(QStringLiteral("Splitter1"));
  splitter->addWidget(memo_top_);
  splitter->addWidget(memo_bottom_);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 1);

  auto* top = new QHBoxLayout;
  top->addWidget(close);
  top->addWidget(label_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(splitter, 1);
}

void TInformboxForm::SetInformation(std::string_view label, std::string_view text) {
  label_->setText(SjisToViewText(label));
  memo_bottom_->clear();
  ShowColored(memo_top_, text);
}

void TInformboxForm::ShowInformation(std::string_view label, std::string_view text) {
  SetInformation(label, text);
  exec();
}

void TInformboxForm::ShowReport(std::string_view upper, std::string_view lower) {
  label_->clear();
  memo_top_->SetSjisText(upper);
  ResetViewColors(memo_top_);
  memo_bottom_->setPlainText(SjisToViewText(lower));
  exec();
}

}  // namespace kaplo::gui
