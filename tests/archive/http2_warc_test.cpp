// Answers that came over HTTP/2 are archived as HTTP/1.1 messages, each
// multiplexed stream its own exchange.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "archive/archive_test_support.h"
#include "archive/warc_writer.h"
#include "engine/fetch.h"
#include "engine/parallel_fetch.h"
#include "engine/parallel_h2_support.h"

namespace kaplo::test {
namespace {

namespace fs = std::filesystem;

TEST(Http2Warc, StreamsAreHttp11ExchangesWithTheirBodies) {
  const fs::path dir = fs::temp_directory_path() / ("kaplo-h2warc-" + std::to_string(getpid()));
  fs::create_directories(dir / "site");
  for (int i = 0; i < 8; ++i) {
    std::ofstream(dir / "site" / std::to_string(i)) << "body " << i << std::string(i * 1000, 'z');
  }
  {
    Http2Server server(dir / "site");
    if (!server.error().empty()) GTEST_SKIP() << server.error();
    std::string error;
    auto writer = WarcWriter::Create(dir / "h2.warc.gz", "KAPLO test", "", &error);
    ASSERT_TRUE(writer) << error;
    FetchLimits limits;
    limits.ca_file = server.CaFile();
    limits.recorder = writer.get();
    std::vector<std::string> urls;
    for (int i = 0; i < 8; ++i) urls.push_back(server.Url("/" + std::to_string(i)));
    {
      ParallelFetcher f(limits);
      f.Prefetch(urls);
      for (const std::string& u : urls) EXPECT_FALSE(f.FetchText(u).empty()) << u;
    }
    ASSERT_TRUE(writer->Commit(&error)) << error;
    const ReadBack back = ReadArchive(dir / "h2.warc.gz");
    ASSERT_EQ(back.ended, "");
    ASSERT_EQ(back.records.size(), 1u + 2 * urls.size());
    std::set<std::string> seen;
    for (std::size_t i = 1; i < back.records.size(); i += 2) {
      const WarcRecord& req = back.records[i];
      const WarcRecord& res = back.records[i + 1];
      const std::string path = res.uri().substr(res.uri().rfind('/'));
      EXPECT_TRUE(req.http_head.starts_with("GET " + path + " HTTP/1.1\r\n")) << req.http_head;
      EXPECT_TRUE(res.http_head.starts_with("HTTP/1.1 200 OK\r\n")) << res.http_head;
      EXPECT_TRUE(res.faults.empty());
      const int n = std::stoi(path.substr(1));
      EXPECT_EQ(res.payload, "body " + std::to_string(n) + std::string(n * 1000, 'z'));
      seen.insert(res.uri());
    }
    EXPECT_EQ(seen.size(), urls.size());
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kaplo::test
