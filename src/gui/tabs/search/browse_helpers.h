// What the browsing tabs (search, favourites, dictionary and map) share:
// numbered tabs of browser panes and the click rule of plain panes.
#pragma once

#include <QString>
#include <string>

#include "gui/common/tab.h"

class QTabWidget;
class QUrl;
class QWidget;

namespace kaplo::gui {

class BrowserPane;

// Adds a tab to tabs holding one new silent pane: caption number + ". " +
// title, hint url; the tab becomes active and loads url unless it is blank.
// Null when the pane cannot be made.
BrowserPane* AddNumberedPaneTab(TabHost& host, QTabWidget* tabs, const QString& url,
                                const QString& title, int number);
// Closes the tabs AddNumberedPaneTab made, one round per tab at most.
void CloseNumberedPaneTabs(QTabWidget* tabs);
// Only web addresses are followed from a page: a pane's click rule.
bool FollowOnlyWebLinks(const QUrl& link);
// The address bytes exactly as the page has them, as the core reads links.
std::string LinkBytes(const QUrl& link);

}  // namespace kaplo::gui
