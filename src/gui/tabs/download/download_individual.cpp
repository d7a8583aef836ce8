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

#include "gui/common/sjis.h"
#include "gui/tabs/download/download_tab.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/colorize_view.h"
#include "gui/widgets/flow_layout.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/rich_edit_ex.h"
#include "text/convert.h"

namespace kaplo::gui {

namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

const QStringList kCodes{Text("自動"),      Text("EUC-JP"),      Text("UTF-8"),
                         Text("Shift_JIS"), Text("ISO-2022-JP"), Text("UTF-8N")};

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
    button->setText(Text(b.text));
    button->setToolTip(Text(b.hint));
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
  url_row->addWidget(new QLabel(Text("Url"), top));
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
  file_row->addWidget(new QLabel(Text("ﾌｧｲﾙ"), top));
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
                                    Text(" 文字ｺｰﾄﾞ "), kCodes, 3, top));
  radios->addWidget(new TRadioGroup(QStringLiteral("RadioGroupDLIndividualCodeSaveFile"),
                                    Text(" 保存する文字ｺｰﾄﾞ "), kCodes, 3, top));
  radios->addWidget(new TRadioGroup(QStringLiteral("RadioGroupDLIndividualScreen"),
                                    Text(" 表示の選択 "),
                                    {Text("自動"), Text("ﾃｷｽﾄ"), Text("画像")}, 3, top));
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
  url_row->addWidget(new QLabel(Text("Url"), top));
  url_row->addWidget(image_url_, 1);
  grid->addLayout(url_row);
  auto* file_row = new QHBoxLayout;
  image_file_ = new QLineEdit(top);
  image_file_->setObjectName(QStringLiteral("BtnEditPGTab02RTab08ImageIndividualFilename"));
  file_row->addWidget(new QLabel(Text("ﾌｧｲﾙ"), top));
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

void DownloadTab::SheetsToEngine() {
  DownloadForm& f = engine_->form;
  f.individual_url = SjisFromQs(indiv_url_->currentText());
  f.individual_url_history.clear();
  for (int i = 0; i < indiv_url_->count(); ++i) {
    f.individual_url_history.push_back(SjisFromQs(indiv_url_->itemText(i)));
  }
  IndividualTextSheet& t = engine_->individual;
  t.file = SjisFromQs(indiv_file_->text());
  // A memo not made yet has never held a text.
  const TRichEditEx* memo = indiv_memo_.IfMade();
  t.memo = memo ? memo->SjisText() : std::string();
  t.code = radio_.indiv_code->ItemIndex();
  t.save_code = radio_.indiv_save_code->ItemIndex();
  t.screen = radio_.indiv_screen->ItemIndex();
  t.css_js_win_filename = SjisFromQs(css_js_win_file_->text());
  engine_->individual_image.url = SjisFromQs(image_url_->text());
  engine_->individual_image.file = SjisFromQs(image_file_->text());
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

void DownloadTab::ShowSheets(const DownloadForm& f, const IndividualTextSheet& t,
                             const IndividualImageSheet& image) {
  ShowUrlBox(indiv_url_, f.individual_url_history, f.individual_url);
  auto set = [](QLineEdit* edit, const std::string& text) {
    const QString q = QsFromSjis(text);
    if (edit->text() != q) edit->setText(q);
  };
  set(indiv_file_, t.file);
  set(image_url_, image.url);
  set(image_file_, image.file);
  css_js_win_file_->setText(QsFromSjis(t.css_js_win_filename));
  // The memo is the user's to edit: only a changed text replaces it.
  const TRichEditEx* memo = indiv_memo_.IfMade();
  if (memo ? memo->SjisText() != t.memo : !t.memo.empty()) {
    indiv_memo_->SetSjisText(t.memo);
    ResetViewColors(indiv_memo_.get());
  }
  ShowInPane(indiv_browser_, t.browser, indiv_browser_shown_);
  ShowInPane(image_browser_, image.browser, image_browser_shown_);
}

void DownloadTab::RunSheetAction(std::function<void()> work) {
  if (Busy()) return;
  // Showing the same address again reloads it.
  indiv_browser_shown_ = "\x01";
  image_browser_shown_ = "\x01";
  StartWorker(std::move(work));
}

// ---- the text sheet ----

void DownloadTab::sbPGTab02RTab07IndividualUrlClick() {
  RunSheetAction([this] { engine_->sbPGTab02RTab07IndividualUrlClick(); });
}

void DownloadTab::sbPGTab02RTab07IndividualDownloadClick() {
  RunSheetAction([this] { engine_->sbPGTab02RTab07IndividualDownloadClick(); });
}

void DownloadTab::sbsbPGTab02RTab07IndividualSaveFileClick() {
  RunSheetAction([this] { engine_->sbsbPGTab02RTab07IndividualSaveFileClick(); });
}

void DownloadTab::sbsbPGTab02RTab07IndividualOpenFileClick() {
  if (Busy()) return;
  const QString start = QFileInfo(indiv_file_->text()).absolutePath();
  const QString file = QFileDialog::getOpenFileName(
      this, QString(), indiv_file_->text().isEmpty() ? QString() : start,
      Text("ﾃｷｽﾄﾌｧｲﾙ (*.css *.js *.htm *.html *.txt);;すべてのﾌｧｲﾙ（ *.* ）(*)"));
  if (file.isEmpty()) return;
  const std::string chosen = SjisFromQs(file);
  RunSheetAction([this, chosen] { engine_->IndividualOpenFile(chosen); });
}

void DownloadTab::sbsbPGTab02RTab07IndividualOpenFileGoClick() {
  if (indiv_file_->text().trimmed().isEmpty()) {
    sbsbPGTab02RTab07IndividualOpenFileClick();
    return;
  }
  RunSheetAction([this] { engine_->sbsbPGTab02RTab07IndividualOpenFileGoClick(); });
}

void DownloadTab::sbsbPGTab02RTab07IndividualMemoClearClick() {
  RunSheetAction([this] { engine_->sbsbPGTab02RTab07IndividualMemoClearClick(); });
}

void DownloadTab::sbsbPGTab02RTab07IndividualCOPYClick() {
  QApplication::clipboard()->setText(indiv_memo_->toPlainText());
}

void DownloadTab::sbPGTab02RTab07IndividualUrlPasteClick() {
  indiv_url_->setEditText(QApplication::clipboard()->text());
}

// ---- the image sheet ----

void DownloadTab::sbPGTab02RTab08ImageIndividualGoClick() {
  RunSheetAction([this] { engine_->sbPGTab02RTab08ImageIndividualGoClick(); });
}

void DownloadTab::sbPGTab02RTab08ImageIndividualDownloadClick() {
  RunSheetAction([this] { engine_->sbPGTab02RTab08ImageIndividualDownloadClick(); });
}

void DownloadTab::sbPGTab02RTab08ImageIndividualOpenFileClick() {
  if (Busy()) return;
  const QString file = QFileDialog::getOpenFileName(
      this, QString(), QFileInfo(image_file_->text()).absolutePath(),
      Text("画像ﾌｧｲﾙ (*.gif *.jpg *.jpeg *.png *.bmp *.webp *.svg);;すべてのﾌｧｲﾙ（ *.* ）(*)"));
  if (file.isEmpty()) return;
  const std::string chosen = SjisFromQs(file);
  RunSheetAction([this, chosen] { engine_->IndividualOpenImage(chosen); });
}

void DownloadTab::sbPGTab02RTab08ImageIndividualClearClick() {
  RunSheetAction([this] { engine_->sbPGTab02RTab08ImageIndividualClearClick(); });
}

void DownloadTab::sbPGTab02RTab08ImageIndividualPasteClick() {
  image_url_->setText(QApplication::clipboard()->text());
}

// ---- the download lists ----

void DownloadTab::DownloadListClick(const std::string& list, const std::string& line) {
  if (line.empty() || Busy()) return;
  if (list == "ListBoxPGTab02LTab02PageWebCSS" ||
      list == "ListBoxPGTab02LTab04DLCSSFileImportCSS" ||
      list == "ListBoxPGTab02LTab06DLImportCSSImage") {
    RunSheetAction([this, line] { engine_->ListBoxDlLIndividual(line); });
  } else if (list == "ListBoxPGTab02LTab03PageImage") {
    RunSheetAction([this, line] { engine_->ListBoxDLIndividualImage(line); });
  } else if (list == "ListBoxPGTab02LTab02PageFileDownloaedCSSJS") {
    // The stylesheets' files are read in the code they were saved in.
    const int code = radio_.css_js_charset->ItemIndex();
    RunSheetAction([this, line, code] {
      if (!engine_->ListBoxDLIndividualOutcome(line, code)) {
        Post([this] {
          if (TRichEditEx* memo = css_js_memo_.IfMade()) memo->clear();
        });
      }
    });
  } else if (list == "ListBoxPGTab02LTab03PageImageDownloaedImage") {
    RunSheetAction([this, line] {
      if (engine_->ListBoxDLIndividualImageOutcome(line)) {
        Post([this] { ShowPage(DownloadPage::ImageIndividual); });
      }
    });
  }
}

}  // namespace kaplo::gui
