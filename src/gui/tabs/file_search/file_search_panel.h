// The file search controls and result list that both search tabs show: the
// mask, folder and phrase boxes, the created-before/after pickers, the start
// and abort buttons, the result list and the tab's status bar.
//
// The search runs on the panel's file searcher, on its own thread. Matches
// and the current folder are collected there and taken over by a timer on
// the window thread, so a million matches arrive as a few hundred list
// insertions, never as a flood of events.
#pragma once

#include <QString>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "filetools/file_finder.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTimeEdit;
class QTimer;
class QTableView;

namespace kaplo::gui {

class MatchListModel;

// Opens file with the editor argument list (a program and its arguments, the
// file last), or with its associated program when editor is empty. Never
// through a shell.
void OpenWithDesktop(const std::vector<std::string>& editor, const QString& file);

class FileSearchPanel : public QWidget {
  Q_OBJECT

 public:
  // prefix goes before every control name ("TreeExp" on the tree tab,
  // nothing on the file search tab); go_name names the start button.
  FileSearchPanel(const QString& prefix, const QString& go_name, QWidget* parent = nullptr);
  ~FileSearchPanel() override;

  // The start button ("検索実行"): checks the boxes, then searches.
  void GoClick();
  // The abort button ("検索の強制終了").
  void AbortClick();
  bool Busy() const;
  // Waits (handling events) until the search ends; false on time-out.
  bool WaitIdle(int timeout_ms);

  // The folder box (the trees put the chosen folder here).
  void SetFolder(const QString& folder);
  QComboBox* MaskBox() const { return mask_; }
  QComboBox* FolderBox() const { return folder_; }
  QComboBox* PhraseBox() const { return phrase_; }
  QCheckBox* BeforeCheck() const { return before_check_; }
  QCheckBox* AfterCheck() const { return after_check_; }
  QDateEdit* BeforeDate() const { return before_date_; }
  QTimeEdit* BeforeTime() const { return before_time_; }
  QDateEdit* AfterDate() const { return after_date_; }
  QTimeEdit* AfterTime() const { return after_time_; }
  QPushButton* GoButton() const { return go_; }
  QPushButton* AbortButton() const { return abort_; }
  QTableView* ResultList() const { return list_; }
  MatchListModel* Model() const { return model_; }
  // Status bar panels 0 to 2: panel 1 the finish message, panel 2 the folder.
  QString StatusPanel(int index) const;

  // The criteria a start would search with now.
  FinderCriteria Criteria() const;
  // The last search's phrase split into keywords (Shift_JIS), as a keyword
  // bar splits its input: what a view of a found file highlights.
  const std::vector<std::string>& HighlightKeywords() const { return keywords_; }
  // Folders entered by the last search.
  std::uint64_t FolderCount() const { return folder_count_; }

  // Opens a result row as a double-click does: the text editor for text
  // files, otherwise the associated program.
  void OpenRow(int row);
  // How files are opened: an editor argument list (empty: the associated
  // program) and the file. Tests replace it to record calls.
  using Opener = std::function<void(const std::vector<std::string>& editor, const QString& file)>;
  void SetOpener(Opener opener) { opener_ = std::move(opener); }
  void Open(const std::vector<std::string>& editor, const QString& file) { opener_(editor, file); }

  void ClearListClick();
  void ClearBoxesClick();
  // Fills a box (0 mask, 1 folder, 2 phrase) from the clipboard.
  void PasteClick(int box);

 signals:
  void searchFinished(bool aborted);

 private:
  struct Shared;
  void Build(const QString& prefix, const QString& go_name);
  void Poll();
  void Finish();

  QComboBox* mask_ = nullptr;
  QComboBox* folder_ = nullptr;
  QComboBox* phrase_ = nullptr;
  QCheckBox* before_check_ = nullptr;
  QCheckBox* after_check_ = nullptr;
  QDateEdit* before_date_ = nullptr;
  QTimeEdit* before_time_ = nullptr;
  QDateEdit* after_date_ = nullptr;
  QTimeEdit* after_time_ = nullptr;
  QPushButton* go_ = nullptr;
  QPushButton* abort_ = nullptr;
  QTableView* list_ = nullptr;
  MatchListModel* model_ = nullptr;
  std::vector<QLabel*> panels_;
  QTimer* poll_ = nullptr;

  std::shared_ptr<Shared> shared_;  // what the search reports into
  // Declared after shared_: it aborts and waits for its search when the panel goes.
  FileFinder finder_;
  std::vector<std::string> keywords_;
  std::uint64_t folder_count_ = 0;
  qint64 start_ms_ = 0;
  Opener opener_;
};

}  // namespace kaplo::gui
