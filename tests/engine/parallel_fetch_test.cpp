#include "engine/parallel_fetch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
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
  // The one asked for next is still fetched.
  EXPECT_EQ(f.FetchText(urls[1]), "body 1");
  EXPECT_LT(server.requests(), 20);
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
  EXPECT_EQ(cut.failure, "no answer");
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
