// The download tab's pages: the working lists on the left, the source views,
// the result pane and the sheets on the right, and how the engine's lists
// and page requests reach them.
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>
#include <array>
#include <vector>

#include "gui/common/gui_util.h"
#include "gui/tabs/download/download_tab.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/keyword_bar.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/rich_edit_ex.h"
#include "text/urlcode.h"

namespace kaplo::gui {

namespace {

using ListMember = std::vector<std::string> JobLists::*;

struct ListSpec {
  const char* name;
  ListMember member;
};

// Which list box shows which of the engine's lists.
constexpr std::array<ListSpec, 15> kLists{{
    {"ListBoxPGTab02LTab02PageWebCSS", &JobLists::stylesheets},
    {"ListBoxPGTab02LTab02PageFileDownloaedCSSJS", &JobLists::stylesheet_outcomes},
    {"ListBoxPGTab02LTab03PageImage", &JobLists::images},
    {"ListBoxPGTab02LTab03PageImageDownloaedImage", &JobLists::image_outcomes},
    {"ListBoxPGTab02LTab04DLCSSFileImportCSS", &JobLists::imports},
    {"ListBoxPGTab02LTab04ImportHTMLSWF", &JobLists::flash},
    {"ListBoxPGTab02LTab04ImportHTMLCSSForBase", &JobLists::head_references},
    {"ListBoxPGTab02LTab06DLImportCSSImage", &JobLists::entered_images},
    {"ListBoxPGTab02LTab06DLImageNotFound", &JobLists::failed_images},
    {"ListBoxPGTab02LTab07DLAllCSSFileImportCSS", &JobLists::all_stylesheets},
    {"ListBoxPGTab02LTab07AllImportCSSFileDownloaedCSSJS", &JobLists::all_stylesheet_outcomes},
    {"ListBoxPGTab02LTab08UnkownImage", &JobLists::found_images},
    {"ListBoxPGTab02LTab09LHref", &JobLists::link_hosts},
    {"ListBoxIEImage", &JobLists::browser_images},
    {"ListBoxWBInFrameFileList", &JobLists::frames},
}};

}  // namespace

QListWidget* DownloadTab::AddList(QWidget* parent, const char* name) {
  auto* list = new QListWidget(parent);
  list->setObjectName(QString::fromLatin1(name));
  list->setUniformItemSizes(true);
  lists_[name] = list;
  connect(list, &QListWidget::itemClicked, this, [this, list](QListWidgetItem* item) {
    if (item) DownloadListClick(list->objectName().toStdString(), SjisFromQs(item->text()));
  });
  return list;
}

Lazy<TRichEditEx> DownloadTab::AddView(QWidget* parent, const char* name) {
  return MakeLazy<TRichEditEx>(QString::fromLatin1(name), parent, [](QWidget* p) {
    auto* view = new TRichEditEx(p);
    view->SetLineNumbers(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return view;
  });
}

Lazy<BrowserPane> DownloadTab::AddPane(QWidget* parent, const char* name, QLabel* status) {
  const QString pane_name = QString::fromLatin1(name);
  return MakeLazy<BrowserPane>(pane_name, parent, [this, pane_name, status](QWidget* p) {
    BrowserPane* pane = host_->CreateBrowserPane(pane_name, p);
    if (status) {
      connect(pane, &BrowserPane::StatusTextChange, status, [status](const QString& text) {
        if (text.isEmpty()) {
          status->clear();
        } else if (IsUrlStatusText(SjisFromQs(text))) {
          status->setText(text);
        }
      });
    }
    return pane;
  });
}

QLabel* DownloadTab::AddStatusBar(QWidget* page, const char* name) {
  auto* status = Named(new QLabel(page), name);
  status->setFrameShape(QFrame::StyledPanel);
  status->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return status;
}

void DownloadTab::AddSourcePane(QWidget* page, Lazy<TRichEditEx> view, const char* input) {
  KeywordBar* bar = AddPaneWithBar(page, view, input);
  keyword_bars_.push_back(bar);
  bar->SetStatusSink([this](const QString& text) { host_->SetStatusPanel(2, text); });
}

// A page of the table with a vertical layout, added to its side's tabs.
QWidget* DownloadTab::AddPage(DownloadPage id) {
  const DownloadPageSpec& spec = SpecOf(id);
  auto* w = new QWidget;
  w->setObjectName(QString::fromLatin1(spec.object_name));
  auto* l = new QVBoxLayout(w);
  l->setContentsMargins(1, 1, 1, 1);
  (spec.right ? right_tabs_ : left_tabs_)->addTab(w, U(spec.caption));
  pages_[id] = w;
  return w;
}

QTabWidget* DownloadTab::BuildLeftTabs() {
  auto* tabs = new QTabWidget(this);
  tabs->setObjectName(QStringLiteral("PGTab02L"));
  left_tabs_ = tabs;
  const auto page = [this](DownloadPage id) { return AddPage(id); };
  QWidget* web = page(DownloadPage::WebBrowse);
  QLabel* web_status = AddStatusBar(web, "StatusBarDLWebBrowser");
  web_pane_ = AddPane(web, "WebBrowserDownload", web_status);
  web->layout()->addWidget(BuildWebBrowserBar(web, web_pane_));
  web->layout()->addWidget(web_pane_.Place());
  web->layout()->addWidget(web_status);
  struct Lists {
    DownloadPage page;
    std::vector<const char*> boxes;
  };
  for (const Lists& p : std::vector<Lists>{
           {DownloadPage::PageCssJs,
            {"ListBoxPGTab02LTab02PageWebCSS", "ListBoxPGTab02LTab02PageFileDownloaedCSSJS"}},
           {DownloadPage::PageImage,
            {"ListBoxPGTab02LTab03PageImage", "ListBoxPGTab02LTab03PageImageDownloaedImage"}},
           {DownloadPage::ImportCss,
            {"ListBoxPGTab02LTab04DLCSSFileImportCSS",
             "ListBoxPGTab02LTab04ImportCSSFileDownloaedCSSJS", "ListBoxPGTab02LTab04ImportHTMLSWF",
             "ListBoxPGTab02LTab04ImportHTMLCSSForBase"}},
           {DownloadPage::Root, {"ListBoxPGTab02LTab05UseRoot"}},
           {DownloadPage::CssImage,
            {"ListBoxPGTab02LTab06DLImportCSSImage", "ListBoxPGTab02LTab06DLImageNotFound"}},
           {DownloadPage::AllCssJs,
            {"ListBoxPGTab02LTab07DLAllCSSFileImportCSS",
             "ListBoxPGTab02LTab07AllImportCSSFileDownloaedCSSJS"}},
           {DownloadPage::UnknownImage, {"ListBoxPGTab02LTab08UnkownImage"}},
           {DownloadPage::HrefIeImage, {"ListBoxPGTab02LTab09LHref", "ListBoxIEImage"}},
       }) {
    QWidget* w = page(p.page);
    auto* split = new QSplitter(Qt::Vertical, w);
    for (const char* box : p.boxes) split->addWidget(AddList(split, box));
    w->layout()->addWidget(split);
  }
  QWidget* local = page(DownloadPage::LocalHtml);
  AddSourcePane(local, views_[JobView::Local] = AddView(local, "PanelPGTab02LTab09LocalFileHTMLBody"),
                "ComboBoxWebLocalKW");
  QWidget* inner = page(DownloadPage::InnerHtml);
  AddSourcePane(inner, views_[JobView::Inner] = AddView(inner, "PanelPGTab02LTab11InnerHTMLBody"),
                "ComboBoxDLInnerKW");
  QWidget* org = page(DownloadPage::OrgHtmlLeft);
  org->layout()->addWidget(
      (views_[JobView::FetchedLeft] = AddView(org, "PanelPGTab02LTab12OrgHTMLBody")).Place());
  return tabs;
}

QTabWidget* DownloadTab::BuildRightTabs() {
  auto* tabs = new QTabWidget(this);
  tabs->setObjectName(QStringLiteral("PGTab02R"));
  right_tabs_ = tabs;
  const auto page = [this](DownloadPage id) { return AddPage(id); };
  QWidget* settings = page(DownloadPage::Settings);
  settings->layout()->addWidget(BuildSettingsSheet());
  QWidget* src = page(DownloadPage::WebHtml);
  label_web_src_ = Named(new QLabel(src), "LabelWebDownloadHTMLSrc");
  label_web_src_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  src->layout()->addWidget(label_web_src_);
  AddSourcePane(src, views_[JobView::WebSource] = AddView(src, "PanelPGTab02RTab02HTMLSrcBody"),
                "ComboBoxWebKW");
  QWidget* org = page(DownloadPage::OrgHtmlRight);
  AddSourcePane(org, views_[JobView::FetchedRight] = AddView(org, "PanelPGTab02RTab03HTMLOrgBody"),
                "ComboBoxWebOrgKW");
  QWidget* native = page(DownloadPage::Native);
  native->layout()->addWidget(
      (views_[JobView::Native] = AddView(native, "PanelPGTab02RTab04PDownloadBody")).Place());
  QWidget* result = page(DownloadPage::LocalBrowse);
  QLabel* result_status = AddStatusBar(result, "StatusBarDLLocalBrowser");
  result_pane_ = AddPane(result, "WebBrowserDownloadResult", result_status);
  result->layout()->addWidget(BuildLocalBrowserBar(result, result_pane_));
  result->layout()->addWidget(result_pane_.Place());
  result->layout()->addWidget(result_status);
  QWidget* css = page(DownloadPage::CssJs);
  css_js_win_file_ = new QLabel(css);
  css_js_win_file_->setObjectName(QStringLiteral("LabelDLCSSJSWinFilename"));
  css_js_win_file_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  css->layout()->addWidget(css_js_win_file_);
  css_js_code_ = new TRadioGroup(QStringLiteral("RadioGroupDLCSSJSCode"), U(" 文字ｺｰﾄﾞ "),
                                 CharsetChoices(), 6, css);
  css->layout()->addWidget(css_js_code_);
  css_js_memo_ = AddView(css, "MemoPGTab02RTab06CSSJS");
  css->layout()->addWidget(css_js_memo_.Place());
  BuildIndividualSheet(page(DownloadPage::Individual));
  BuildImageSheet(page(DownloadPage::ImageIndividual));
  QWidget* first = page(DownloadPage::FirstFetch);
  first->layout()->addWidget(
      (views_[JobView::FirstFetch] = AddView(first, "RichEditWebPageDownloadHTMLFirst")).Place());
  return tabs;
}

// The choices a fresh window starts with.

void DownloadTab::ShowLists(const JobLists& l) {
  for (const ListSpec& spec : kLists) {
    QListWidget* box = lists_[spec.name];
    if (!box) continue;
    const std::vector<std::string>& lines = l.*spec.member;
    bool same = box->count() == static_cast<int>(lines.size());
    for (int i = 0; same && i < box->count(); ++i) {
      same = box->item(i)->text() == QsFromSjis(lines[i]);
    }
    if (same) continue;
    QStringList texts;
    texts.reserve(static_cast<int>(lines.size()));
    for (const std::string& line : lines) texts << QsFromSjis(line);
    box->clear();
    box->addItems(texts);
  }
}

void DownloadTab::ShowPage(DownloadPage page) {
  QWidget* w = pages_.at(page);
  (SpecOf(page).right ? right_tabs_ : left_tabs_)->setCurrentWidget(w);
}

}  // namespace kaplo::gui
