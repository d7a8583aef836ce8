// The download tab's top panel: the address, the folders, the job buttons,
// the names, and the frame list beside them.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/frames.h"
#include "engine/local_path.h"
#include "engine/url.h"
#include "gui/common/desktop.h"
#include "gui/common/gui_util.h"
#include "gui/common/save_notice.h"
#include "gui/common/url_history.h"
#include "gui/tabs/download/download_tab.h"
#include "gui/widgets/colorize_view.h"
#include "gui/widgets/flow_layout.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/rich_edit_ex.h"
#include "gui/widgets/scroll_panel.h"

namespace kaplo::gui {

QWidget* DownloadTab::BuildTopPanel() {
  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("PanelDLPGMainTabTop"));
  top_panel_ = panel;
  // A panel of a set height: its controls scroll where they need more.
  auto* outer = new QHBoxLayout(ScrolledContent(panel, QStringLiteral("PanelDLPGMainTabTopContent")));
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
  auto* paste = Named(new QToolButton(left), "sbDLUrlPasteNavigate");
  paste->setText(U("貼付"));
  paste->setToolTip(U("貼り付けて、ﾅﾋﾞｹﾞｰﾄ"));
  auto* http_get = Named(new QToolButton(left), "sbDLHTTPGet");
  http_get->setText(U("ＨＴＴＰｇｅｔ"));
  http_get->setToolTip(U("ＨＴＴＰｇｅｔ"));
  grid->addWidget(new QLabel(U("Url"), left), row, 0);
  auto* url_row = new QHBoxLayout;
  url_row->addWidget(url_box_, 1);
  url_row->addWidget(paste);
  url_row->addWidget(http_get);
  grid->addLayout(url_row, row, 1, 1, 3);
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

  auto* buttons = new FlowLayout(nullptr, 2);
  btn_all_ =
      new QPushButton(U("「 ﾌｫﾙﾀﾞ 」を指定/作成して ” HTML/CSS/JS/Image ” をﾀﾞｳﾝﾛｰﾄﾞする"), left);
  btn_all_->setObjectName(QStringLiteral("btnDownloadAll"));
  btn_stop_ = new QPushButton(U("ﾀﾞｳﾝﾛｰﾄﾞ中止"), left);
  btn_stop_->setObjectName(QStringLiteral("btnDownloadStop"));
  auto* check = new QPushButton(U("保存ﾍﾟｰｼﾞの確認"), left);
  check->setObjectName(QStringLiteral("btnDLCheckSaved"));
  check->setToolTip(U("保存したﾍﾟｰｼﾞをﾌｫﾙﾀﾞｰから開き、ﾈｯﾄﾜｰｸへの要求と見つからないﾌｧｲﾙを調べる"));
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
  for (QWidget* w : std::initializer_list<QWidget*>{btn_all_, check, btn_stop_, open_page, open_ie,
                                                    dual, single, save_only}) {
    buttons->addWidget(w);
  }
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
  base_page_local_ = Named(new QLineEdit(left), "EditWBBasePageLocalFimename");
  base_page_local_->setToolTip(U("ﾍﾞｰｽﾍﾟｰｼﾞのﾛｰｶﾙ･ﾌｧｲﾙ名"));
  names->addWidget(new QLabel(U("保存名"), left));
  names->addWidget(save_name, 2);
  names->addWidget(save_this);
  names->addWidget(new QLabel(U("ﾄｯﾌﾟﾍﾟｰｼﾞ"), left));
  names->addWidget(top_page, 1);
  names->addWidget(dummy_on);
  names->addWidget(dummy, 1);
  names->addWidget(new QLabel(U("ﾍﾞｰｽ"), left));
  names->addWidget(base_page_local_, 1);
  grid->addLayout(names, row++, 0, 1, 5);
  auto* dummy_note = Named(new QLabel(U("ﾀﾞﾐｰﾌｫﾙﾀﾞ： 「 main/top/ 」とすると、ﾍﾟｰｼﾞの本当のｱﾄﾞﾚｽが "
                                          "「 main/top/ 」の下にあるものとして保存します"),
                                        left),
                              "LabelDLTopDummyDirectory");
  dummy_note->setWordWrap(true);
  grid->addWidget(dummy_note, row++, 0, 1, 5);

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
  connect(paste, &QToolButton::clicked, this, &DownloadTab::sbDLUrlPasteNavigateClick);
  connect(http_get, &QToolButton::clicked, this, &DownloadTab::sbDLHTTPGetClick);
  connect(btn_all_, &QPushButton::clicked, this, &DownloadTab::btnDownloadAllClick);
  connect(check, &QPushButton::clicked, this, &DownloadTab::btnDLCheckSavedClick);
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
    const std::string file = engine_->Labels().confirmed_page;
    if (IsFile(file)) OpenExternally(file);
  });
  connect(dual, &QToolButton::clicked, this, [this] {
    left_tabs_->show();
    right_tabs_->show();
  });
  connect(single, &QToolButton::clicked, this, [this] { right_tabs_->hide(); });
  // Typing a new address starts over: the last page's lists and names no
  // longer belong to it.
  connect(url_box_->lineEdit(), &QLineEdit::textEdited, this, [this] {
    if (Busy() || suppress_url_change_) return;
    StartOver();
  });
  return panel;
}

void DownloadTab::StartOver() {
  engine_->StartOver();
  ShowLists(engine_->Lists());
  save_folder_->clear();
  local_file_->clear();
  label_file_->clear();
  label_count_->clear();
  label_web_url_->clear();
  label_local_url_->clear();
  ShowPage(DownloadPage::WebBrowse);
  ShowPage(DownloadPage::WebHtml);
}

void DownloadTab::TakeLink(const QString& address, LinkUse use) {
  if (Busy()) return;
  url_box_->setEditText(address);
  if (use != LinkUse::kNewPage) return;
  // The page the user goes on with: nothing of the last one stays, and a
  // file name chosen for it serves it only.
  StartOver();
  label_web_url_->setText(address);
  save_name_->clear();
  check_.save_this_name->setChecked(false);
}

void DownloadTab::sbDLUrlPasteNavigateClick() {
  const QString text = QApplication::clipboard()->text().trimmed();
  if (Busy() || !IsHttpUrl(SjisFromQs(text))) return;
  AddComboBoxURL(text, url_box_, url_box_,
                 [this](const QString& url) { host_->SetFormCaption(url); });
  sbDLNavigateClick();
}

QWidget* DownloadTab::BuildFrameGroup() {
  auto* group =
      new QGroupBox(U(" Frameset内の【 frameset 】または【 <iframe ・・> 】のHTML "), this);
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
  for (const Tool& t :
       {Tool{"sbDLFrameGo", "Go", "ﾅﾋﾞｹﾞｰﾄ", &DownloadTab::sbDLFrameGoClick},
        Tool{"sbDLFrameIEOpen", "IE", "ＷｅｂページのＩＥ表示", &DownloadTab::sbDLFrameIEOpenClick},
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
  layout->addWidget(
      new TRadioGroup(QStringLiteral("RadioGroupDLFrameDownload"), U(" 処理法 "),
                      {U("ｸﾘｯｸすると、ﾀﾞｳﾝﾛｰﾄﾞする"), U("ｸﾘｯｸしてもﾀﾞｳﾝﾛｰﾄﾞせず、ＩＥで開く"),
                       U("ｸﾘｯｸしてもﾀﾞｳﾝﾛｰﾄﾞせず、ﾛｰｶﾙﾍﾟｰｼﾞに表示する")},
                      1, group));
  connect(frame_list_, &QListWidget::itemClicked, this,
          [this] { ListBoxWBInFrameFileListClick(); });
  return group;
}

void DownloadTab::btnDLOpenFramesetClick() {
  if (Busy()) return;
  const JobLabels labels = engine_->Labels();
  const std::string& file = labels.confirmed_page;
  if (!IsFile(file)) return;
  if (labels.frameset_saved) {
    const std::string text = LoadTextFile(file);
    QApplication::clipboard()->setText(QsFromSjis(text));
    ShowColored(views_[JobView::Native].get(), text);
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
  const TRichEditEx* local = views_[JobView::Local].IfMade();
  const std::string text = local ? local->SjisText() : std::string();
  if (url.empty() || folder.empty() || local_file_->text().trimmed().isEmpty() || !IsHttpUrl(url) ||
      text.empty() || !IsFolder(folder)) {
    return;
  }
  const std::optional<std::string> chosen = prompter_->SaveHtmlDialog("index.html", folder);
  if (!chosen) return;
  // The boxes name the file as it was written; nothing written, nothing named.
  const std::string written = SaveAndTell(*prompter_, text, *chosen);
  if (written.empty()) return;
  local_file_->setText(QsFromSjis(written));
  label_local_src_->setText(QsFromSjis(written));
  label_local_url_->setText(QsFromSjis(written));
  engine_->ConfirmLocalFile(written);
}

void DownloadTab::ListBoxWBInFrameFileListClick() {
  QListWidgetItem* item = frame_list_->currentItem();
  if (!item || Busy()) return;
  const std::string entry = Trimmed(item->text());
  if (entry.empty()) return;
  frame_link_->setText(QsFromSjis(entry));
  RunFrameEntry(entry);
}

void DownloadTab::sbDLFrameGoClick() {
  const std::string entry = Trimmed(frame_link_->text());
  if (!entry.empty()) RunFrameEntry(entry);
}

void DownloadTab::RunFrameEntry(const std::string& entry) {
  // The entry of the page in the address box, into the save folder.
  const std::string url = Trimmed(url_box_->currentText());
  const std::string folder = Trimmed(save_folder_->text());
  if (Busy() || !IsHttpUrl(url) || !LocalFolderExists(folder)) return;
  FrameRequest request{.page_url = url, .save_folder = folder, .reference = entry,
                       .options = OptionsFromControls()};
  for (int i = 0; i < url_box_->count(); ++i) {
    request.url_history.push_back(SjisFromQs(url_box_->itemText(i)));
  }
  StartWorker([this, request] { last_result_ = engine_->RunFrame(request); });
}

void DownloadTab::sbDLFrameIEOpenClick() {
  const std::string entry = Trimmed(frame_link_->text());
  if (entry.empty()) return;
  const std::string link = FrameTarget(Trimmed(url_box_->currentText()), entry);
  if (IsHttpUrl(link)) OpenExternally(link);
}

void DownloadTab::sbDLFrameCOPYClick() { QApplication::clipboard()->setText(frame_link_->text()); }

void DownloadTab::sbDLFramePasteClick() { frame_link_->setText(QApplication::clipboard()->text()); }

}  // namespace kaplo::gui
