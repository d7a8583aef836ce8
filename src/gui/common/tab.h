// The interface every tab of the main window implements, and what the
// window offers a tab while it builds. The window calls tabs only through
// this; a tab's controls are its own.
#pragma once

#include <QString>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/ports.h"
#include "shell/settings.h"

class QMenu;
class QWidget;

namespace kaplo::gui {

class BrowserPane;
class SettingsBindings;
class TFormSource;
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

// The files of the page a download saved last (Shift_JIS paths): what the
// local page tab shows when it is entered.
struct SavedPage {
  std::string page, first_fetched, css_js_list, combined_css_js, image_list;
  // The stylesheets, icons and feeds its head names ("reference TAB"), for
  // the page analysis tab.
  std::vector<std::string> stylesheets;
  // Counts the jobs that ended: the same page saved again is a new one.
  std::uint64_t job = 0;
  bool operator==(const SavedPage&) const = default;
};

// How a link the user followed on a browsing tab reaches a tab that works on
// one page.
enum class LinkUse {
  kAddress,  // the tab's address box takes it
  kNewPage,  // the page to work on next: the box, and the tab's state of the last page goes
};

// The window's services for its tabs. A tab reaches the window and the other
// tabs only through these.
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
  // Passes a link (or a file) to another tab, which stays behind: its
  // TakeLink hook runs.
  virtual void PassLink(TabId target, const QString& address, LinkUse use) = 0;
  virtual void SetCaption(const QString& caption) = 0;
  // The caption "[ url ]"; an "about:blank" address leaves it as it is.
  virtual void SetFormCaption(const QString& url) = 0;
  // Whether start-up may load pages from the network.
  virtual bool InitialNavigation() const = 0;
  // "初期状態に戻す" is checked.
  virtual bool ReInitializeChecked() const = 0;
  // Unticks "初期状態に戻す": a tab's top panel was collapsed or expanded.
  virtual void ClearReInitialize() = 0;

  // The window's one prompter: questions, notices, the save dialog.
  virtual Prompter& Prompts() = 0;
  // The program's secondary windows, made once at start-up.
  virtual TInformboxForm* InformationWindow() = 0;
  virtual TFormSource* SourceWindow() = 0;
  // The favourites menu of the main menu, empty until a tab fills it.
  virtual QMenu* FavoritesMenu() const = 0;
  // The download presets' menu ("ﾀﾞｳﾝﾛｰﾄﾞ設定"), empty until a tab fills it.
  virtual QMenu* DownloadSettingsMenu() const = 0;
  // The settings file; empty before the window was first shown.
  virtual const std::filesystem::path& SettingsFile() const = 0;

  // The page a download saved last.
  virtual void SetSavedPage(const SavedPage& page) = 0;
  virtual const SavedPage& LastSavedPage() const = 0;

 protected:
  ~TabHost() = default;
};

struct TabContext {
  TabHost& host;
  // The tab's page of PGMain; it has a vertical layout.
  QWidget* page;
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
  // "初期状態に戻す": the tab empties the fields it remembers and its working
  // state; the window then stores the bound controls and writes the file.
  virtual void Reset() {}
  // End of first showing. Initial page loads go here, and only when
  // TabHost::InitialNavigation() allows them.
  virtual void FirstShown() {}
  // The user switched to this tab, or away from it.
  virtual void Entered() {}
  virtual void Left() {}
  // An address another tab handed over (TabHost::HandOver).
  virtual void TakeAddress(const QString&) {}
  // A link another tab passed on (TabHost::PassLink).
  virtual void TakeLink(const QString&, LinkUse) {}
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
