#include "gui/tabs/favorites/favorites_tab.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "engine/url.h"
#include "filetools/favorites.h"
#include "gui/common/gui_util.h"
#include "gui/common/settings_bindings.h"
#include "gui/common/sjis.h"
#include "gui/tabs/favorites/favorites_menu.h"
#include "gui/tabs/search/browse_helpers.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/scroll_panel.h"
#include "gui/widgets/top_over_split.h"
#include "text/urlcode.h"
#include "workspace/web_search.h"

namespace kaplo::gui {

namespace {

constexpr int kTopCollapsed = 50;
constexpr int kTopExpanded = 105;

enum RightTab { kContents = 0, kSide = 1 };

QWidget* PanePage(QTabWidget* tabs, const char* name) {
  auto* page = new QWidget(tabs);
  page->setObjectName(QString::fromLatin1(name));
  auto* v = new QVBoxLayout(page);
  v->setContentsMargins(0, 0, 0, 0);
  return page;
}

}  // namespace

FavoritesTab::FavoritesTab() = default;
FavoritesTab::~FavoritesTab() = default;

void FavoritesTab::Build(TabContext& context) {
  host_ = &context.host;
  left_ = new QTabWidget(this);
  left_->setObjectName(QStringLiteral("PGTab09FavariteBrowseLeft"));
  QWidget* basic = PanePage(left_, "PGTab09FavariteBrowseLeftTab01Basic");
  main_ = MakeLazy<BrowserPane>(QStringLiteral("WebBrowserFavMain"), basic, [this](QWidget* p) {
    BrowserPane* pane = host_->CreateBrowserPane(QStringLiteral("WebBrowserFavMain"), p);
    pane->SetSilent(true);
    pane->SetClickCallback([this](const QUrl& url) {
      MainPaneClick(QString::fromStdString(LinkBytes(url)));
      return false;
    });
    pane->SetNewWindowHandler([this](const QUrl& url) {
      BrowserPane* into = MainPaneNewWindow(QString::fromStdString(LinkBytes(url)));
      return into ? BrowserPane::NewWindow::Into(into) : BrowserPane::NewWindow::CancelIt();
    });
    // The last link pointed at, as the status texts report it.
    connect(pane, &BrowserPane::StatusTextChange, this, [this](const QString& text) {
      const std::string link = SjisFromQs(text);
      if (IsPageLink(link) && IsHttpUrl(link)) fav_link_ = text;
    });
    return pane;
  });
  basic->layout()->addWidget(main_.Place());
  left_->addTab(basic, U(" 基本 "));

  right_ = new QTabWidget(this);
  right_->setObjectName(QStringLiteral("PGTab09FavariteBrowseRight"));
  QWidget* contents = PanePage(right_, "PGTab09FavariteBrowseRightTab01Contents");
  contents_ =
      MakeLazy<BrowserPane>(QStringLiteral("WebBrowserFavContents"), contents, [this](QWidget* p) {
        BrowserPane* pane = host_->CreateBrowserPane(QStringLiteral("WebBrowserFavContents"), p);
        pane->SetSilent(true);
        pane->SetClickCallback([this](const QUrl& url) {
          ContentsPaneClick(QString::fromStdString(LinkBytes(url)));
          return false;
        });
        connect(pane, &BrowserPane::StatusTextChange, this, [this](const QString& text) {
          const std::string link = SjisFromQs(text);
          if (IsPageLink(link) && IsHttpUrl(link)) contents_link_ = text;
        });
        return pane;
      });
  contents->layout()->addWidget(contents_.Place());
  right_->addTab(contents, U(" 内容 "));
  QWidget* side = PanePage(right_, "PGTab09FavariteBrowseRightTab02Side");
  side_ = MakeLazy<BrowserPane>(QStringLiteral("WebBrowserFavSide"), side, [this](QWidget* p) {
    BrowserPane* pane = host_->CreateBrowserPane(QStringLiteral("WebBrowserFavSide"), p);
    pane->SetSilent(true);
    pane->SetClickCallback(FollowOnlyWebLinks);
    return pane;
  });
  side->layout()->addWidget(side_.Place());
  right_->addTab(side, U(" 詳細 "));

  TopOverSplit(this, BuildTopPanel(), left_, right_, "SplitterFav");
  context.page->layout()->addWidget(this);

  // The favourites menu of the main menu, built once.
  if (QMenu* menu = host_->FavoritesMenu()) {
    menu_ = new TFavoritesMenu(menu, [this](const QString& url) { NavNewspaper(url); }, this);
    menu_->Build(FavoritesFolder());
  }
}

QWidget* FavoritesTab::BuildTopPanel() {
  top_ = new QWidget(this);
  top_->setObjectName(QStringLiteral("PanelFavoriteBrowseTop"));
  auto* row = new QHBoxLayout(ScrolledContent(top_, QStringLiteral("PanelFavoriteBrowseTopContent")));
  row->setContentsMargins(0, 0, 0, 0);
  url_box_ = new QLineEdit(top_);
  url_box_->setObjectName(QStringLiteral("EditFavUrl"));
  row->addWidget(url_box_, 3);
  const auto add = [this, row](const char* name, const char* caption, auto fn) {
    auto* b = new QPushButton(U(caption), top_);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, fn);
    row->addWidget(b);
  };
  add("sbFavPaste", "貼付け", [this] { sbFavPasteClick(); });
  add("sbFavMainBack", "前のページへ戻る", [this] { main_->GoBack(); });
  add("sbFavContentsBack", "内容：戻る", [this] {
    (right_->currentIndex() == kSide ? side_ : contents_)->GoBack();
  });
  add("sbFavCloseAllTabs", "2個以上の開いているTabを「 一括 」で閉じる",
      [this] { CloseAllFavBrowser(); });
  add("sbFavCollapse", "↕", [this] { sbFavCollapseClick(); });
  immediate_ = new QCheckBox(U("直接【 ＩＥ 】で表示する"), top_);
  immediate_->setObjectName(QStringLiteral("CheckBoxFavoriteImmediate"));
  row->addWidget(immediate_);
  SetPanelHeight(top_, kTopCollapsed);
  return top_;
}

void FavoritesTab::NavNewspaper(const QString& url) {
  const LinkAction action = OpenFavouriteSite(SjisFromQs(url), immediate_->isChecked());
  const QString target = QsFromSjis(action.url);
  if (action.target == LinkTarget::kSystemBrowser) {
    OpenInSystemBrowser(target);
    return;
  }
  if (action.target != LinkTarget::kFavouritesMain) return;
  url_box_->setText(target);
  host_->ShowTab(TabId::Favorites);
  left_->setCurrentIndex(0);
  ShowRight(kContents);
  // A pane not made yet is empty already.
  for (const Lazy<BrowserPane>& pane : {contents_, side_}) {
    if (BrowserPane* made = pane.IfMade()) made->Navigate(QStringLiteral("about:blank"));
  }
  main_->Navigate(target);
  fav_link_.clear();
  contents_link_.clear();
}

void FavoritesTab::sbFavPasteClick() { NavNewspaper(QApplication::clipboard()->text()); }

void FavoritesTab::MainPaneClick(const QString& link) {
  const LinkAction action = FavouritesPaneClick(SjisFromQs(link), false, immediate_->isChecked());
  const QString url = QsFromSjis(action.url);
  if (action.target == LinkTarget::kSystemBrowser) {
    OpenInSystemBrowser(url);
  } else if (action.target == LinkTarget::kContentsPane) {
    fav_link_ = link;
    contents_->Navigate(url);
    contents_link_.clear();
    url_box_->setText(url);
    host_->PassLink(TabId::GuiAnalysis, url, LinkUse::kAddress);
    ShowRight(kContents);
  }
}

void FavoritesTab::ContentsPaneClick(const QString& link) {
  const LinkAction action = FavouritesPaneClick(SjisFromQs(link), true, false);
  const QString url = QsFromSjis(action.url);
  if (action.target == LinkTarget::kSystemBrowser) {
    OpenInSystemBrowser(url);
  } else if (action.target == LinkTarget::kSidePane) {
    contents_link_ = link;
    side_->NavigateNoHistory(url);
    ShowRight(kSide);
    url_box_->setText(url);
    host_->PassLink(TabId::GuiAnalysis, url, LinkUse::kAddress);
  }
}

BrowserPane* FavoritesTab::MainPaneNewWindow(const QString& link) {
  const LinkAction action =
      FavouritesNewWindow(SjisFromQs(link), main_->ReadyState() == BrowserPane::kComplete);
  if (action.target != LinkTarget::kNewTab) return nullptr;
  url_box_->setText(link);
  // The page's request loads into the new pane itself.
  return CreateTabFavBrowser(QString(), QStringLiteral("   "), right_->count());
}

BrowserPane* FavoritesTab::CreateTabFavBrowser(const QString& url, const QString& title,
                                               int number) {
  return AddNumberedPaneTab(*host_, right_, url, title, number);
}

void FavoritesTab::CloseAllFavBrowser() {
  CloseNumberedPaneTabs(right_);
  if (BrowserPane* made = contents_.IfMade()) made->Navigate(QStringLiteral("about:blank"));
  fav_link_.clear();
}

void FavoritesTab::sbFavCollapseClick() {
  SetPanelHeight(top_, top_->maximumHeight() > kTopCollapsed ? kTopCollapsed : kTopExpanded);
  host_->ClearReInitialize();
}

void FavoritesTab::OpenInSystemBrowser(const QString& url) {
  if (IsHttpUrl(SjisFromQs(url))) BrowserPane::OpenInSystem(QUrl(url));
}

void FavoritesTab::ShowRight(int index) { right_->setCurrentIndex(index); }

}  // namespace kaplo::gui
