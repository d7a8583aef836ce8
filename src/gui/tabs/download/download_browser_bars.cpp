// The bars above the download tab's two browser panes: back, home, the
// address buttons, and the keyword bar that highlights in the page.
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QComboBox>
#include <QVBoxLayout>

#include "engine/url.h"
#include "gui/common/desktop.h"
#include "gui/common/gui_util.h"
#include "gui/tabs/download/download_tab.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/keyword_bar.h"

namespace kaplo::gui {

namespace {

struct BarButton {
  const char* name;
  const char* caption;
  void (DownloadTab::*click)();
};

QWidget* MakeBar(DownloadTab* tab, QWidget* parent, std::initializer_list<BarButton> buttons,
                 QWidget* keywords) {
  auto* bar = new QWidget(parent);
  auto* column = new QVBoxLayout(bar);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(2);
  auto* line = new QHBoxLayout;
  for (const BarButton& b : buttons) {
    auto* button = new QPushButton(U(b.caption), bar);
    button->setObjectName(QString::fromLatin1(b.name));
    button->setToolTip(U(b.caption));
    QObject::connect(button, &QPushButton::clicked, tab, b.click);
    line->addWidget(button);
  }
  line->addStretch(1);
  column->addLayout(line);
  keywords->setParent(bar);
  column->addWidget(keywords);
  return bar;
}

// A browser's address as a file path: without "file://".
std::string LocalPathOf(const QString& text) {
  QString path = text.trimmed();
  if (path.startsWith(QLatin1String("file://"), Qt::CaseInsensitive)) path = QUrl(path).toLocalFile();
  return SjisFromQs(path);
}

}  // namespace

QWidget* DownloadTab::BuildWebBrowserBar(QWidget* parent, Lazy<BrowserPane> pane) {
  auto* keywords =
      new BrowserKeywordBar(BrowserBarRowOf("ComboBoxWBBrowserSearch"), pane, parent);
  return MakeBar(this, parent,
                 {{"sbDLBackward", "戻る", &DownloadTab::sbDLBackwardClick},
                  {"sbDLHome", "ﾎｰﾑ（ ﾄｯﾌﾟﾍﾟｰｼﾞ ）", &DownloadTab::sbDLHomeClick},
                  {"sbDLWebNavigateHome", "ホーム", &DownloadTab::sbDLWebNavigateHomeClick},
                  {"sbDLWebNavigateCOPY", "Ｕｒｌのコピー", &DownloadTab::sbDLWebNavigateCOPYClick},
                  {"sbDLWebNavigateOpenIE", "ＷｅｂページのＩＥ表示",
                   &DownloadTab::sbDLWebNavigateOpenIEClick}},
                 keywords);
}

QWidget* DownloadTab::BuildLocalBrowserBar(QWidget* parent, Lazy<BrowserPane> pane) {
  auto* keywords =
      new BrowserKeywordBar(BrowserBarRowOf("ComboBoxWBBrowserLocalSearch"), pane, parent);
  QWidget* bar = MakeBar(
      this, parent,
      {{"sbDLBackLocalBrowser", "戻る", &DownloadTab::sbDLBackLocalBrowserClick},
       {"sbDLNavigateLocalHome", "ホーム", &DownloadTab::sbDLNavigateLocalHomeClick},
       {"sbDLNavigateLocalOpenFile", "ﾛｰｶﾙ・ﾍﾟｰｼﾞを開く",
        &DownloadTab::sbDLNavigateLocalOpenFileClick},
       {"sbDLNavigateLocalHomeOpenIE", "ﾛｰｶﾙ・ﾍﾟｰｼﾞのＩＥ表示",
        &DownloadTab::sbDLNavigateLocalHomeOpenIEClick}},
      keywords);
  label_local_src_ = new QLabel(bar);
  label_local_src_->setObjectName(QStringLiteral("LabelLocalHTMLSrc"));
  label_local_src_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  bar->layout()->addWidget(label_local_src_);
  return bar;
}

void DownloadTab::sbDLBackwardClick() {
  web_pane_->GoBack();
  save_folder_->clear();
  local_file_->clear();
  ShowPage(DownloadPage::WebBrowse);
  ShowPage(DownloadPage::WebHtml);
}

void DownloadTab::sbDLHomeClick() {
  if (Busy()) return;
  SetRunning(false);
  std::string from = engine_->Labels().page_address;
  if (from.empty()) from = Trimmed(url_box_->currentText());
  if (from.empty()) return;
  url_box_->setEditText(QsFromSjis(UrlRoot(from)));
  local_file_->clear();
  sbDLNavigateClick();
}

void DownloadTab::sbDLWebNavigateHomeClick() {
  const std::string url = Trimmed(label_web_url_->text());
  if (!IsHttpUrl(url)) return;
  web_pane_->Navigate(QsFromSjis(url));
  url_box_->setEditText(QsFromSjis(url));
}

void DownloadTab::sbDLWebNavigateCOPYClick() {
  QApplication::clipboard()->setText(label_web_url_->text());
  url_box_->setEditText(label_web_url_->text());
}

void DownloadTab::sbDLWebNavigateOpenIEClick() {
  const std::string url = Trimmed(label_web_url_->text());
  if (IsHttpUrl(url)) OpenExternally(url);
}

void DownloadTab::sbDLBackLocalBrowserClick() { result_pane_->GoBack(); }

void DownloadTab::sbDLNavigateLocalHomeClick() {
  const std::string file = LocalPathOf(label_local_url_->text());
  if (IsFile(file)) result_pane_->Navigate(QsFromSjis(file));
}

void DownloadTab::sbDLNavigateLocalOpenFileClick() {
  const QString title = U("ﾛｰｶﾙ・ﾍﾟｰｼﾞを開く");
  const QString chosen =
      open_file_dialog_
          ? open_file_dialog_(title)
          : QFileDialog::getOpenFileName(this, title, QString(),
                                         U("HTML (*.htm *.html *.mht);;All (*)"));
  if (chosen.isEmpty()) return;
  std::string name = SjisFromQs(chosen);
  if (name.find(".htm") == std::string::npos) {
    if (!IsFile(name + ".html")) return;
    name += ".html";
  }
  if (IsFile(name)) {
    result_pane_->Navigate(QsFromSjis(name));
    label_local_url_->setText(QsFromSjis(name));
    label_local_src_->setText(QsFromSjis(name));
  } else {
    result_pane_->Navigate(QStringLiteral("about:blank"));
    label_local_url_->clear();
    label_local_src_->clear();
  }
}

void DownloadTab::sbDLNavigateLocalHomeOpenIEClick() {
  const QString text = label_local_url_->text().trimmed();
  const std::string url = SjisFromQs(text);
  if (IsHttpUrl(url)) {
    OpenExternally(url);
  } else if (const std::string file = LocalPathOf(text); IsFile(file)) {
    OpenExternally(file);
  }
}

}  // namespace kaplo::gui
