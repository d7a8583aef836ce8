// The dictionary and map tab: three panes (Yahoo's dictionary, Yahoo's map,
// Google Maps) whose start pages come from the site table.
#pragma once

#include <QWidget>
#include <vector>

#include "gui/common/lazy_widget.h"
#include "gui/common/tab.h"
#include "workspace/sites.h"

class QTabWidget;

namespace kaplo::gui {

class BrowserPane;

class UtilBrowseTab : public QWidget, public Tab {
  Q_OBJECT

 public:
  UtilBrowseTab();
  ~UtilBrowseTab() override;

  // Loads the active pane's start page.
  void sbUtlRefreshClick();
  void sbUtlBackClick();
  BrowserPane* ActivePane() const;

  // Tab
  void Build(TabContext& context) override;

 private:
  SiteTable sites_;
  QTabWidget* tabs_ = nullptr;
  // One a page of tabs_, made when first shown.
  std::vector<Lazy<BrowserPane>> panes_;
};

}  // namespace kaplo::gui
