#include <gtest/gtest.h>

#include <algorithm>

#include "cli/cli_support.h"
#include "nettools/whois_server_support.h"

namespace kaplo {
namespace {

using test::RunKaplo;

TEST(NetCommandsTest, ResolveAndReverse) {
  EXPECT_EQ(RunKaplo({"resolve", "http://user@localhost:8080/a"}).out, "127.0.0.1\n");
  EXPECT_EQ(RunKaplo({"reverse", "127.0.0.1"}).out, "localhost\n");
  // A malformed address: one line that names it, exit 2.
  for (const char* address : {"127.0.0.01", "127.0.0.300"}) {
    const auto bad = RunKaplo({"reverse", address});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err.rfind(std::string("kaplo reverse: ") + address +
                                " is not a dotted IPv4 address",
                            0),
              0u)
        << bad.err;
    EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '\n'), 1) << bad.err;
  }
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
  EXPECT_NE(r.err.find("kaplo whois: no match: try another server than localhost (--server)\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(server.queries(), (std::vector<std::string>{"a.jp\r\n", "a.jp\r\n"}));
}

// Each failure named for what it is, on one line, exit 1.
TEST(NetCommandsTest, WhoisFailuresSayWhy) {
  const std::string closed = std::to_string(test::ClosedPort());
  const auto refused = RunKaplo({"whois", "a.jp", "--server", "127.0.0.1", "--port", closed});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "kaplo whois: 127.0.0.1: connection refused (no whois service on that "
                         "port)\n");
  const auto ja = test::RunKaploWith({"LANG=ja_JP.UTF-8"},
                                     {"whois", "a.jp", "--server", "127.0.0.1", "--port", closed});
  EXPECT_EQ(ja.err, "kaplo whois: 127.0.0.1: 接続を拒否されました（そのポートに whois のサービスが"
                    "ありません）\n");

  test::LocalWhoisServer silent({{{}, true}});
  const auto timed_out = RunKaplo({"whois", "a.jp", "--server", "127.0.0.1", "--port",
                                   std::to_string(silent.port()), "--timeout-ms", "300"});
  EXPECT_EQ(timed_out.status, 1);
  EXPECT_NE(timed_out.err.find("kaplo whois: 127.0.0.1: timed out after 300 ms without data\n"),
            std::string::npos)
      << timed_out.err;

  test::LocalWhoisServer flood({{std::string((1 << 20) + 4096, 'x') + "\r\n"}});
  const auto large = RunKaplo({"whois", "a.jp", "--server", "127.0.0.1", "--port",
                               std::to_string(flood.port()), "--no-referral"});
  EXPECT_EQ(large.status, 1);
  EXPECT_NE(large.err.find("kaplo whois: 127.0.0.1: answer larger than 1 MiB (the first part is "
                           "shown)\n"),
            std::string::npos)
      << large.err;
  EXPECT_EQ(large.out.size(), (1u << 20) + 1);  // the first MiB, one line
  EXPECT_EQ(RunKaplo({"whois", "  "}).status, 2);
}

}  // namespace
}  // namespace kaplo
