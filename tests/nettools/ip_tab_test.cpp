#include "nettools/ip_tab.h"

#include <gtest/gtest.h>

#include "text/sjis_literal.h"

namespace kaplo {
namespace {

// Names as a resolver would give them, without asking one (127.0.0.9 has none).
std::string FakeName(std::string_view address) {
  return address == "127.0.0.1" ? "localhost" : "";
}

TEST(IpTabTest, TraceStartsFromTheUrlsHostAndFillsBothLists) {
  IpTabBoxes b;
  b.url = "  http://localhost:8080/a/b.html";
  b.name_by = "old";
  b.trace = {"x"};
  ASSERT_TRUE(IpStartTrace(b));
  EXPECT_EQ(b.host, "localhost");
  EXPECT_EQ(b.name_by, "");
  EXPECT_TRUE(b.trace.empty());
  EXPECT_FALSE(b.trace_enabled);
  IpFinishTrace(b, {{1, "127.0.0.9", 0}, {2, "127.0.0.1", 1}}, FakeName);
  EXPECT_EQ(b.trace, (std::vector<std::string>{"127.0.0.9", "127.0.0.1"}));
  EXPECT_EQ(b.address, "127.0.0.1");
  EXPECT_EQ(b.reverse_address, "127.0.0.1");
  // A hop without a name shows its address twice.
  EXPECT_EQ(b.names, (std::vector<std::string>{"127.0.0.9\t127.0.0.9", "127.0.0.1\tlocalhost"}));
  EXPECT_TRUE(b.trace_enabled);

  IpTabBoxes none;
  none.url = " http:// ";
  EXPECT_FALSE(IpStartTrace(none));
  IpStartTrace(b);
  IpFinishTrace(b, {});
  EXPECT_FALSE(b.trace_enabled);  // nothing found: the button stays off
}

TEST(IpTabTest, AddressAndReverseLookups) {
  IpTabBoxes b;
  b.url = "http://localhost/x";
  IpGetAddress(b);
  EXPECT_EQ(b.host, "localhost");
  EXPECT_EQ(b.address, "127.0.0.1");
  EXPECT_EQ(IpReverseLookup(b), "");
  EXPECT_EQ(b.name_by, "localhost");

  b.reverse_address = " 127.0.0.9 ";
  EXPECT_EQ(IpReverseLookup(b, FakeName), "");
  EXPECT_EQ(b.name_by, NoNameText());

  b.reverse_address = "127.0.0.";
  b.name_by = "kept";
  const std::string message = IpReverseLookup(b);
  EXPECT_EQ(message.rfind(SJ<"ＩＰアドレスが、正しく指定されていません。">(), 0), 0u);
  EXPECT_NE(message.find(SJ<"【 ">() + "127.0.0." + SJ<" 】">()), std::string::npos);
  EXPECT_EQ(b.name_by, "kept");
}

TEST(IpTabTest, WhoisStartNeedsAWhoisServerAndAQuery) {
  IpTabBoxes b;
  b.whois_server = "example.net";
  b.query = "a.jp";
  EXPECT_FALSE(IpStartWhois(b));
  b.whois_server = " whois.jprs.jp ";
  b.query = "";
  EXPECT_FALSE(IpStartWhois(b));
  b.url = "http://www.b.jp/index.html";
  const auto start = IpStartWhois(b);
  ASSERT_TRUE(start);
  EXPECT_EQ(start->server, "whois.jprs.jp");
  EXPECT_EQ(start->query, "b.jp");
  EXPECT_EQ(b.query, "b.jp");
  EXPECT_EQ(b.whois_output, SJ<" 【 b.jp 】\r\n\r\n">());
}

TEST(IpTabTest, WhoisPaneCollectsAnswersAndErrors) {
  IpTabBoxes b;
  b.query = "a.jp";
  ASSERT_TRUE(IpStartWhois(b));
  IpWhoisConnected(b, "127.0.0.1");
  WhoisAnswer ok;
  ok.server = "whois.a.invalid";
  ok.status = WhoisStatus::kOk;
  ok.lines = {"a  b", "No match!!"};
  IpWhoisAnswered(b, ok);
  WhoisAnswer refused;
  refused.server = "whois.b.invalid";
  refused.status = WhoisStatus::kRefused;
  refused.code = 10061;
  IpWhoisAnswered(b, refused);
  // The server that said "no match" is named, not the last one asked.
  EXPECT_EQ(IpFinishWhois(b), "whois.a.invalid");
  EXPECT_EQ(b.whois_output, SJ<" 【 a.jp 】\r\n\r\nConnected to host: 127.0.0.1\r\na　b\r\nNo "
                               "match!!\r\nﾄﾞﾒｲﾝ登録情報通知ｻｰﾋﾞｽが有効となっていません\r\n">());

  // A new query forgets it; words of the query line are no answer.
  b.query = SJ<"参考.jp">();
  ASSERT_TRUE(IpStartWhois(b));
  ok.lines = {"Domain Information:", "[State] Connected"};
  IpWhoisAnswered(b, ok);
  EXPECT_EQ(IpFinishWhois(b), "");
}

}  // namespace
}  // namespace kaplo
