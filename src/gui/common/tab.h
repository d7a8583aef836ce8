// The interface every tab of the main window implements, and what the
// window offers a tab while it builds. The window calls tabs only through
// this; a tab's controls are its own.
#pragma once

#include <QString>
#include <memory>

#include "engine/ports.h"
#include "shell/settings.h"

class QComboBox;
class QWidget;

namespace kaplo::gui {

class BrowserPane;
class SettingsBindings;
class TInformboxForm;

// The tabs of PGMain, in their order.
enum class TabId {
  Search,
  Favorites,
  UtilBrowse,
  GuiAnalysis,
  Download,
  LocalPage,
  Flash,
  TreeExplorer,
  WebDecode,
  FileSearch,
  IpAddress,
};

// The window's services for its tabs.
class TabHost {
 public:
  // A browser pane of that objectName, child of parent, emptied at once.
  virtual BrowserPane* CreateBrowserPane(const QString& name, QWidget* parent) = 0;
  virtual void SetStatusPanel(int index, const QString& text) = 0;
  // Brings a tab to the front; its Entered hook does not run.
  virtual void ShowTab(TabId id) = 0;
  // Hands an address (a URL or a local file) to another tab: the tab comes to
  // the front and its TakeAddress hook runs.
  virtual void HandOver(TabId target, const QString& address) = 0;
  virtual void SetCaption(const QString& caption) = 0;
  // Whether start-up may load pages from the network.
  virtual bool InitialNavigation() const = 0;
  // "初期状態に戻す" is checked.
  virtual bool ReInitializeChecked() const = 0;

 protected:
  ~TabHost() = default;
};

struct TabContext {
  TabHost& host;
  // The tab's page of PGMain; it has a vertical layout.
  QWidget* page;
  // Answers questions and dialogs on the window thread; null: message boxes.
  Prompter* prompter = nullptr;
  // The program's information window; null: the tab makes its own.
  TInformboxForm* information_window = nullptr;
};

class Tab {
 public:
  virtual ~Tab() = default;
  // Builds the tab's controls into context.page.
  virtual void Build(TabContext& context) = 0;
  // Declares which of the tab's controls mirror which settings values; the
  // window loads and stores them all. Called once, after Build.
  virtual void BindSettings(SettingsBindings&, Settings&) {}
  // After the settings file was read and the bound controls loaded.
  virtual void LoadSettings(const Settings&) {}
  // Before the settings file is written, after the bound controls were read.
  virtual void StoreSettings(Settings&) {}
  // "初期状態に戻す", after the bound controls were emptied.
  virtual void Reset() {}
  // End of first showing. Initial page loads go here, and only when
  // TabHost::InitialNavigation() allows them.
  virtual void FirstShown() {}
  // The user switched to this tab, or away from it.
  virtual void Entered() {}
  virtual void Left() {}
  // An address another tab handed over (TabHost::HandOver).
  virtual void TakeAddress(const QString&) {}
  // The URL box the download presets fill (menu "ﾀﾞｳﾝﾛｰﾄﾞ設定"), if the tab has it.
  virtual QComboBox* PresetUrlBox() { return nullptr; }
};

// A page whose tab is not built yet: an empty frame.
class EmptyTab : public Tab {
 public:
  void Build(TabContext&) override {}
};

template <typename T>
std::unique_ptr<Tab> MakeTab() {
  return std::make_unique<T>();
}

}  // namespace kaplo::gui
