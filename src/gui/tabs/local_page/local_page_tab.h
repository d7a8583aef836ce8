// The local page tab: a downloaded page from its folder in a browser pane,
// its HTML, the HTML after its scripts ran, the copy as first fetched, the
// stylesheet and script files and the download reports, each pane with its
// keyword bar, two stylesheet panes with colour lists, and saving the page
// again in a chosen code.
//
// The tab's files: local_page_tab.cpp (the tab, the page and the browser),
// local_page_build.cpp (the controls), local_page_files.cpp (the file panes and
// saving).
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "gui/common/lazy_widget.h"
#include "gui/common/tab.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QUrl;

namespace kaplo::gui {

class BrowserPane;
class ColourListPanel;
class KeywordBar;
class TRadioGroup;
class TRichEditEx;

class LocalPageTab : public QWidget, public Tab {
  Q_OBJECT

 public:
  LocalPageTab();
  ~LocalPageTab() override;

  // The file dialogs, by the name of the dialog (OpenDialogHTML,
  // SaveDialogCSS ...): the chosen path, or empty when cancelled. preset is
  // the path the dialog opens at. Tests answer them.
  using FileDialog = std::function<QString(const char* dialog, const QString& preset)>;
  void SetFileDialog(FileDialog dialog) { file_dialog_ = std::move(dialog); }

  // Loading a page and its first-fetched copy (Shift_JIS paths).
  void ConfirmLocaHTMLGo(const std::string& file);
  void ConfirmLocalOrgHTMLGo(const std::string& file);
  void LFClearRichEditListBox();

  // The top bar.
  void sbConfirmLocaHTMLGoClick();
  void sbLoadLocaHTMLFileClick();
  void sbConfirmLocaHTMLFileHomeClick();
  void sbConfirmLocaHTMLFileBackClick();
  void sbConfirmLocaHTMLOpenIEClick();
  void sbConfirmLocaHTMLFileClearClick();
  void sbConfirmLocaHTMLFilePasteClick();
  void sbSaveLocaHTMLFileClick();
  void sbConfirmLocaHTMLOrgHTMLGoClick();
  void sbConfirmLocaHTMLOrgHTMLOpenClick();
  void sbDLLocalCollapseClick();
  void sbConfirmLocalHTMLFileExitClick();

  // The script-run HTML panes.
  void sbPGMainTab03LocalLeftTab05OuterHTMLClick();
  void sclPGMainTab03LocalRightTab05OuterHTMLClick();
  void sclPGMainTab03LocalLeftTab05OuterHTMLSaveClick();

  // The file panes: open asks for a file, go loads the one named in the box.
  enum class FilePane { TotalCssJs, CssJsList, ImageList, IndivCss, IndivJs, Ref };
  void OpenFileClick(FilePane pane);
  void GoFileClick(FilePane pane);
  void sbLocaIndivlCSSSaveClick();
  void sbLocaIndivJSSaveClick();
  // The comparison pane: marks its lines that differ from the "HTMLｿｰｽ" pane
  // (how many places differ) and steps through them, first to last and round.
  int CompareWithHtmlSource();
  void StepDifference(int direction);

  // The browser pane's events.
  void StatusTextChanged(const QString& text);
  bool LocalDocOnClick(const QUrl& link);

  // Tab
  void Build(TabContext& context) override;
  void Reset() override;
  void Entered() override;
  // A file another tab passes on (the folder tree's HTML files) goes into the path box.
  void TakeLink(const QString& address, LinkUse use) override;

 private:
  struct FilePaneSpec {
    FilePane pane;
    const char* box;
    const char* open;
    const char* go;
    const char* open_dialog;
    const char* go_dialog;
    const char* view;
    const char* bar;          // keyword input; null: no bar
    const char* colour_list;  // null: none
    bool convert;             // from the load code
    bool wrap;
    int open_margin;          // left margin after open (right 30); 0: left alone
    int go_margin;
    bool confirm;             // asks before loading the combined file
    const char* inert1;
    const char* inert2;
  };
  static const FilePaneSpec& SpecOf(FilePane pane);

  QWidget* BuildTopBar();
  QTabWidget* BuildLeftTabs();
  QTabWidget* BuildRightTabs();
  QWidget* BuildBrowserPage();
  QWidget* BuildFilePage(FilePane pane, QWidget* page);
  QWidget* AddPage(QTabWidget* tabs, const char* name, const char* caption);
  // A source view made when first shown or first used.
  Lazy<TRichEditEx> AddView(QWidget* parent, const char* name, bool wrap);
  KeywordBar* AddBar(QWidget* page, Lazy<TRichEditEx> view, const char* input);
  BrowserPane* MakeBrowser(QWidget* parent);
  QPushButton* AddButton(QWidget* parent, const char* name, const char* caption,
                         void (LocalPageTab::*click)());

  QString AskFile(const char* dialog, const QString& preset);
  bool Confirm(const char* question_utf8);
  // Loads file into the pane (converted with code, or as it is when code < 0).
  void LoadInto(TRichEditEx* view, const std::string& file, int code);
  void ShowFile(FilePane pane, const std::string& file, int margin);
  // Writes text under the chosen name, says what was written and puts the
  // name written into box (if any).
  void SaveInto(QLineEdit* box, const std::string& text, const QString& chosen);
  void ShowLeft(const char* page);
  void ShowRight(const char* page);
  std::string PathBox() const;
  // The box's path; when empty, the one chosen in OpenDialogHTML (also put
  // into the box), or empty when cancelled.
  std::string PathOrAsk(QLineEdit* box);
  void SaveIndividual(FilePane pane, const char* dialog);
  void LoadPageUnconverted(const std::string& file);
  void FillOuterHtml(TRichEditEx* view);

  TabHost* host_ = nullptr;
  Prompter* prompter_ = nullptr;
  FileDialog file_dialog_;
  SavedPage last_saved_;  // the download's page the tab took last

  QWidget* top_panel_ = nullptr;
  QLineEdit* path_ = nullptr;
  QLineEdit* org_path_ = nullptr;
  TRadioGroup* load_code_ = nullptr;
  TRadioGroup* org_code_ = nullptr;
  TRadioGroup* save_code_ = nullptr;
  QCheckBox* dont_page_change_ = nullptr;
  QCheckBox* dont_load_ = nullptr;
  QCheckBox* dont_change_charset_ = nullptr;
  QCheckBox* cleanup_html_ = nullptr;
  QCheckBox* change_url_ = nullptr;
  QTabWidget* left_ = nullptr;
  QTabWidget* right_ = nullptr;
  QWidget* left_page_ = nullptr;  // the left page in front
  Lazy<BrowserPane> browser_;
  QLabel* status_label_ = nullptr;
  std::string hovered_link_;  // HoveredLocalLink

  // The panes and views are made when first shown or first used.
  Lazy<TRichEditEx> html_;
  Lazy<TRichEditEx> inner_left_;
  Lazy<TRichEditEx> inner_right_;
  Lazy<TRichEditEx> org_;
  std::map<FilePane, Lazy<TRichEditEx>> file_views_;
  std::map<FilePane, QLineEdit*> file_boxes_;
  std::map<std::string, KeywordBar*> bars_;  // by input name
  ColourListPanel* total_colours_ = nullptr;
  ColourListPanel* indiv_colours_ = nullptr;
  Lazy<TRichEditEx> list_right_;  // the second copy of the stylesheet and script list
  QWidget* hidden_lists_[2] = {nullptr, nullptr};
  std::vector<int> difference_lines_;  // first line of each differing place
  int difference_ = -1;                 // the place stepped to
};

}  // namespace kaplo::gui
