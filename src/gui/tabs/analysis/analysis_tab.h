// The page analysis tab: one page or local HTML file in the editing control,
// and around it the page's sources, its stylesheet and script lists and the
// combined texts of those files. Reading and combining run on a worker.
#pragma once

#include <QWidget>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "gui/common/lazy_widget.h"
#include "gui/common/tab.h"
#include "workspace/page_analysis.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;
class QVBoxLayout;

namespace kaplo::gui {

class BrowserPane;
class TFormSource;
class THtmlEditHost;
class TRadioGroup;
class TRichEditEx;
class WorkerHost;

class AnalysisTab : public QWidget, public Tab {
  Q_OBJECT

 public:
  AnalysisTab();
  ~AnalysisTab() override;

  // Tab
  void Build(TabContext& context) override;
  void BindSettings(SettingsBindings& bindings, Settings& settings) override;
  void Reset() override;
  // A web address opens as a URL, anything else as a local file.
  void TakeAddress(const QString& address) override;
  // A link followed elsewhere only fills the URL box: nothing is fetched.
  void TakeLink(const QString& address, LinkUse use) override;
  // A download finished since last time: its page's stylesheets are listed.
  void Entered() override;

  // The editing control; its pane is made when first shown or asked for.
  THtmlEditHost* Editor() const;
  // The last finished fill (lists, combined texts, working texts).
  const PageAnalysis& Analysis() const { return analysis_; }
  // Whether a fill is running.
  bool Filling() const { return filling_; }

 public slots:
  void btnGUINavigateClick();  // "Ｕｒｌにでﾅﾋﾞｹﾞｰﾄする "
  void btnGUIPasteNavigateClick();
  void btnGUIOpenLocalFileClick();  // "ﾛｰｶﾙ・ﾌｧｲﾙを開く"
  void sbGUIBrowseEditModeClick();  // "閲覧/編集ﾓｰﾄﾞ"
  void sbGUIDetailsClick();
  void sbGUIBordersClick();
  void sbGUIFormSourceClick();
  void sbGUICopyDocumentClick();
  void btnGUIInnerHtmlClick();  // "内部HTMLの取得"
  void btnGUIInnerHtmlSaveClick();
  void btnGUIInnerHtmlCopyClick();
  void btnGUICSSSaveClick();
  void sbGUICollapseClick();

  // Opens a file without the file dialog (the box's file when empty).
  void OpenLocalFile(const QString& path);
  void OpenUrl(const QString& url);

 signals:
  // A fill finished and its results are in the views.
  void filled();

 private:
  QWidget* BuildTop();
  QWidget* BuildLeft();
  QWidget* BuildRight();
  // A page of tabs with a source view made when first shown or first used.
  Lazy<TRichEditEx> AddViewPage(QTabWidget* tabs, const QString& name, const QString& caption,
                                QVBoxLayout** layout = nullptr, QWidget** page = nullptr);
  void ClearAll();
  void StartFill(const std::string& address);
  void RunFill();
  void ShowFill(PageAnalysis analysis);
  void OnElementClicked(const QString& html);
  void OnLinkClicked(const QUrl& url);
  void ShowHints(bool on);
  void ShowFirstLeftTab();
  // The address a save dialog names its proposal after.
  QString CurrentAddress() const;

  QLineEdit* url_box_ = nullptr;
  QLineEdit* file_box_ = nullptr;
  TRadioGroup* html_code_ = nullptr;
  TRadioGroup* css_js_code_ = nullptr;
  QCheckBox* dont_unite_ = nullptr;
  QWidget* top_ = nullptr;
  QList<QLabel*> hints_;
  QTabWidget* left_tabs_ = nullptr;
  QTabWidget* right_tabs_ = nullptr;
  Lazy<BrowserPane> pane_;
  THtmlEditHost* editor_ = nullptr;  // made with pane_
  Lazy<TRichEditEx> raw_view_;
  Lazy<TRichEditEx> normal_view_;
  Lazy<TRichEditEx> head_view_;
  Lazy<TRichEditEx> element_view_;
  Lazy<TRichEditEx> css_view_;
  Lazy<TRichEditEx> css_single_view_;
  Lazy<TRichEditEx> js_view_;
  Lazy<TRichEditEx> js_single_view_;
  Lazy<TRichEditEx> document_view_;
  // The pages of right_tabs_ that the tab brings to the front.
  QWidget* element_page_ = nullptr;
  QWidget* document_page_ = nullptr;
  QListWidget* css_list_ = nullptr;
  SavedPage last_saved_;  // the download whose stylesheets were listed
  QListWidget* js_list_ = nullptr;
  QListWidget* import_list_ = nullptr;
  QListWidget* united_css_list_ = nullptr;
  QListWidget* united_js_list_ = nullptr;
  QCheckBox* css_sorted_ = nullptr;  // the colour lists' sorted-mode box

  TabHost* host_ = nullptr;
  Prompter* prompter_ = nullptr;
  std::unique_ptr<WorkerHost> worker_;
  PageAnalysis analysis_;
  QString current_file_;
  bool filling_ = false;
  // The page to read once the running fill has stopped; a newer page, or
  // closing the tab, stops the running one.
  std::string pending_address_;
  AnalysisOptions pending_options_;
  std::atomic<bool> stop_{false};
};

}  // namespace kaplo::gui
