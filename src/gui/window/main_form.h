// The main window: the frame around the tabs of PGMain (one per registry
// line), the main menu, the status bar, the settings file's loading and
// saving, the caption. Tabs are reached only through the Tab interface.
#pragma once

#include <QDateTime>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <filesystem>
#include <memory>
#include <vector>

#include "engine/ports.h"
#include "gui/common/settings_bindings.h"
#include "gui/common/tab.h"
#include "gui/window/tab_registry.h"
#include "shell/settings.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QTabWidget;

namespace kaplo::gui {

class BrowserPane;
class MessagePrompter;
class TAboutBox;
class TFormSource;
class TInformboxForm;
class TFormWatchRoot;

struct MainFormOptions {
  // The settings file; empty: the program folder's KAPLO*.inf, else
  // ~/.config/kaplo/KAPLO.inf.
  std::filesystem::path settings_file;
  // Whether start-up may load pages from the network (the remembered
  // download URL, the search tabs' start pages).
  bool initial_navigation = true;
  // Messages in message boxes; off, they are only kept for LastMessage().
  bool message_boxes = true;
  // The tabs' questions and dialogs; null: message boxes and file dialogs.
  Prompter* prompter = nullptr;
};

class TAMainForm : public QMainWindow, public TabHost {
  Q_OBJECT

 public:
  explicit TAMainForm(MainFormOptions options = {}, QWidget* parent = nullptr);
  ~TAMainForm() override;

  // ---- tabs ----

  // The page of PGMain with that objectName ("PGMainTab02Dowload"), or null.
  QWidget* Page(const QString& tab_name) const;
  QWidget* Page(TabId id) const;
  Tab* TabAt(TabId id) const;
  // TabHost
  void ShowTab(TabId id) override;
  void HandOver(TabId target, const QString& address) override;
  void PassLink(TabId target, const QString& address, LinkUse use) override;
  BrowserPane* CreateBrowserPane(const QString& name, QWidget* parent) override;
  void SetCaption(const QString& caption) override { setWindowTitle(caption); }
  bool InitialNavigation() const override { return options_.initial_navigation; }
  bool ReInitializeChecked() const override;
  // A tab's top panel collapsing clears "初期状態に戻す".
  void ClearReInitialize() override;
  Prompter& Prompts() override { return *prompter_; }
  TInformboxForm* InformationWindow() override { return information_window_.get(); }
  TFormSource* SourceWindow() override { return source_window_.get(); }
  // Made with the other secondary windows, hidden: nothing shows it yet.
  TFormWatchRoot* WatchRootWindow() const { return watch_root_window_.get(); }
  QMenu* FavoritesMenu() const override { return menu_favorites_; }
  QMenu* DownloadSettingsMenu() const override { return menu_dl_settings_; }
  const std::filesystem::path& SettingsFile() const override { return settings_file_; }
  void SetSavedPage(const SavedPage& page) override {
    const std::uint64_t job = saved_page_.job + 1;
    saved_page_ = page;
    saved_page_.job = job;
  }
  const SavedPage& LastSavedPage() const override { return saved_page_; }

  // Every browser pane the tabs made.
  std::vector<BrowserPane*> Browsers() const;

  // ---- state ----

  // The values of the settings file (and of controls not built yet).
  Settings& settings() { return settings_; }
  const MainFormOptions& options() const { return options_; }
  QDateTime StartTime() const { return start_time_; }
  QString OwnAddress() const { return own_address_; }

  // ---- status bar StatusBarDLBaseBrowser: panels 0 to 4 ----

  void SetStatusPanel(int index, const QString& text) override;
  QString StatusPanel(int index) const;

  // ---- caption ----

  // mode -1: title and version; 0: the build line around text; 1: title alone.
  void AppTitleCaption(const QString& text, int mode);
  // "[ url ]", unless url holds "about:blank".
  void SetFormCaption(const QString& url) override;

  // ---- messages ----

  void Inform(const QString& message);
  QString LastMessage() const { return last_message_; }

 public slots:
  void MenuFileExitClick();
  void MenuViewMaximizedClick();
  void MenuViewStayOnTopClick();
  void MenuViewStdTopHeightClick();
  void ManuSettingsSaveClick();
  void MenuSettingsDefaultFolderSetClick();
  void MenuSettingsDefaultFolderReleaseClick();
  void MenuSettingsDefaultFolderConfirmClick();
  void MenuSettingsReInitializeClick();
  void MenuOtherAboutClick();
  void MenuOtherVersionClick();
  // ToolButtonOpenHTMLSource: shows the source window, or hides it.
  void ToolButtonOpenHTMLSourceClick();

 signals:
  // A news or reference site menu entry: open url in the favourites tab.
  void NavNewspaperRequested(const QString& url);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  struct TabSlot {
    const TabEntry* entry;
    QWidget* page;     // the page of PGMain
    QWidget* content;  // inside the page's scroll area: what the tab builds into
    std::unique_ptr<Tab> tab;
  };

  void BuildTabs();
  void BuildTabContents();
  void BuildMenu();
  void BuildStatusBar();
  void Initialize();
  void FormShow();
  void PGMainChange(int index);
  void EditAction(const char* method);
  // Settings <-> controls.
  void StoreControls();
  void ReleaseInitialize();
  bool SaveSettings();

  MainFormOptions options_;
  Settings settings_;
  std::filesystem::path settings_file_;
  QDateTime start_time_;
  QString own_address_;
  QString caption_text_;
  QString last_message_;
  bool shown_ = false;
  bool programmatic_switch_ = false;
  int current_tab_ = -1;

  QTabWidget* pg_main_ = nullptr;
  std::vector<QLabel*> status_panels_;
  QMenu* menu_favorites_ = nullptr;
  QMenu* menu_dl_settings_ = nullptr;
  QAction* menu_maximized_ = nullptr;
  QAction* menu_stay_on_top_ = nullptr;
  QAction* menu_std_top_height_ = nullptr;
  QAction* menu_reinitialize_ = nullptr;
  TAboutBox* about_box_ = nullptr;
  // The secondary windows belong to the desktop, not to this one: closing
  // them only hides them, and they go with the window.
  std::unique_ptr<TFormWatchRoot> watch_root_window_;
  std::unique_ptr<TInformboxForm> information_window_;
  std::unique_ptr<TFormSource> source_window_;
  std::unique_ptr<MessagePrompter> own_prompter_;
  Prompter* prompter_ = nullptr;
  SavedPage saved_page_;
  std::vector<QPointer<BrowserPane>> panes_;
  SettingsBindings bindings_;
  // Last: the tabs go before the window's widgets do.
  std::vector<TabSlot> tabs_;
};

}  // namespace kaplo::gui
