#include "gui/tabs/search/browse_helpers.h"

#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#include "engine/url.h"
#include "gui/widgets/browser_pane.h"

namespace kaplo::gui {

namespace {

// Marks the tabs AddNumberedPaneTab made, so closing leaves the fixed ones.
constexpr char kNumberedTab[] = "kaploNumberedTab";

}  // namespace

std::string LinkBytes(const QUrl& link) {
  return link.toString(QUrl::FullyEncoded).toStdString();
}

bool FollowOnlyWebLinks(const QUrl& link) { return IsHttpUrl(LinkBytes(link)); }

BrowserPane* AddNumberedPaneTab(TabHost& host, QTabWidget* tabs, const QString& url,
                                const QString& title, int number) {
  auto* page = new QWidget(tabs);
  page->setProperty(kNumberedTab, true);
  auto* v = new QVBoxLayout(page);
  v->setContentsMargins(0, 0, 0, 0);
  BrowserPane* pane = host.CreateBrowserPane(
      tabs->objectName() + QStringLiteral("Pane%1").arg(tabs->count()), page);
  if (!pane) {
    delete page;
    return nullptr;
  }
  pane->SetSilent(true);
  pane->SetClickCallback(FollowOnlyWebLinks);
  v->addWidget(pane);
  const int index = tabs->addTab(page, QString::number(number) + QStringLiteral(". ") + title);
  tabs->setTabToolTip(index, url);
  tabs->setCurrentIndex(index);
  if (!url.trimmed().isEmpty()) pane->Navigate(url.trimmed());
  return pane;
}

void CloseNumberedPaneTabs(QTabWidget* tabs) {
  for (int i = tabs->count() - 1; i >= 0; --i) {
    QWidget* page = tabs->widget(i);
    if (!page->property(kNumberedTab).toBool()) continue;
    tabs->removeTab(i);
    delete page;
  }
}

}  // namespace kaplo::gui
