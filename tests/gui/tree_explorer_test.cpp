// The folder tree tab: lazy folder listings, the preview by file type and
// the ways of opening a file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <fstream>
#include <iterator>

#include "filetools/file_preview.h"
#include "filetools/filetools_test_support.h"
#include "gui/tabs/file_search/file_search_panel.h"
#include "gui/tabs/file_search/file_search_tab.h"
#include "gui/tabs/file_search/folder_loader.h"
#include "gui/tabs/tree_explorer/tree_explorer_tab.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/rich_edit_ex.h"
#include "gui/window/main_form.h"
#include "support/window_support.h"
#include "view_test_support.h"
#include "text/convert.h"

namespace kaplo::gui {
namespace {

using test::TempTree;

class TreeExplorerTest : public ::testing::Test {
 protected:
  TreeExplorerTest() {
    auto* layout = new QVBoxLayout(&window);
    tab = new TreeExplorerTab({[this](const QString& m) { messages << m; }, {},
                               [this](const QString& page) { pages << page; },
                               [this](const QString&) { return save_as; }},
                              &window);
    layout->addWidget(tab);
  }

  // A node for a folder of the temporary tree, opened and listed.
  QTreeWidgetItem* Open(const std::string& folder) {
    auto* item = new QTreeWidgetItem(tab->Tree(), {QString::fromStdString(folder)});
    item->setData(0, kPathRole, QString::fromStdString(folder));
    item->setData(0, kKindRole, 1);
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    item->setExpanded(true);
    QElapsedTimer timer;
    timer.start();
    while (tab->PendingLoads() > 0 && timer.elapsed() < 20000) {
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return item;
  }

  static std::vector<std::pair<QString, int>> Children(QTreeWidgetItem* item) {
    std::vector<std::pair<QString, int>> out;
    for (int i = 0; i < item->childCount(); ++i) {
      out.emplace_back(item->child(i)->text(0), item->child(i)->data(0, kKindRole).toInt());
    }
    return out;
  }

  QWidget window;
  TreeExplorerTab* tab;
  QStringList messages;
  QStringList pages;  // HTML files handed on for the local page tab
  QString save_as;     // the save dialog's answer
  TempTree tree;
};

TEST_F(TreeExplorerTest, DrivesUnderTheRoot) {
  QTreeWidgetItem* root = tab->Tree()->topLevelItem(0);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->text(0), U("ﾏｲ ｺﾝﾋﾟｭｰﾀ"));
  EXPECT_TRUE(root->isExpanded());
  ASSERT_GE(root->childCount(), 1);
  EXPECT_EQ(root->child(0)->data(0, kPathRole).toString(), QStringLiteral("/"));
  EXPECT_EQ(root->child(0)->data(0, kKindRole).toInt(), 0);
}

TEST_F(TreeExplorerTest, ListsFoldersFirstKindsStoredNotGuessed) {
  tree.Write("b.txt", "text b");
  tree.Write("_under.txt", "an underscore file");
  tree.Write(".hidden.txt", "x");
  tree.Dir("_Folder");
  tree.Dir("Sub");
  QTreeWidgetItem* node = Open(tree.Path());
  const std::vector<std::pair<QString, int>> want = {
      {"_Folder", 1}, {"Sub", 1}, {"_under.txt", 2}, {"b.txt", 2}};
  EXPECT_EQ(Children(node), want);

  // An empty folder cannot be opened and becomes the current node.
  QTreeWidgetItem* empty = Open(tree.Path("Sub"));
  EXPECT_EQ(empty->childCount(), 0);
  EXPECT_FALSE(empty->isExpanded());
  EXPECT_EQ(tab->Tree()->currentItem(), empty);

  // A folder that cannot be listed says so and stays closed.
  QTreeWidgetItem* missing = Open(tree.Path("gone"));
  EXPECT_FALSE(missing->isExpanded());
  EXPECT_EQ(messages, QStringList{U("ドライブ／フォルダーを指定できません")});
}

TEST_F(TreeExplorerTest, ClickShowsTheFileByTypeAndFillsTheSearchFolder) {
  tree.Write("a.txt", "<b>hello</b>\r\nline 2");
  tree.Write("p.html", "<html><body>page</body></html>");
  tree.Write("i.png", "not really a png");
  QTreeWidgetItem* node = Open(tree.Path());
  ASSERT_EQ(node->childCount(), 3);
  auto child = [&](const QString& name) {
    for (int i = 0; i < node->childCount(); ++i) {
      if (node->child(i)->text(0) == name) return node->child(i);
    }
    return static_cast<QTreeWidgetItem*>(nullptr);
  };

  tab->NodeClick(node);
  EXPECT_EQ(tab->FileLabel(), QString::fromStdString(tree.Path()) + "/");
  tab->NodeClick(child("a.txt"));
  EXPECT_EQ(tab->FileLabel(), QString::fromStdString(tree.Path("a.txt")));
  EXPECT_EQ(tab->FileTypeLabel(), QStringLiteral("Text"));
  EXPECT_EQ(tab->SourceView()->toPlainText(), QStringLiteral("<b>hello</b>\nline 2"));
  EXPECT_EQ(tab->Search()->FolderBox()->currentText(), QString::fromStdString(tree.Path()));

  tab->NodeClick(child("p.html"));
  EXPECT_EQ(tab->FileTypeLabel(), QStringLiteral("html"));
  EXPECT_EQ(pages, QStringList{QString::fromStdString(tree.Path("p.html"))});
  EXPECT_EQ(tab->SourceView()->toPlainText(), QStringLiteral("<html><body>page</body></html>"));

  tab->NodeClick(child("i.png"));
  EXPECT_EQ(tab->FileTypeLabel(), QStringLiteral("Image"));

  // Opening: the editor as an argument list, the associated program, the browser.
  std::vector<std::pair<std::vector<std::string>, QString>> opened;
  tab->Search()->SetOpener([&](const std::vector<std::string>& editor, const QString& file) {
    opened.emplace_back(editor, file);
  });
  std::vector<QUrl> browsed;
  BrowserPane::SetSystemOpener([&](const QUrl& url) { browsed.push_back(url); });
  tab->NodeClick(child("a.txt"));
  tab->OpenInEditor();
  tab->OpenWithAssociated();
  tab->OpenInBrowser();
  BrowserPane::SetSystemOpener({});
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0].first, TextEditorCommand(tree.Path("a.txt")));
  EXPECT_TRUE(opened[1].first.empty());
  EXPECT_EQ(opened[1].second, QString::fromStdString(tree.Path("a.txt")));
  ASSERT_EQ(browsed.size(), 1u);
  EXPECT_EQ(browsed[0], QUrl::fromLocalFile(QString::fromStdString(tree.Path("a.txt"))));

  // Closing a node empties the labels and the view.
  tab->NodeCollapsed(node);
  EXPECT_TRUE(tab->FileLabel().isEmpty());
  EXPECT_TRUE(tab->SourceView()->toPlainText().isEmpty());
}

TEST_F(TreeExplorerTest, AfterAPhraseSearchAShownFileMarksThePhrasesWords) {
  tree.Write("a.txt", "first line\r\nsee tokyo and eki\r\n");
  FileSearchPanel* search = tab->Search();
  search->MaskBox()->setEditText("*.txt");
  search->FolderBox()->setEditText(QString::fromStdString(tree.Path()));
  // Split as a keyword bar splits: a full-width blank separates too.
  search->PhraseBox()->setEditText(U("tokyo　eki"));
  search->GoClick();
  ASSERT_TRUE(search->WaitIdle(20000));
  EXPECT_EQ(search->HighlightKeywords(), (std::vector<std::string>{"tokyo", "eki"}));

  QTreeWidgetItem* node = Open(tree.Path());
  ASSERT_EQ(node->childCount(), 1);
  tab->NodeClick(node->child(0));
  TRichEditEx* view = tab->SourceView();
  const int tokyo = static_cast<int>(view->toPlainText().indexOf("tokyo"));
  const int eki = static_cast<int>(view->toPlainText().indexOf("eki"));
  // Marks are bold; the source colours never are.
  const auto bold_at = [view](int position) {
    const QTextBlock block = view->document()->findBlock(position);
    for (const auto& range : view->LineFormatsOf(block.blockNumber())) {
      const int column = position - block.position();
      if (column >= range.start && column < range.start + range.length &&
          range.format.fontWeight() == QFont::Bold) {
        return true;
      }
    }
    return false;
  };
  // A colouring still on its way does not paint over the marks.
  QTest::qWait(300);
  EXPECT_EQ(ColorAt(view, tokyo), QColor(255, 0, 0));
  EXPECT_EQ(ColorAt(view, eki), QColor(255, 0, 255));
  EXPECT_TRUE(bold_at(tokyo) && bold_at(eki));
  EXPECT_FALSE(bold_at(0));
  EXPECT_EQ(view->textCursor().position(), eki);

  // Boxes cleared: the next file shown has no marks.
  search->ClearBoxesClick();
  EXPECT_TRUE(search->HighlightKeywords().empty());
  tab->NodeClick(node->child(0));
  ASSERT_TRUE(WaitColorized(view));
  EXPECT_FALSE(bold_at(tokyo));
}

TEST_F(TreeExplorerTest, SavesTheContentsInTheChosenCode) {
  tree.Write("s.html", "<meta charset=\"Shift_JIS\">" + Utf8ToShiftJIS("あ"));
  QTreeWidgetItem* node = Open(tree.Path());
  ASSERT_EQ(node->childCount(), 1);
  tab->NodeClick(node->child(0));
  // The pane is a numbered, wrapping editor: what is typed there is saved.
  TRichEditEx* view = tab->SourceView();
  EXPECT_TRUE(view->LineNumbers());
  EXPECT_EQ(view->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  view->moveCursor(QTextCursor::End);
  QTest::keyClicks(view, "!");
  Find<TRadioGroup>(tab, "RadioGroupTreeExplorerSave")->SetItemIndex(2);  // UTF-8
  struct Case {
    const char* name;
    bool keep;
    const char* declared;
  };
  for (const Case& c : {Case{"u.html", false, "UTF-8"}, Case{"k.html", true, "Shift_JIS"}}) {
    SCOPED_TRACE(c.name);
    Find<QCheckBox>(tab, "CheckBoxTreeExplorerDontChangeCharsetWithSave")->setChecked(c.keep);
    save_as = QString::fromStdString(tree.Path(c.name));
    Find<QPushButton>(tab, "sbTreeExpSave")->click();
    std::ifstream in(tree.Path(c.name), std::ios::binary);
    const std::string saved{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(saved.find(std::string("charset=\"") + c.declared), std::string::npos) << saved;
    EXPECT_NE(saved.find("\xE3\x81\x82!"), std::string::npos) << saved;
    EXPECT_EQ(messages.back(), U("ファイル【 ") + save_as + U(" 】が保存されました"));
  }
  // Cancelled: nothing is said.
  save_as.clear();
  const qsizetype said = messages.size();
  Find<QPushButton>(tab, "sbTreeExpSave")->click();
  EXPECT_EQ(messages.size(), said);
}

}  // namespace
}  // namespace kaplo::gui

namespace kaplo::gui {
namespace {

TEST(TreeExplorerWindowTest, BothTabsLiveInTheWindowAndFeedTheLocalPageBox) {
  TempTree tree;
  tree.Write("p.html", "<html><body>page</body></html>");
  const auto window = OpenTestWindow(tree.Path("KAPLO.inf"));
  TAMainForm& form = *window;
  auto* explorer = dynamic_cast<TreeExplorerTab*>(form.TabAt(TabId::TreeExplorer));
  ASSERT_NE(explorer, nullptr);
  ASSERT_NE(dynamic_cast<FileSearchTab*>(form.TabAt(TabId::FileSearch)), nullptr);
  EXPECT_TRUE(form.Page(TabId::TreeExplorer)->isAncestorOf(explorer->Tree()));
  // Both search panels are there, each with its own names.
  EXPECT_NE(form.findChild<QComboBox*>("TreeExpComboBoxFSFile"), nullptr);
  EXPECT_NE(form.findChild<QComboBox*>("ComboBoxFSFile"), nullptr);
  EXPECT_NE(form.findChild<QWidget*>("sbTreeExpFileSearchGo"), nullptr);
  EXPECT_NE(form.findChild<QWidget*>("sbFileSearchGo"), nullptr);
  auto* right = form.findChild<QTabWidget*>("PGMainTab05TreeExplorerRight");
  ASSERT_NE(right, nullptr);
  right->setCurrentIndex(1);
  form.ShowTab(TabId::TreeExplorer);
  explorer->Entered();
  EXPECT_EQ(right->currentWidget()->objectName(),
            QStringLiteral("PGMainTab05TreeExplorerRightTab01FileContents"));

  // An HTML file shown in the tree waits in the local page tab's path box
  // (not in the download tab's box of the same name), the tree tab in front.
  auto* node = new QTreeWidgetItem(explorer->Tree(), {QStringLiteral("p.html")});
  node->setData(0, kPathRole, QString::fromStdString(tree.Path("p.html")));
  node->setData(0, kKindRole, 2);
  explorer->NodeClick(node);
  auto* local_box = form.Page(TabId::LocalPage)->findChild<QLineEdit*>("BtnEditConfirmLocalHTMLFile");
  ASSERT_NE(local_box, nullptr);
  EXPECT_EQ(local_box->text(), QString::fromStdString(tree.Path("p.html")));
  EXPECT_TRUE(form.Page(TabId::Download)
                  ->findChild<QLineEdit*>("BtnEditConfirmLocalHTMLFile")
                  ->text()
                  .isEmpty());
  EXPECT_EQ(form.findChild<QTabWidget*>("PGMain")->currentWidget(), form.Page(TabId::TreeExplorer));
}

}  // namespace
}  // namespace kaplo::gui
