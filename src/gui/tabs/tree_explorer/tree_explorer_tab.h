// The folder tree tab: drives, folders and files in tv_Client, loaded when a
// node is opened (off the window thread); a clicked file shown by its type in
// the source view or the two browser panes; and the file search panel.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "gui/common/lazy_widget.h"
#include "gui/common/tab.h"

class QCheckBox;
class QLabel;
class QMenu;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace kaplo::gui {

class BrowserPane;
class FileSearchPanel;
class TRadioGroup;
class TRichEditEx;

class TreeExplorerTab : public QWidget, public Tab {
  Q_OBJECT

 public:
  struct Hooks {
    // Shows a message ("ドライブ／フォルダーを指定できません").
    std::function<void(const QString&)> inform;
    // Makes a browser pane of that objectName; by default an empty one of the tab's own.
    std::function<BrowserPane*(const QString& name, QWidget* parent)> make_pane;
    // An HTML file shown here, for the local page tab's path box.
    std::function<void(const QString& path)> show_page;
    // Where to save the file contents (preset: the shown file); empty: cancelled.
    std::function<QString(const QString& preset)> save_dialog;
  };
  // For the registry: the controls are made by Build.
  TreeExplorerTab();
  // Built at once, outside a window.
  explicit TreeExplorerTab(Hooks hooks, QWidget* parent = nullptr);
  ~TreeExplorerTab() override;

  void Build(TabContext& context) override;
  // The tree and the file contents come to the front.
  void Entered() override;

  QTreeWidget* Tree() const { return tree_; }
  FileSearchPanel* Search() const { return search_; }
  // Made when first shown or first used.
  TRichEditEx* SourceView() const;
  BrowserPane* LeftPane() const;
  BrowserPane* RightPane() const;
  QString FileLabel() const;
  QString FileTypeLabel() const;
  // Folder listings still running.
  int PendingLoads() const { return pending_; }

  // Drives of the computer under the root, the root opened.
  void Fill();
  // A node opened: its entries are listed (once).
  void NodeExpanding(QTreeWidgetItem* item);
  // A node closed: the file label, both panes and the source view emptied.
  void NodeCollapsed(QTreeWidgetItem* item);
  // A node clicked: the search folder, the file label and the file's preview.
  void NodeClick(QTreeWidgetItem* item);
  // The pop-up menu's three ways of opening the labelled file.
  void OpenWithAssociated();
  void OpenInBrowser();
  void OpenInEditor();
  // The file contents saved in the code of RadioGroupTreeExplorerSave, its
  // charset declaration rewritten unless the check box keeps it.
  void SaveContents();

 private:
  void BuildControls();
  void ShowFile(const QString& path);
  void ClearPreview();

  Hooks hooks_;
  QTabWidget* left_tabs_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  QLabel* file_label_ = nullptr;
  QLabel* type_label_ = nullptr;
  TRadioGroup* charset_ = nullptr;
  TRadioGroup* save_charset_ = nullptr;
  QCheckBox* keep_declaration_ = nullptr;
  QCheckBox* display_left_ = nullptr;
  Lazy<TRichEditEx> source_;
  Lazy<BrowserPane> left_;
  Lazy<BrowserPane> right_;
  QTabWidget* right_tabs_ = nullptr;
  FileSearchPanel* search_ = nullptr;
  int pending_ = 0;
  int generation_ = 0;  // Fill() count
};

}  // namespace kaplo::gui
