// The file search panel of both search tabs, the result list and the
// directory tree of the file search tab.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QTableView>

#include "filetools/file_preview.h"
#include "filetools/filetools_test_support.h"
#include "gui/tabs/file_search/directory_tree.h"
#include "gui/tabs/file_search/file_search_panel.h"
#include "gui/tabs/file_search/file_search_tab.h"
#include "gui/tabs/file_search/folder_loader.h"
#include "gui/tabs/file_search/match_list_model.h"
#include "support/window_support.h"

namespace kaplo::gui {
namespace {

using test::TempTree;

TEST(FileSearchPanelTest, SearchesListsAndReportsTheFinish) {
  TempTree tree;
  tree.Write("a.txt", "the Needle is here");
  tree.Write("sub/b.TXT", std::string(3000, 'x') + " needle");
  tree.Write("sub/c.txt", "nothing");
  tree.Write("d.html", "needle");
  FileSearchPanel panel(QStringLiteral("TreeExp"), QStringLiteral("sbTreeExpFileSearchGo"));
  EXPECT_EQ(panel.MaskBox()->objectName(), QStringLiteral("TreeExpComboBoxFSFile"));
  EXPECT_EQ(panel.GoButton()->text(), U("検索実行"));
  EXPECT_EQ(panel.AbortButton()->text(), U("検索の強制終了"));
  EXPECT_EQ(panel.MaskBox()->itemText(0), QStringLiteral("*.html"));

  // Both boxes are needed.
  panel.MaskBox()->setEditText(QStringLiteral("  "));
  panel.SetFolder(QString::fromStdString(tree.Path()));
  panel.GoClick();
  EXPECT_FALSE(panel.Busy());

  panel.MaskBox()->setEditText(QStringLiteral("*.txt"));
  panel.PhraseBox()->setEditText(QStringLiteral("needle"));
  panel.GoClick();
  EXPECT_FALSE(panel.GoButton()->isEnabled());
  EXPECT_TRUE(panel.AbortButton()->isEnabled());
  ASSERT_TRUE(panel.WaitIdle(20000));
  EXPECT_TRUE(panel.GoButton()->isEnabled());
  EXPECT_TRUE(panel.AbortButton()->isEnabled());
  panel.AbortClick();  // nothing running: nothing happens
  EXPECT_FALSE(panel.Busy());
  MatchListModel* model = panel.Model();
  ASSERT_EQ(model->rowCount(), 2);
  QStringList names;
  for (int r = 0; r < 2; ++r) names << model->Text(r, MatchListModel::kName);
  names.sort();
  EXPECT_EQ(names, (QStringList{"a.txt", "b.TXT"}));
  EXPECT_TRUE(panel.StatusPanel(1).startsWith(U(" 【 2 】個のフォルダーを検索し、【 2 】個のファイルを検出しました - ［ ")))
      << panel.StatusPanel(1).toStdString();
  EXPECT_TRUE(panel.StatusPanel(2).startsWith(U(" 【 "))) << panel.StatusPanel(2).toStdString();

  // Sizes: kilobytes rounded up; sorted as numbers.
  tree.Write("s/k2.bin", std::string(2000, 'x'));
  tree.Write("s/k10.bin", std::string(10000, 'x'));
  tree.Write("s/k100.bin", std::string(100000, 'x'));
  panel.MaskBox()->setEditText(QStringLiteral("*.bin"));
  panel.PhraseBox()->setEditText(QString());
  panel.GoClick();
  ASSERT_TRUE(panel.WaitIdle(20000));
  ASSERT_EQ(model->rowCount(), 3);
  panel.ResultList()->sortByColumn(MatchListModel::kSize, Qt::AscendingOrder);
  EXPECT_EQ(model->Text(0, MatchListModel::kSize), QStringLiteral("2KB"));
  EXPECT_EQ(model->Text(1, MatchListModel::kSize), QStringLiteral("10KB"));
  EXPECT_EQ(model->Text(2, MatchListModel::kSize), QStringLiteral("98KB"));
  panel.ResultList()->sortByColumn(MatchListModel::kName, Qt::DescendingOrder);
  EXPECT_EQ(model->Text(0, MatchListModel::kName), QStringLiteral("k2.bin"));
  EXPECT_FALSE(model->Text(0, MatchListModel::kModified).isEmpty());

  panel.ClearListClick();
  EXPECT_EQ(model->rowCount(), 0);
}

TEST(FileSearchPanelTest, RowsComeInSearchOrder) {
  TempTree tree;
  for (int a = 0; a < 8; ++a) {
    for (int b = 0; b < a % 3 + 1; ++b) {
      const std::string folder = "d" + std::to_string(a) + "/e" + std::to_string(b) + "/";
      for (int f = 0; f < 4; ++f) tree.Write(folder + "f" + std::to_string(f) + ".txt", "x");
    }
    // Uneven reads: the searcher's threads finish their folders out of order.
    tree.Write("d" + std::to_string(a) + "/top.txt", std::string(a * 50000, 'y') + "x");
  }
  FinderCriteria c;
  c.name.location = tree.Path();
  c.name.file_name = "*.txt";
  c.content.phrase = "x";
  test::RecordingSink one;
  std::atomic<bool> abort{false};
  RunSearch(BuildPlan(c), one, abort, {.threads = 1});

  FileSearchPanel panel(QString(), QStringLiteral("sbFileSearchGo"));
  panel.MaskBox()->setEditText(QStringLiteral("*.txt"));
  panel.PhraseBox()->setEditText(QStringLiteral("x"));
  panel.SetFolder(QString::fromStdString(tree.Path()));
  panel.GoClick();
  ASSERT_TRUE(panel.WaitIdle(20000));
  std::vector<std::string> rows;
  for (int r = 0; r < panel.Model()->rowCount(); ++r) rows.push_back(panel.Model()->Path(r));
  EXPECT_EQ(rows, one.paths);
}

TEST(FileSearchPanelTest, AbortKeepsTheMatchesAndSaysSo) {
  TempTree tree;
  for (int i = 0; i < 600; ++i) tree.Write("d" + std::to_string(i) + "/f.txt", "x");
  FileSearchPanel panel(QString(), QStringLiteral("sbFileSearchGo"));
  panel.MaskBox()->setEditText(QStringLiteral("*.txt"));
  panel.SetFolder(QString::fromStdString(tree.Path()));
  panel.GoClick();
  panel.AbortClick();
  ASSERT_TRUE(panel.WaitIdle(20000));
  EXPECT_TRUE(panel.StatusPanel(1).startsWith(U("  実行は中止されました - ")))
      << panel.StatusPanel(1).toStdString();
  EXPECT_LT(panel.Model()->rowCount(), 600);
  EXPECT_TRUE(panel.GoButton()->isEnabled());
}

TEST(FileSearchPanelTest, DatePickersOpeningClearAndPaste) {
  TempTree tree;
  const std::string txt = tree.Write("a.txt", "x");
  const std::string html = tree.Write("b.html", "x");
  FileSearchPanel panel(QString(), QStringLiteral("sbFileSearchGo"));
  EXPECT_EQ(panel.BeforeDate()->objectName(), QStringLiteral("BeforeDate"));
  EXPECT_EQ(panel.AfterTime()->objectName(), QStringLiteral("AfterTime"));
  panel.BeforeCheck()->setChecked(true);
  panel.BeforeDate()->setDate(QDate(1970, 1, 3));
  panel.BeforeTime()->setTime(QTime(0, 0));
  panel.AfterCheck()->setChecked(true);
  panel.AfterDate()->setDate(QDate(1970, 1, 2));
  panel.AfterTime()->setTime(QTime(1, 2, 3));
  const FinderCriteria c = panel.Criteria();
  EXPECT_EQ(c.time.created_before.day, 2);
  EXPECT_FALSE(c.time.created_before.second) << "midnight: the date alone";
  EXPECT_EQ(c.time.created_after.day, 1);
  EXPECT_EQ(c.time.created_after.second, 3723);
  EXPECT_TRUE(c.content.ignore_case);
  EXPECT_TRUE(c.name.subfolders);

  // Files made today are not created before 1970-01-03.
  panel.MaskBox()->setEditText(QStringLiteral("*.*"));
  panel.SetFolder(QString::fromStdString(tree.Path()));
  panel.GoClick();
  ASSERT_TRUE(panel.WaitIdle(20000));
  EXPECT_EQ(panel.Model()->rowCount(), 0);
  panel.BeforeCheck()->setChecked(false);
  panel.AfterCheck()->setChecked(false);
  panel.GoClick();
  ASSERT_TRUE(panel.WaitIdle(20000));
  ASSERT_EQ(panel.Model()->rowCount(), 2);

  std::vector<std::pair<std::vector<std::string>, QString>> opened;
  panel.SetOpener([&](const std::vector<std::string>& editor, const QString& file) {
    opened.emplace_back(editor, file);
  });
  for (int r = 0; r < 2; ++r) panel.OpenRow(r);
  ASSERT_EQ(opened.size(), 2u);
  std::sort(opened.begin(), opened.end(),
            [](const auto& a, const auto& b) { return a.second < b.second; });
  EXPECT_EQ(opened[0].second, QString::fromStdString(txt));
  EXPECT_EQ(opened[0].first, TextEditorCommand(txt));
  EXPECT_EQ(opened[1].second, QString::fromStdString(html));
  EXPECT_TRUE(opened[1].first.empty()) << "an HTML file opens with its program";

  QApplication::clipboard()->setText(QStringLiteral(" /some/folder "));
  panel.PasteClick(1);
  EXPECT_EQ(panel.FolderBox()->currentText(), QStringLiteral("/some/folder"));
  panel.ClearBoxesClick();
  EXPECT_TRUE(panel.FolderBox()->currentText().isEmpty());
  EXPECT_TRUE(panel.MaskBox()->currentText().isEmpty());
}

TEST(DirectoryTreeTest, DrivesThenFoldersOnClickFeedingTheSearch) {
  TempTree tree;
  tree.Dir("zz-folder");
  FileSearchTab tab(true);
  TDirectoryTree* dirs = tab.Tree();
  QTreeWidgetItem* root = dirs->topLevelItem(0);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->text(0), U("ﾏｲ・ｺﾝﾋﾟｭｰﾀ"));
  ASSERT_GE(root->childCount(), 1);
  QTreeWidgetItem* slash = root->child(0);
  EXPECT_EQ(slash->text(0), QStringLiteral("/"));
  dirs->NodeClick(root);
  EXPECT_TRUE(dirs->Directory().isEmpty()) << "the root does nothing";

  // Walk down to the temporary tree, one click per level.
  QTreeWidgetItem* node = slash;
  const QStringList parts = QString::fromStdString(tree.Path()).split('/', Qt::SkipEmptyParts);
  for (const QString& part : parts) {
    dirs->NodeClick(node);
    ASSERT_TRUE(WaitFor([&] { return dirs->PendingLoads() == 0; }));
    QTreeWidgetItem* next = nullptr;
    for (int i = 0; i < node->childCount(); ++i) {
      if (node->child(i)->text(0) == part) next = node->child(i);
    }
    ASSERT_NE(next, nullptr) << part.toStdString();
    node = next;
  }
  dirs->NodeClick(node);
  ASSERT_TRUE(WaitFor([&] { return dirs->PendingLoads() == 0; }));
  EXPECT_EQ(dirs->Directory(), QString::fromStdString(tree.Path()));
  EXPECT_EQ(tab.Search()->FolderBox()->currentText(), QString::fromStdString(tree.Path()));
  ASSERT_EQ(node->childCount(), 1);
  EXPECT_EQ(node->child(0)->text(0), QStringLiteral("zz-folder"));
  EXPECT_TRUE(node->isExpanded());
}

}  // namespace
}  // namespace kaplo::gui
