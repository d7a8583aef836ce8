#include "gui/tabs/tree_explorer/tree_explorer_tab.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <memory>

#include "filetools/file_preview.h"
#include "gui/common/gui_util.h"
#include "gui/common/save_notice.h"
#include "gui/common/sjis.h"
#include "gui/tabs/file_search/file_search_panel.h"
#include "gui/tabs/file_search/folder_loader.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/colorize_view.h"
#include "gui/widgets/keyword_bar.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/rich_edit_ex.h"
#include "text/charset.h"

namespace kaplo::gui {
namespace {

enum Kind { kDrive = 0, kFolder = 1, kFile = 2 };

// The Flash display page, as the local Flash tab writes it.
QString FlashPage(const QString& path) {
  const QString slash = QString(path).replace('\\', '/');
  auto param = [](const QString& name, const QString& value) {
    return QStringLiteral("<param name=\"%1\" value=\"%2\" />").arg(name, value);
  };
  QStringList lines = {
      "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">",
      "<html>",
      "<head>",
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">",
      "",
      "<title>Flash Player Local Display</title>",
      "<meta http-equiv=\"Content-Style-Type\" content=\"text/css\">",
      "<meta http-equiv=\"content-script-type\" content=\"text/javascript\">",
      "</head>",
      "<body>",
      "<object classid=\"clsid:d27cdb6e-ae6d-11cf-96b8-444553540000\" width=\"800\" "
      "height=\"300\" id=\"banner\" align=\"middle\">",
      param("movie", slash)};
  const char* const params[][2] = {{"quality", "high"},     {"bgcolor", "#e8e8e8"},
                                   {"play", "true"},        {"wmode", "window"},
                                   {"scale", "showall"},    {"menu", "true"},
                                   {"devicefont", "false"}, {"salign", ""},
                                   {"allowScriptAccess", "sameDomain"}};
  for (const auto& p : params) lines << param(p[0], p[1]);
  lines << "</object>" << "</body>" << "</html>";
  return lines.join(QStringLiteral("\r\n"));
}

}  // namespace

TreeExplorerTab::TreeExplorerTab() = default;

TreeExplorerTab::TreeExplorerTab(Hooks hooks, QWidget* parent)
    : QWidget(parent), hooks_(std::move(hooks)) {
  BuildControls();
}

TreeExplorerTab::~TreeExplorerTab() = default;

void TreeExplorerTab::Build(TabContext& context) {
  TabHost& host = context.host;
  hooks_.inform = [&host](const QString& message) { host.Prompts().Inform(SjisFromQs(message)); };
  hooks_.show_page = [&host](const QString& path) {
    host.PassLink(TabId::LocalPage, path, LinkUse::kAddress);
  };
  BuildControls();
  context.page->layout()->addWidget(this);
}

void TreeExplorerTab::Entered() {
  left_tabs_->setCurrentIndex(0);
  right_tabs_->setCurrentIndex(0);
}

void TreeExplorerTab::BuildControls() {
  if (!hooks_.make_pane) {
    // The panes stay the tab's own, and load nothing until a file is shown:
    // the window starts no page process for them.
    hooks_.make_pane = [](const QString& name, QWidget* p) { return new BrowserPane(name, p); };
  }
  if (!hooks_.inform) hooks_.inform = [](const QString&) {};
  if (!hooks_.show_page) hooks_.show_page = [](const QString&) {};
  if (!hooks_.save_dialog) {
    hooks_.save_dialog = [this](const QString& preset) {
      return QFileDialog::getSaveFileName(this, QString(), preset);
    };
  }
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* split = new QSplitter(Qt::Horizontal, this);
  layout->addWidget(split);

  left_tabs_ = new QTabWidget(split);
  left_tabs_->setObjectName(QStringLiteral("PGTabb05LPGMainTreeExplorer"));
  auto* main = new QWidget(left_tabs_);
  main->setObjectName(QStringLiteral("PGTabb05LPGMainTreeExplorerTab01Main"));
  left_tabs_->addTab(main, U(" ﾂﾘｰ "));
  auto* left = new QVBoxLayout(main);
  tree_ = new QTreeWidget(main);
  tree_->setObjectName(QStringLiteral("tv_Client"));
  tree_->setHeaderHidden(true);
  tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  left->addWidget(tree_, 1);
  charset_ = new TRadioGroup(QStringLiteral("RadioGroupTreeExplorer"), U(" 文字ｺｰﾄﾞ "),
                             CharsetChoices("ISO-2022"), 3, main);
  charset_->SetItemIndex(0);
  left->addWidget(charset_);
  save_charset_ = new TRadioGroup(QStringLiteral("RadioGroupTreeExplorerSave"),
                                  U(" 保存時の文字ｺｰﾄﾞ "), CharsetChoices("ISO-2022"), 3, main);
  save_charset_->SetItemIndex(0);
  left->addWidget(save_charset_);
  keep_declaration_ = Named(new QCheckBox(U("保存時に文字ｺｰﾄﾞの宣言を変更しない"), main),
                            "CheckBoxTreeExplorerDontChangeCharsetWithSave");
  left->addWidget(keep_declaration_);
  display_left_ = new QCheckBox(U("左画面にも表示する"), main);
  display_left_->setObjectName(QStringLiteral("CheckBoxTreeExplorerDisplayLeft"));
  left->addWidget(display_left_);

  right_tabs_ = new QTabWidget(split);
  right_tabs_->setObjectName(QStringLiteral("PGMainTab05TreeExplorerRight"));
  auto* contents = new QWidget(right_tabs_);
  contents->setObjectName(QStringLiteral("PGMainTab05TreeExplorerRightTab01FileContents"));
  right_tabs_->addTab(contents, U(" ﾌｧｲﾙの内容 "));
  auto* right = new QVBoxLayout(contents);
  auto* labels = new QHBoxLayout;
  right->addLayout(labels);
  type_label_ = new QLabel(contents);
  type_label_->setObjectName(QStringLiteral("LabelTreeExpFileType"));
  type_label_->setMinimumWidth(60);
  file_label_ = new QLabel(contents);
  file_label_->setObjectName(QStringLiteral("LabelTreeExpFilename"));
  file_label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  labels->addWidget(type_label_);
  labels->addWidget(file_label_, 1);
  auto* save = Named(new QPushButton(U("保存"), contents), "sbTreeExpSave");
  labels->addWidget(save);
  connect(save, &QPushButton::clicked, this, &TreeExplorerTab::SaveContents);
  auto* views = new QSplitter(Qt::Vertical, contents);
  right->addWidget(views, 1);
  auto* panes = new QSplitter(Qt::Horizontal, views);
  for (auto [pane, name] : {std::pair{&left_, "WebBrowserTreeExpLeft"},
                            std::pair{&right_, "WebBrowserTreeExpRight"}}) {
    const QString pane_name = QString::fromLatin1(name);
    *pane = MakeLazy<BrowserPane>(pane_name, panes, [this, pane_name](QWidget* p) {
      return hooks_.make_pane(pane_name, p);
    });
    panes->addWidget(pane->Place());
  }
  source_ = MakeLazy<TRichEditEx>(QStringLiteral("RichEditTreeExplorer"), views, [](QWidget* p) {
    // Editable, numbered and wrapped like every source pane: the file can be saved again.
    auto* view = new TRichEditEx(p);
    view->SetLineNumbers(true);
    return view;
  });
  views->addWidget(source_.Place());

  auto* search_page = new QWidget(right_tabs_);
  search_page->setObjectName(QStringLiteral("PGMainTab05TreeExplorerRightTab02FileSearch"));
  right_tabs_->addTab(search_page, U(" ﾌｧｲﾙ検索 "));
  auto* search_layout = new QVBoxLayout(search_page);
  search_layout->setContentsMargins(0, 0, 0, 0);
  search_ = new FileSearchPanel(QStringLiteral("TreeExp"), QStringLiteral("sbTreeExpFileSearchGo"),
                                search_page);
  search_layout->addWidget(search_);
  split->setStretchFactor(1, 3);
  Fill();

  connect(tree_, &QTreeWidget::itemExpanded, this, &TreeExplorerTab::NodeExpanding);
  connect(tree_, &QTreeWidget::itemCollapsed, this, &TreeExplorerTab::NodeCollapsed);
  connect(tree_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item, int) { NodeClick(item); });
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
    if (item->data(0, kKindRole).toInt() == kFile) OpenWithAssociated();
  });
  auto* menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("PopupMenuTreeExplorer"));
  menu->addAction(U("拡張子で関連付けられた実行ファイルで起動する"), this,
                  &TreeExplorerTab::OpenWithAssociated);
  menu->addAction(U("ＩＥ（ InternetExplorer ）で閲覧"), this, &TreeExplorerTab::OpenInBrowser);
  menu->addAction(U("「メモ帳（ Notepad.exe ）」で開く"), this, &TreeExplorerTab::OpenInEditor);
  connect(tree_, &QWidget::customContextMenuRequested, this,
          [this, menu](const QPoint& at) { menu->popup(tree_->viewport()->mapToGlobal(at)); });
}

void TreeExplorerTab::Fill() {
  ++generation_;
  tree_->clear();
  auto* root = new QTreeWidgetItem(tree_, {U("ﾏｲ ｺﾝﾋﾟｭｰﾀ")});
  root->setIcon(0, ComputerIcon());
  for (const Drive& d : ReadDrives()) {
    const QString point = QString::fromStdString(d.mount_point);
    auto* item = new QTreeWidgetItem(root, {point});
    item->setIcon(0, DriveIcon(d.type));
    item->setData(0, kPathRole, point);
    item->setData(0, kKindRole, kDrive);
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  }
  root->setExpanded(true);
}

TRichEditEx* TreeExplorerTab::SourceView() const { return source_.get(); }
BrowserPane* TreeExplorerTab::LeftPane() const { return left_.get(); }
BrowserPane* TreeExplorerTab::RightPane() const { return right_.get(); }

QString TreeExplorerTab::FileLabel() const { return file_label_->text(); }
QString TreeExplorerTab::FileTypeLabel() const { return type_label_->text(); }

void TreeExplorerTab::NodeExpanding(QTreeWidgetItem* item) {
  if (item == nullptr || !item->data(0, kPathRole).isValid() || item->data(0, kLoadedRole).toBool()) {
    return;
  }
  item->setData(0, kLoadedRole, true);
  const QString path = item->data(0, kPathRole).toString();
  ++pending_;
  QApplication::setOverrideCursor(Qt::BusyCursor);
  // Items live until the tree is filled again; a listing from before that is dropped.
  ListFolderAsync(this, path.toStdString(), [this, node = item, generation = generation_,
                                             path](FolderListing list) {
    --pending_;
    QApplication::restoreOverrideCursor();
    if (generation != generation_) return;
    qDeleteAll(node->takeChildren());
    if (!list) {
      node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
      node->setExpanded(false);
      node->setData(0, kLoadedRole, false);  // a medium may come later
      hooks_.inform(U("ドライブ／フォルダーを指定できません"));
      return;
    }
    if (list->empty()) {
      node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
      node->setExpanded(false);
      tree_->setCurrentItem(node);
      return;
    }
    const QString base = path.endsWith('/') ? path : path + '/';
    for (const FolderEntry& e : *list) {
      const QString name = QString::fromStdString(e.name);
      auto* child = new QTreeWidgetItem(node, {name});
      child->setData(0, kPathRole, base + name);
      if (e.kind == EntryKind::kFolder) {
        child->setIcon(0, FolderIcon());
        child->setData(0, kKindRole, kFolder);
        child->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
      } else {
        child->setIcon(0, FileIcon());
        child->setData(0, kKindRole, kFile);
      }
    }
  });
}

void TreeExplorerTab::NodeCollapsed(QTreeWidgetItem*) { ClearPreview(); }

void TreeExplorerTab::ClearPreview() {
  file_label_->clear();
  type_label_->clear();
  // What was not made yet shows nothing already.
  for (const Lazy<BrowserPane>& pane : {left_, right_}) {
    if (BrowserPane* made = pane.IfMade()) made->Navigate(QStringLiteral("about:blank"));
  }
  if (TRichEditEx* view = source_.IfMade()) view->SetSjisText({});
}

void TreeExplorerTab::NodeClick(QTreeWidgetItem* item) {
  if (item == nullptr || !item->data(0, kPathRole).isValid()) return;
  const QString path = item->data(0, kPathRole).toString();
  const int kind = item->data(0, kKindRole).toInt();
  if (kind == kFile) {
    search_->SetFolder(QFileInfo(path).absolutePath());
    ShowFile(path);
    return;
  }
  search_->SetFolder(path);
  file_label_->setText(path.endsWith('/') ? path : path + '/');
}

void TreeExplorerTab::ShowFile(const QString& path) {
  file_label_->setText(path);
  const std::string name = QFileInfo(path).fileName().toStdString();
  const PreviewType type = PreviewTypeOf(name);
  const std::string_view label = PreviewTypeLabel(type);
  type_label_->setText(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())));
  const QUrl url = QUrl::fromLocalFile(path);
  auto show_text = [&] {
    const PreviewText text = ReadPreviewText(path.toStdString());
    std::string sjis = AnyCodeToShiftJIS(text.bytes, charset_->ItemIndex());
    ShowColored(source_.get(), sjis);
    // After a search for a phrase, the file shows where it holds it.
    if (const auto& keywords = search_->HighlightKeywords(); !keywords.empty()) {
      ShowFoundHit(source_.get(), MarkKeywords(source_.get(), keywords));
    }
    if (text.truncated) {
      type_label_->setText(type_label_->text() + U("（先頭の 16 MiB のみ表示）"));
    }
  };
  switch (type) {
    case PreviewType::kText:
      left_->Navigate(QStringLiteral("about:blank"));
      right_->Navigate(QStringLiteral("about:blank"));
      source_->SetTextMargins(40, 30);
      show_text();
      break;
    case PreviewType::kImage:
      left_->Navigate(url.toString());
      right_->Navigate(url.toString());
      break;
    case PreviewType::kHtml: {
      left_->Navigate(url.toString());
      right_->Navigate(url.toString());
      show_text();
      hooks_.show_page(path);
      break;
    }
    case PreviewType::kMht:
      left_->Navigate(url.toString());
      right_->Navigate(url.toString());
      source_->SetSjisText({});
      break;
    case PreviewType::kSwf:
      right_->Write(FlashPage(path), url);
      if (display_left_->isChecked()) left_->Write(FlashPage(path), url);
      break;
    case PreviewType::kNone:
      break;
  }
}

void TreeExplorerTab::OpenWithAssociated() {
  const QString path = file_label_->text();
  if (QFileInfo(path).isFile()) search_->Open({}, path);
}

void TreeExplorerTab::OpenInBrowser() {
  const QString path = file_label_->text();
  if (QFileInfo(path).isFile()) BrowserPane::OpenInSystem(QUrl::fromLocalFile(path));
}

void TreeExplorerTab::SaveContents() {
  const TRichEditEx* view = source_.IfMade();
  const std::string text = view ? view->SjisText() : std::string();
  if (text.empty()) return;
  const QString chosen = hooks_.save_dialog(file_label_->text());
  if (chosen.isEmpty()) return;
  const int code = save_charset_->ItemIndex();
  const std::string declared =
      keep_declaration_->isChecked() ? text : RewriteCharsetDeclForSave(text, code);
  SaveAndTell([this](const std::string& notice) { hooks_.inform(QsFromSjis(notice)); },
              ConvertShiftJISForSave(declared, code), SjisFromQs(chosen));
}

void TreeExplorerTab::OpenInEditor() {
  const QString path = file_label_->text();
  if (!QFileInfo(path).isFile()) return;
  search_->Open(TextEditorCommand(path.toStdString()), path);
}

}  // namespace kaplo::gui
