#include "nettools/whois.h"

#include <gtest/gtest.h>

#include <thread>

#include "nettools/whois_server_support.h"
#include "text/sjis_literal.h"
#include "text/test_bytes.h"

namespace kaplo {
namespace {

using test::Hex;
using test::LocalWhoisServer;
using test::WhoisReply;

// "ドメイン" in ISO-2022-JP.
const std::string kJisDomain = Hex("1B 24 42 25 49 25 61 25 24 25 73 1B 28 42");

WhoisOptions Local(int port) {
  WhoisOptions o;
  o.port = port;
  o.connect_timeout_ms = 2000;
  o.read_timeout_ms = 2000;
  return o;
}

std::string Joined(const WhoisAnswer& a) {
  std::string s;
  for (const std::string& line : a.lines) s += line + "\n";
  return s;
}

TEST(WhoisTest, SendsOneCleanLineAndDecodesTheJisAnswer) {
  LocalWhoisServer server({{"[ " + kJisDomain + " ]\r\nName: example.jp\r\n" +
                            std::string("a\0b", 3) + "\r\n"}});
  std::vector<std::string> connected;
  WhoisObserver observer;
  observer.connected = [&](const std::string& s) { connected.push_back(s); };
  const WhoisAnswer a =
      WhoisQuery("127.0.0.1", "exam\x01ple.jp\x7F", Local(server.port()), observer);
  ASSERT_EQ(a.status, WhoisStatus::kOk) << a.reason;
  EXPECT_EQ(a.code, 0);
  EXPECT_EQ(server.queries(), std::vector<std::string>{"example.jp\r\n"});
  EXPECT_EQ(connected, std::vector<std::string>{"127.0.0.1"});
  ASSERT_EQ(a.lines.size(), 3u);
  EXPECT_EQ(a.lines[0], "[ " + SJ<"ドメイン">() + " ]");
  EXPECT_EQ(a.lines[1], "Name: example.jp");
  EXPECT_EQ(a.lines[2], "ab");  // zero bytes are dropped
}

TEST(WhoisTest, ValidUtf8AnswerIsReadAsUtf8) {
  LocalWhoisServer server({{"登録者: 日本\n"}});
  const WhoisAnswer a = WhoisQuery("127.0.0.1", "x.jp", Local(server.port()));
  ASSERT_EQ(a.status, WhoisStatus::kOk);
  EXPECT_EQ(Joined(a), SJ<"登録者: 日本\n">());
}

TEST(WhoisTest, FollowsOneReferralAndNeverMore) {
  // 127.0.0.1 sends the asker to localhost, which names yet another server.
  LocalWhoisServer server({{"Domain: a.com\r\n   Whois Server: localhost\r\n"},
                           {"Registrant: someone\r\nWhois Server: 127.0.0.1\r\n"}});
  std::vector<std::string> connected;
  WhoisObserver observer;
  observer.connected = [&](const std::string& s) { connected.push_back(s); };
  const auto answers = WhoisLookup("127.0.0.1", "a.com", Local(server.port()), observer);
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(answers[1].server, "localhost");
  EXPECT_EQ(answers[1].lines[0], "Registrant: someone");
  EXPECT_EQ(server.queries(), (std::vector<std::string>{"a.com\r\n", "a.com\r\n"}));
  EXPECT_EQ(connected, (std::vector<std::string>{"127.0.0.1", "localhost"}));
}

TEST(WhoisTest, ConnectAddressStandsForEveryServerName) {
  LocalWhoisServer server({{"Whois Server: whois.second.invalid\r\n"}, {"Domain: a.jp\r\n"}});
  WhoisOptions o = Local(server.port());
  o.connect_address = "127.0.0.1";
  const auto answers = WhoisLookup("whois.first.invalid", "a.jp", o);
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(answers[0].server, "whois.first.invalid");
  EXPECT_EQ(answers[1].server, "whois.second.invalid");
  EXPECT_EQ(answers[1].lines, std::vector<std::string>{"Domain: a.jp"});
}

TEST(WhoisTest, ReferralToItselfOrSwitchedOffEndsTheChain) {
  LocalWhoisServer server({{"Whois Server: 127.0.0.1\r\n"}});
  EXPECT_EQ(WhoisLookup("127.0.0.1", "a.com", Local(server.port())).size(), 1u);
  LocalWhoisServer other({{"Whois Server: localhost\r\n"}});
  WhoisOptions o = Local(other.port());
  o.follow_referral = false;
  EXPECT_EQ(WhoisLookup("127.0.0.1", "a.com", o).size(), 1u);
  EXPECT_EQ(other.queries().size(), 1u);
}

TEST(WhoisTest, ReferralLine) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(WhoisReferral(Lines{"x", "   Whois Server: whois.b.net  "}), "whois.b.net");
  EXPECT_EQ(WhoisReferral(Lines{"Registrar WHOIS Server: whois.b.net"}), "");
  EXPECT_EQ(WhoisReferral(Lines{"Whois Server:"}), "");
  EXPECT_EQ(WhoisReferral(Lines{"Whois Server: two words"}), "");
  EXPECT_EQ(WhoisReferral(Lines{"Whois Server: " + std::string(120, 'a')}).size(), 98u);
}

TEST(WhoisTest, FailuresSayWhy) {
  {
    const WhoisAnswer a = WhoisQuery("127.0.0.1", "a.jp", Local(test::ClosedPort()));
    EXPECT_EQ(a.status, WhoisStatus::kRefused);
    EXPECT_EQ(WhoisErrorMessage(a), SJ<"ﾄﾞﾒｲﾝ登録情報通知ｻｰﾋﾞｽが有効となっていません">());
  }
  {
    LocalWhoisServer server({{{}, /*silent=*/true}});
    WhoisOptions o = Local(server.port());
    o.read_timeout_ms = 300;
    const WhoisAnswer a = WhoisQuery("127.0.0.1", "a.jp", o);
    EXPECT_EQ(a.status, WhoisStatus::kTimedOut);
    EXPECT_EQ(WhoisErrorMessage(a), SJ<"ホストに到達しません">());
  }
  {
    // An answer past the 1 MiB cap keeps its first MiB and says it was cut.
    LocalWhoisServer server({{std::string((1u << 20) + 5000, 'x')}});
    const WhoisAnswer a = WhoisQuery("127.0.0.1", "a.jp", Local(server.port()));
    EXPECT_EQ(a.status, WhoisStatus::kTooLarge);
    EXPECT_EQ(a.raw.size(), 1u << 20);
    EXPECT_EQ(WhoisErrorMessage(a).rfind(SJ<"ｴﾗｰが発生しました #">() + "10040", 0), 0u);
  }
}

TEST(WhoisTest, StopEndsASilentQuery) {
  LocalWhoisServer server({{{}, true}});
  std::atomic<bool> stop{false};
  WhoisOptions o = Local(server.port());
  o.read_timeout_ms = 60000;
  o.stop = &stop;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    stop = true;
  });
  const WhoisAnswer a = WhoisQuery("127.0.0.1", "a.jp", o);
  stopper.join();
  EXPECT_EQ(a.status, WhoisStatus::kStopped);
}

TEST(WhoisTest, NoMatchWords) {
  for (const std::string& text : {std::string("No match for \"A.COM\"."),
                                  std::string("%% NOT FOUND"), std::string("no entries found"),
                                  SJ<"[ 該当するデータを公開している ]">(), SJ<"参考情報">()}) {
    EXPECT_TRUE(WhoisSaysNoMatch(text)) << text;
  }
  EXPECT_FALSE(WhoisSaysNoMatch("Domain Name: EXAMPLE.COM\nStatus: active"));
}

TEST(WhoisTest, QueryFromTheBoxes) {
  struct Case {
    const char *query, *url, *want;
  } cases[] = {
      {"  www.example.jp ", "", "example.jp"},
      {"http://www.example.jp", "", "example.jp"},
      {"", "https://user@www.example.co.jp:8080/a/b.html", "example.co.jp"},
      {"  ", "", ""},
      {"a.jp", "http://b.jp/", "a.jp"},
  };
  for (const Case& c : cases) EXPECT_EQ(WhoisQueryFromBoxes(c.query, c.url), c.want) << c.query;
}

TEST(WhoisTest, TwoBlanksShowAsOneFullWidthSpace) {
  EXPECT_EQ(WhoisDisplayText("a  b   c"), "a" + SJ<"　">() + "b" + SJ<"　">() + " c");
}

TEST(WhoisTest, ServerListStartsWithTheInitialServer) {
  EXPECT_EQ(WhoisServers().size(), 28u);
  EXPECT_EQ(WhoisServers().front(), kDefaultWhoisServer);
}

}  // namespace
}  // namespace kaplo
