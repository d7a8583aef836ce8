#include "gui/tabs/file_search/file_search_tab.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QSplitter>
#include <QVBoxLayout>

#include "gui/tabs/file_search/directory_tree.h"
#include "gui/tabs/file_search/file_search_panel.h"

namespace kaplo::gui {

FileSearchTab::FileSearchTab(bool build, QWidget* parent) : QWidget(parent) {
  if (build) BuildControls();
}

void FileSearchTab::Build(TabContext& context) {
  BuildControls();
  context.page->layout()->addWidget(this);
}

void FileSearchTab::Entered() { search_->MaskBox()->setFocus(); }

void FileSearchTab::BuildControls() {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* split = new QSplitter(Qt::Horizontal, this);
  layout->addWidget(split);
  auto* left = new QWidget(split);
  left->setObjectName(QStringLiteral("PanelPGMainTab07FileSearchLeft"));
  auto* left_layout = new QVBoxLayout(left);
  left_layout->setContentsMargins(0, 0, 0, 0);
  tree_ = new TDirectoryTree(left);
  left_layout->addWidget(tree_);
  search_ = new FileSearchPanel(QString(), QStringLiteral("sbFileSearchGo"), split);
  split->addWidget(left);
  split->addWidget(search_);
  split->setStretchFactor(1, 3);
  // The tree's folder is the search's folder.
  connect(tree_, &TDirectoryTree::directoryChanged, search_, &FileSearchPanel::SetFolder);
}

}  // namespace kaplo::gui
