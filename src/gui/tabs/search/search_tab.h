// The web search tab: keywords to Google and Yahoo query pages in the result
// pane, result links into the target pane, numbered tabs, the auxiliary pane
// or the desktop's browser, and the header probe of "ＨＴＴＰｇｅｔ".
//
// Where a link goes is decided by the core (workspace/web_search.h); this
// file only carries the decision out. Every outside address comes from the
// site table.
#pragma once

#include <QString>
#include <QWidget>
#include <memory>
#include <string>

#include "gui/common/lazy_widget.h"
#include "gui/common/tab.h"
#include "workspace/sites.h"
#include "workspace/web_search.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QTabWidget;
class QCheckBox;

namespace kaplo::gui {

class BrowserKeywordBar;
class BrowserPane;
class TRadioGroup;
class WorkerHost;

class SearchTab : public QWidget, public Tab {
  Q_OBJECT

 public:
  SearchTab();
  ~SearchTab() override;

  // The user's actions.
  void sbSearchGoogleClick();
  void sbSearchYahooClick();
  void btnSearchNextClick();
  void btnSearchPrevClick();
  void btnEncloseQuatationClick();
  void sbKeywordPasteClick();
  void sbNSGoClick();
  void sbNSNavigateClick();
  void sbNSTargetPasteClick();
  void sbNSUrlCopyClick();
  void sbNSStopClick();
  void sbNSGoNewPageClick();
  void CloseAllTargetBrowser();
  void sbNSHTTPGetClick();
  // "ＷｅｂページのＩＥ表示" of the target pane and of the auxiliary pane.
  void sbNSTargetIEClick();
  void sbNSNewWindowIEClick();
  void RadioGroupIMEModeClick();
  void ComboBoxDescSelect();

  // A link the user clicked in the result pane, the target pane; a new
  // window a result page asked for.
  void ResultPaneClick(const QString& link);
  void TargetPaneClick(const QString& link);
  void ResultPaneNewWindow(const QString& link);

  // Adds a numbered tab to PGTab01R whose pane loads url; null on failure.
  BrowserPane* CreateTabBrowser(const QString& url, const QString& title);

  const SearchState& State() const { return state_; }
  QString ResultLink() const { return result_link_; }
  const SiteTable& Sites() const { return sites_; }
  // The probe of "ＨＴＴＰｇｅｔ" is running.
  bool Probing() const;

  // Tab
  void Build(TabContext& context) override;
  void BindSettings(SettingsBindings& bindings, Settings& settings) override;
  void Reset() override;
  void FirstShown() override { started_ = true; }
  void Entered() override;

 signals:
  // The probe ended and its texts (or the message) are shown.
  void ProbeFinished();

 private:
  QWidget* BuildTopPanel();
  QTabWidget* BuildLeftTabs();
  QTabWidget* BuildRightTabs();
  void Search(SearchEngine engine);
  void LoadResults(const std::string& url);
  void Carry(const LinkAction& action);
  // The link goes to the download, address and analysis tabs too; they stay
  // behind and only take it into their boxes.
  void HandOnLink(const QString& url);
  void ResultStatusText(const QString& text);
  void TargetStatusText(const QString& text);
  void OpenInSystemBrowser(const QString& url);
  void ShowLeft(int index);
  void ShowTarget();
  void ApplyInputMode();

  TabHost* host_ = nullptr;  // the context itself lives only while Build runs
  Prompter* prompter_ = nullptr;
  SiteTable sites_;
  SearchState state_;
  QString result_link_;
  QString target_link_;
  // Start-up is over: the settings no longer set the input mode.
  bool started_ = false;
  std::unique_ptr<WorkerHost> worker_;

  QWidget* top_ = nullptr;  // PanelPGSearchTabTop
  QComboBox* keyword_ = nullptr;
  TRadioGroup* ime_mode_ = nullptr;
  QSpinBox* offset_box_ = nullptr;
  QLineEdit* query_url_ = nullptr;
  QPlainTextEdit* memo_keyword_ = nullptr;
  QPlainTextEdit* memo_url_ = nullptr;
  QPlainTextEdit* memo_yahoo_url_ = nullptr;
  BrowserKeywordBar* highlight_result_ = nullptr;
  BrowserKeywordBar* highlight_target_ = nullptr;
  QComboBox* target_url_ = nullptr;
  QLineEdit* new_window_url_ = nullptr;
  QLineEdit* auxiliary_url_ = nullptr;
  QCheckBox* immediate_ = nullptr;
  QComboBox* description_ = nullptr;
  QLabel* result_status_link_ = nullptr;
  QLabel* target_status_link_ = nullptr;
  QPlainTextEdit* http_get_headers_ = nullptr;
  QPlainTextEdit* http_get_file_ = nullptr;
  QTabWidget* left_ = nullptr;
  QTabWidget* right_ = nullptr;
  // Made when first shown.
  Lazy<BrowserPane> result_;
  Lazy<BrowserPane> target_;
  Lazy<BrowserPane> auxiliary_;
};

}  // namespace kaplo::gui
