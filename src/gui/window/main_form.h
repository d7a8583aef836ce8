// The main window: the tabs of PGMain, the main menu, the status bar, the
// settings file's loading and saving, the caption.
//
// The tabs' tools are put into their pages after construction, by AddTool.
// Settings reach the tools' controls by objectName: a control named as in the
// settings table (ComboBoxWBUrl, CheckBoxDontEmptyFolder, RadioGroupIMEMode,
// PanelPGSearchTabTop ...) is loaded at first showing and read back at
// closing, whichever tab built it:
//   text      QComboBox (its edit text), QPlainTextEdit, or any widget with a
//             "text" property (QLineEdit, QLabel ...);
//   choice    a widget with an int "itemIndex" property (TRadioGroup);
//   check     a checkable QAbstractButton;
//   height    any widget: its fixed height (a "panelHeight" property wins).
// The favourites tab's top panel, which has no settings key, is
// PanelFavoriteBrowseTop.
// Values whose control does not exist yet stay in the settings record and are
// written back as they were read.
#pragma once

#include <QDateTime>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <filesystem>
#include <memory>
#include <vector>

#include "engine/ports.h"
#include "shell/settings.h"

class QAction;
class QLabel;
class QMenu;
class QTabWidget;

namespace kaplo::gui {

class BrowserPane;
class TAboutBox;

// What a tab's content may do at the window's moments; every hook has a
// do-nothing default. Controls named after settings keys need no hook.
class WindowTool {
 public:
  virtual ~WindowTool() = default;
  // First showing, after the settings file was read and bound to the controls.
  virtual void LoadSettings(const Settings&) {}
  // Before the settings file is written, after the bound controls were read.
  virtual void StoreSettings(Settings&) {}
  // "初期状態に戻す", after the remembered controls were emptied.
  virtual void ReleaseInitialize() {}
  // End of first showing: the initial tab is chosen. Initial page loads go
  // here, and only when the window's options allow them.
  virtual void FirstShown() {}
  // The user switched to this tool's tab.
  virtual void TabEntered() {}
};

struct MainFormOptions {
  // The settings file; empty: the program folder's KAPLO*.inf, else
  // ~/.config/kaplo/KAPLO.inf.
  std::filesystem::path settings_file;
  // Whether start-up may load pages from the network (the remembered
  // download URL, the search tabs' start pages).
  bool initial_navigation = true;
  // Messages in message boxes; off, they are only kept for LastMessage().
  bool message_boxes = true;
};

class TAMainForm : public QMainWindow {
  Q_OBJECT

 public:
  explicit TAMainForm(MainFormOptions options = {}, QWidget* parent = nullptr);
  ~TAMainForm() override;

  // ---- putting tools into the window ----

  // The page of PGMain with that objectName ("PGMainTab02Dowload"), or null.
  QWidget* Page(const QString& tab_name) const;
  // Adds content to the tab's page (below what is there) and registers tool
  // (not owned; may be null). After first showing, the content's bound
  // controls are loaded at once.
  void AddTool(const QString& tab_name, QWidget* content, WindowTool* tool = nullptr);
  // A browser pane of that objectName, child of parent, emptied at once and
  // found later by Browser().
  BrowserPane* CreateBrowserPane(const QString& name, QWidget* parent);
  BrowserPane* Browser(const QString& name) const;
  std::vector<BrowserPane*> Browsers() const;
  // The engine's browser port on WebBrowserDownload and
  // WebBrowserDownloadResult; null while there is no download pane.
  std::unique_ptr<BrowserPort> MakeDownloadBrowserPort() const;
  // Brings the tab page of that objectName to the front of its tab widget,
  // and with all_levels the pages holding it too (up to PGMain). False when
  // there is no such page. Tab hooks do not run.
  bool ShowPage(const QString& name, bool all_levels = true);
  // Focuses the control of that objectName, if there is one.
  void FocusControl(const QString& name);
  // A panel's height (the settings and menus set some by name).
  void SetPanelHeight(const QString& name, int height);

  QMenu* FavoritesMenu() const { return menu_favorites_; }

  // ---- state ----

  // The values of the settings file (and of controls not built yet).
  Settings& settings() { return settings_; }
  const std::filesystem::path& SettingsFile() const { return settings_file_; }
  const MainFormOptions& options() const { return options_; }
  QDateTime StartTime() const { return start_time_; }
  QString OwnAddress() const { return own_address_; }
  // "初期状態に戻す" is checked; a tab's top panel collapsing clears it.
  bool ReInitializeChecked() const;
  void ClearReInitialize();

  // ---- status bar StatusBarDLBaseBrowser: panels 0 to 4 ----

  void SetStatusPanel(int index, const QString& text);
  QString StatusPanel(int index) const;

  // ---- caption ----

  // mode -1: title and version; 0: the build line around text; 1: title alone.
  void AppTitleCaption(const QString& text, int mode);
  // "[ url ]", unless url holds "about:blank".
  void SetFormCaption(const QString& url);

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
  void MenuDLSettingsSaveClick();
  void MenuDLSettingsAppendClick();
  void MenuDLSettingsRemoveClick();
  void MenuOtherAboutClick();
  void MenuOtherVersionClick();

 signals:
  // A news or reference site menu entry: open url in the favourites tab.
  void NavNewspaperRequested(const QString& url);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Tool {
    QString tab;
    WindowTool* tool;
  };

  void BuildTabs();
  void BuildMenu();
  void BuildStatusBar();
  void Initialize();
  void FormShow();
  void PGMainChange(int index);
  void EditAction(const char* method);
  // Settings <-> controls.
  void LoadControls(QWidget* root);
  void StoreControls();
  void ReleaseInitialize();
  bool SaveSettings();
  void FillUrlItemsFromPresets();

  MainFormOptions options_;
  Settings settings_;
  std::filesystem::path settings_file_;
  QDateTime start_time_;
  QString own_address_;
  QString caption_text_;
  QString last_message_;
  bool shown_ = false;
  bool programmatic_switch_ = false;

  QTabWidget* pg_main_ = nullptr;
  std::vector<QLabel*> status_panels_;
  QMenu* menu_favorites_ = nullptr;
  QAction* menu_maximized_ = nullptr;
  QAction* menu_stay_on_top_ = nullptr;
  QAction* menu_std_top_height_ = nullptr;
  QAction* menu_reinitialize_ = nullptr;
  TAboutBox* about_box_ = nullptr;
  std::vector<Tool> tools_;
  std::vector<QPointer<BrowserPane>> panes_;
};

}  // namespace kaplo::gui
