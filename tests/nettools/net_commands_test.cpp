#include <gtest/gtest.h>

#include "cli/cli_support.h"
#include "nettools/whois_server_support.h"

namespace kaplo {
namespace {

using test::RunKaplo;

TEST(NetCommandsTest, ResolveAndReverse) {
  EXPECT_EQ(RunKaplo({"resolve", "http://user@localhost:8080/a"}).out, "127.0.0.1\n");
  EXPECT_EQ(RunKaplo({"reverse", "127.0.0.1"}).out, "localhost\n");
  const auto bad = RunKaplo({"reverse", "127.0.0.01"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("ＩＰアドレスが、正しく指定されていません。"), std::string::npos);
  EXPECT_NE(bad.err.find("【 127.0.0.01 】"), std::string::npos);
  EXPECT_EQ(RunKaplo({"resolve"}).status, 2);
}

TEST(NetCommandsTest, TraceRouteToLoopback) {
  const auto r = RunKaplo({"traceroute", "127.0.0.1", "--max-hops", "3"});
  if (r.status == 3) {
    EXPECT_NE(r.err.find("net.ipv4.ping_group_range"), std::string::npos);
    GTEST_SKIP() << r.err;
  }
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("  1  127.0.0.1 "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("localhost"), std::string::npos) << r.out;
  EXPECT_EQ(RunKaplo({"traceroute", "127.0.0.1", "--max-hops", "0"}).status, 2);
}

TEST(NetCommandsTest, WhoisWithReferralOnOneLocalServer) {
  test::LocalWhoisServer server({{"Whois Server: localhost\r\n"},
                                 {"\x1B$B%I%a%$%s\x1B(B: a.jp\r\nNo match!!\r\n"}});
  const auto r = RunKaplo({"whois", "http://www.a.jp/", "--server", "127.0.0.1", "--port",
                           std::to_string(server.port())});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Whois Server: localhost\nドメイン: a.jp\nNo match!!\n");
  EXPECT_NE(r.err.find("Connected to host: 127.0.0.1\nConnected to host: localhost\n"),
            std::string::npos);
  EXPECT_NE(r.err.find("localhost を変更して、「 他のｻｰﾊﾞ 」で試してください"), std::string::npos)
      << r.err;
  EXPECT_EQ(server.queries(), (std::vector<std::string>{"a.jp\r\n", "a.jp\r\n"}));
}

TEST(NetCommandsTest, WhoisFailuresExitOne) {
  const auto refused = RunKaplo(
      {"whois", "a.jp", "--server", "127.0.0.1", "--port", std::to_string(test::ClosedPort())});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("ﾄﾞﾒｲﾝ登録情報通知ｻｰﾋﾞｽが有効となっていません"), std::string::npos);

  test::LocalWhoisServer silent({{{}, true}});
  const auto timed_out = RunKaplo({"whois", "a.jp", "--server", "127.0.0.1", "--port",
                                   std::to_string(silent.port()), "--timeout-ms", "300"});
  EXPECT_EQ(timed_out.status, 1);
  EXPECT_NE(timed_out.err.find("ホストに到達しません"), std::string::npos);
  EXPECT_EQ(RunKaplo({"whois", "  "}).status, 2);
}

}  // namespace
}  // namespace kaplo
