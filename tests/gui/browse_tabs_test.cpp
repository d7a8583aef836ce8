// The search, favourites and dictionary/map tabs in the whole window, with
// every outside address of the site table pointed at two local servers (a
// "Google" and a "Yahoo") that echo the queries they receive. The desktop's
// browser is a recorder, and a request interceptor fails any request that
// would leave 127.0.0.1.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QWebEngineHistory>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "engine/http_server_support.h"
#include "gui/tabs/analysis/analysis_tab.h"
#include "gui/tabs/favorites/favorites_tab.h"
#include "gui/common/require.h"
#include "gui/tabs/search/search_tab.h"
#include "gui/tabs/util_browse/util_browse_tab.h"
#include "gui/widgets/browser_pane.h"
#include "gui/common/gui_util.h"
#include "gui/widgets/radio_group.h"
#include "gui/window/main_form.h"
#include "support/window_support.h"
#include "workspace/sites.h"

namespace kaplo::gui {
namespace {

namespace fs = std::filesystem;

// Fails (blocks and records) every request to a host other than 127.0.0.1.
class LocalOnly : public QWebEngineUrlRequestInterceptor {
 public:
  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    const QUrl url = info.requestUrl();
    const QString scheme = url.scheme();
    if (scheme != "http" && scheme != "https" && scheme != "ws" && scheme != "wss") return;
    if (url.host() == "127.0.0.1") return;
    info.block(true);
    std::lock_guard lock(mu);
    left << url.toString();
  }
  std::mutex mu;
  QStringList left;
};

// Anything handed to the desktop past the pane's opener (a mail link the
// engine treats as an outside protocol) lands here instead of a program.
class DesktopCatcher : public QObject {
  Q_OBJECT

 public slots:
  void Open(const QUrl& url) { opened << url.toString(); }

 public:
  QStringList opened;
};

// One of the two engines: records every query it receives.
struct EngineServer {
  test::LocalServer server;
  std::mutex mu;
  std::vector<std::string> targets;
  std::vector<std::map<std::string, std::string>> params;

  std::string Url(const std::string& path) const { return server.Url(path); }
  std::size_t Count() {
    std::lock_guard lock(mu);
    return targets.size();
  }
  std::string LastTarget() {
    std::lock_guard lock(mu);
    return targets.empty() ? "" : targets.back();
  }
  std::string LastParam(const std::string& key) {
    std::lock_guard lock(mu);
    if (params.empty()) return "(none)";
    const auto it = params.back().find(key);
    return it == params.back().end() ? "(missing)" : it->second;
  }
};

class BrowseTabsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    google_ = new EngineServer;
    yahoo_ = new EngineServer;
    for (EngineServer* e : {google_, yahoo_}) {
      e->server.server().Get("/search", [e](const httplib::Request& req, httplib::Response& res) {
        {
          std::lock_guard lock(e->mu);
          e->targets.push_back(req.target);
          e->params.emplace_back(req.params.begin(), req.params.end());
        }
        res.set_content(ResultPage(), "text/html; charset=utf-8");
      });
      e->server.server().Get(R"(/(.*))", [](const httplib::Request& req, httplib::Response& res) {
        if (req.path == "/doc.zip") {
          res.set_header("Last-Modified", "Wed, 21 Oct 2015 07:28:00 GMT");
          res.set_content(std::string(1234, 'z'), "application/zip");
          return;
        }
        res.set_content("<html><head><title>" + req.path +
                            "</title></head><body><p>page</p>"
                            "<a id=\"next\" href=\"/next.html\">next</a> "
                            "<a id=\"doc\" href=\"/paper.pdf\">doc</a></body></html>",
                        "text/html; charset=utf-8");
      });
      e->server.Start();
    }
    interceptor_ = new LocalOnly;
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(interceptor_);
    BrowserPane::SetSystemOpener([](const QUrl& url) { system_opened_ << url.toString(); });
    desktop_ = new DesktopCatcher;
    for (const char* scheme : {"mailto", "http", "https", "file"}) {
      QDesktopServices::setUrlHandler(scheme, desktop_, "Open");
    }
  }
  static void TearDownTestSuite() {
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(nullptr);
    for (const char* scheme : {"mailto", "http", "https", "file"}) {
      QDesktopServices::unsetUrlHandler(scheme);
    }
    delete desktop_;
    delete interceptor_;
    delete google_;
    delete yahoo_;
  }

  static std::string G(const std::string& path) { return google_->Url(path); }
  static std::string Y(const std::string& path) { return yahoo_->Url(path); }

  // A result page with every link form the result pane handles.
  static std::string ResultPage() {
    return "<html><body>"
           "<a id=\"plain\" href=\"" + G("/page1.html") + "\">plain</a> "
           "<a id=\"redir\" href=\"" + G("/url?q=" + G("/page2.html") + "&amp;sa=U&amp;ei=x") +
           "\">redir</a> "
           "<a id=\"double\" href=\"" + G("/a%2520b.html") + "\">double</a> "
           "<a id=\"pdf\" href=\"" + G("/doc/REPORT.PDF?x=1") + "\">pdf</a> "
           "<a id=\"mail\" href=\"mailto:me@example.test\">mail</a> "
           "<a id=\"blank\" href=\"" + G("/page3.html") + "\" target=\"_blank\">blank</a> "
           "<a id=\"paging\" href=\"" + Y("/search?p=kw&amp;b=101&amp;pstart=1") + "\">next</a> "
           "</body></html>";
  }

  void SetUp() override {
    fs::create_directories(dir_ / "kaplo" / "Favorites" / U("ニュース").toStdString());
    std::ofstream(dir_ / "sites.ini")
        << "[Search]\nGoogleJapan=" << G("") << "\nGoogleWorld=" << G("")
        << "\nYahooJapan=" << Y("") << "\nYahooWorld=" << Y("")
        << "\nGoogleCacheHost=" << G("/webcache").substr(7) << "\n[Pages]\nYahooDictionary="
        << G("/dic.html") << "\nYahooMap=" << G("/map.html") << "\nGoogleMaps="
        << G("/maps?ie=UTF-8&q=") << "\n[News]\nMenuNewspaperAsahi=" << G("/asahi.html")
        << "\n[Reference]\nMenuSiteNikkeiWiki=" << Y("/wiki.html") << "\n";
    const fs::path fav = dir_ / "kaplo" / "Favorites";
    std::ofstream(fav / U("ニュース").toStdString() / U("地元.url").toStdString())
        << "[InternetShortcut]\r\nURL=" << G("/local.html") << "\r\n";
    std::ofstream(fav / "broken.url") << "[InternetShortcut]\r\n";
    setenv(kSitesVariable, (dir_ / "sites.ini").c_str(), 1);
    setenv("XDG_DATA_HOME", dir_.path().c_str(), 1);
    system_opened_.clear();

    prompter_.answer = Prompter::Answer::No;
    form_ = OpenTestWindow(dir_ / "KAPLO.inf", &prompter_);
    search_ = dynamic_cast<SearchTab*>(form_->TabAt(TabId::Search));
    favorites_ = dynamic_cast<FavoritesTab*>(form_->TabAt(TabId::Favorites));
    util_ = dynamic_cast<UtilBrowseTab*>(form_->TabAt(TabId::UtilBrowse));
    ASSERT_TRUE(search_ && favorites_ && util_);
    form_->resize(1400, 900);
    form_->show();
  }
  void TearDown() override {
    form_.reset();
    unsetenv(kSitesVariable);
    unsetenv("XDG_DATA_HOME");
    std::lock_guard lock(interceptor_->mu);
    EXPECT_TRUE(interceptor_->left.isEmpty()) << interceptor_->left.join(" ").toStdString();
    interceptor_->left.clear();
    EXPECT_TRUE(desktop_->opened.isEmpty()) << desktop_->opened.join(" ").toStdString();
    desktop_->opened.clear();
  }

  template <typename T = QWidget>
  T* W(const char* name) {
    return Find<T>(form_.get(), name);
  }
  BrowserPane* Pane(const char* name) { return W<BrowserPane>(name); }
  // The pane's document is the page at url, completely loaded.
  static bool Shows(BrowserPane* pane, const std::string& url) {
    return WaitFor([&] {
      return pane->page()->url() == QUrl(QString::fromStdString(url)) &&
             pane->ReadyState() == BrowserPane::kComplete;
    });
  }
  void Click(BrowserPane* pane, const char* id) {
    pane->RunScript(QStringLiteral("document.getElementById('%1').click(); 1").arg(id));
  }
  void SetKeyword(const char* utf8) { W<QComboBox>("ComboBoxSearchKeyWord")->setEditText(U(utf8)); }

  TestFolder dir_{"browse"};
  ScriptedPrompter prompter_;
  std::unique_ptr<TAMainForm> form_;
  SearchTab* search_ = nullptr;
  FavoritesTab* favorites_ = nullptr;
  UtilBrowseTab* util_ = nullptr;

  static EngineServer* google_;
  static EngineServer* yahoo_;
  static LocalOnly* interceptor_;
  static DesktopCatcher* desktop_;
  static QStringList system_opened_;
};

EngineServer* BrowseTabsTest::google_ = nullptr;
EngineServer* BrowseTabsTest::yahoo_ = nullptr;
LocalOnly* BrowseTabsTest::interceptor_ = nullptr;
DesktopCatcher* BrowseTabsTest::desktop_ = nullptr;
QStringList BrowseTabsTest::system_opened_;

TEST_F(BrowseTabsTest, SearchesSendTheKeywordsAsTypedAndPageByAHundred) {
  BrowserPane* result = Pane("WebBrowserNSBase");
  SetKeyword(" C#　AT&T 100% ");
  search_->sbSearchGoogleClick();
  const std::string google_query =
      "/search?as_q=C%23+AT%26T+100%25&num=100&hl=ja&ie=UTF-8&oe=UTF-8"
      "&btnG=Google+%E6%A4%9C%E7%B4%A2&as_epq=&as_oq=&as_eq=&lr=&as_ft=i&as_filetype=&as_qdr=all"
      "&as_occt=any&as_dt=i&as_sitesearch=";
  ASSERT_TRUE(Shows(result, G(google_query)));
  EXPECT_EQ(google_->LastTarget(), google_query);
  EXPECT_EQ(google_->LastParam("as_q"), "C# AT&T 100%");
  EXPECT_EQ(W<QLineEdit>("edNSUrl")->text().toStdString(), G(google_query));
  EXPECT_EQ(W<QComboBox>("edSearchAndHighlight")->currentText(), U("C#　AT&T 100%"));
  EXPECT_EQ(W<QSpinBox>("SpinEditNSSearch")->value(), 1);
  auto* keyword = W<QComboBox>("ComboBoxSearchKeyWord");
  EXPECT_EQ(keyword->findText("C# AT&T 100%"), 0);

  // Enter searches Yahoo; the history keeps each keyword once.
  SetKeyword("日本　語");
  QTest::keyClick(keyword->lineEdit(), Qt::Key_Return);
  ASSERT_TRUE(WaitFor([&] { return yahoo_->LastParam("p") == "日本 語"; }));
  EXPECT_TRUE(yahoo_->LastTarget().ends_with("&aq=-1&oq=&ei=UTF-8&fr=top_ga1_sa&x=wrt"));
  QTest::keyClick(keyword->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(keyword->count(), 2);

  search_->btnSearchNextClick();
  ASSERT_TRUE(WaitFor([&] { return yahoo_->LastParam("b") == "101"; }));
  EXPECT_EQ(W<QSpinBox>("SpinEditNSSearch")->value(), 101);
  search_->btnSearchPrevClick();
  ASSERT_TRUE(WaitFor([&] { return yahoo_->LastParam("b") == "1"; }));
  ASSERT_TRUE(Shows(result, W<QLineEdit>("edNSUrl")->text().toStdString()));
  // Before the first page nothing loads.
  const std::size_t before = yahoo_->Count() + google_->Count();
  search_->btnSearchPrevClick();
  EXPECT_EQ(W<QSpinBox>("SpinEditNSSearch")->value(), 1);

  SetKeyword("a　b");
  search_->btnEncloseQuatationClick();
  EXPECT_EQ(keyword->currentText(), "\"a\" \"b\"");
  ASSERT_TRUE(WaitFor([&] { return yahoo_->LastParam("p") == "\"a\" \"b\""; }));

  // Blank keywords search nothing.
  const std::size_t after = yahoo_->Count() + google_->Count();
  EXPECT_EQ(after, before + 1);
  SetKeyword("　 ");
  search_->sbSearchGoogleClick();
  search_->sbSearchYahooClick();
  QTest::qWait(300);
  EXPECT_EQ(yahoo_->Count() + google_->Count(), after);
}

TEST_F(BrowseTabsTest, TheDescriptionBoxSearchesWithTheEngineChosenLast) {
  auto* desc = W<QComboBox>("ComboBoxDesc");
  auto* keyword = W<QComboBox>("ComboBoxSearchKeyWord");
  ASSERT_EQ(desc->count(), 8);
  EXPECT_TRUE(desc->currentText().isEmpty());
  const std::size_t g0 = google_->Count(), y0 = yahoo_->Count();

  // Before any search an item searches Google, as the keyword.
  desc->setCurrentIndex(2);
  emit desc->textActivated(desc->itemText(2));
  ASSERT_TRUE(WaitFor([&] { return google_->Count() == g0 + 1; }));
  EXPECT_EQ(google_->LastParam("as_q"), "CSS プロパティ 一覧");
  EXPECT_EQ(keyword->currentText(), U("CSS プロパティ 一覧"));

  // After a Yahoo search, Yahoo: a typed text and Enter search once, and the
  // text heads the box's list.
  SetKeyword("kw");
  search_->sbSearchYahooClick();
  ASSERT_TRUE(WaitFor([&] { return yahoo_->Count() == y0 + 1; }));
  desc->setEditText(U(" 東京 駅 "));
  QTest::keyClick(desc->lineEdit(), Qt::Key_Return);
  ASSERT_TRUE(WaitFor([&] { return yahoo_->Count() == y0 + 2; }));
  EXPECT_EQ(yahoo_->LastParam("p"), "東京 駅");
  QTest::qWait(300);
  EXPECT_EQ(yahoo_->Count(), y0 + 2);
  EXPECT_EQ(google_->Count(), g0 + 1);
  EXPECT_EQ(desc->itemText(0), U("東京 駅"));
  EXPECT_EQ(desc->count(), 9);
  // A blank box searches nothing.
  desc->setEditText(U("　 "));
  QTest::keyClick(desc->lineEdit(), Qt::Key_Return);
  QTest::qWait(300);
  EXPECT_EQ(yahoo_->Count() + google_->Count(), y0 + 2 + g0 + 1);
}

TEST_F(BrowseTabsTest, ResultLinksLandInTheTargetPaneTheDesktopBrowserOrNowhere) {
  BrowserPane* result = Pane("WebBrowserNSBase");
  BrowserPane* target = Pane("WebBrowserNSTarget");
  SetKeyword("kw");
  search_->sbSearchGoogleClick();
  const std::string results = W<QLineEdit>("edNSUrl")->text().toStdString();
  ASSERT_TRUE(Shows(result, results));

  struct Case {
    const char* id;
    std::string lands;  // the target pane's page
  };
  auto* analysis = dynamic_cast<AnalysisTab*>(form_->TabAt(TabId::GuiAnalysis));
  ASSERT_NE(analysis, nullptr);
  for (const Case& c : {Case{"plain", G("/page1.html")}, Case{"redir", G("/page2.html")},
                        Case{"double", G("/a%20b.html")}, Case{"blank", G("/page3.html")}}) {
    SCOPED_TRACE(c.id);
    // What the download tab says of the last page, and a name chosen for it.
    W<QLabel>("LabelDownloadedFile")->setText(QStringLiteral("the last page"));
    W<QCheckBox>("CheckBoxDLsaveThisname")->setChecked(true);
    Click(result, c.id);
    ASSERT_TRUE(Shows(target, c.lands));
    const QString landed = QString::fromStdString(c.lands);
    // Handed on to the target URL box and the download, address and
    // analysis tabs' boxes; the download tab starts over with it.
    EXPECT_EQ(W<QComboBox>("ComboBoxNSTargetUrl")->currentText(), landed);
    EXPECT_EQ(W<QComboBox>("ComboBoxWBUrl")->currentText(), landed);
    EXPECT_EQ(W<QLabel>("LabelWebBrowserUrl")->text(), landed);
    EXPECT_TRUE(W<QLabel>("LabelDownloadedFile")->text().isEmpty());
    EXPECT_FALSE(W<QCheckBox>("CheckBoxDLsaveThisname")->isChecked());
    EXPECT_EQ(W<QLineEdit>("EditIPUrl")->text(), landed);
    EXPECT_EQ(W<QLineEdit>("EditGUIUrl")->text(), landed);
    // The analysis tab only holds the address: it fetched nothing.
    EXPECT_FALSE(analysis->Filling());
    EXPECT_TRUE(form_->Page(TabId::GuiAnalysis)->findChildren<QWebEngineView*>().isEmpty());
    EXPECT_EQ(W<QTabWidget>("PGMain")->currentWidget(), form_->Page(TabId::Search));
    EXPECT_EQ(W<QPlainTextEdit>("MemoNSUrl")->toPlainText(), landed);
    EXPECT_EQ(result->page()->url(), QUrl(QString::fromStdString(results)));
  }
  EXPECT_TRUE(system_opened_.isEmpty());

  // Documents go to the desktop's browser, cut after ".pdf"; mail links nowhere.
  Click(result, "pdf");
  ASSERT_TRUE(WaitFor([&] { return !system_opened_.isEmpty(); }));
  EXPECT_EQ(system_opened_, QStringList{QString::fromStdString(G("/doc/REPORT.PDF"))});
  Click(result, "mail");
  QTest::qWait(300);
  EXPECT_EQ(system_opened_.size(), 1);
  EXPECT_EQ(target->page()->url(), QUrl(QString::fromStdString(G("/page3.html"))));

  // A further Yahoo result page stays in the result pane.
  Click(result, "paging");
  ASSERT_TRUE(Shows(result, Y("/search?p=kw&b=101&pstart=1")));
  EXPECT_EQ(target->page()->url(), QUrl(QString::fromStdString(G("/page3.html"))));

  // Checked "immediately in the browser": the link leaves for the desktop.
  W<QCheckBox>("CheckBoxNSImmediate")->setChecked(true);
  Click(result, "plain");
  ASSERT_TRUE(WaitFor([&] { return system_opened_.size() == 2; }));
  EXPECT_EQ(system_opened_.back().toStdString(), G("/page1.html"));

  // The target pane's links go to the auxiliary pane.
  W<QCheckBox>("CheckBoxNSImmediate")->setChecked(false);
  Click(target, "next");
  ASSERT_TRUE(Shows(Pane("WebBrowserNSNewWindow"), G("/next.html")));
  EXPECT_EQ(W<QTabWidget>("PGTab01L")->currentIndex(), 2);
  EXPECT_EQ(W<QLineEdit>("EditPGTab01LTab03BrowserNewWindow")->text().toStdString(),
            G("/next.html"));
  // Each link takes the place of the last in the auxiliary pane's history.
  BrowserPane* auxiliary = Pane("WebBrowserNSNewWindow");
  search_->TargetPaneClick(QString::fromStdString(G("/second.html")));
  ASSERT_TRUE(Shows(auxiliary, G("/second.html")));
  EXPECT_EQ(auxiliary->history()->count(), 1);
  Click(target, "doc");
  QTest::qWait(300);
  EXPECT_EQ(system_opened_.size(), 2);
}

TEST_F(BrowseTabsTest, NewWindowsOpenNumberedTabsAndCloseAllLeavesTheTargetEmpty) {
  BrowserPane* result = Pane("WebBrowserNSBase");
  auto* right = W<QTabWidget>("PGTab01R");
  SetKeyword("kw");
  search_->sbSearchYahooClick();
  ASSERT_TRUE(Shows(result, W<QLineEdit>("edNSUrl")->text().toStdString()));

  for (int n = 2; n <= 3; ++n) {
    result->RunScript(QStringLiteral("window.open('%1'); 1")
                          .arg(QString::fromStdString(G("/page%2520" + std::to_string(n) + ".html"))));
    ASSERT_TRUE(WaitFor([&] { return right->count() == n; }));
    EXPECT_EQ(right->tabText(n - 1), QStringLiteral("%1. ").arg(n));
    EXPECT_EQ(right->currentIndex(), n - 1);
    auto* pane = right->widget(n - 1)->findChild<BrowserPane*>();
    ASSERT_NE(pane, nullptr);
    // Yahoo's doubly encoded links are undone first.
    ASSERT_TRUE(Shows(pane, G("/page%20" + std::to_string(n) + ".html")));
    EXPECT_EQ(right->tabToolTip(n - 1).toStdString(), G("/page%20" + std::to_string(n) + ".html"));
  }

  // A pointed-at result link is reported unwrapped; "新規Tabへ移動" opens it.
  emit result->StatusTextChange(QString::fromStdString(G("/url?q=" + G("/hover.html") + "&sa=U")));
  EXPECT_EQ(search_->ResultLink().toStdString(), G("/hover.html"));
  EXPECT_EQ(W<QLabel>("StatusBarNSBasePanel2")->text().toStdString(),
            " [ " + G("/hover.html") + " ]");
  W<QComboBox>("ComboBoxNSTargetUrl")->setEditText(QString::fromStdString(G("/x.html")));
  search_->sbNSGoNewPageClick();
  ASSERT_EQ(right->count(), 4);
  ASSERT_TRUE(Shows(right->widget(3)->findChild<BrowserPane*>(), G("/hover.html")));

  search_->CloseAllTargetBrowser();
  EXPECT_EQ(right->count(), 1);
  EXPECT_TRUE(search_->ResultLink().isEmpty());
  ASSERT_TRUE(WaitFor([&] {
    return Pane("WebBrowserNSTarget")->page()->url() == QUrl("about:blank");
  }));
  search_->CloseAllTargetBrowser();  // only the target tab: it stays
  EXPECT_EQ(right->count(), 1);

  // A Google result's new window into the cache goes to the target pane, unwrapped.
  SetKeyword("kw");
  search_->sbSearchGoogleClick();
  ASSERT_TRUE(Shows(result, W<QLineEdit>("edNSUrl")->text().toStdString()));
  result->RunScript(QStringLiteral("window.open('%1'); 1")
                        .arg(QString::fromStdString(
                            G("/webcache/search?q=cache:x&url=http%3A%2F%2F127.0.0.1%3A" +
                              G("").substr(17) + "%2Fcached.html&ei=abc"))));
  ASSERT_TRUE(Shows(Pane("WebBrowserNSTarget"), G("/cached.html")));
  EXPECT_EQ(right->count(), 1);
}

TEST_F(BrowseTabsTest, TargetButtonsAndTheInputMode) {
  auto* url = W<QComboBox>("ComboBoxNSTargetUrl");
  url->setEditText(QString::fromStdString(G("/typed.html")));
  search_->sbNSNavigateClick();
  ASSERT_TRUE(Shows(Pane("WebBrowserNSTarget"), G("/typed.html")));
  EXPECT_EQ(W<QComboBox>("ComboBoxWBUrl")->currentText().toStdString(), G("/typed.html"));
  search_->sbNSTargetIEClick();
  EXPECT_EQ(system_opened_, QStringList{QString::fromStdString(G("/typed.html"))});
  search_->sbNSUrlCopyClick();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), G("/typed.html"));
  search_->sbNSStopClick();
  ASSERT_TRUE(Shows(Pane("WebBrowserNSTarget"), "about:blank"));

  // Not web addresses: nothing is loaded, pasted or opened.
  url->setEditText("javascript:alert(1)");
  search_->sbNSNavigateClick();
  search_->sbNSTargetIEClick();
  QApplication::clipboard()->setText("file:///etc/passwd");
  search_->sbNSTargetPasteClick();
  EXPECT_EQ(url->currentText(), "javascript:alert(1)");
  EXPECT_EQ(system_opened_.size(), 1);

  // After start-up a new input mode empties the keyword box and switches the
  // input method off for English.
  auto* keyword = W<QComboBox>("ComboBoxSearchKeyWord");
  SetKeyword("kw");
  W<TRadioGroup>("RadioGroupIMEMode")->SetItemIndex(1);
  EXPECT_EQ(keyword->currentText(), "");
  EXPECT_FALSE(keyword->lineEdit()->testAttribute(Qt::WA_InputMethodEnabled));
  W<TRadioGroup>("RadioGroupIMEMode")->SetItemIndex(0);
  EXPECT_TRUE(keyword->lineEdit()->testAttribute(Qt::WA_InputMethodEnabled));
}

TEST_F(BrowseTabsTest, HttpGetShowsTheHeadersOfTheTargetAddress) {
  auto* url = W<QComboBox>("ComboBoxNSTargetUrl");
  url->setEditText(QString::fromStdString(G("/doc.zip")));
  QSignalSpy done(search_, &SearchTab::ProbeFinished);
  search_->sbNSHTTPGetClick();
  ASSERT_TRUE(done.wait(20000));
  EXPECT_TRUE(W<QPlainTextEdit>("MemoNSHTTPGet")->toPlainText().contains("Content-Length: 1234"));
  EXPECT_TRUE(W<QPlainTextEdit>("MemoMemoNSHTTPGetFile")->toPlainText().contains(U("1234 バイト")));
  EXPECT_EQ(W<QTabWidget>("PGTab01L")->currentIndex(), 1);
  EXPECT_TRUE(prompter_.informed.empty());

  // Nothing listens there: the message, and no texts.
  test::LocalServer gone;
  gone.Start();
  const std::string dead = gone.Url("/x");
  gone.server().stop();
  url->setEditText(QString::fromStdString(dead));
  search_->sbNSHTTPGetClick();
  ASSERT_TRUE(done.wait(20000));
  ASSERT_EQ(prompter_.informed.size(), 1u);
  EXPECT_TRUE(W<QPlainTextEdit>("MemoNSHTTPGet")->toPlainText().isEmpty());
}

TEST_F(BrowseTabsTest, FavouritesAndSiteMenusOpenTheFavouritesTab) {
  BrowserPane* main = Pane("WebBrowserFavMain");
  BrowserPane* contents = Pane("WebBrowserFavContents");
  auto* pg_main = W<QTabWidget>("PGMain");

  // The menu mirrors the favourites folder.
  QMenu* menu = form_->FavoritesMenu();
  const QList<QAction*> top = menu->actions();
  ASSERT_EQ(top.size(), 2);
  EXPECT_EQ(top[0]->text(), "broken");
  EXPECT_EQ(top[0]->toolTip(), "non url");
  ASSERT_NE(top[1]->menu(), nullptr);
  EXPECT_EQ(top[1]->text(), U("ニュース"));
  QAction* local = top[1]->menu()->actions().value(0);
  ASSERT_NE(local, nullptr);
  EXPECT_EQ(local->text(), U("地元"));

  top[0]->trigger();  // "non url" opens nothing
  local->trigger();
  EXPECT_EQ(pg_main->currentWidget(), form_->Page(TabId::Favorites));
  ASSERT_TRUE(Shows(main, G("/local.html")));
  EXPECT_EQ(W<QLineEdit>("EditFavUrl")->text().toStdString(), G("/local.html"));

  // The news and reference menus read the site table.
  W<QAction>("MenuNewspaperAsahi")->trigger();
  ASSERT_TRUE(Shows(main, G("/asahi.html")));
  W<QAction>("MenuSiteNikkeiWiki")->trigger();
  ASSERT_TRUE(Shows(main, Y("/wiki.html")));
  EXPECT_FALSE(W<QAction>("MenuNewspaperYomiuri")->isEnabled());

  // Main pane links go to the contents pane, its links to the side pane,
  // documents to the desktop's browser.
  Click(main, "next");
  ASSERT_TRUE(Shows(contents, Y("/next.html")));
  // The analysis tab's box takes the link; nothing is fetched there.
  EXPECT_EQ(W<QLineEdit>("EditGUIUrl")->text().toStdString(), Y("/next.html"));
  EXPECT_TRUE(form_->Page(TabId::GuiAnalysis)->findChildren<QWebEngineView*>().isEmpty());
  EXPECT_EQ(pg_main->currentWidget(), form_->Page(TabId::Favorites));
  Click(contents, "next");
  ASSERT_TRUE(Shows(Pane("WebBrowserFavSide"), Y("/next.html")));
  favorites_->ContentsPaneClick(QString::fromStdString(Y("/second.html")));
  ASSERT_TRUE(Shows(Pane("WebBrowserFavSide"), Y("/second.html")));
  EXPECT_EQ(Pane("WebBrowserFavSide")->history()->count(), 1);
  EXPECT_EQ(W<QTabWidget>("PGTab09FavariteBrowseRight")->currentIndex(), 1);
  Click(main, "doc");
  ASSERT_TRUE(WaitFor([&] { return !system_opened_.isEmpty(); }));
  EXPECT_EQ(system_opened_.back().toStdString(), Y("/paper.pdf"));

  // New windows of the main page become numbered tabs; close-all keeps the fixed two.
  auto* right = W<QTabWidget>("PGTab09FavariteBrowseRight");
  main->RunScript(QStringLiteral("window.open('/opened.html'); 1"));
  ASSERT_TRUE(WaitFor([&] { return right->count() == 3; }));
  EXPECT_EQ(right->tabText(2), "2.    ");
  ASSERT_TRUE(Shows(right->widget(2)->findChild<BrowserPane*>(), Y("/opened.html")));
  favorites_->CloseAllFavBrowser();
  EXPECT_EQ(right->count(), 2);

  auto* top_panel = W("PanelFavoriteBrowseTop");
  EXPECT_EQ(top_panel->maximumHeight(), 50);
  W<QAction>("MenuSettingsReInitialize")->setChecked(true);
  favorites_->sbFavCollapseClick();
  EXPECT_EQ(top_panel->maximumHeight(), 105);
  EXPECT_FALSE(form_->ReInitializeChecked());
  favorites_->sbFavCollapseClick();
  EXPECT_EQ(top_panel->maximumHeight(), 50);
}

TEST_F(BrowseTabsTest, TheInterceptorStopsRequestsLeavingThisMachine) {
  // The guard of every test here: a page of another host is never asked for.
  Pane("WebBrowserYahooDic")->Navigate("http://192.0.2.1/outside.html");
  ASSERT_TRUE(WaitFor([&] {
    std::lock_guard lock(interceptor_->mu);
    return !interceptor_->left.isEmpty();
  }));
  std::lock_guard lock(interceptor_->mu);
  EXPECT_EQ(interceptor_->left, QStringList{"http://192.0.2.1/outside.html"});
  interceptor_->left.clear();
}

TEST_F(BrowseTabsTest, DictionaryAndMapPanesLoadTheirStartPages) {
  auto* tabs = W<QTabWidget>("PGTab08UtlBrowse");
  ASSERT_EQ(tabs->count(), 3);
  const char* panes[] = {"WebBrowserYahooDic", "WebBrowserYahooMap", "WebBrowserGoogleMap"};
  const std::string starts[] = {G("/dic.html"), G("/map.html"), G("/maps?ie=UTF-8&q=")};
  for (int i = 0; i < 3; ++i) {
    tabs->setCurrentIndex(i);
    util_->sbUtlRefreshClick();
    ASSERT_TRUE(Shows(Pane(panes[i]), starts[i])) << panes[i];
  }
  // A script's click right after loading counts as a redirect in the history,
  // so the second page is loaded as the user would type it.
  Pane("WebBrowserGoogleMap")->Navigate(QString::fromStdString(G("/next.html")));
  ASSERT_TRUE(Shows(Pane("WebBrowserGoogleMap"), G("/next.html")));
  util_->sbUtlBackClick();
  ASSERT_TRUE(Shows(Pane("WebBrowserGoogleMap"), starts[2]));
}

}  // namespace
}  // namespace kaplo::gui

#include "browse_tabs_test.moc"
