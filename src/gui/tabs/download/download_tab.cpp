#include "gui/tabs/download/download_tab.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QThread>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <utility>

#include "gui/common/sjis.h"
#include "engine/local_path.h"
#include "engine/parallel_fetch.h"
#include "engine/url.h"
#include "gui/common/app_texts.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/colorize_view.h"
#include "gui/widgets/informbox_form.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/rich_edit_ex.h"
#include "text/convert.h"

namespace kaplo::gui {

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }
std::string Sj(const char* utf8) { return Utf8ToShiftJIS(utf8); }

std::string Trimmed(const QString& text) { return SjisFromQs(text.trimmed()); }

using ListMember = std::vector<std::string> DownloadLists::*;

struct ListSpec {
  const char* name;
  ListMember member;
};

constexpr std::array<ListSpec, 18> kLists{{
    {"ListBoxPGTab02LTab02PageWebCSS", &DownloadLists::ListBoxPGTab02LTab02PageWebCSS},
    {"ListBoxPGTab02LTab02PageFileDownloaedCSSJS",
     &DownloadLists::ListBoxPGTab02LTab02PageFileDownloaedCSSJS},
    {"ListBoxPGTab02LTab03PageImage", &DownloadLists::ListBoxPGTab02LTab03PageImage},
    {"ListBoxPGTab02LTab03PageImageDownloaedImage",
     &DownloadLists::ListBoxPGTab02LTab03PageImageDownloaedImage},
    {"ListBoxPGTab02LTab04DLCSSFileImportCSS", &DownloadLists::ListBoxPGTab02LTab04DLCSSFileImportCSS},
    {"ListBoxPGTab02LTab04ImportCSSFileDownloaedCSSJS",
     &DownloadLists::ListBoxPGTab02LTab04ImportCSSFileDownloaedCSSJS},
    {"ListBoxPGTab02LTab04ImportHTMLSWF", &DownloadLists::ListBoxPGTab02LTab04ImportHTMLSWF},
    {"ListBoxPGTab02LTab04ImportHTMLCSSForBase",
     &DownloadLists::ListBoxPGTab02LTab04ImportHTMLCSSForBase},
    {"ListBoxPGTab02LTab05UseRoot", &DownloadLists::ListBoxPGTab02LTab05UseRoot},
    {"ListBoxPGTab02LTab06DLImportCSSImage", &DownloadLists::ListBoxPGTab02LTab06DLImportCSSImage},
    {"ListBoxPGTab02LTab06DLImageNotFound", &DownloadLists::ListBoxPGTab02LTab06DLImageNotFound},
    {"ListBoxPGTab02LTab07DLAllCSSFileImportCSS",
     &DownloadLists::ListBoxPGTab02LTab07DLAllCSSFileImportCSS},
    {"ListBoxPGTab02LTab07AllImportCSSFileDownloaedCSSJS",
     &DownloadLists::ListBoxPGTab02LTab07AllImportCSSFileDownloaedCSSJS},
    {"ListBoxPGTab02LTab08UnkownImage", &DownloadLists::ListBoxPGTab02LTab08UnkownImage},
    {"ListBoxPGTab02LTab09LHref", &DownloadLists::ListBoxPGTab02LTab09LHref},
    {"ListBoxIEImage", &DownloadLists::ListBoxIEImage},
    {"ListBoxWBInFrameFileList", &DownloadLists::ListBoxWBInFrameFileList},
    {"ListBoxGUICSS", &DownloadLists::ListBoxGUICSS},
}};

const QStringList kCharsets{U("自動"), U("EUC-JP"), U("UTF-8"), U("Shift_JIS"), U("ISO-2022-JP"),
                            U("UTF-8N")};

// Questions as message boxes, the save dialog as a file dialog.
class MessagePrompter : public Prompter {
 public:
  MessagePrompter(QWidget* parent, std::function<TInformboxForm*()> information)
      : parent_(parent), information_(std::move(information)) {}

  Answer Ask(std::string_view question, Buttons buttons) override {
    QMessageBox::StandardButtons set = QMessageBox::Yes | QMessageBox::No;
    if (buttons == Buttons::YesNoCancel) set |= QMessageBox::Cancel;
    const auto b = QMessageBox::question(parent_, U(kAppTitle), QsFromSjis(question), set);
    if (b == QMessageBox::Yes) return Answer::Yes;
    if (b == QMessageBox::No) return Answer::No;
    return buttons == Buttons::YesNoCancel ? Answer::Cancel : Answer::No;
  }
  void Inform(std::string_view message) override {
    QMessageBox::information(parent_, U(kAppTitle), QsFromSjis(message));
  }
  void ShowInformation(std::string_view label, std::string_view text) override {
    information_()->ShowInformation(label, text);
  }
  std::optional<std::string> SaveHtmlDialog(std::string_view suggested_name,
                                            std::string_view folder) override {
    const QString start = QDir(QsFromSjis(folder)).filePath(QsFromSjis(suggested_name));
    const QString file = QFileDialog::getSaveFileName(
        parent_, QString(), start,
        U("HTMLﾌｧｲﾙ（*.html/htm）(*.html *htm);;すべてのﾌｧｲﾙ（ *.* ）(*)"));
    if (file.isEmpty()) return std::nullopt;
    return SjisFromQs(file);
  }

 private:
  QWidget* parent_;
  std::function<TInformboxForm*()> information_;
};

void OpenExternally(const std::string& target) {
  const QString t = QsFromSjis(target);
  const QUrl url = t.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
                           t.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)
                       ? QUrl(t)
                       : QUrl::fromLocalFile(t);
  QDesktopServices::openUrl(url);
}

bool IsFile(const std::string& sjis_path) {
  std::error_code ec;
  return !sjis_path.empty() &&
         std::filesystem::is_regular_file(std::filesystem::path(ShiftJISToUtf8(sjis_path)), ec);
}

bool IsFolder(const std::string& sjis_path) {
  std::error_code ec;
  return !sjis_path.empty() &&
         std::filesystem::is_directory(std::filesystem::path(ShiftJISToUtf8(sjis_path)), ec);
}

TRadioGroup* Radio(QWidget* root, const char* name) {
  return root->findChild<TRadioGroup*>(QString::fromLatin1(name));
}

QAbstractButton* Check(QWidget* root, const char* name) {
  return root->findChild<QAbstractButton*>(QString::fromLatin1(name));
}

QLineEdit* Edit(QWidget* root, const char* name) {
  return root->findChild<QLineEdit*>(QString::fromLatin1(name));
}

}  // namespace

// ---- the worker's ports: every call runs on the window thread ----

class DownloadTab::WindowPorts : public Prompter, public BrowserPort, public SystemBrowser {
 public:
  explicit WindowPorts(DownloadTab& tab) : tab_(tab) {}

  Answer Ask(std::string_view question, Buttons buttons) override {
    Answer a = buttons == Buttons::YesNoCancel ? Answer::Cancel : Answer::No;
    const std::string q(question);
    tab_.OnWindow([&] { a = tab_.prompter_->Ask(q, buttons); });
    return a;
  }
  void Inform(std::string_view message) override {
    const std::string m(message);
    tab_.OnWindow([&] { tab_.prompter_->Inform(m); });
  }
  void ShowInformation(std::string_view label, std::string_view text) override {
    const std::string l(label), t(text);
    tab_.OnWindow([&] { tab_.prompter_->ShowInformation(l, t); });
  }
  std::optional<std::string> SaveHtmlDialog(std::string_view suggested_name,
                                            std::string_view folder) override {
    std::optional<std::string> chosen;
    const std::string n(suggested_name), f(folder);
    tab_.OnWindow([&] { chosen = tab_.prompter_->SaveHtmlDialog(n, f); });
    return chosen;
  }

  void Navigate(kaplo::BrowserPane pane, std::string_view url) override {
    const std::string u(url);
    tab_.OnWindow([&] {
      if (tab_.browser_) tab_.browser_->Navigate(pane, u);
    });
  }
  std::string OuterHtml() override {
    std::string html;
    tab_.OnWindow([&] {
      if (tab_.browser_) html = tab_.browser_->OuterHtml();
    });
    return html;
  }
  std::vector<std::string> ImageUrls() override {
    std::vector<std::string> urls;
    tab_.OnWindow([&] {
      if (tab_.browser_) urls = tab_.browser_->ImageUrls();
    });
    return urls;
  }
  std::string LocationUrl() override {
    std::string url;
    tab_.OnWindow([&] {
      if (tab_.browser_) url = tab_.browser_->LocationUrl();
    });
    return url;
  }

  void OpenInSystemBrowser(std::string_view file_name) override {
    const std::string f(file_name);
    tab_.OnWindow([&] { OpenExternally(f); });
  }

 private:
  DownloadTab& tab_;
};

// Hands what the engine shows to the window as copies. Lists are copied at
// most a few times a second: a long image loop changes them per item.
class DownloadTab::Observer : public JobObserver {
 public:
  explicit Observer(DownloadTab& tab) : tab_(tab) {}

  void FormChanged() override {
    DownloadForm copy = tab_.engine_->form;
    IndividualTextSheet text = tab_.engine_->individual;
    IndividualImageSheet image = tab_.engine_->individual_image;
    tab_.Post([t = &tab_, copy = std::move(copy), text = std::move(text),
               image = std::move(image)] {
      t->ShowForm(copy);
      t->ShowSheets(copy, text, image);
    });
  }
  void ListsChanged() override {
    lists_dirty_ = true;
    FlushLists(false);
  }
  void ShowText(JobView view, std::string_view text, bool colour) override {
    tab_.Post([t = &tab_, view, s = std::string(text), colour] {
      TRichEditEx* v = t->views_[view];
      if (!v) return;
      if (colour) {
        ShowColored(v, s);
      } else {
        v->SetSjisText(s);
        ResetViewColors(v);
      }
    });
  }
  void ClearTexts() override {
    tab_.Post([t = &tab_] {
      for (auto& [view, edit] : t->views_) {
        ResetViewColors(edit);
        edit->clear();
      }
      t->css_js_memo_->clear();
    });
  }
  void ShowTab(std::string_view caption) override {
    tab_.Post([t = &tab_, c = std::string(caption)] { t->ShowTabByCaption(QsFromSjis(c)); });
  }
  void RunningChanged(bool running) override {
    tab_.Post([t = &tab_, running] { t->SetRunning(running); });
  }
  void Progress(std::string_view count_label, std::string_view file_label) override {
    // Where a long loop lets the window act: a stop asked for meanwhile
    // clears the local file name here, on the engine's own thread.
    if (QThread::currentThread() != tab_.bridge_->thread() && tab_.stop_pending_.exchange(false)) {
      tab_.engine_->DLClearEditText(2);
    }
    FlushLists(false);
    const bool show_file = file_label.find(' ') == std::string_view::npos;
    tab_.Post([t = &tab_, c = std::string(count_label), f = std::string(file_label), show_file] {
      t->label_count_->setText(QsFromSjis(c));
      if (show_file) t->label_file_->setText(QsFromSjis(f));
    });
  }

  void FlushLists(bool force) {
    if (!lists_dirty_) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - last_copy_ < std::chrono::milliseconds(250)) return;
    lists_dirty_ = false;
    last_copy_ = now;
    DownloadLists copy = tab_.engine_->lists;
    tab_.Post([t = &tab_, copy = std::move(copy)] { t->ShowLists(copy); });
  }

 private:
  DownloadTab& tab_;
  bool lists_dirty_ = false;
  std::chrono::steady_clock::time_point last_copy_{};
};

// ---- construction ----

DownloadTab::DownloadTab(TAMainForm* form, Prompter* prompter)
    : QWidget(nullptr), form_(form), bridge_(new QObject(this)) {
  setObjectName(QStringLiteral("DownloadTabContent"));
  if (!prompter) {
    own_prompter_ = std::make_unique<MessagePrompter>(this, [this] { return InformationWindow(); });
    prompter = own_prompter_.get();
  }
  prompter_ = prompter;
  Build();
  browser_ = form_->MakeDownloadBrowserPort();
  fetcher_ = std::make_unique<ParallelFetcher>(FetchLimits{}, 8, 4);
  ports_ = std::make_unique<WindowPorts>(*this);
  observer_ = std::make_unique<Observer>(*this);
  engine_ = std::make_unique<DownloadEngine>(*fetcher_, *ports_, ports_.get(), *observer_,
                                             ports_.get());
  ResetChoices();
  UpdateStates();
}

DownloadTab::~DownloadTab() {
  closing_ = true;
  if (worker_.joinable()) {
    // The worker may be waiting for the window: keep serving it (the calls
    // return at once now) until it ends.
    fetcher_->CancelPrefetch();
    engine_->DLButtonEnable();
    while (!worker_done_) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    worker_.join();
  }
}

DownloadTab* DownloadTab::Install(TAMainForm* form, Prompter* prompter) {
  auto* tab = new DownloadTab(form, prompter);
  form->AddTool(QStringLiteral("PGMainTab02Dowload"), tab, tab);
  return tab;
}

void DownloadTab::Build() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(BuildTopPanel());
  auto* split = new QSplitter(Qt::Horizontal, this);
  split->setObjectName(QStringLiteral("SplitterDL"));
  left_side_ = BuildLeftTabs();
  right_side_ = BuildRightTabs();
  split->addWidget(left_side_);
  split->addWidget(right_side_);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 1);
  layout->addWidget(split, 1);
}

QWidget* DownloadTab::BuildTopPanel() {
  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("PanelDLPGMainTabTop"));
  auto* outer = new QHBoxLayout(panel);
  outer->setContentsMargins(0, 0, 0, 0);
  auto* left = new QWidget(panel);
  auto* grid = new QGridLayout(left);
  grid->setContentsMargins(2, 2, 2, 2);
  grid->setVerticalSpacing(3);
  int row = 0;

  url_box_ = new QComboBox(left);
  url_box_->setObjectName(QStringLiteral("ComboBoxWBUrl"));
  url_box_->setEditable(true);
  url_box_->setInsertPolicy(QComboBox::NoInsert);
  url_box_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  auto* navigate = new QPushButton(U("ﾅﾋﾞｹﾞｰﾄ"), left);
  navigate->setObjectName(QStringLiteral("sbDLNavigate"));
  navigate->setToolTip(U("ﾅﾋﾞｹﾞｰﾄ"));
  grid->addWidget(new QLabel(U("Url"), left), row, 0);
  grid->addWidget(url_box_, row, 1, 1, 3);
  grid->addWidget(navigate, row++, 4);

  save_folder_ = new QLineEdit(left);
  save_folder_->setObjectName(QStringLiteral("BtnEditWBPageSaveFolder"));
  auto* browse = new QToolButton(left);
  browse->setObjectName(QStringLiteral("BtnEditWBPageSaveFolderButton"));
  browse->setText(QStringLiteral("…"));
  local_file_ = new QLineEdit(left);
  local_file_->setObjectName(QStringLiteral("BtnEditWBLocalFilename"));
  local_file_->setReadOnly(true);
  grid->addWidget(new QLabel(U("保存ﾌｫﾙﾀﾞ"), left), row, 0);
  auto* folder_row = new QHBoxLayout;
  folder_row->addWidget(save_folder_, 1);
  folder_row->addWidget(browse);
  grid->addLayout(folder_row, row, 1);
  grid->addWidget(new QLabel(U("ﾛｰｶﾙﾌｧｲﾙ"), left), row, 2);
  grid->addWidget(local_file_, row++, 3, 1, 2);

  auto* buttons = new QHBoxLayout;
  btn_all_ = new QPushButton(U("「 ﾌｫﾙﾀﾞ 」を指定/作成して ” HTML/CSS/JS/Image ” をﾀﾞｳﾝﾛｰﾄﾞする"),
                             left);
  btn_all_->setObjectName(QStringLiteral("btnDownloadAll"));
  btn_stop_ = new QPushButton(U("ﾀﾞｳﾝﾛｰﾄﾞ中止"), left);
  btn_stop_->setObjectName(QStringLiteral("btnDownloadStop"));
  auto* open_page = new QPushButton(U("保存ﾍﾟｰｼﾞを開く"), left);
  open_page->setObjectName(QStringLiteral("btnDLOpenFrameset"));
  auto* open_ie = new QToolButton(left);
  open_ie->setObjectName(QStringLiteral("sbWinFileIE"));
  open_ie->setText(U("ﾌﾞﾗｳｻﾞ"));
  open_ie->setToolTip(U("保存したﾍﾟｰｼﾞをﾌﾞﾗｳｻﾞで開く"));
  auto* dual = new QToolButton(left);
  dual->setObjectName(QStringLiteral("sbWinFileDualScreen"));
  dual->setText(U("２画面"));
  auto* single = new QToolButton(left);
  single->setObjectName(QStringLiteral("sbDLSingleScreen"));
  single->setText(U("１画面"));
  auto* save_only = new QPushButton(U("HTMLのみ再生成・保存する "), left);
  save_only->setObjectName(QStringLiteral("btnDLSaveHTMLOnly"));
  for (QWidget* w : std::initializer_list<QWidget*>{btn_all_, btn_stop_, open_page, open_ie, dual,
                                                     single, save_only}) {
    buttons->addWidget(w);
  }
  buttons->addStretch(1);
  grid->addLayout(buttons, row++, 0, 1, 5);

  label_count_ = new QLabel(left);
  label_count_->setObjectName(QStringLiteral("LabelDownloadedFileCount"));
  label_count_->setMinimumWidth(110);
  label_file_ = new QLabel(left);
  label_file_->setObjectName(QStringLiteral("LabelDownloadedFile"));
  label_file_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  grid->addWidget(label_count_, row, 0);
  grid->addWidget(label_file_, row++, 1, 1, 4);

  auto* names = new QHBoxLayout;
  auto* save_name = new QLineEdit(left);
  save_name->setObjectName(QStringLiteral("EditDLSaveFilename"));
  auto* save_this = new QCheckBox(U("この名前で保存"), left);
  save_this->setObjectName(QStringLiteral("CheckBoxDLsaveThisname"));
  auto* top_page = new QLineEdit(left);
  top_page->setObjectName(QStringLiteral("EditTopPageHTMLFilename"));
  auto* dummy_on = new QCheckBox(U("ﾀﾞﾐｰﾌｫﾙﾀﾞ"), left);
  dummy_on->setObjectName(QStringLiteral("CheckBoxTopDirectoryForUnkwon"));
  auto* dummy = new QLineEdit(left);
  dummy->setObjectName(QStringLiteral("EditDLTopDummyDirectory"));
  names->addWidget(new QLabel(U("保存名"), left));
  names->addWidget(save_name, 2);
  names->addWidget(save_this);
  names->addWidget(new QLabel(U("ﾄｯﾌﾟﾍﾟｰｼﾞ"), left));
  names->addWidget(top_page, 1);
  names->addWidget(dummy_on);
  names->addWidget(dummy, 1);
  grid->addLayout(names, row++, 0, 1, 5);

  confirm_file_ = new QLineEdit(left);
  confirm_file_->setObjectName(QStringLiteral("BtnEditConfirmLocalHTMLFile"));
  confirm_file_->setReadOnly(true);
  org_file_ = new QLineEdit(left);
  org_file_->setObjectName(QStringLiteral("BtnEditLocalFileOrgHTML"));
  org_file_->setReadOnly(true);
  auto* dont_load = new QCheckBox(U("読込まない"), left);
  dont_load->setObjectName(QStringLiteral("CheckBoxLocalDontLoad"));
  auto* files = new QHBoxLayout;
  files->addWidget(new QLabel(U("保存ﾍﾟｰｼﾞ"), left));
  files->addWidget(confirm_file_, 1);
  files->addWidget(new QLabel(U("ｵﾘｼﾞﾅﾙ"), left));
  files->addWidget(org_file_, 1);
  files->addWidget(dont_load);
  grid->addLayout(files, row++, 0, 1, 5);

  label_web_url_ = new QLabel(left);
  label_web_url_->setObjectName(QStringLiteral("LabelWebBrowserUrl"));
  label_local_url_ = new QLabel(left);
  label_local_url_->setObjectName(QStringLiteral("LabelLocalBrowserUrl"));
  grid->addWidget(new QLabel(U("Web"), left), row, 0);
  grid->addWidget(label_web_url_, row++, 1, 1, 4);
  grid->addWidget(new QLabel(U("ﾛｰｶﾙ"), left), row, 0);
  grid->addWidget(label_local_url_, row++, 1, 1, 4);
  grid->setRowStretch(row, 1);
  grid->setColumnStretch(1, 2);
  grid->setColumnStretch(3, 1);

  outer->addWidget(left, 3);
  outer->addWidget(BuildFrameGroup(), 1);

  connect(navigate, &QPushButton::clicked, this, &DownloadTab::sbDLNavigateClick);
  connect(btn_all_, &QPushButton::clicked, this, &DownloadTab::btnDownloadAllClick);
  connect(btn_stop_, &QPushButton::clicked, this, &DownloadTab::btnDownloadStopClick);
  connect(open_page, &QPushButton::clicked, this, &DownloadTab::btnDLOpenFramesetClick);
  connect(save_only, &QPushButton::clicked, this, &DownloadTab::btnDLSaveHTMLOnlyClick);
  connect(browse, &QToolButton::clicked, this, [this] {
    QString dir = QFileDialog::getExistingDirectory(this, QString(), save_folder_->text());
    if (dir.isEmpty()) return;
    if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
    save_folder_->setText(dir);
  });
  connect(open_ie, &QToolButton::clicked, this, [this] {
    if (Busy()) return;
    if (IsFile(engine_->job.ConfirmedLocalFile)) OpenExternally(engine_->job.ConfirmedLocalFile);
  });
  connect(dual, &QToolButton::clicked, this, [this] {
    left_side_->show();
    right_side_->show();
  });
  connect(single, &QToolButton::clicked, this, [this] { right_side_->hide(); });
  // Typing a new address starts over: the last page's lists and names no
  // longer belong to it.
  connect(url_box_->lineEdit(), &QLineEdit::textEdited, this, [this] {
    if (Busy() || engine_->job.SuppressUrlChange) return;
    engine_->DLClearListBox(false);
    engine_->lists.ListBoxWBInFrameFileList.clear();
    ShowLists(engine_->lists);
    save_folder_->clear();
    local_file_->clear();
    label_file_->clear();
    label_count_->clear();
    label_web_url_->clear();
    label_local_url_->clear();
    ShowTabByCaption(U(" Webﾍﾟｰｼﾞの閲覧 "));
    ShowTabByCaption(U("　WebHTML "));
  });
  return panel;
}

QWidget* DownloadTab::BuildFrameGroup() {
  auto* group = new QGroupBox(U(" Frameset内の【 frameset 】または【 <iframe ・・> 】のHTML "), this);
  group->setObjectName(QStringLiteral("GroupBoxDLFrame"));
  auto* layout = new QVBoxLayout(group);
  layout->setContentsMargins(3, 3, 3, 3);
  frame_list_ = AddList(group, "ListBoxWBInFrameFileList");
  layout->addWidget(frame_list_, 1);
  auto* row = new QHBoxLayout;
  frame_link_ = new QLineEdit(group);
  frame_link_->setObjectName(QStringLiteral("EditFrameLinkUrl"));
  row->addWidget(frame_link_, 1);
  struct Tool {
    const char* name;
    const char* text;
    const char* hint;
    void (DownloadTab::*slot)();
  };
  for (const Tool& t : {Tool{"sbDLFrameGo", "Go", "ﾅﾋﾞｹﾞｰﾄ", &DownloadTab::sbDLFrameGoClick},
                        Tool{"sbDLFrameIEOpen", "IE", "ＷｅｂページのＩＥ表示",
                             &DownloadTab::sbDLFrameIEOpenClick},
                        Tool{"sbDLFrameCOPY", "ｺﾋﾟｰ", "Ｕｒｌのコピー", &DownloadTab::sbDLFrameCOPYClick},
                        Tool{"sbDLFramePaste", "貼付", "貼り付け", &DownloadTab::sbDLFramePasteClick}}) {
    auto* b = new QToolButton(group);
    b->setObjectName(QString::fromLatin1(t.name));
    b->setText(U(t.text));
    b->setToolTip(U(t.hint));
    connect(b, &QToolButton::clicked, this, t.slot);
    row->addWidget(b);
  }
  layout->addLayout(row);
  layout->addWidget(new TRadioGroup(QStringLiteral("RadioGroupDLFrameDownload"), U(" 処理法 "),
                                    {U("ｸﾘｯｸすると、ﾀﾞｳﾝﾛｰﾄﾞする"),
                                     U("ｸﾘｯｸしてもﾀﾞｳﾝﾛｰﾄﾞせず、ＩＥで開く"),
                                     U("ｸﾘｯｸしてもﾀﾞｳﾝﾛｰﾄﾞせず、ﾛｰｶﾙﾍﾟｰｼﾞに表示する")},
                                    1, group));
  connect(frame_list_, &QListWidget::itemClicked, this,
          [this] { ListBoxWBInFrameFileListClick(); });
  return group;
}

QWidget* DownloadTab::BuildSettingsSheet() {
  auto* sheet = new QWidget;
  auto* grid = new QGridLayout(sheet);
  grid->setContentsMargins(3, 3, 3, 3);
  auto radio = [sheet](const char* name, const char* caption, const QStringList& items,
                       int columns = 1) {
    return new TRadioGroup(QString::fromLatin1(name), U(caption), items, columns, sheet);
  };
  grid->addWidget(radio("RadioGroupDLFilnalOpenIE", " ﾀﾞｳﾝﾛｰﾄﾞ後の表示 ",
                        {U("Webﾍﾟｰｼﾞを【 右 】に表示"), U("ﾀﾞｳﾝﾛｰﾄﾞしたﾛｰｶﾙﾍﾟｰｼﾞを【 右 】に表示"),
                         U("ＩＥを起動し、【 新しいウィンドウ 】に表示")}),
                  0, 0);
  grid->addWidget(radio("RadioGroupRemoveBaseHref", " <base href> ",
                        {U("【 Windows 】のＰａｔｈに変更する【 警告 】"),
                         U("【 Windows 】のＰａｔｈに変更する"),
                         U("【 <base href=”http:：//・・/  】を除いて、CSSを変更する"),
                         U("【 <base href=\"http:：//・・/  】を除くのみ")}),
                  0, 1);
  grid->addWidget(radio("RadioGroupDLHTMLDQSlash", " ”/ ", {U("何もしない"), U("「 ”／　」　，「”．．／ ｝を除く")}),
                  1, 0);
  grid->addWidget(radio("RadioGroupRemoveOtherDmain", " 他のﾄﾞﾒｲﾝ ",
                        {U("何もしない（ そのまま残す ）"), U("【 http:：//ﾄﾞﾒｲﾝ/ 】を除く")}),
                  1, 1);
  grid->addWidget(radio("RadioGroupDLUrlWebDecode", " Urlのﾃﾞｺｰﾄﾞ ",
                        {U("何もしない"), U("16進UTF-8"), U("16進EUC"), U("Web16進ｺｰﾄﾞ "),
                         U("【 %25 】を除去して16進UTF-8"), U("Base64ｺｰﾄﾞ")},
                        2),
                  2, 0);
  grid->addWidget(radio("RadioGroupDLMainHTMLCharSet", " HTMLの文字ｺｰﾄﾞ ", kCharsets, 3), 2, 1);
  grid->addWidget(radio("RadioGroupDLCSSJSCharSet", " CSS/JSの文字ｺｰﾄﾞ ", kCharsets, 3), 3, 1);
  grid->addWidget(radio("RadioGroupDLMaskUrlRoot", " ﾙｰﾄ ", {U("そのまま"), U("ﾙｰﾄを除く")}), 3, 0);
  grid->addWidget(radio("RadioGroupDLBaseLevel", " 階層 ", {U("なし"), U("．．/"), U("．．/．．/")}, 3),
                  4, 0);
  grid->addWidget(radio("RadioGroupInitialLoad", " 起動時 ",
                        {U("何もしない"), U("設定されたUrlのﾍﾟｰｼﾞをﾅﾋﾞｹﾞｰﾄ")}),
                  4, 1);
  auto* checks = new QWidget(sheet);
  auto* cl = new QGridLayout(checks);
  cl->setContentsMargins(0, 0, 0, 0);
  struct Box {
    const char* name;
    const char* caption;
  };
  int i = 0;
  for (const Box& b :
       {Box{"CheckBoxDontEmptyFolder", "ﾀﾞｳﾝﾛｰﾄﾞに先立って、「保存ﾌｫﾙﾀﾞ」を【 空 】にしない  "},
        Box{"CheckBoxDonttSaveImage", "【 ｲﾒｰｼﾞ・ﾌｧｲﾙ 】を保存しない"},
        Box{"CheckBoxDLDontMakeCSSlist", "CSS/JS統合ﾘｽﾄを作成しない"},
        Box{"CheckBoxDLCSSOnly", "CSSのみ統合する "},
        Box{"CheckBoxDLDownloadinnerHTML",
            " 通常ではﾀﾞｳﾝﾛｰﾄﾞできない場合に、取得した内部HTMLを使って保存する "},
        Box{"CheckBoxDontWebListClear", "ﾅﾋﾞｹﾞｰﾄしてもｸﾘｱしない"},
        Box{"CheckBoxDLRemoveDomain", "ﾄﾞﾒｲﾝを除く"},
        Box{"CheckBoxDLDecodeFilename", "ﾌｧｲﾙ名をﾃﾞｺｰﾄﾞする"},
        Box{"CheckBoxDLDontReDraw", "ﾀﾌﾞを開くとﾅﾋﾞｹﾞｰﾄする"}}) {
    auto* c = new QCheckBox(U(b.caption), checks);
    c->setObjectName(QString::fromLatin1(b.name));
    cl->addWidget(c, i / 2, i % 2);
    ++i;
  }
  grid->addWidget(checks, 5, 0, 1, 2);
  grid->setRowStretch(6, 1);
  return sheet;
}

QListWidget* DownloadTab::AddList(QWidget* parent, const char* name) {
  auto* list = new QListWidget(parent);
  list->setObjectName(QString::fromLatin1(name));
  list->setUniformItemSizes(true);
  lists_[name] = list;
  connect(list, &QListWidget::itemClicked, this, [this, list](QListWidgetItem* item) {
    if (item) DownloadListClick(list->objectName().toStdString(), SjisFromQs(item->text()));
  });
  return list;
}

TRichEditEx* DownloadTab::AddView(QWidget* parent, const char* name) {
  auto* view = new TRichEditEx(parent);
  view->setObjectName(QString::fromLatin1(name));
  view->SetLineNumbers(true);
  view->setLineWrapMode(QPlainTextEdit::NoWrap);
  view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  return view;
}

// A named page with a vertical layout, added to tabs under caption (UTF-8).
QWidget* DownloadTab::AddTabPage(QTabWidget* tabs, const char* name, const char* caption) {
  auto* w = new QWidget;
  w->setObjectName(QString::fromLatin1(name));
  auto* l = new QVBoxLayout(w);
  l->setContentsMargins(1, 1, 1, 1);
  tabs->addTab(w, U(caption));
  return w;
}

QTabWidget* DownloadTab::BuildLeftTabs() {
  auto* tabs = new QTabWidget(this);
  tabs->setObjectName(QStringLiteral("PGTab02L"));
  left_tabs_ = tabs;
  auto page = [tabs](const char* name, const char* caption) { return AddTabPage(tabs, name, caption); };
  QWidget* web = page("PGTab02LTab01WB", " Webﾍﾟｰｼﾞの閲覧 ");
  web->layout()->addWidget(
      form_->CreateBrowserPane(QStringLiteral("WebBrowserDownload"), web));
  struct Lists {
    const char* name;
    const char* caption;
    std::vector<const char*> boxes;
  };
  for (const Lists& p : std::vector<Lists>{
           {"PGTab02LTab02", " PageCSS/JS",
            {"ListBoxPGTab02LTab02PageWebCSS", "ListBoxPGTab02LTab02PageFileDownloaedCSSJS"}},
           {"PGTab02LTab03", "PageImage",
            {"ListBoxPGTab02LTab03PageImage", "ListBoxPGTab02LTab03PageImageDownloaedImage"}},
           {"PGTab02LTab04", "ImportCSS",
            {"ListBoxPGTab02LTab04DLCSSFileImportCSS",
             "ListBoxPGTab02LTab04ImportCSSFileDownloaedCSSJS", "ListBoxPGTab02LTab04ImportHTMLSWF",
             "ListBoxPGTab02LTab04ImportHTMLCSSForBase"}},
           {"PGTab02LTab05", "Root", {"ListBoxPGTab02LTab05UseRoot"}},
           {"PGTab02LTab06", "CSSImage",
            {"ListBoxPGTab02LTab06DLImportCSSImage", "ListBoxPGTab02LTab06DLImageNotFound"}},
           {"PGTab02LTab07", "AllCSS/JS",
            {"ListBoxPGTab02LTab07DLAllCSSFileImportCSS",
             "ListBoxPGTab02LTab07AllImportCSSFileDownloaedCSSJS"}},
           {"PGTab02LTab08", "UnknownImage", {"ListBoxPGTab02LTab08UnkownImage"}},
           {"PGTab02LTab09", "Href/IEImage", {"ListBoxPGTab02LTab09LHref", "ListBoxIEImage"}},
       }) {
    QWidget* w = page(p.name, p.caption);
    auto* split = new QSplitter(Qt::Vertical, w);
    for (const char* box : p.boxes) split->addWidget(AddList(split, box));
    w->layout()->addWidget(split);
  }
  // Kept for the page analysis tab; not shown.
  AddList(this, "ListBoxGUICSS")->hide();
  QWidget* local = page("PGTab02LTab09LocalFileHTML", " ﾛｰｶﾙHTML ");
  local->layout()->addWidget(views_[JobView::Local] =
                                 AddView(local, "PanelPGTab02LTab09LocalFileHTMLBody"));
  QWidget* inner = page("PGTab02LTab11InnerHTML", " Java実行後の内部HTML ");
  inner->layout()->addWidget(views_[JobView::Inner] =
                                 AddView(inner, "PanelPGTab02LTab11InnerHTMLBody"));
  QWidget* org = page("PGTab02LTab12OrgHTML", "WebHTMLｵﾘｼﾞﾅﾙ");
  org->layout()->addWidget(views_[JobView::FetchedLeft] =
                               AddView(org, "PanelPGTab02LTab12OrgHTMLBody"));
  return tabs;
}

QTabWidget* DownloadTab::BuildRightTabs() {
  auto* tabs = new QTabWidget(this);
  tabs->setObjectName(QStringLiteral("PGTab02R"));
  right_tabs_ = tabs;
  auto page = [tabs](const char* name, const char* caption) { return AddTabPage(tabs, name, caption); };
  QWidget* settings = page("PGTab02RTab01Settings", "ﾀﾞｳﾝﾛｰﾄﾞ設定");
  settings->layout()->addWidget(BuildSettingsSheet());
  QWidget* src = page("PGTab02RTab02HTMLSrc", "　WebHTML ");
  src->layout()->addWidget(views_[JobView::WebSource] =
                               AddView(src, "PanelPGTab02RTab02HTMLSrcBody"));
  QWidget* org = page("PGTab02RTab03HTMLOrg", "WebHTMLｵﾘｼﾞﾅﾙ");
  org->layout()->addWidget(views_[JobView::FetchedRight] =
                               AddView(org, "PanelPGTab02RTab03HTMLOrgBody"));
  QWidget* native = page("PGTab02RTab04PDownload", " WebHTMLNative");
  native->layout()->addWidget(views_[JobView::Native] =
                                  AddView(native, "PanelPGTab02RTab04PDownloadBody"));
  QWidget* result = page("PGTab02RTab05LocalBrowse", " ﾛｰｶﾙﾍﾟｰｼﾞの閲覧 ");
  result->layout()->addWidget(form_->CreateBrowserPane(QStringLiteral("WebBrowserDownloadResult"), result));
  QWidget* css = page("PGTab02RTab06CSSJS", "CSS/JS");
  css_js_win_file_ = new QLabel(css);
  css_js_win_file_->setObjectName(QStringLiteral("LabelDLCSSJSWinFilename"));
  css_js_win_file_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  css->layout()->addWidget(css_js_win_file_);
  css->layout()->addWidget(css_js_memo_ = AddView(css, "MemoPGTab02RTab06CSSJS"));
  BuildIndividualSheet(page("PGTab02RTab07Individual", " CSS/JSﾀﾞｳﾝﾛｰﾄﾞ "));
  BuildImageSheet(page("PGTab02RTab08ImageIndividual", " Imageﾀﾞｳﾝﾛｰﾄﾞ "));
  QWidget* first = page("PGTab02RTab09FirstFetch", " Redirect前のWebHTML  ");
  first->layout()->addWidget(views_[JobView::FirstFetch] =
                                 AddView(first, "RichEditWebPageDownloadHTMLFirst"));
  return tabs;
}

// The choices a fresh window starts with.
void DownloadTab::ResetChoices() {
  for (TRadioGroup* r : findChildren<TRadioGroup*>()) r->SetItemIndex(0);
  for (const char* name : {"RadioGroupDLFilnalOpenIE", "RadioGroupDLHTMLDQSlash",
                           "RadioGroupDLMaskUrlRoot", "RadioGroupRemoveOtherDmain"}) {
    Radio(this, name)->SetItemIndex(1);
  }
  Radio(this, "RadioGroupDLUrlWebDecode")->SetItemIndex(4);
  Edit(this, "EditTopPageHTMLFilename")->setText(QStringLiteral("index.html"));
}

// ---- threads ----

void DownloadTab::OnWindow(const std::function<void()>& fn) {
  if (closing_) return;
  if (QThread::currentThread() == bridge_->thread()) {
    fn();
    return;
  }
  QMetaObject::invokeMethod(
      bridge_,
      [this, &fn] {
        if (!closing_) fn();
      },
      Qt::BlockingQueuedConnection);
}

void DownloadTab::Post(std::function<void()> fn) {
  if (QThread::currentThread() == bridge_->thread()) {
    fn();
    return;
  }
  QMetaObject::invokeMethod(
      bridge_,
      [this, fn = std::move(fn)] {
        if (!closing_) fn();
      },
      Qt::QueuedConnection);
}

bool DownloadTab::StartWorker(std::function<void()> work) {
  if (Busy()) return false;
  ControlsToEngine();
  stop_pending_ = false;
  worker_done_ = false;
  worker_ = std::thread([this, work = std::move(work)] {
    work();
    // A stop that came after the last loop still empties the local file name.
    if (stop_pending_.exchange(false)) engine_->DLClearEditText(2);
    worker_done_ = true;
    QMetaObject::invokeMethod(bridge_, [this] { WorkerDone(); }, Qt::QueuedConnection);
  });
  UpdateStates();
  return true;
}

void DownloadTab::WorkerDone() {
  if (!worker_.joinable() || !worker_done_) return;
  worker_.join();
  if (closing_) return;
  EngineToControls();
  running_ = engine_->Running();
  UpdateStates();
  emit JobFinished();
}

// ---- controls <-> engine ----

void DownloadTab::ControlsToEngine() {
  DownloadSettings& s = engine_->settings;
  auto index = [this](const char* name) { return Radio(this, name)->ItemIndex(); };
  auto checked = [this](const char* name) { return Check(this, name)->isChecked(); };
  s.final_open = index("RadioGroupDLFilnalOpenIE");
  s.remove_base_href = index("RadioGroupRemoveBaseHref");
  s.html_dq_slash = index("RadioGroupDLHTMLDQSlash");
  s.remove_other_domain = index("RadioGroupRemoveOtherDmain");
  s.url_web_decode = index("RadioGroupDLUrlWebDecode");
  s.main_html_charset = index("RadioGroupDLMainHTMLCharSet");
  s.css_js_charset = index("RadioGroupDLCSSJSCharSet");
  s.frame_download = index("RadioGroupDLFrameDownload");
  s.dont_empty_folder = checked("CheckBoxDontEmptyFolder");
  s.dont_save_image = checked("CheckBoxDonttSaveImage");
  s.dont_make_css_list = checked("CheckBoxDLDontMakeCSSlist");
  s.css_only = checked("CheckBoxDLCSSOnly");
  s.download_inner_html = checked("CheckBoxDLDownloadinnerHTML");
  s.dont_web_list_clear = checked("CheckBoxDontWebListClear");
  s.save_this_name = checked("CheckBoxDLsaveThisname");
  s.save_filename = Trimmed(Edit(this, "EditDLSaveFilename")->text());
  s.top_page_filename = Trimmed(Edit(this, "EditTopPageHTMLFilename")->text());
  s.top_directory_for_unknown = checked("CheckBoxTopDirectoryForUnkwon");
  s.top_dummy_directory = Trimmed(Edit(this, "EditDLTopDummyDirectory")->text());

  DownloadForm& f = engine_->form;
  f.url = SjisFromQs(url_box_->currentText());
  f.url_history.clear();
  for (int i = 0; i < url_box_->count(); ++i) f.url_history.push_back(SjisFromQs(url_box_->itemText(i)));
  f.save_folder = SjisFromQs(save_folder_->text());
  f.local_filename = SjisFromQs(local_file_->text());
  f.confirm_local_html_file = SjisFromQs(confirm_file_->text());
  f.local_file_org_html = SjisFromQs(org_file_->text());
  f.frame_link_url = SjisFromQs(frame_link_->text());
  f.local_dont_load = Check(this, "CheckBoxLocalDontLoad")->isChecked();
  f.label_downloaded_file = SjisFromQs(label_file_->text());
  f.label_downloaded_file_count = SjisFromQs(label_count_->text());
  SheetsToEngine();
}

void DownloadTab::EngineToControls() {
  ShowForm(engine_->form);
  ShowSheets(engine_->form, engine_->individual, engine_->individual_image);
  ShowLists(engine_->lists);
  const DownloadSettings& s = engine_->settings;
  Check(this, "CheckBoxDontEmptyFolder")->setChecked(s.dont_empty_folder);
  Check(this, "CheckBoxDLDontMakeCSSlist")->setChecked(s.dont_make_css_list);
  Check(this, "CheckBoxDLsaveThisname")->setChecked(s.save_this_name);
}

void DownloadTab::ShowForm(const DownloadForm& f) {
  auto set = [](QLineEdit* edit, const std::string& text) {
    const QString t = QsFromSjis(text);
    if (edit->text() != t) edit->setText(t);
  };
  ShowUrlBox(url_box_, f.url_history, f.url);
  set(save_folder_, f.save_folder);
  set(local_file_, f.local_filename);
  set(confirm_file_, f.confirm_local_html_file);
  set(org_file_, f.local_file_org_html);
  set(frame_link_, f.frame_link_url);
  label_file_->setText(QsFromSjis(f.label_downloaded_file));
  label_count_->setText(QsFromSjis(f.label_downloaded_file_count));
  label_web_url_->setText(QsFromSjis(f.label_web_browser_url));
  label_local_url_->setText(QsFromSjis(f.label_local_browser_url));
  Check(this, "CheckBoxLocalDontLoad")->setChecked(f.local_dont_load);
  if (!f.caption.empty()) form_->setWindowTitle(QsFromSjis(f.caption));
  form_->SetStatusPanel(3, QsFromSjis(f.status_base_href));
}

void DownloadTab::ShowLists(const DownloadLists& l) {
  for (const ListSpec& spec : kLists) {
    QListWidget* box = lists_[spec.name];
    if (!box) continue;
    const std::vector<std::string>& lines = l.*spec.member;
    bool same = box->count() == static_cast<int>(lines.size());
    for (int i = 0; same && i < box->count(); ++i) {
      same = box->item(i)->text() == QsFromSjis(lines[i]);
    }
    if (same) continue;
    QStringList texts;
    texts.reserve(static_cast<int>(lines.size()));
    for (const std::string& line : lines) texts << QsFromSjis(line);
    box->clear();
    box->addItems(texts);
  }
}

void DownloadTab::ShowTabByCaption(const QString& caption) {
  const QString want = caption.trimmed();
  for (QTabWidget* tabs : {left_tabs_, right_tabs_}) {
    for (int i = 0; i < tabs->count(); ++i) {
      if (tabs->tabText(i).trimmed() == want) {
        tabs->setCurrentIndex(i);
        return;
      }
    }
  }
}

void DownloadTab::SetRunning(bool running) {
  running_ = running;
  UpdateStates();
}

void DownloadTab::UpdateStates() {
  btn_all_->setEnabled(!running_ && !Busy());
  btn_stop_->setEnabled(running_);
  for (const char* name : {"btnDLOpenFrameset", "sbWinFileIE", "sbWinFileDualScreen",
                           "sbDLSingleScreen"}) {
    if (QWidget* w = findChild<QWidget*>(QString::fromLatin1(name))) w->setEnabled(!running_);
  }
  QFont font = btn_stop_->font();
  font.setBold(running_);
  btn_stop_->setFont(font);
}

// ---- actions ----

void DownloadTab::btnDownloadAllClick() {
  if (url_box_->currentText().trimmed().isEmpty()) return;
  StartWorker([this] { engine_->btnDownloadAllClick(); });
}

void DownloadTab::btnDownloadStopClick() {
  // The engine's loops read the running flag; the rest of the stop (the
  // local file name and the views) is done by the worker where its loop
  // next lets the window act, so the engine's state has one writer.
  if (!Busy()) {
    engine_->btnDownloadStopClick();
    return;
  }
  stop_pending_ = true;
  fetcher_->CancelPrefetch();
  engine_->DLButtonEnable();
}

void DownloadTab::sbDLNavigateClick() {
  std::string url = Trimmed(url_box_->currentText());
  url.erase(std::remove(url.begin(), url.end(), '\\'), url.end());
  if (url.empty() || Busy()) return;
  if (const std::size_t first = url.find("http://"); first != std::string::npos) {
    if (const std::size_t inner = url.find("http://", first + 7); inner != std::string::npos) {
      url_box_->setEditText(QsFromSjis(url.substr(inner)));
    }
  }
  const std::string folder = Trimmed(save_folder_->text());
  StartWorker([this, url, folder] {
    DownloadEngine& e = *engine_;
    e.job.SuppressUrlChange = false;
    if (!e.WBDLNavigate(url, folder, 0)) return;
    const std::string here = ports_->LocationUrl();
    if (here != url && here != "about:blank" && here.rfind("http://", 0) == 0) {
      e.form.url = here;
      e.job.ConfirmedLocalFile = here;
    }
    std::string text = e.job.NavigatedPageText;
    if (const std::size_t p = text.find("<BASE "); p != std::string::npos) text.replace(p, 6, "<base ");
    e.form.label_downloaded_file.clear();
    if (const std::size_t p = text.find("<base "); p != std::string::npos) {
      const std::size_t end = text.find('>', p);
      std::string tag = text.substr(p, end == std::string::npos ? std::string::npos : end - p);
      std::string squeezed;
      for (char c : tag) {
        if (c == ' ' && !squeezed.empty() && squeezed.back() == ' ') continue;
        squeezed += c;
      }
      if (const std::size_t h = squeezed.find("HREF="); h != std::string::npos) {
        squeezed.replace(h, 5, "href=");
      }
      std::string value = squeezed;
      if (const std::size_t q1 = squeezed.find('"'); q1 != std::string::npos) {
        const std::size_t q2 = squeezed.find('"', q1 + 1);
        value = squeezed.substr(q1 + 1, q2 == std::string::npos ? std::string::npos : q2 - q1 - 1);
      }
      e.form.label_downloaded_file =
          Sj("＜ｂａｓｅ　ｈｒｅｆ＝”【 ") + value + Sj(" 】 ” ・・＞が見つかりました");
    }
    e.form.label_downloaded_file_count.clear();
    if (!e.settings.dont_web_list_clear) e.DLClearListBox(false);
    e.form.individual_url = url;
    auto& hist = e.form.individual_url_history;
    if (std::find(hist.begin(), hist.end(), e.form.url) == hist.end()) hist.push_back(e.form.url);
    std::size_t body = text.find("<BODY");
    if (body == std::string::npos) body = text.find("<body");
    e.job.PageHead = text.substr(0, body);
    observer_->FormChanged();
    observer_->ShowTab(Sj(" Webﾍﾟｰｼﾞの閲覧 "));
    observer_->ShowTab(Sj("　WebHTML "));
  });
}

void DownloadTab::btnDLOpenFramesetClick() {
  if (Busy()) return;
  const std::string file = engine_->job.ConfirmedLocalFile;
  if (!IsFile(file)) return;
  if (engine_->job.FramesetSaved) {
    const std::string text = LoadTextFile(file);
    QApplication::clipboard()->setText(QsFromSjis(text));
    views_[JobView::Native]->SetSjisText(text);
    ResetViewColors(views_[JobView::Native]);
  }
  if (file.find(".htm") != std::string::npos) {
    OpenExternally(file);
  } else if (IsFile(file + ".html")) {
    OpenExternally(file + ".html");
  }
}

void DownloadTab::btnDLSaveHTMLOnlyClick() {
  if (Busy()) return;
  const std::string url = Trimmed(url_box_->currentText());
  const std::string folder = Trimmed(save_folder_->text());
  const std::string text = views_[JobView::Local]->SjisText();
  if (url.empty() || folder.empty() || local_file_->text().trimmed().isEmpty() || !IsHttpUrl(url) ||
      text.empty() || !IsFolder(folder)) {
    return;
  }
  const std::optional<std::string> chosen = prompter_->SaveHtmlDialog("index.html", folder);
  if (!chosen) return;
  SaveTextFile(text, *chosen);
  local_file_->setText(QsFromSjis(*chosen));
  label_local_url_->setText(QsFromSjis(*chosen));
  engine_->form.local_filename = *chosen;
  engine_->job.ConfirmedLocalFile = *chosen;
}

void DownloadTab::ListBoxWBInFrameFileListClick() {
  QListWidgetItem* item = frame_list_->currentItem();
  if (!item || Busy()) return;
  const std::string entry = Trimmed(item->text());
  if (entry.empty()) return;
  frame_link_->setText(QsFromSjis(entry));
  StartWorker([this, entry] { engine_->ListBoxWBInFrameFileListClick(entry); });
}

void DownloadTab::sbDLFrameGoClick() {
  if (frame_link_->text().trimmed().isEmpty()) return;
  StartWorker([this] { engine_->sbDLFrameGoClick(); });
}

void DownloadTab::sbDLFrameIEOpenClick() {
  std::string link = Trimmed(frame_link_->text());
  if (link.empty()) return;
  if (!IsHttpUrl(link)) link = CombineUrl(Trimmed(url_box_->currentText()), link);
  if (IsHttpUrl(link)) OpenExternally(link);
}

void DownloadTab::sbDLFrameCOPYClick() { QApplication::clipboard()->setText(frame_link_->text()); }

void DownloadTab::sbDLFramePasteClick() { frame_link_->setText(QApplication::clipboard()->text()); }

// ---- window moments ----

void DownloadTab::ReleaseInitialize() {
  if (Busy()) return;
  ResetChoices();
  engine_->job = DownloadJob{};
  engine_->DLClearListBox(false);
  engine_->lists.ListBoxWBInFrameFileList.clear();
  ShowLists(engine_->lists);
  for (auto& [view, edit] : views_) {
    ResetViewColors(edit);
    edit->clear();
  }
  engine_->form.individual_url.clear();
  engine_->individual.file.clear();
  engine_->individual_image = IndividualImageSheet{};
  indiv_url_->setEditText(QString());
  indiv_file_->clear();
  image_url_->clear();
  image_file_->clear();
}

void DownloadTab::FirstShown() {
  if (!form_->options().initial_navigation) return;
  if (Radio(this, "RadioGroupInitialLoad")->ItemIndex() != 1) return;
  if (url_box_->currentText().trimmed().isEmpty()) return;
  sbDLNavigateClick();
}

void DownloadTab::TabEntered() {
  if (Busy()) return;
  // With this option the tab shows the remembered page afresh each time.
  if (!Check(this, "CheckBoxDLDontReDraw")->isChecked()) return;
  const std::string url = Trimmed(url_box_->currentText());
  if (!IsHttpUrl(url)) return;
  engine_->DLClearListBox(false);
  engine_->DLClearRichEditListBox();
  ShowTabByCaption(U(" Webﾍﾟｰｼﾞの閲覧 "));
  StartWorker([this, url] {
    ports_->Navigate(kaplo::BrowserPane::Download, url);
    ports_->Navigate(kaplo::BrowserPane::DownloadResult, "about:blank");
  });
}

}  // namespace kaplo::gui
