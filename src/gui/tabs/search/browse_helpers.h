// What the browsing tabs (search, favourites, dictionary and map) share:
// handing a followed link to the tabs that work on one page, numbered tabs of
// browser panes, and bringing a tab page to the front.
//
// The other tabs' URL boxes are found by objectName in the window, so a tab
// that is not built yet is simply skipped.
#pragma once

#include <QString>
#include <string>

class QTabWidget;
class QUrl;
class QWidget;

namespace kaplo::gui {

class BrowserPane;
class TabHost;

// ComboBoxWBUrl, LabelWebBrowserUrl, EditIPUrl and EditGUIUrl.
void HandOnToOtherTabs(QWidget* from, const QString& url);
// ComboBoxWBUrl only.
void HandOnDownloadUrl(QWidget* from, const QString& url);
// EditGUIUrl only.
void HandOnAnalysisUrl(QWidget* from, const QString& url);
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

// Brings the PGMain page (and every tab page) holding w to the front.
void ShowPageOf(QWidget* w);

}  // namespace kaplo::gui
