// The favourites tab: news and reference sites and the user's favourites in
// the main pane, their links in the contents pane, the contents' links in the
// side pane, new windows in numbered tabs. It also builds the favourites menu
// of the main menu and opens what the site menus choose.
#pragma once

#include <QString>
#include <QWidget>

#include "gui/common/lazy_widget.h"
#include "gui/common/tab.h"

class QCheckBox;
class QLineEdit;
class QTabWidget;

namespace kaplo::gui {

class BrowserPane;
class TFavoritesMenu;

class FavoritesTab : public QWidget, public Tab {
  Q_OBJECT

 public:
  FavoritesTab();
  ~FavoritesTab() override;

 public:
  // Opens a site in the main pane (or the desktop's browser).
  void NavNewspaper(const QString& url);
  void sbFavPasteClick();
  void CloseAllFavBrowser();
  void sbFavCollapseClick();
  // A link clicked in the main pane or the contents pane; a new window the
  // main page asked for (the pane to load it in, or null to cancel).
  void MainPaneClick(const QString& link);
  void ContentsPaneClick(const QString& link);
  BrowserPane* MainPaneNewWindow(const QString& link);

  BrowserPane* CreateTabFavBrowser(const QString& url, const QString& title, int number);
  TFavoritesMenu* FavoritesMenu() const { return menu_; }

  // Tab
  void Build(TabContext& context) override;
  // The news and reference menus, and other tabs, hand their sites here.
  void TakeAddress(const QString& address) override { NavNewspaper(address); }

 private:
  QWidget* BuildTopPanel();
  void OpenInSystemBrowser(const QString& url);
  void ShowRight(int index);

  TabHost* host_ = nullptr;  // the context itself lives only while Build runs
  TFavoritesMenu* menu_ = nullptr;
  QString fav_link_;
  QString contents_link_;

  QWidget* top_ = nullptr;
  QLineEdit* url_box_ = nullptr;
  QCheckBox* immediate_ = nullptr;
  QTabWidget* left_ = nullptr;
  QTabWidget* right_ = nullptr;
  // Made when first shown.
  Lazy<BrowserPane> main_;
  Lazy<BrowserPane> contents_;
  Lazy<BrowserPane> side_;
};

}  // namespace kaplo::gui
