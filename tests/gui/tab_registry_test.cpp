// The whole window built from the registry: every tab is made, its named
// controls are found while it builds, and a wrong name fails loudly.
#include "gui/window/tab_registry.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTabWidget>
#include <set>

#include "gui/common/require.h"
#include "gui/tabs/download/download_pages.h"
#include "gui/tabs/download/download_tab.h"
#include "gui/window/main_form.h"
#include "support/window_support.h"
#include "text/convert.h"

namespace kaplo::gui {
namespace {

TEST(TabRegistry, EveryTabIsBuiltOnItsOwnPageInRegistryOrder) {
  const TestFolder dir("registry");
  // Building runs every tab's checked lookups: a missing control throws here.
  const auto window = OpenTestWindow(dir / "KAPLO.inf");
  TAMainForm& form = *window;
  form.show();
  auto* tabs = form.findChild<QTabWidget*>("PGMain");
  ASSERT_NE(tabs, nullptr);
  ASSERT_EQ(tabs->count(), static_cast<int>(TabRegistry().size()));
  std::set<TabId> ids;
  int i = 0;
  for (const TabEntry& entry : TabRegistry()) {
    SCOPED_TRACE(entry.object_name);
    EXPECT_TRUE(ids.insert(entry.id).second);
    EXPECT_EQ(tabs->widget(i)->objectName(), entry.object_name);
    EXPECT_EQ(tabs->tabText(i), QString::fromUtf8(entry.caption));
    EXPECT_EQ(form.Page(entry.id), tabs->widget(i));
    EXPECT_NE(form.TabAt(entry.id), nullptr);
    ++i;
  }
  EXPECT_NE(dynamic_cast<DownloadTab*>(form.TabAt(TabId::Download)), nullptr);
  // Switching by id runs no hooks and touches no other tab.
  form.ShowTab(TabId::IpAddress);
  EXPECT_EQ(tabs->currentWidget(), form.Page(TabId::IpAddress));
}

TEST(TabRegistry, RequireNamesTheMissingControl) {
  QWidget root;
  auto* edit = new QLineEdit(&root);
  edit->setObjectName("EditThere");
  EXPECT_EQ(Require<QLineEdit>(&root, "EditThere"), edit);
  try {
    Require<QLineEdit>(&root, "EditNotThere");
    FAIL() << "no exception";
  } catch (const MissingControl& e) {
    EXPECT_NE(std::string(e.what()).find("EditNotThere"), std::string::npos) << e.what();
  }
  // The right name but the wrong kind of control is missing too.
  EXPECT_THROW(Require<QTabWidget>(&root, "EditThere"), MissingControl);
}

TEST(DownloadPages, EveryJobFocusShowsItsCaptionedPage) {
  // The engine says what it brings to the front; the pages and captions are the window's.
  struct Case {
    JobFocus what;
    const char* caption;
  };
  for (const Case& c : {Case{JobFocus::WebPage, " Webﾍﾟｰｼﾞの閲覧 "},
                        Case{JobFocus::WebSource, "　WebHTML "},
                        Case{JobFocus::LocalPage, " ﾛｰｶﾙﾍﾟｰｼﾞの閲覧 "},
                        Case{JobFocus::FirstFetch, " Redirect前のWebHTML  "},
                        Case{JobFocus::Native, " WebHTMLNative"},
                        Case{JobFocus::Stylesheets, " PageCSS/JS"},
                        Case{JobFocus::Images, "PageImage"}}) {
    EXPECT_STREQ(SpecOf(PageOf(c.what)).caption, c.caption);
  }
  // The page as fetched shows in both of its views.
  EXPECT_EQ(ViewsOf(JobText::FetchedCopy),
            (std::vector<JobView>{JobView::FetchedLeft, JobView::FetchedRight}));
  for (const DownloadPageSpec& spec : DownloadPages()) EXPECT_EQ(&SpecOf(spec.page), &spec);
}

}  // namespace
}  // namespace kaplo::gui
