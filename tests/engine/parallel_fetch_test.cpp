#include "engine/parallel_fetch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <mutex>
#include <thread>

#include "engine/http_server_support.h"
#include "engine/parallel_h2_support.h"

namespace kaplo {
namespace {

// A server that counts requests per path and how many are in flight at once.
class CountingServer {
 public:
  explicit CountingServer(int delay_ms) {
    server_.server().new_task_queue = [] { return new httplib::ThreadPool(16); };
    server_.server().Get(R"(/r/(\d+))", [this, delay_ms](const httplib::Request& req,
                                                          httplib::Response& res) {
      const int now = ++in_flight_;
      int seen = max_in_flight_.load();
      while (now > seen && !max_in_flight_.compare_exchange_weak(seen, now)) {
      }
      ++requests_;
      std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
      res.set_content("body " + req.matches[1].str(), "text/plain");
      --in_flight_;
    });
    server_.Start();
  }
  std::string Url(int i) { return server_.Url("/r/" + std::to_string(i)); }
  int requests() const { return requests_; }
  int max_in_flight() const { return max_in_flight_; }

 private:
  test::LocalServer server_;
  std::atomic<int> in_flight_{0}, max_in_flight_{0}, requests_{0};
};

TEST(ParallelFetch, FetchesAheadWithinTheConnectionLimitAndAnswersInOrder) {
  CountingServer server(150);
  ParallelFetcher f({}, 8, 3);
  std::vector<std::string> urls;
  for (int i = 0; i < 12; ++i) urls.push_back(server.Url(i));
  f.Prefetch(urls);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(f.FetchText(urls[i]), "body " + std::to_string(i));
  EXPECT_EQ(server.requests(), 12);
  EXPECT_GE(server.max_in_flight(), 2) << "requests overlap";
  EXPECT_LE(server.max_in_flight(), 3) << "at most three to one host";
}

TEST(ParallelFetch, EachAddressIsFetchedOncePerJob) {
  CountingServer server(0);
  ParallelFetcher f;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(f.FetchText(server.Url(7)), "body 7");
  f.Prefetch({server.Url(7)});
  EXPECT_EQ(f.FetchText(server.Url(7)), "body 7");
  EXPECT_EQ(server.requests(), 1);
  f.StartJob();  // a new job fetches afresh
  EXPECT_EQ(f.FetchText(server.Url(7)), "body 7");
  EXPECT_EQ(server.requests(), 2);
}

TEST(ParallelFetch, CancelDropsWhatWasOnlyFetchedAhead) {
  CountingServer server(200);
  ParallelFetcher f({}, 2, 2);
  std::vector<std::string> urls;
  for (int i = 0; i < 20; ++i) urls.push_back(server.Url(i));
  f.Prefetch(urls);
  EXPECT_EQ(f.FetchText(urls[0]), "body 0");
  f.CancelPrefetch();
  // An address the stop did not touch is still fetched.
  EXPECT_EQ(f.FetchText(server.Url(99)), "body 99");
  EXPECT_LT(server.requests(), 20);
}

// Answers /held/N only when released; counts what it was asked.
class HoldingServer {
 public:
  HoldingServer() {
    // A thread per held request: each round of a test leaves one held.
    server_.server().new_task_queue = [] { return new httplib::ThreadPool(40); };
    server_.server().Get(R"(/held/(\d+))", [this](const httplib::Request& req,
                                                   httplib::Response& res) {
      std::unique_lock lock(mu_);
      ++asked_[req.matches[1].str()];
      changed_.notify_all();
      changed_.wait(lock, [this] { return released_; });
      res.set_content("held " + req.matches[1].str(), "text/plain");
    });
    server_.Start();
  }
  ~HoldingServer() { Release(); }
  std::string Url(int i) { return server_.Url("/held/" + std::to_string(i)); }
  void Release() {
    std::lock_guard lock(mu_);
    released_ = true;
    changed_.notify_all();
  }
  // Waits (bounded) until /held/i was asked for; how often it was.
  int AwaitAsked(int i) {
    std::unique_lock lock(mu_);
    changed_.wait_for(lock, std::chrono::seconds(20),
                      [&] { return asked_.count(std::to_string(i)) != 0; });
    return Asked(i);
  }
  int Asked(int i) { return asked_.count(std::to_string(i)) ? asked_[std::to_string(i)] : 0; }
  int AskedLocked(int i) {
    std::lock_guard lock(mu_);
    return Asked(i);
  }

 private:
  std::mutex mu_;
  std::condition_variable changed_;
  std::map<std::string, int> asked_;
  bool released_ = false;
  test::LocalServer server_;
};

// A request made just after Stop, for the transfer Stop cut: it must not take
// that transfer back and wait for it, nor send it again. The request comes
// before the worker has taken the cut transfer off (in the same thread as
// the stop), and in the rounds where the worker is quicker, after; either way
// the held answer is never awaited.
TEST(ParallelFetch, RequestAfterStopNeverTakesBackWhatStopCut) {
  HoldingServer server;
  ParallelFetcher f({}, 4, 4);
  constexpr int kRounds = 25;
  for (int i = 0; i < kRounds; ++i) {
    f.StartJob();
    f.Prefetch({server.Url(i)});
    ASSERT_EQ(server.AwaitAsked(i), 1);
    f.CancelPrefetch();
    if (i % 2) std::this_thread::yield();
    auto late = std::async(std::launch::async, [&] { return f.FetchResponse(server.Url(i)); });
    ASSERT_EQ(late.wait_for(std::chrono::seconds(10)), std::future_status::ready)
        << "round " << i << ": the late request waits for the held answer";
    const Response r = late.get();
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.error, "stopped");
    f.Prefetch({server.Url(i)});  // announcing it again sends nothing either
    EXPECT_EQ(f.FetchText(server.Url(i)), "");
  }
  server.Release();
  // A new job may fetch it afresh.
  f.StartJob();
  EXPECT_EQ(f.FetchText(server.Url(0)), "held 0");
  for (int i = 1; i < kRounds; ++i) EXPECT_EQ(server.AskedLocked(i), 1) << i;
  EXPECT_EQ(server.AskedLocked(0), 2);
}

// Stop while the engine waits for an address still queued behind a busy
// connection: the wait ends at once, and the address is never sent.
TEST(ParallelFetch, StopEndsTheWaitForAQueuedAddress) {
  HoldingServer server;
  ParallelFetcher f({}, 1, 1);
  f.Prefetch({server.Url(0), server.Url(1)});
  ASSERT_EQ(server.AwaitAsked(0), 1);
  auto waiting = std::async(std::launch::async, [&] { return f.FetchResponse(server.Url(1)); });
  // Whether the waiter is already waiting or asks just after: the stop
  // takes the address out of the queue, and it answers as stopped.
  f.CancelPrefetch();
  ASSERT_EQ(waiting.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(waiting.get().error, "stopped");
  server.Release();
  EXPECT_EQ(f.FetchText(server.Url(2)), "held 2");
  EXPECT_EQ(server.AskedLocked(1), 0);
  EXPECT_EQ(f.RequestsSent(), 2);
}

TEST(ParallelFetch, StopCutsTheFetchUnderWay) {
  CountingServer server(3000);
  // One connection: the first address is under way, the others wait.
  ParallelFetcher f({}, 1, 1);
  std::vector<std::string> urls;
  for (int i = 0; i < 4; ++i) urls.push_back(server.Url(i));
  f.Prefetch(urls);
  std::thread stopper([&] {
    for (int i = 0; i < 2000 && server.requests() == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    f.CancelPrefetch();
  });
  // The answer would come after three seconds with a body; the stop ends
  // the wait as a failure without an answer, not as an empty page.
  const TextResponse cut = f.FetchTextResponse(urls[0]);
  stopper.join();
  EXPECT_EQ(server.requests(), 1) << "the stop came while the first was under way";
  EXPECT_EQ(cut.text, "");
  EXPECT_EQ(cut.failure, "stopped");
  // What waited behind it was dropped, never sent.
  EXPECT_EQ(f.RequestsSent(), 1);
  EXPECT_EQ(server.requests(), 1);
}

// Forty addresses announced at once, before any connection exists: the
// requests wait for the first connection to offer HTTP/2 and share it.
TEST(ParallelFetch, Http2FromAColdStartSharesOneConnection) {
  namespace fs = std::filesystem;
  const fs::path site = fs::temp_directory_path() / ("kaplo-h2f-" + std::to_string(::getpid()));
  fs::create_directories(site);
  for (int i = 0; i < 40; ++i) std::ofstream(site / std::to_string(i)) << "body " << i;
  test::Http2Server server(site);
  if (!server.error().empty()) GTEST_SKIP() << server.error();
  FetchLimits limits;
  limits.ca_file = server.CaFile();
  ParallelFetcher f(limits);
  std::vector<std::string> urls;
  for (int i = 0; i < 40; ++i) urls.push_back(server.Url("/" + std::to_string(i)));
  f.Prefetch(urls);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(f.FetchText(urls[i]), "body " + std::to_string(i));
  EXPECT_EQ(f.RequestsSent(), 40);
  EXPECT_EQ(f.ConnectionsOpened(), 1);
  fs::remove_all(site);
}

}  // namespace
}  // namespace kaplo
