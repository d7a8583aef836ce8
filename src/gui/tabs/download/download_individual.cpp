// The download tab's single file sheets: a text file (stylesheet, script)
// and an image, each fetched, shown, opened and saved on its own. The engine
// does the work on the tab's worker; the sheets show copies of its state.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include "engine/reports.h"
#include "engine/url.h"
#include "gui/common/sjis.h"
#include "gui/common/window_ports.h"
#include "gui/common/gui_util.h"
#include "shell/messages.h"
#include "gui/tabs/download/download_tab.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/colorize_view.h"
#include "gui/widgets/flow_layout.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/rich_edit_ex.h"
#include "text/convert.h"

namespace kaplo::gui {

namespace {

const QStringList kCodes = CharsetChoices();

struct SheetButton {
  const char* name;
  const char* text;
  const char* hint;
  void (DownloadTab::*slot)();
};

// The buttons wrap where the sheet is narrow.
FlowLayout* ButtonRow(DownloadTab* tab, QWidget* parent,
                      std::initializer_list<SheetButton> buttons) {
  auto* row = new FlowLayout(nullptr, 2);
  for (const SheetButton& b : buttons) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(b.name));
    button->setText(U(b.text));
    button->setToolTip(U(b.hint));
    QObject::connect(button, &QToolButton::clicked, tab, b.slot);
    row->addWidget(button);
  }
  return row;
}

// The browser pane shows target (a URL or a local file; empty: blank) unless
// it already does. A pane not made yet is blank already.
void ShowInPane(const Lazy<BrowserPane>& pane, const std::string& target, std::string& shown) {
  if (target == shown) return;
  shown = target;
  if (target.empty() && !pane.IfMade()) return;
  pane->Navigate(target.empty() ? QStringLiteral("about:blank") : QsFromSjis(target));
}

}  // namespace

void DownloadTab::BuildIndividualSheet(QWidget* page) {
  auto* top = new QWidget(page);
  auto* grid = new QVBoxLayout(top);
  grid->setContentsMargins(2, 2, 2, 2);

  auto* url_row = new QHBoxLayout;
  indiv_url_ = new QComboBox(top);
  indiv_url_->setObjectName(QStringLiteral("EditPGTab02RTab07IndividualUrl"));
  indiv_url_->setEditable(true);
  indiv_url_->setInsertPolicy(QComboBox::NoInsert);
  indiv_url_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  url_row->addWidget(new QLabel(U("Url"), top));
  url_row->addWidget(indiv_url_, 1);
  grid->addLayout(url_row);

  auto* file_row = new QHBoxLayout;
  indiv_file_ = new QLineEdit(top);
  indiv_file_->setObjectName(QStringLiteral("BtnEditPGTab02RTab07IndividualFilename"));
  auto* choose = new QToolButton(top);
  choose->setObjectName(QStringLiteral("BtnEditPGTab02RTab07IndividualFilenameButton"));
  choose->setText(QStringLiteral("…"));
  connect(choose, &QToolButton::clicked, this,
          &DownloadTab::sbsbPGTab02RTab07IndividualOpenFileClick);
  file_row->addWidget(new QLabel(U("ﾌｧｲﾙ"), top));
  file_row->addWidget(indiv_file_, 1);
  file_row->addWidget(choose);
  grid->addLayout(file_row);

  grid->addLayout(
      ButtonRow(this, top,
                {{"sbPGTab02RTab07IndividualUrl", "表示", "ﾅﾋﾞｹﾞｰﾄ",
                  &DownloadTab::sbPGTab02RTab07IndividualUrlClick},
                 {"sbPGTab02RTab07IndividualDownload", "ﾀﾞｳﾝﾛｰﾄﾞ", "直接ﾀﾞｳﾝﾛｰﾄﾞ",
                  &DownloadTab::sbPGTab02RTab07IndividualDownloadClick},
                 {"sbsbPGTab02RTab07IndividualSaveFile", "保存", "保存",
                  &DownloadTab::sbsbPGTab02RTab07IndividualSaveFileClick},
                 {"sbsbPGTab02RTab07IndividualOpenFile", "開く", "ﾛｰｶﾙ･ﾌｧｲﾙを開く",
                  &DownloadTab::sbsbPGTab02RTab07IndividualOpenFileClick},
                 {"sbsbPGTab02RTab07IndividualOpenFileGo", "ﾌｧｲﾙを読む", "ﾌｧｲﾙ欄のﾌｧｲﾙを開く",
                  &DownloadTab::sbsbPGTab02RTab07IndividualOpenFileGoClick},
                 {"sbsbPGTab02RTab07IndividualMemoClear", "ｸﾘｱ", "ｸﾘｱ",
                  &DownloadTab::sbsbPGTab02RTab07IndividualMemoClearClick},
                 {"sbsbPGTab02RTab07IndividualCOPY", "ｺﾋﾟｰ", "ｺﾋﾟｰ",
                  &DownloadTab::sbsbPGTab02RTab07IndividualCOPYClick},
                 {"sbPGTab02RTab07IndividualUrlPaste", "貼付", "貼り付け",
                  &DownloadTab::sbPGTab02RTab07IndividualUrlPasteClick}}));

  auto* radios = new FlowLayout(nullptr, 2);
  radios->addWidget(new TRadioGroup(QStringLiteral("RadioGroupDLIndividualCode"),
                                    U(" 文字ｺｰﾄﾞ "), kCodes, 3, top));
  radios->addWidget(new TRadioGroup(QStringLiteral("RadioGroupDLIndividualCodeSaveFile"),
                                    U(" 保存する文字ｺｰﾄﾞ "), kCodes, 3, top));
  radios->addWidget(new TRadioGroup(QStringLiteral("RadioGroupDLIndividualScreen"),
                                    U(" 表示の選択 "),
                                    {U("自動"), U("ﾃｷｽﾄ"), U("画像")}, 3, top));
  grid->addLayout(radios);

  auto* split = new QSplitter(Qt::Vertical, page);
  split->setObjectName(QStringLiteral("SplitterDLIndividual"));
  indiv_memo_ = AddView(split, "MemoPGTab02RTab07Individual");
  split->addWidget(indiv_memo_.Place());
  indiv_browser_ = AddPane(split, "WebBrowserDLIndividual");
  split->addWidget(indiv_browser_.Place());
  split->setStretchFactor(0, 3);
  split->setStretchFactor(1, 1);

  auto* layout = static_cast<QVBoxLayout*>(page->layout());
  layout->addWidget(top);
  layout->addWidget(split, 1);
}

void DownloadTab::BuildImageSheet(QWidget* page) {
  auto* top = new QWidget(page);
  auto* grid = new QVBoxLayout(top);
  grid->setContentsMargins(2, 2, 2, 2);
  auto* url_row = new QHBoxLayout;
  image_url_ = new QLineEdit(top);
  image_url_->setObjectName(QStringLiteral("EditPGTab02RTab08ImageIndividualUrl"));
  url_row->addWidget(new QLabel(U("Url"), top));
  url_row->addWidget(image_url_, 1);
  grid->addLayout(url_row);
  auto* file_row = new QHBoxLayout;
  image_file_ = new QLineEdit(top);
  image_file_->setObjectName(QStringLiteral("BtnEditPGTab02RTab08ImageIndividualFilename"));
  file_row->addWidget(new QLabel(U("ﾌｧｲﾙ"), top));
  file_row->addWidget(image_file_, 1);
  grid->addLayout(file_row);
  grid->addLayout(
      ButtonRow(this, top,
                {{"sbPGTab02RTab08ImageIndividualGo", "表示", "ﾅﾋﾞｹﾞｰﾄ",
                  &DownloadTab::sbPGTab02RTab08ImageIndividualGoClick},
                 {"sbPGTab02RTab08ImageIndividualDownload", "ﾀﾞｳﾝﾛｰﾄﾞ", "Webから直接ﾀﾞｳﾝﾛｰﾄﾞ",
                  &DownloadTab::sbPGTab02RTab08ImageIndividualDownloadClick},
                 {"sbPGTab02RTab08ImageIndividualOpenFile", "開く", "ﾛｰｶﾙ･ﾌｧｲﾙを開く",
                  &DownloadTab::sbPGTab02RTab08ImageIndividualOpenFileClick},
                 {"sbPGTab02RTab08ImageIndividualClear", "ｸﾘｱ", "ｸﾘｱ",
                  &DownloadTab::sbPGTab02RTab08ImageIndividualClearClick},
                 {"sbPGTab02RTab08ImageIndividualPaste", "貼付", "貼り付け",
                  &DownloadTab::sbPGTab02RTab08ImageIndividualPasteClick}}));
  image_browser_ = AddPane(page, "WebBrowserIndividualImage");
  auto* layout = static_cast<QVBoxLayout*>(page->layout());
  layout->addWidget(top);
  layout->addWidget(image_browser_.Place(), 1);
}

SingleTextRequest DownloadTab::TextSheetRequest() const {
  SingleTextRequest r;
  r.url = SjisFromQs(indiv_url_->currentText());
  r.file = SjisFromQs(indiv_file_->text());
  // A memo not made yet has never held a text.
  const TRichEditEx* memo = indiv_memo_.IfMade();
  r.memo = memo ? memo->SjisText() : std::string();
  r.code = radio_.indiv_code->ItemIndex();
  r.save_code = radio_.indiv_save_code->ItemIndex();
  r.screen = radio_.indiv_screen->ItemIndex();
  r.save_folder = SjisFromQs(save_folder_->text());
  return r;
}

void DownloadTab::ShowUrlBox(QComboBox* box, const std::vector<std::string>& history,
                             const std::string& text) {
  std::vector<std::string> items;
  for (int i = 0; i < box->count(); ++i) items.push_back(SjisFromQs(box->itemText(i)));
  if (items != history) {
    const QString current = box->currentText();
    box->clear();
    for (const std::string& item : history) box->addItem(QsFromSjis(item));
    box->setEditText(current);
  }
  if (box->currentText() != QsFromSjis(text)) box->setEditText(QsFromSjis(text));
}

void DownloadTab::ShowTextSheet(const SingleTextResult& r) {
  if (SjisFromQs(indiv_url_->currentText()) != r.url) indiv_url_->setEditText(QsFromSjis(r.url));
  if (SjisFromQs(indiv_file_->text()) != r.file) indiv_file_->setText(QsFromSjis(r.file));
  // The memo is the user's to edit: only a changed text replaces it.
  const TRichEditEx* memo = indiv_memo_.IfMade();
  if (memo ? memo->SjisText() != r.memo : !r.memo.empty()) {
    indiv_memo_->SetSjisText(r.memo);
    ResetViewColors(indiv_memo_.get());
  }
  ShowInPane(indiv_browser_, r.browser, indiv_browser_shown_);
}

void DownloadTab::ShowImageSheet(const std::string& url, const std::string& file,
                                 const std::string& browser) {
  image_url_->setText(QsFromSjis(url));
  image_file_->setText(QsFromSjis(file));
  ShowInPane(image_browser_, browser, image_browser_shown_);
}

void DownloadTab::RunSheetAction(std::function<void()> work) {
  if (Busy()) return;
  // Showing the same address again reloads it.
  indiv_browser_shown_ = "\x01";
  image_browser_shown_ = "\x01";
  sheet_work_ = StartWorker(std::move(work));
}

void DownloadTab::RunTextSheet(std::function<SingleTextResult(const SingleTextRequest&)> action) {
  RunSheetAction([this, action = std::move(action), request = TextSheetRequest()] {
    SingleTextResult result = action(request);
    Post([this, result = std::move(result)] { ShowTextSheet(result); });
  });
}

// ---- the text sheet ----

void DownloadTab::sbPGTab02RTab07IndividualUrlClick() {
  RunTextSheet([this](const SingleTextRequest& r) { return ShowSingleText(*fetcher_, r); });
}

void DownloadTab::sbPGTab02RTab07IndividualDownloadClick() {
  RunTextSheet(
      [this](const SingleTextRequest& r) { return FetchSingleText(*fetcher_, *ports_, r); });
}

void DownloadTab::sbsbPGTab02RTab07IndividualSaveFileClick() {
  RunTextSheet([this](const SingleTextRequest& r) { return SaveSingleText(*ports_, r); });
}

void DownloadTab::sbsbPGTab02RTab07IndividualOpenFileClick() {
  if (Busy()) return;
  const QString start = QFileInfo(indiv_file_->text()).absolutePath();
  const QString file = QFileDialog::getOpenFileName(
      this, QString(), indiv_file_->text().isEmpty() ? QString() : start,
      U("ﾃｷｽﾄﾌｧｲﾙ (*.css *.js *.htm *.html *.txt);;すべてのﾌｧｲﾙ（ *.* ）(*)"));
  if (file.isEmpty()) return;
  const std::string chosen = SjisFromQs(file);
  RunTextSheet([chosen](const SingleTextRequest& r) { return OpenSingleText(r, chosen); });
}

void DownloadTab::sbsbPGTab02RTab07IndividualOpenFileGoClick() {
  if (indiv_file_->text().trimmed().isEmpty()) {
    sbsbPGTab02RTab07IndividualOpenFileClick();
    return;
  }
  RunTextSheet([](const SingleTextRequest& r) { return OpenSingleText(r, r.file); });
}

void DownloadTab::sbsbPGTab02RTab07IndividualMemoClearClick() {
  if (Busy()) return;
  ShowTextSheet({.url = SjisFromQs(indiv_url_->currentText())});
}

void DownloadTab::sbsbPGTab02RTab07IndividualCOPYClick() {
  QApplication::clipboard()->setText(indiv_memo_->toPlainText());
}

void DownloadTab::sbPGTab02RTab07IndividualUrlPasteClick() {
  indiv_url_->setEditText(QApplication::clipboard()->text());
}

// ---- the image sheet ----

void DownloadTab::sbPGTab02RTab08ImageIndividualGoClick() {
  if (Busy()) return;
  image_browser_shown_ = "\x01";  // shown again: it reloads
  const std::string url(Trimmed(image_url_->text()));
  ShowImageSheet(url, SjisFromQs(image_file_->text()), IsHttpUrl(url) ? url : std::string());
}

void DownloadTab::sbPGTab02RTab08ImageIndividualDownloadClick() {
  const SingleImageRequest request{.url = SjisFromQs(image_url_->text()),
                                   .save_folder = SjisFromQs(save_folder_->text())};
  RunSheetAction([this, request] {
    const SingleImageResult r = FetchSingleImage(*fetcher_, *ports_, request);
    Post([this, r] {
      ShowImageSheet(r.url, r.file, r.browser);
      if (r.save_folder != SjisFromQs(save_folder_->text())) {
        save_folder_->setText(QsFromSjis(r.save_folder));
      }
    });
  });
}

void DownloadTab::sbPGTab02RTab08ImageIndividualOpenFileClick() {
  if (Busy()) return;
  const QString file = QFileDialog::getOpenFileName(
      this, QString(), QFileInfo(image_file_->text()).absolutePath(),
      U("画像ﾌｧｲﾙ (*.gif *.jpg *.jpeg *.png *.bmp *.webp *.svg);;すべてのﾌｧｲﾙ（ *.* ）(*)"));
  if (file.isEmpty()) return;
  const std::string chosen = SjisFromQs(file);
  ShowImageSheet(SjisFromQs(image_url_->text()), chosen, chosen);
}

void DownloadTab::sbPGTab02RTab08ImageIndividualClearClick() {
  // The browser only: the address and the file stay for the next fetch.
  if (Busy()) return;
  ShowInPane(image_browser_, {}, image_browser_shown_);
}

void DownloadTab::sbPGTab02RTab08ImageIndividualPasteClick() {
  image_url_->setText(QApplication::clipboard()->text());
}

// ---- the download lists ----

void DownloadTab::DownloadListClick(const std::string& list, const std::string& line) {
  if (line.empty() || Busy()) return;
  const ResourceFields f = SplitResourceLine(line);
  if (list == "ListBoxPGTab02LTab02PageWebCSS" ||
      list == "ListBoxPGTab02LTab04DLCSSFileImportCSS" ||
      list == "ListBoxPGTab02LTab06DLImportCSSImage") {
    // A line fills both address boxes and the text sheet's file box, then shows.
    image_url_->setText(QsFromSjis(f.absolute_url));
    indiv_url_->setEditText(QsFromSjis(f.absolute_url));
    indiv_file_->setText(QsFromSjis(f.local_path));
    sbPGTab02RTab07IndividualUrlClick();
    ShowPage(DownloadPage::Individual);
  } else if (list == "ListBoxPGTab02LTab03PageImage") {
    indiv_url_->setEditText(QsFromSjis(f.absolute_url));
    ShowImageSheet(f.absolute_url, f.local_path,
                   IsHttpUrl(f.absolute_url) ? f.absolute_url : std::string());
    ShowPage(DownloadPage::ImageIndividual);
  } else if (list == "ListBoxPGTab02LTab02PageFileDownloaedCSSJS") {
    // The file is read in the code chosen beside its list.
    const std::string path = RemoveDownloadMark(line);
    if (!IsFile(path)) {
      css_js_win_file_->setText(QsFromSjis(path));
      if (TRichEditEx* memo = css_js_memo_.IfMade()) memo->clear();
      prompter_->Inform(msg::FileNotFound());
      return;
    }
    SingleTextRequest request = TextSheetRequest();
    request.code = css_js_code_->ItemIndex();
    ShowTextSheet(OpenSingleText(request, path));
    ShowPage(DownloadPage::Individual);
  } else if (list == "ListBoxPGTab02LTab03PageImageDownloaedImage") {
    const std::string path = RemoveDownloadMark(line);
    if (!IsFile(path)) {
      prompter_->Inform(msg::FileNotFound());
      return;
    }
    ShowImageSheet(SjisFromQs(image_url_->text()), SjisFromQs(image_file_->text()), path);
    ShowPage(DownloadPage::ImageIndividual);
  }
}

}  // namespace kaplo::gui
