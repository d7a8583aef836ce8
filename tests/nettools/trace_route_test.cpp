#include "nettools/trace_route.h"

#include <errno.h>
#include <gtest/gtest.h>

#include <map>

#include "nettools/icmp_prober.h"

namespace kaplo {
namespace {

using Kind = EchoReply::Kind;

// A route written down hop by hop: the replies each time-to-live gets, one per
// try (the last repeats; none scripted means silence).
class ScriptedProber : public EchoProber {
 public:
  int open_error = 0;
  std::map<int, std::vector<EchoReply>> route;
  std::vector<int> asked;  // the ttl of every request
  std::function<void()> on_echo;

  int Open() override { return open_error; }
  EchoReply Echo(const std::string& destination, int ttl, int timeout_ms,
                 const std::atomic<bool>*) override {
    EXPECT_EQ(destination, "127.0.0.1");
    EXPECT_EQ(timeout_ms, 1000);
    const int tries = static_cast<int>(std::count(asked.begin(), asked.end(), ttl));
    asked.push_back(ttl);
    if (on_echo) on_echo();
    const auto it = route.find(ttl);
    if (it == route.end() || it->second.empty()) return {};
    return it->second[std::min<std::size_t>(tries, it->second.size() - 1)];
  }
};

EchoReply Router(const std::string& from, int rtt = 5) { return {Kind::kTimeExceeded, from, rtt}; }
EchoReply Target(int rtt = 9) { return {Kind::kReached, "127.0.0.1", rtt}; }
EchoReply Silence() { return {}; }

std::vector<std::string> Addresses(const std::vector<Hop>& hops) {
  std::vector<std::string> out;
  for (const Hop& h : hops) out.push_back(h.address);
  return out;
}

TEST(TraceRouteTest, ListsEveryHopUpToTheDestination) {
  ScriptedProber p;
  p.route = {{1, {Router("10.0.0.1", 1)}},
             {2, {Silence(), Silence(), Router("10.0.1.1", 7)}},  // third try answers
             {3, {Target(12)}}};
  std::vector<Hop> hops{{9, "stale", 0}};
  EXPECT_EQ(TraceRouteToList("127.0.0.1", p, &hops), 0);
  EXPECT_EQ(Addresses(hops), (std::vector<std::string>{"10.0.0.1", "10.0.1.1", "127.0.0.1"}));
  EXPECT_EQ(hops[1].hop, 2);
  EXPECT_EQ(hops[1].rtt_ms, 7);
  EXPECT_EQ(hops[2].rtt_ms, 12);
  EXPECT_EQ(p.asked, (std::vector<int>{1, 2, 2, 2, 3}));
}

TEST(TraceRouteTest, HostThatAnswersDirectlyIsOneLine) {
  ScriptedProber p;
  p.route = {{1, {Target()}}};
  std::vector<Hop> hops;
  EXPECT_EQ(TraceRouteToList("127.0.0.1", p, &hops), 0);
  EXPECT_EQ(Addresses(hops), std::vector<std::string>{"127.0.0.1"});
}

TEST(TraceRouteTest, SilentHopEndsTheRouteAfterThreeTries) {
  ScriptedProber p;
  p.route = {{1, {Router("10.0.0.1")}}, {3, {Target()}}};
  std::vector<Hop> hops;
  EXPECT_EQ(TraceRouteToList("127.0.0.1", p, &hops), static_cast<int>(TraceCode::kNoReply));
  EXPECT_EQ(Addresses(hops), std::vector<std::string>{"10.0.0.1"});
  EXPECT_EQ(p.asked, (std::vector<int>{1, 2, 2, 2}));
}

TEST(TraceRouteTest, HopCapAndUnreachableEndTheRoute) {
  ScriptedProber p;
  for (int ttl = 1; ttl <= 255; ++ttl) p.route[ttl] = {Router("10.0.0." + std::to_string(ttl))};
  std::vector<Hop> hops;
  TraceOptions o;
  o.max_hops = 4;
  EXPECT_EQ(TraceRouteToList("127.0.0.1", p, &hops, o), static_cast<int>(TraceCode::kHopLimit));
  EXPECT_EQ(hops.size(), 4u);
  // Without a cap the route stops at hop 255.
  EXPECT_EQ(TraceRouteToList("127.0.0.1", p, &hops), static_cast<int>(TraceCode::kHopLimit));
  EXPECT_EQ(hops.size(), 255u);
  EXPECT_EQ(hops.back().hop, 255);

  p.route[2] = {{Kind::kUnreachable, "10.0.0.2", 3}};
  EXPECT_EQ(TraceRouteToList("127.0.0.1", p, &hops), static_cast<int>(TraceCode::kUnreachable));
  EXPECT_EQ(Addresses(hops), (std::vector<std::string>{"10.0.0.1", "10.0.0.2"}));
}

TEST(TraceRouteTest, StopFlagAndCallbackStopTheRoute) {
  ScriptedProber p;
  for (int ttl = 1; ttl <= 10; ++ttl) p.route[ttl] = {Router("10.0.0." + std::to_string(ttl))};
  std::atomic<bool> stop{false};
  p.on_echo = [&] {
    if (p.asked.size() == 3) stop = true;  // pressed while hop 3 is being asked
  };
  TraceOptions o;
  o.stop = &stop;
  std::vector<Hop> hops;
  EXPECT_EQ(TraceRouteToList("127.0.0.1", p, &hops, o), static_cast<int>(TraceCode::kStopped));
  EXPECT_EQ(hops.size(), 2u);
  EXPECT_EQ(p.asked.size(), 3u);

  p.on_echo = nullptr;
  int seen = 0;
  EXPECT_EQ(TraceRoute("127.0.0.1", p, [&](const Hop&) { return ++seen < 2; }),
            static_cast<int>(TraceCode::kStopped));
  EXPECT_EQ(seen, 2);
}

TEST(TraceRouteTest, ResultCodesBeforeTheFirstHop) {
  ScriptedProber p;
  std::vector<Hop> hops{{1, "x", 0}};
  EXPECT_EQ(TraceRouteToList("", p, &hops), static_cast<int>(TraceCode::kHostNotFound));
  EXPECT_TRUE(hops.empty());
  EXPECT_EQ(TraceRouteToList("127.0.0.1", p, nullptr), static_cast<int>(TraceCode::kBadParameter));
  p.open_error = EACCES;
  EXPECT_EQ(TraceRouteToList("127.0.0.1", p, &hops), EACCES);
  EXPECT_TRUE(p.asked.empty());
  EXPECT_NE(IcmpEchoProber::OpenErrorText(EACCES).find("net.ipv4.ping_group_range"),
            std::string::npos);
}

TEST(TraceRouteTest, RealEchoToLoopback) {
  IcmpEchoProber prober;
  if (const int err = prober.Open(); err != 0)
    GTEST_SKIP() << IcmpEchoProber::OpenErrorText(err);
  std::vector<Hop> hops;
  EXPECT_EQ(TraceRouteToList("127.0.0.1", prober, &hops), 0);
  ASSERT_EQ(hops.size(), 1u);
  EXPECT_EQ(hops[0].hop, 1);
  EXPECT_EQ(hops[0].address, "127.0.0.1");
  EXPECT_GE(hops[0].rtt_ms, 0);
  EXPECT_LT(hops[0].rtt_ms, 1000);
}

}  // namespace
}  // namespace kaplo
