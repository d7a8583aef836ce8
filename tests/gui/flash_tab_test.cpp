// The hidden local Flash tab: the page written into its pane, its source,
// stop, and the pane's outer HTML read back.
#include "gui/tabs/flash/flash_tab.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include "gui/widgets/browser_pane.h"
#include "gui/widgets/rich_edit_ex.h"
#include "gui/window/main_form.h"
#include "support/window_support.h"
#include "text/convert.h"
#include "workspace/flash_page.h"

namespace kaplo::gui {
namespace {

TEST(FlashTab, ShowsThePageAndItsSourceStopsAndReadsTheDocumentBack) {
  const TestFolder dir("flash");
  const auto window = OpenTestWindow(dir / "KAPLO.inf");
  TAMainForm& form = *window;
  form.show();
  auto* tab = dynamic_cast<FlashTab*>(form.TabAt(TabId::Flash));
  ASSERT_NE(tab, nullptr);
  auto* tabs = form.findChild<QTabWidget*>("PGMain");
  EXPECT_FALSE(tabs->isTabVisible(tabs->indexOf(form.Page(TabId::Flash))));
  form.ShowTab(TabId::Flash);
  // No plug-ins: one line says so, and no blank pane takes the room.
  EXPECT_TRUE(form.findChild<QLabel*>("LabelFlashNoPlugin")->isVisibleTo(tab));
  EXPECT_FALSE(tab->Pane()->isVisibleTo(tab));

  const QString path = QString::fromUtf8("C:\\swf\\バナー & \"x\".swf");
  tab->FileBox()->setText(path);
  QSignalSpy loaded(tab->Pane(), &BrowserPane::DocumentComplete);
  form.findChild<QPushButton*>("btnFlashPlayerShow")->click();
  ASSERT_EQ(tab->FileList()->count(), 1);
  EXPECT_EQ(tab->FileList()->item(0)->text(), QString::fromUtf8("C:/swf/バナー & \"x\".swf"));
  const std::string page = LocalFlashPage("C:/swf/バナー & \"x\".swf");
  EXPECT_EQ(tab->SourceView()->SjisText(), page);
  // The window's twenty panes start up first; on a busy machine that takes a while.
  ASSERT_TRUE(QTest::qWaitFor([&] { return loaded.count() > 0; }, 60000));

  form.findChild<QPushButton*>("btnFlashPlayerOuterHtml")->click();
  const QString shown = tab->SourceView()->toPlainText();
  EXPECT_TRUE(shown.contains(QString::fromUtf8("value=\"C:/swf/バナー &amp; &quot;x&quot;.swf\"")))
      << shown.toStdString();
  EXPECT_TRUE(shown.contains("Flash Player Local Display"));

  form.findChild<QPushButton*>("btnFlashPlayerShow")->click();
  EXPECT_EQ(tab->FileList()->count(), 2);
  form.findChild<QPushButton*>("btnFlashPlayerStop")->click();
  EXPECT_EQ(tab->FileList()->count(), 0);
  EXPECT_TRUE(tab->SourceView()->toPlainText().isEmpty());
}

}  // namespace
}  // namespace kaplo::gui
