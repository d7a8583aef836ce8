#include "gui/tabs/flash/flash_tab.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineSettings>

#include "gui/common/sjis.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/colorize_view.h"
#include "gui/widgets/rich_edit_ex.h"
#include "text/normalise.h"
#include "workspace/flash_page.h"

namespace kaplo::gui {

void FlashTab::Build(TabContext& context) {
  setObjectName(QStringLiteral("PanelPGMainTab04FlashPlayer"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);

  auto* bar = new QHBoxLayout;
  file_box_ = new QLineEdit(this);
  file_box_->setObjectName(QStringLiteral("BtnEditLocalFlashPlayer"));
  auto* browse = new QToolButton(this);
  browse->setText(QStringLiteral("…"));
  auto* show = new QPushButton(QStringLiteral("表示"), this);
  show->setObjectName(QStringLiteral("btnFlashPlayerShow"));
  auto* stop = new QPushButton(QStringLiteral("Stop"), this);
  stop->setObjectName(QStringLiteral("btnFlashPlayerStop"));
  auto* outer = new QPushButton(QStringLiteral("HTMLの取得"), this);
  outer->setObjectName(QStringLiteral("btnFlashPlayerOuterHtml"));
  clear_first_ = new QCheckBox(QStringLiteral("表示前にｸﾘｱする  "), this);
  clear_first_->setObjectName(QStringLiteral("CheckBoxFlushPlayer"));
  bar->addWidget(file_box_, 1);
  bar->addWidget(browse);
  bar->addWidget(show);
  bar->addWidget(stop);
  bar->addWidget(outer);
  bar->addWidget(clear_first_);
  layout->addLayout(bar);

  no_plugin_ = new QLabel(
      QStringLiteral("Flash は再生できません（ このブラウザにはプラグインがありません ）。"
                     "ページとそのHTMLだけを表示します。"),
      this);
  no_plugin_->setObjectName(QStringLiteral("LabelFlashNoPlugin"));
  layout->addWidget(no_plugin_);

  auto* split = new QSplitter(Qt::Horizontal, this);
  files_ = new QListWidget(split);
  files_->setObjectName(QStringLiteral("ListBoxFlashPlayer"));
  source_ = MakeLazy<TRichEditEx>(QStringLiteral("RichEditFlashPlayerSource"), split,
                                  [](QWidget* p) {
                                    auto* view = new TRichEditEx(p);
                                    view->SetLineNumbers(true);
                                    return view;
                                  });
  split->addWidget(source_.Place());
  split->setStretchFactor(1, 3);
  layout->addWidget(split, 1);
  // The pane holds the written page so its document can be read back; an
  // empty plug-in area is not worth the room.
  // Nothing is loaded until the tab is used, so the pane needs no empty page.
  pane_ = MakeLazy<BrowserPane>(QStringLiteral("WebBrowserFlashPlayer"), this, [](QWidget* p) {
    auto* pane = new BrowserPane(QStringLiteral("WebBrowserFlashPlayer"), p);
    pane->page()->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls,
                                           false);
    return pane;
  });
  pane_.Place()->hide();

  connect(browse, &QToolButton::clicked, this, &FlashTab::BtnEditLocalFlashPlayerClick);
  connect(show, &QPushButton::clicked, this, &FlashTab::btnFlashPlayerShowClick);
  connect(stop, &QPushButton::clicked, this, &FlashTab::btnFlashPlayerStopClick);
  connect(outer, &QPushButton::clicked, this, &FlashTab::btnFlashPlayerOuterHtmlClick);
  context.page->layout()->addWidget(this);
}

BrowserPane* FlashTab::Pane() const { return pane_.get(); }
TRichEditEx* FlashTab::SourceView() const { return source_.get(); }

void FlashTab::TakeAddress(const QString& address) {
  file_box_->setText(address);
  btnFlashPlayerShowClick();
}

void FlashTab::BtnEditLocalFlashPlayerClick() {
  const QString file =
      QFileDialog::getOpenFileName(this, QString(), file_box_->text(),
                                   QStringLiteral("Flash (*.swf);;HTML (*.html *.htm);;* (*)"));
  if (file.isEmpty()) return;
  file_box_->setText(file);
  btnFlashPlayerShowClick();
}

void FlashTab::btnFlashPlayerShowClick() {
  QString path = file_box_->text().trimmed();
  if (path.isEmpty()) return;
  path.replace(QLatin1Char('\\'), QLatin1Char('/'));
  if (clear_first_->isChecked()) {
    files_->clear();
    pane_->Navigate(QStringLiteral("about:blank"));
  }
  files_->addItem(path);
  const QByteArray utf8 = path.toUtf8();
  const std::string page = LocalFlashPage(std::string_view(utf8.constData(), utf8.size()));
  pane_->Write(QsFromSjis(page), QUrl::fromLocalFile(path));
  ShowColored(source_.get(), page);
}

void FlashTab::btnFlashPlayerStopClick() {
  pane_->Navigate(QStringLiteral("about:blank"));
  files_->clear();
  if (TRichEditEx* view = source_.IfMade()) view->clear();
}

void FlashTab::btnFlashPlayerOuterHtmlClick() {
  ShowColored(source_.get(), NormaliseHtml(SjisFromQs(pane_->OuterHtml(), Unmappable::CharRef)));
}

}  // namespace kaplo::gui
