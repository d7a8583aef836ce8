// The IP address tab in the window: a scripted route and a real one to
// 127.0.0.1, the stop button, the lookups, clear, the own-address pane on a
// local page, and whois against a local server with a referral, "no match",
// refusal and the server list.
#include "gui/tabs/ip_address/ip_address_tab.h"
#include "gui/common/require.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "engine/http_server_support.h"
#include "gui/common/sjis.h"
#include "gui/tabs/ip_address/whois_form.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/rich_edit_ex.h"
#include "gui/window/main_form.h"
#include "support/window_support.h"
#include "nettools/icmp_prober.h"
// The window tests' program is built from this folder only: the whois test
// server comes with its source.
#include "nettools/whois_server_support.cpp"

namespace kaplo::gui {
namespace {

// Routers 127.0.0.2, 127.0.0.3, ... up to the destination at hop `length`;
// from hop `hang_at` on, a request waits until the stop button is pressed.
class ScriptedRoute : public EchoProber {
 public:
  explicit ScriptedRoute(int length, int hang_at = 256) : length_(length), hang_at_(hang_at) {}
  int Open() override { return 0; }
  EchoReply Echo(const std::string& destination, int ttl, int,
                 const std::atomic<bool>* stop) override {
    if (ttl >= hang_at_) {
      while (!(stop && *stop)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      return {};
    }
    if (ttl >= length_) return {EchoReply::Kind::kReached, destination, 1};
    return {EchoReply::Kind::kTimeExceeded, "127.0.0." + std::to_string(ttl + 1), 1};
  }

 private:
  int length_, hang_at_;
};

// Names without a resolver: only 127.0.0.1 has one.
std::string FakeName(std::string_view address) {
  return address == "127.0.0.1" ? "localhost" : "";
}

class IpAddressTabTest : public ::testing::Test {
 protected:
  void SetUp() override { Open(); }
  void Open() {
    form_.reset();
    form_ = OpenTestWindow(dir_ / "KAPLO.inf", &prompter_);
    tab_ = dynamic_cast<IpAddressTab*>(form_->TabAt(TabId::IpAddress));
    ASSERT_TRUE(tab_);
    tab_->SetNameLookup(FakeName);
    form_->resize(1200, 800);
    form_->show();
    form_->ShowTab(TabId::IpAddress);
  }
  void TearDown() override { form_.reset(); }
  template <typename T = QWidget>
  T* W(const char* name) {
    return Find<T>(form_.get(), name);
  }
  QStringList Lines(const char* list) { return ListLines(form_.get(), list); }
  bool Click(const char* button, void (IpAddressTab::*finished)()) {
    QSignalSpy done(tab_, finished);
    W<QPushButton>(button)->click();
    return WaitFor([&] { return done.count() > 0; }, 20000);
  }
  QString WhoisText() { return W<TRichEditEx>("RichEditIPWhois")->toPlainText(); }
  void UseWhoisServer(int port) {
    WhoisOptions o;
    o.port = port;
    o.connect_address = "127.0.0.1";
    o.read_timeout_ms = 2000;
    tab_->SetWhoisOptions(o);
  }

  TestFolder dir_{"iptab"};
  ScriptedPrompter prompter_;
  std::unique_ptr<TAMainForm> form_;
  IpAddressTab* tab_ = nullptr;
};

TEST_F(IpAddressTabTest, ScriptedRouteFillsBothListsAndTheAddressBoxes) {
  tab_->SetProberFactory([] { return std::make_unique<ScriptedRoute>(3); });
  W<QLineEdit>("EditIPUrl")->setText("http://127.0.0.1:8080/a.html");
  W<QLineEdit>("EditIPQuery")->setText("old");
  ASSERT_TRUE(Click("sbIPTraceRoute", &IpAddressTab::LookupFinished));
  EXPECT_EQ(W<QLineEdit>("EditIPHost")->text(), "127.0.0.1");
  EXPECT_EQ(W<QLineEdit>("EditIPQuery")->text(), "");  // the tab was cleared first
  EXPECT_EQ(Lines("ListBoxTraceRoute"), (QStringList{"127.0.0.2", "127.0.0.3", "127.0.0.1"}));
  EXPECT_EQ(Lines("ListBoxIPandHostname"),
            (QStringList{"127.0.0.2\t127.0.0.2", "127.0.0.3\t127.0.0.3", "127.0.0.1\tlocalhost"}));
  EXPECT_EQ(W<QLineEdit>("EditIPAddress")->text(), "127.0.0.1");
  EXPECT_EQ(W<QLineEdit>("EditReverseIPAddress")->text(), "127.0.0.1");
  EXPECT_TRUE(W<QPushButton>("sbIPTraceRoute")->isEnabled());
  EXPECT_EQ(W<QTabWidget>("PGMainTabb09IPAddressLeftTab")->currentWidget()->objectName(),
            "PGMainTabb09IPAddressLeftTab01TRaceRoute");

  // A line of the route looks its name up.
  QSignalSpy done(tab_, &IpAddressTab::LookupFinished);
  auto* list = W<QListWidget>("ListBoxTraceRoute");
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(1)).center());
  ASSERT_TRUE(WaitFor([&] { return done.count() > 0; }));
  EXPECT_EQ(W<QLineEdit>("EditReverseIPAddress")->text(), "127.0.0.3");
  EXPECT_EQ(W<QLineEdit>("EditIPAddressNameBy")->text(), "  *** No Name ***");
}

TEST_F(IpAddressTabTest, StopEndsALongRouteAndTheWindowKeepsWorking) {
  tab_->SetProberFactory([] { return std::make_unique<ScriptedRoute>(255, 4); });
  W<QLineEdit>("EditIPUrl")->setText("127.0.0.1");
  QSignalSpy done(tab_, &IpAddressTab::LookupFinished);
  W<QPushButton>("sbIPTraceRoute")->click();
  EXPECT_FALSE(W<QPushButton>("sbIPTraceRoute")->isEnabled());
  EXPECT_TRUE(W<QPushButton>("sbIPTraceStop")->isEnabled());
  // Hops appear while the route runs; the fourth hangs until the stop.
  ASSERT_TRUE(WaitFor([&] { return W<QListWidget>("ListBoxTraceRoute")->count() == 3; }));
  EXPECT_EQ(done.count(), 0);
  W<QPushButton>("sbIPTraceStop")->click();
  ASSERT_TRUE(WaitFor([&] { return done.count() > 0; }));
  EXPECT_EQ(Lines("ListBoxTraceRoute"), (QStringList{"127.0.0.2", "127.0.0.3", "127.0.0.4"}));
  EXPECT_EQ(W<QListWidget>("ListBoxIPandHostname")->count(), 3);
  EXPECT_TRUE(W<QLabel>("LabelIPTraceResult")->text().contains("stopped"));
  EXPECT_FALSE(W<QPushButton>("sbIPTraceStop")->isEnabled());
}

TEST_F(IpAddressTabTest, RealRouteToLoopback) {
  if (const int err = IcmpEchoProber().Open(); err != 0)
    GTEST_SKIP() << IcmpEchoProber::OpenErrorText(err);
  W<QLineEdit>("EditIPUrl")->setText("127.0.0.1");
  ASSERT_TRUE(Click("sbIPTraceRoute", &IpAddressTab::LookupFinished));
  EXPECT_EQ(Lines("ListBoxTraceRoute"), QStringList{"127.0.0.1"});
  EXPECT_EQ(Lines("ListBoxIPandHostname"), QStringList{"127.0.0.1\tlocalhost"});
  EXPECT_EQ(W<QLabel>("LabelIPTraceResult")->text(), "");
}

TEST_F(IpAddressTabTest, LookupsClearAndPaste) {
  W<QLineEdit>("EditIPUrl")->setText("http://localhost/index.html");
  ASSERT_TRUE(Click("sbIPGetAddress", &IpAddressTab::LookupFinished));
  EXPECT_EQ(W<QLineEdit>("EditIPHost")->text(), "localhost");
  EXPECT_EQ(W<QLineEdit>("EditIPAddress")->text(), "127.0.0.1");
  ASSERT_TRUE(Click("sbIPGetHostName", &IpAddressTab::LookupFinished));
  EXPECT_EQ(W<QLineEdit>("EditIPAddressNameBy")->text(), "localhost");

  W<QLineEdit>("EditReverseIPAddress")->setText("127.0.0.");
  ASSERT_TRUE(Click("sbIPGetHostName", &IpAddressTab::LookupFinished));
  ASSERT_EQ(prompter_.informed.size(), 1u);
  EXPECT_TRUE(QString::fromStdString(prompter_.informed[0])
                  .startsWith(U("ＩＰアドレスが、正しく指定されていません。")));

  W<QLineEdit>("EditIPQuery")->setText("a.jp");
  W<QPushButton>("sbIPClear")->click();
  for (const char* box : {"EditIPHost", "EditIPAddress", "EditReverseIPAddress",
                          "EditIPAddressNameBy", "EditIPQuery"})
    EXPECT_EQ(W<QLineEdit>(box)->text(), "") << box;
  EXPECT_EQ(W<QLineEdit>("EditIPUrl")->text(), "http://localhost/index.html");

  QApplication::clipboard()->setText("not a url");
  W<QPushButton>("sbIPUrlPaste")->click();
  EXPECT_EQ(W<QLineEdit>("EditIPUrl")->text(), "http://localhost/index.html");
  QApplication::clipboard()->setText("http://127.0.0.1/b.html");
  W<QPushButton>("sbIPUrlPaste")->click();
  EXPECT_EQ(W<QLineEdit>("EditIPUrl")->text(), "http://127.0.0.1/b.html");

  // Another tab hands an address over.
  form_->ShowTab(TabId::Download);
  form_->HandOver(TabId::IpAddress, "http://127.0.0.1/handed.html");
  EXPECT_EQ(form_->findChild<QTabWidget*>("PGMain")->currentWidget(),
            form_->Page(TabId::IpAddress));
  EXPECT_EQ(W<QLineEdit>("EditIPUrl")->text(), "http://127.0.0.1/handed.html");

  // The URL box is kept across a restart.
  form_->close();
  Open();
  EXPECT_EQ(W<QLineEdit>("EditIPUrl")->text(), "http://127.0.0.1/handed.html");
}

TEST_F(IpAddressTabTest, OwnAddressPaneShowsThePage) {
  test::LocalServer server;
  server.server().Get("/ip", [](const httplib::Request&, httplib::Response& r) {
    r.set_content("<html><body>Your address: 127.0.0.1</body></html>", "text/html");
  });
  server.Start();
  tab_->SetOwnAddressPage(QString::fromStdString(server.Url("/ip")));
  W<QPushButton>("btnGetOwnIPaddress")->click();
  EXPECT_EQ(W<QTabWidget>("PGMainTabb09IPAddressLeftTab")->currentWidget()->objectName(),
            "PGMainTabb09IPAddressLeftTab02Browser");
  auto* pane = W<BrowserPane>("WebBrowserOwnIpAddress");
  ASSERT_NE(pane, nullptr);
  const auto panes = form_->Browsers();
  EXPECT_NE(std::find(panes.begin(), panes.end(), pane), panes.end());
  ASSERT_TRUE(WaitFor([&] {
    return pane->LocationURL() == QString::fromStdString(server.Url("/ip")) && !pane->Busy();
  }));
  EXPECT_TRUE(pane->OuterHtml().contains("Your address: 127.0.0.1"));
  // Clear empties it.
  W<QPushButton>("sbIPClear")->click();
  ASSERT_TRUE(WaitFor([&] { return pane->LocationURL() == "about:blank" && !pane->Busy(); }));
}

TEST_F(IpAddressTabTest, WhoisAnswerWithReferralAndNoMatchWindow) {
  test::LocalWhoisServer server(
      {{"Domain: a.jp\r\nWhois Server: whois.second.invalid\r\n"},
       {"\x1B$B%I%a%$%s\x1B(B  a.jp\r\nNo match!!\r\n"}});
  UseWhoisServer(server.port());
  auto* servers = W<QComboBox>("ComboBoxWhoisHostEdit");
  EXPECT_EQ(servers->count(), 28);
  EXPECT_EQ(servers->currentText(), "whois.jprs.jp");
  // Typing a server starts nothing.
  QTest::keyClicks(servers->lineEdit(), "whois.first.invalid");
  servers->setEditText("whois.first.invalid");
  QCoreApplication::processEvents();
  EXPECT_FALSE(tab_->WhoisBusy());
  EXPECT_TRUE(server.queries().empty());

  W<QLineEdit>("EditIPQuery")->setText(" http://www.a.jp ");
  QSignalSpy done(tab_, &IpAddressTab::WhoisFinished);
  QTest::keyClick(W<QLineEdit>("EditIPQuery"), Qt::Key_Return);
  ASSERT_TRUE(WaitFor([&] { return done.count() > 0; }));
  EXPECT_EQ(W<QLineEdit>("EditIPQuery")->text(), "a.jp");
  EXPECT_EQ(server.queries(), (std::vector<std::string>{"a.jp\r\n", "a.jp\r\n"}));
  const QString text = WhoisText();
  EXPECT_TRUE(text.startsWith(U(" 【 a.jp 】\n\nConnected to host: whois.first.invalid\n")))
      << text.toStdString();
  EXPECT_TRUE(text.contains(U("Connected to host: whois.second.invalid\nドメイン　a.jp\n")))
      << text.toStdString();
  // The answer sits in a numbered pane the user may edit.
  auto* view = W<TRichEditEx>("RichEditIPWhois");
  EXPECT_TRUE(view->LineNumbers());
  EXPECT_FALSE(view->isReadOnly());
  SaveShot(form_.get(), QStringLiteral("ip-address-tab"));
  // "No match" calls up the server window for two seconds, naming the
  // server that said it.
  TWhoisForm* window = tab_->WhoisForm();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->findChild<QLabel*>("LabelOherWhoisServer")->text(), "whois.second.invalid");
  EXPECT_TRUE(window->Timer()->isActive());
  EXPECT_TRUE(WaitFor([&] { return !window->isVisible(); }, 10000));
  EXPECT_FALSE(window->Timer()->isActive());
}

TEST_F(IpAddressTabTest, WhoisStartsStopsAndFails) {
  UseWhoisServer(test::ClosedPort());
  W<QLineEdit>("EditIPQuery")->setText("a.jp");
  auto* servers = W<QComboBox>("ComboBoxWhoisHostEdit");
  QSignalSpy done(tab_, &IpAddressTab::WhoisFinished);
  // Choosing an item starts the query.
  servers->setCurrentIndex(2);
  emit servers->activated(2);
  ASSERT_TRUE(WaitFor([&] { return done.count() > 0; }));
  EXPECT_TRUE(WhoisText().contains(U("ﾄﾞﾒｲﾝ登録情報通知ｻｰﾋﾞｽが有効となっていません")))
      << WhoisText().toStdString();
  EXPECT_FALSE(tab_->WhoisForm()->isVisible());

  // Enter on a server typed in starts the query, and the stop button ends a silent one.
  test::LocalWhoisServer silent({{{}, true}});
  UseWhoisServer(silent.port());
  servers->setEditText("whois.typed.invalid");
  QTest::keyClick(servers->lineEdit(), Qt::Key_Return);
  ASSERT_TRUE(WaitFor([&] { return silent.queries().size() == 1; }));
  EXPECT_TRUE(tab_->WhoisBusy());
  EXPECT_TRUE(W<QPushButton>("sbIPWhoisStop")->isEnabled());
  W<QPushButton>("sbIPWhoisStop")->click();
  ASSERT_TRUE(WaitFor([&] { return done.count() == 2; }, 5000));
  EXPECT_TRUE(WhoisText().contains(U("ｴﾗｰが発生しました #1223"))) << WhoisText().toStdString();
  EXPECT_TRUE(W<QPushButton>("sbIPGetDomainInfo")->isEnabled());

  // A server box without "whois" starts nothing.
  servers->setEditText("127.0.0.1");
  W<QPushButton>("sbIPGetDomainInfo")->click();
  EXPECT_FALSE(tab_->WhoisBusy());
  EXPECT_EQ(done.count(), 2);
}

}  // namespace
}  // namespace kaplo::gui
