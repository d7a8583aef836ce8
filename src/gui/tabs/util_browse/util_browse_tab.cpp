#include "gui/tabs/util_browse/util_browse_tab.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cstdio>

#include "gui/common/gui_util.h"
#include "gui/common/sjis.h"
#include "gui/tabs/search/browse_helpers.h"
#include "gui/widgets/browser_pane.h"

namespace kaplo::gui {

namespace {

struct PaneSpec {
  const char* name;
  const char* caption;
  std::string SiteTable::*start;
};

constexpr PaneSpec kPanes[] = {
    {"WebBrowserYahooDic", " Yahoo辞書 ", &SiteTable::yahoo_dictionary},
    {"WebBrowserYahooMap", " Yahoo地図 ", &SiteTable::yahoo_map},
    {"WebBrowserGoogleMap", " Google地図 ", &SiteTable::google_maps},
};

}  // namespace

UtilBrowseTab::UtilBrowseTab() = default;
UtilBrowseTab::~UtilBrowseTab() = default;

void UtilBrowseTab::Build(TabContext& context) {
  const SiteTableLoad load = SitesFromEnvironment();
  if (!load.error.empty()) std::fprintf(stderr, "kaplo: %s\n", load.error.c_str());
  sites_ = load.table;

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  auto* row = new QHBoxLayout;
  const auto add = [this, row](const char* name, const char* caption, void (UtilBrowseTab::*fn)()) {
    auto* b = new QPushButton(U(caption), this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, fn);
    row->addWidget(b);
  };
  add("sbUtlRefresh", "最新の情報に更新", &UtilBrowseTab::sbUtlRefreshClick);
  add("sbUtlBack", "前のページへ戻る", &UtilBrowseTab::sbUtlBackClick);
  row->addStretch(1);
  layout->addLayout(row);

  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("PGTab08UtlBrowse"));
  TabHost* host = &context.host;
  for (const PaneSpec& spec : kPanes) {
    auto* page = new QWidget(tabs_);
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(0, 0, 0, 0);
    const QString name = QString::fromLatin1(spec.name);
    Lazy<BrowserPane> pane = MakeLazy<BrowserPane>(name, page, [host, name](QWidget* p) {
      BrowserPane* made = host->CreateBrowserPane(name, p);
      made->SetSilent(true);
      made->SetClickCallback(FollowOnlyWebLinks);
      return made;
    });
    v->addWidget(pane.Place());
    panes_.push_back(pane);
    tabs_->addTab(page, U(spec.caption));
  }
  layout->addWidget(tabs_, 1);
  context.page->layout()->addWidget(this);
}

BrowserPane* UtilBrowseTab::ActivePane() const {
  const int index = tabs_->currentIndex();
  if (index < 0 || index >= static_cast<int>(panes_.size())) return nullptr;
  return panes_[index].get();
}

void UtilBrowseTab::sbUtlRefreshClick() {
  const int index = tabs_->currentIndex();
  if (index < 0 || index >= static_cast<int>(std::size(kPanes))) return;
  const std::string& start = sites_.*kPanes[index].start;
  // An address the site table leaves empty is never loaded.
  if (!start.empty()) ActivePane()->Navigate(QsFromSjis(start));
}

void UtilBrowseTab::sbUtlBackClick() {
  if (BrowserPane* pane = ActivePane()) pane->GoBack();
}

}  // namespace kaplo::gui
