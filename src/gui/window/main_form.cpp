#include "gui/window/main_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#include "gui/common/app_texts.h"
#include "gui/common/gui_util.h"
#include "gui/common/message_prompter.h"
#include "gui/widgets/about_box.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/form_source.h"
#include "gui/widgets/informbox_form.h"
#include "gui/widgets/scroll_panel.h"
#include "gui/widgets/watch_root_form.h"
#include "gui/window/window_geometry.h"
#include "nettools/own_address.h"
#include "workspace/sites.h"

namespace kaplo::gui {

namespace {

constexpr std::array<int, 5> kStatusPanelWidths{150, 140, 500, 500, 500};

// Small enough for a netbook's screen; below it the window is of little use.
// A tab whose controls need more scrolls (see BuildTabs).
constexpr QSize kMinimumSize(800, 480);

// The tabs' notices go where the window's own do (Inform), so a window
// without message boxes keeps them too.
class WindowPrompter : public MessagePrompter {
 public:
  explicit WindowPrompter(TAMainForm* form)
      : MessagePrompter(form, [form] { return form->InformationWindow(); }), form_(form) {}
  void Inform(std::string_view message) override { form_->Inform(QsFromSjis(message)); }

 private:
  TAMainForm* form_;
};

}  // namespace

TAMainForm::TAMainForm(MainFormOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)) {
  setObjectName(QStringLiteral("AMainForm"));
  QGuiApplication::setApplicationDisplayName(U(kAppTitle));
  setWindowIcon(ProgramIcon());
  setFont(UiFont(9));
  setMinimumSize(kMinimumSize);

  watch_root_window_ = std::make_unique<TFormWatchRoot>();
  about_box_ = new TAboutBox(this);
  information_window_ = std::make_unique<TInformboxForm>();
  source_window_ = std::make_unique<TFormSource>();
  prompter_ = options_.prompter;
  if (!prompter_) {
    own_prompter_ = std::make_unique<WindowPrompter>(this);
    prompter_ = own_prompter_.get();
  }

  BuildTabs();
  BuildMenu();
  BuildStatusBar();
  BuildTabContents();

  start_time_ = QDateTime::currentDateTime();
  AppTitleCaption(QString(), 1);
  Initialize();

  own_address_ = QString::fromStdString(LookUpOwnAddress());
  SetStatusPanel(
      1, own_address_.isEmpty() ? U(" 【 アドレス不明 】") : U(" 【 ") + own_address_ + U(" 】"));
}

TAMainForm::~TAMainForm() = default;

// ---- construction ----

void TAMainForm::BuildTabs() {
  pg_main_ = new QTabWidget(this);
  pg_main_->setObjectName(QStringLiteral("PGMain"));
  // The captions carry their own blanks; the style's padding on top of them
  // would push the last tabs out of a normal-width window.
  pg_main_->tabBar()->setStyleSheet(QStringLiteral(
      "QTabBar::tab { padding: 4px 1px; margin-right: 1px; border: 1px solid #a8a8a8;"
      " border-bottom: none; border-top-left-radius: 3px; border-top-right-radius: 3px;"
      " background: #e4e4e4; }"
      "QTabBar::tab:selected { background: #fcfcfc; }"
      "QTabBar::tab:hover:!selected { background: #eef3fa; }"));
  for (const TabEntry& entry : TabRegistry()) {
    auto* page = new QWidget(pg_main_);
    page->setObjectName(QString::fromLatin1(entry.object_name));
    // Where a window smaller than a tab's controls would cut them, the tab
    // scrolls instead; the tabs are laid out so that a laptop's screen does
    // not need it.
    QWidget* content =
        ScrolledContent(page, QString::fromLatin1(entry.object_name) + QStringLiteral("Content"));
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    const int index = pg_main_->addTab(page, U(entry.caption));
    if (entry.hidden) pg_main_->setTabVisible(index, false);
    tabs_.push_back({&entry, page, content, entry.make()});
  }
  // Beside the tabs: the source window's button, and one close button for
  // every tab that ends the program as "終了" does.
  auto* corner = new QWidget(pg_main_);
  auto* corner_row = new QHBoxLayout(corner);
  corner_row->setContentsMargins(0, 0, 0, 0);
  corner_row->setSpacing(2);
  auto* source_button = Named(new QToolButton(corner), "ToolButtonOpenHTMLSource");
  source_button->setText(U("ｿｰｽ"));
  source_button->setToolTip(U("選択したオブジェクトの部分ＨＴＭＬソースの表示"));
  connect(source_button, &QToolButton::clicked, this,
          &TAMainForm::ToolButtonOpenHTMLSourceClick);
  auto* close_button = Named(new QToolButton(corner), "sbMainClose");
  close_button->setText(U("閉じる"));
  close_button->setToolTip(U("終了"));
  connect(close_button, &QToolButton::clicked, this, &TAMainForm::MenuFileExitClick);
  corner_row->addWidget(source_button);
  corner_row->addWidget(close_button);
  pg_main_->setCornerWidget(corner, Qt::TopRightCorner);
  connect(pg_main_, &QTabWidget::currentChanged, this, &TAMainForm::PGMainChange);
  setCentralWidget(pg_main_);
  current_tab_ = pg_main_->currentIndex();
}

void TAMainForm::BuildTabContents() {
  for (TabSlot& slot : tabs_) {
    TabContext context{*this, slot.content};
    slot.tab->Build(context);
    slot.tab->BindSettings(bindings_, settings_);
  }
}

void TAMainForm::BuildMenu() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  const auto add_menu = [this, bar](const char* name, const char* caption) {
    QMenu* menu = bar->addMenu(U(caption));
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
  };
  const auto add_item = [this](QMenu* menu, const char* name, const char* caption,
                               void (TAMainForm::*slot)() = nullptr) {
    QAction* action = menu->addAction(U(caption));
    action->setObjectName(QString::fromLatin1(name));
    if (slot) connect(action, &QAction::triggered, this, slot);
    return action;
  };

  QMenu* file = add_menu("MenuFile", "ﾌｧｲﾙ");
  add_item(file, "MenuFileNew", "新規");
  add_item(file, "MenuFileOpen", "開く");
  add_item(file, "MenuFileSave", "上書き保存");
  add_item(file, "MenuFileSaveAs", "名前を付けて保存");
  file->addSeparator();
  add_item(file, "MenuFileExit", "終了", &TAMainForm::MenuFileExitClick);

  QMenu* edit = add_menu("MenuEdit", "編集");
  connect(add_item(edit, "MenuEditCopy", "コピー"), &QAction::triggered, this,
          [this] { EditAction("copy"); });
  connect(add_item(edit, "MenuEditPaste", "貼付け"), &QAction::triggered, this,
          [this] { EditAction("paste"); });
  connect(add_item(edit, "MenuEditSelectAll", "全選択"), &QAction::triggered, this,
          [this] { EditAction("selectAll"); });

  QMenu* view = add_menu("MenuView", "表示");
  menu_maximized_ =
      add_item(view, "MenuViewMaximized", "最大表示", &TAMainForm::MenuViewMaximizedClick);
  menu_maximized_->setCheckable(true);
  menu_stay_on_top_ =
      add_item(view, "MenuViewStayOnTop", "常に手前に表示", &TAMainForm::MenuViewStayOnTopClick);
  menu_stay_on_top_->setCheckable(true);
  menu_std_top_height_ = add_item(view, "MenuViewStdTopHeight", "検索ﾀﾌﾞ上部を小さく表示",
                                  &TAMainForm::MenuViewStdTopHeightClick);
  menu_std_top_height_->setCheckable(true);

  QMenu* settings = add_menu("MenuSettings", "設定");
  add_item(settings, "ManuSettingsSave", "設定を保存する", &TAMainForm::ManuSettingsSaveClick);
  settings->addSeparator();
  add_item(settings, "MenuSettingsDefaultFolderSet", "規定ﾌｫﾙﾀﾞｰを設定する",
           &TAMainForm::MenuSettingsDefaultFolderSetClick);
  add_item(settings, "MenuSettingsDefaultFolderRelease", "規定ﾌｫﾙﾀﾞｰを解除する",
           &TAMainForm::MenuSettingsDefaultFolderReleaseClick);
  add_item(settings, "MenuSettingsDefaultFolderConfirm", "規定ﾌｫﾙﾀﾞｰを確認する",
           &TAMainForm::MenuSettingsDefaultFolderConfirmClick);
  settings->addSeparator();
  menu_reinitialize_ = add_item(settings, "MenuSettingsReInitialize", "初期状態に戻す",
                                &TAMainForm::MenuSettingsReInitializeClick);
  menu_reinitialize_->setCheckable(true);

  // The download tab fills its presets' menu.
  menu_dl_settings_ = add_menu("MenuDLSettings", "ﾀﾞｳﾝﾛｰﾄﾞ設定");

  // The sites come from the site table; one it leaves without an address is shown disabled.
  const SiteTableLoad sites = SitesFromEnvironment();
  if (!sites.error.empty()) std::fprintf(stderr, "kaplo: %s\n", sites.error.c_str());
  const auto add_sites = [this](QMenu* menu, const std::vector<SiteEntry>& entries) {
    for (const SiteEntry& site : entries) {
      QAction* action = menu->addAction(QsFromSjis(site.caption));
      action->setObjectName(QString::fromStdString(site.name));
      const QString url = QsFromSjis(site.url);
      action->setEnabled(!url.isEmpty());
      connect(action, &QAction::triggered, this, [this, url] {
        emit NavNewspaperRequested(url);
        HandOver(TabId::Favorites, url);
      });
    }
  };
  add_sites(add_menu("MenuNewspaper", "新聞・通信社"), sites.table.news);
  menu_favorites_ = add_menu("MenuFavoriteTop", " お気に入り（ 【 ２ 】画面連携 ） ");
  add_sites(add_menu("MenuSite", " 参照サイト  "), sites.table.reference);

  QMenu* tool = add_menu("MenuTool", "ツール");
  add_item(tool, "MenuToolColorPalette", "ｶﾗｰ・ﾊﾟﾚｯﾄ");
  tool->menuAction()->setVisible(false);

  QMenu* other = add_menu("MenuOther", "その他");
  add_item(other, "MenuOtherAbout", "このプログラムについて", &TAMainForm::MenuOtherAboutClick);
  add_item(other, "MenuOtherVersion", "バージョン", &TAMainForm::MenuOtherVersionClick);
}

void TAMainForm::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBarDLBaseBrowser"));
  bar->setSizeGripEnabled(true);
  for (std::size_t i = 0; i < kStatusPanelWidths.size(); ++i) {
    auto* panel = new QLabel(bar);
    panel->setObjectName(QStringLiteral("StatusBarDLBaseBrowserPanel%1").arg(i));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    // The panels share the bar in the proportions of their widths, so a
    // narrow window is not forced wider.
    panel->setMinimumWidth(std::min(kStatusPanelWidths[i], 60));
    bar->addWidget(panel, kStatusPanelWidths[i] / 10);
    status_panels_.push_back(panel);
  }
}

void TAMainForm::Initialize() {
  settings_.folder.default_folder.clear();
  caption_text_.clear();
}

// ---- tabs ----

QWidget* TAMainForm::Page(const QString& tab_name) const {
  for (const TabSlot& slot : tabs_) {
    if (slot.page->objectName() == tab_name) return slot.page;
  }
  return nullptr;
}

QWidget* TAMainForm::Page(TabId id) const {
  for (const TabSlot& slot : tabs_) {
    if (slot.entry->id == id) return slot.page;
  }
  return nullptr;
}

Tab* TAMainForm::TabAt(TabId id) const {
  for (const TabSlot& slot : tabs_) {
    if (slot.entry->id == id) return slot.tab.get();
  }
  return nullptr;
}

void TAMainForm::ShowTab(TabId id) {
  QWidget* page = Page(id);
  if (!page) return;
  const bool was = programmatic_switch_;
  programmatic_switch_ = true;
  pg_main_->setCurrentWidget(page);
  programmatic_switch_ = was;
}

void TAMainForm::HandOver(TabId target, const QString& address) {
  Tab* tab = TabAt(target);
  if (!tab) return;
  ShowTab(target);
  tab->TakeAddress(address);
}

void TAMainForm::PassLink(TabId target, const QString& address, LinkUse use) {
  if (Tab* tab = TabAt(target)) tab->TakeLink(address, use);
}

BrowserPane* TAMainForm::CreateBrowserPane(const QString& name, QWidget* parent) {
  auto* pane = new BrowserPane(name, parent);
  panes_.emplace_back(pane);
  pane->Navigate(U(kAboutBlank));
  return pane;
}

std::vector<BrowserPane*> TAMainForm::Browsers() const {
  std::vector<BrowserPane*> list;
  for (const QPointer<BrowserPane>& pane : panes_) {
    if (pane) list.push_back(pane);
  }
  return list;
}

bool TAMainForm::ReInitializeChecked() const { return menu_reinitialize_->isChecked(); }

void TAMainForm::ClearReInitialize() { menu_reinitialize_->setChecked(false); }

// ---- status bar, caption, messages ----

void TAMainForm::SetStatusPanel(int index, const QString& text) {
  if (index >= 0 && index < static_cast<int>(status_panels_.size())) {
    status_panels_[index]->setText(text);
  }
}

QString TAMainForm::StatusPanel(int index) const {
  if (index < 0 || index >= static_cast<int>(status_panels_.size())) return {};
  return status_panels_[index]->text();
}

void TAMainForm::AppTitleCaption(const QString& text, int mode) {
  caption_text_ = text;
  const QString version = U(kVersion);
  switch (mode) {
    case -1:
      setWindowTitle(U(kProductTitle) + U(" - [ ") + version + U(" ]"));
      break;
    case 0:
      setWindowTitle(U("Builder[ ") + text + U(" ]") + U(" - [ ") + version + U(" ]") +
                     U("  Build - ") + U(kBuild));
      break;
    case 1:
      setWindowTitle(U(kProductTitle));
      break;
    default:
      break;
  }
}

void TAMainForm::SetFormCaption(const QString& url) {
  if (url.contains(U(kAboutBlank))) return;
  setWindowTitle(U("[ ") + url + U(" ]"));
}

void TAMainForm::Inform(const QString& message) {
  last_message_ = message;
  if (options_.message_boxes) QMessageBox::information(this, U(kAppTitle), message);
}

// ---- settings and controls ----

void TAMainForm::StoreControls() {
  bindings_.Store();
  if (shown_) {
    // The normal size, also while maximized, so the next start opens like this one.
    const QRect g = normalGeometry().isValid() ? normalGeometry() : geometry();
    settings_.main_form = {g.top(), g.left(), g.width(), g.height()};
  }
  settings_.menu.maximized = menu_maximized_->isChecked();
  settings_.menu.initialize = menu_reinitialize_->isChecked();
  for (TabSlot& slot : tabs_) slot.tab->StoreSettings(settings_);
}

bool TAMainForm::SaveSettings() {
  StoreControls();
  if (settings_file_.empty()) return false;
  if (SaveIniSettings(settings_file_, settings_)) return true;
  Inform(QsFromSjis(SettingsWriteError(settings_file_)));
  return false;
}

void TAMainForm::ReleaseInitialize() {
  // Each tab empties what it remembers; the record follows the controls.
  for (TabSlot& slot : tabs_) slot.tab->Reset();
  StoreControls();
}

// ---- first showing, tab switching, closing ----

void TAMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  FormShow();
}

void TAMainForm::FormShow() {
  settings_file_ =
      options_.settings_file.empty() ? FindSettingsFile(ProgramFolder()) : options_.settings_file;
  source_window_->SetSettingsFile(settings_file_);
  if (LoadIniSettings(settings_file_, settings_) == SettingsLoad::kLoaded) {
    bindings_.Load();
    menu_maximized_->setChecked(settings_.menu.maximized);
    menu_reinitialize_->setChecked(settings_.menu.initialize);
  } else {
    // No file: the record starts from the controls' initial choices.
    bindings_.Store();
  }
  for (TabSlot& slot : tabs_) slot.tab->LoadSettings(settings_);

  // Not mapped yet: the window opens at this size and place.
  if (const QScreen* on = screen()) {
    setGeometry(StartGeometry(on->availableGeometry(), settings_.main_form, minimumSize()));
  }
  setWindowState(menu_maximized_->isChecked() ? (windowState() | Qt::WindowMaximized)
                                              : (windowState() & ~Qt::WindowMaximized));
  AppTitleCaption(QString(), -1);
  ShowTab(TabId::Search);
  for (TabSlot& slot : tabs_) slot.tab->FirstShown();
}

void TAMainForm::PGMainChange(int index) {
  if (index < 0 || index >= static_cast<int>(tabs_.size())) return;
  const int previous = std::exchange(current_tab_, index);
  if (programmatic_switch_) return;
  if (previous >= 0 && previous != index) tabs_[previous].tab->Left();
  tabs_[index].tab->Entered();
}

void TAMainForm::closeEvent(QCloseEvent* event) {
  SaveSettings();
  event->accept();
}

// ---- menu commands ----

void TAMainForm::MenuFileExitClick() { close(); }

void TAMainForm::EditAction(const char* method) {
  QWidget* w = QApplication::focusWidget();
  for (QWidget* up = w; up; up = up->parentWidget()) {
    if (auto* web = qobject_cast<QWebEngineView*>(up)) {
      const QWebEnginePage::WebAction action =
          method == std::string_view("copy")    ? QWebEnginePage::Copy
          : method == std::string_view("paste") ? QWebEnginePage::Paste
                                                : QWebEnginePage::SelectAll;
      web->page()->triggerAction(action);
      return;
    }
  }
  if (w) QMetaObject::invokeMethod(w, method);
}

void TAMainForm::MenuViewMaximizedClick() {
  // The action's own toggle already flipped the check.
  if (menu_maximized_->isChecked()) {
    showMaximized();
  } else {
    showNormal();
  }
}

void TAMainForm::MenuViewStayOnTopClick() {
  setWindowFlag(Qt::WindowStaysOnTopHint, menu_stay_on_top_->isChecked());
  show();
}

void TAMainForm::MenuViewStdTopHeightClick() {
  ClearReInitialize();
  const int height = menu_std_top_height_->isChecked() ? 62 : 140;
  settings_.ns.page_top_height = height;
  bindings_.Reload(&settings_.ns.page_top_height);
  if (!settings_file_.empty() && !WriteIniInteger(settings_file_, "NS", "PageTopHeight", height)) {
    Inform(QsFromSjis(SettingsWriteError(settings_file_)));
  }
}

void TAMainForm::ManuSettingsSaveClick() {
  if (!settings_file_.empty()) SaveSettings();
}

void TAMainForm::MenuSettingsDefaultFolderSetClick() {
  const QString folder = QFileDialog::getExistingDirectory(
      this, U("規定ﾌｫﾙﾀﾞｰを設定する"), QsFromSjis(settings_.folder.default_folder));
  if (!folder.isEmpty()) settings_.folder.default_folder = SjisFromQs(folder);
}

void TAMainForm::MenuSettingsDefaultFolderReleaseClick() {
  settings_.folder.default_folder.clear();
}

void TAMainForm::MenuSettingsDefaultFolderConfirmClick() {
  Inform(settings_.folder.default_folder.empty() ? U("規定ﾌｫﾙﾀﾞｰは設定されていません")
                                                 : QsFromSjis(settings_.folder.default_folder));
}

void TAMainForm::MenuSettingsReInitializeClick() {
  menu_reinitialize_->setChecked(true);
  ReleaseInitialize();
  if (!settings_file_.empty()) SaveSettings();
}

void TAMainForm::MenuOtherAboutClick() { about_box_->open(); }

void TAMainForm::MenuOtherVersionClick() { AppTitleCaption(caption_text_, -1); }

void TAMainForm::ToolButtonOpenHTMLSourceClick() {
  source_window_->setVisible(!source_window_->isVisible());
}

}  // namespace kaplo::gui
