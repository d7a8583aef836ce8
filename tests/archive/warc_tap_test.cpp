// The archive writer fed what a transfer saw, without a network: which
// exchanges become which records.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "archive/archive_test_support.h"
#include "archive/digest.h"
#include "archive/warc_writer.h"

namespace kaplo::test {
namespace {

namespace fs = std::filesystem;

class WarcTap : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kaplo-warctap-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    std::string error;
    writer_ = WarcWriter::Create(dir_ / "t.warc.gz", "KAPLO test", "note: x\r\n", &error);
    ASSERT_TRUE(writer_) << error;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // One exchange fed in small pieces, as libcurl hands them over.
  static void Exchange(TransferTap& tap, const std::string& url, const std::string& head,
                       const std::string& body, std::size_t step = 3) {
    tap.RequestOut(url, "127.0.0.1", "GET / HTTP/1.1\r\n");
    tap.RequestOut(url, "127.0.0.1", "Host: h\r\n\r\n");
    std::size_t start = 0;
    for (std::size_t nl; (nl = head.find('\n', start)) != std::string::npos; start = nl + 1) {
      tap.HeaderIn(head.substr(start, nl + 1 - start));
    }
    for (std::size_t i = 0; i < body.size(); i += step) tap.DataIn(body.substr(i, step));
  }

  ReadBack Committed() {
    std::string error;
    EXPECT_TRUE(writer_->Commit(&error)) << error;
    return ReadArchive(dir_ / "t.warc.gz");
  }

  fs::path dir_;
  std::unique_ptr<WarcWriter> writer_;
};

TEST_F(WarcTap, RedirectHopsInterimAnswersAndChunkedBodies) {
  auto tap = writer_->Open();
  Exchange(*tap, "http://h/a", "HTTP/1.1 301 Moved\r\nLocation: /b\r\nContent-Length: 2\r\n\r\n", "no");
  // An interim answer comes before the real one and is no exchange.
  Exchange(*tap, "http://h/b",
           "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n",
           "4\r\nbody\r\n6\r\n, more\r\n0\r\n\r\n");
  // A server that sends more than it announced: the rest is no body.
  Exchange(*tap, "http://h/c", "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n", "fourEXTRA");
  tap->End(TransferTap::Ending::Complete);
  const ReadBack back = Committed();
  ASSERT_EQ(back.ended, "");
  ASSERT_EQ(back.records.size(), 7u);
  EXPECT_EQ(back.records[6].payload, "four");
  EXPECT_EQ(back.records[0].Header("WARC-Filename"), "t.warc.gz");
  EXPECT_EQ(back.records[0].payload.substr(0, 20), "software: KAPLO test");
  EXPECT_EQ(back.records[1].http_head, "GET / HTTP/1.1\r\nHost: h\r\n\r\n");
  EXPECT_EQ(back.records[2].uri(), "http://h/a");
  EXPECT_EQ(back.records[2].status, 301);
  EXPECT_EQ(back.records[2].payload, "no");
  EXPECT_EQ(back.records[4].uri(), "http://h/b");
  EXPECT_EQ(back.records[4].status, 200);
  EXPECT_EQ(back.records[4].payload, "body, more");
  Sha1 payload;
  payload.Update("body, more");
  EXPECT_EQ(back.records[4].Header("WARC-Payload-Digest"), payload.Label());
  EXPECT_EQ(back.records[4].Header("WARC-Truncated"), "");
  for (const auto& r : back.records) EXPECT_TRUE(r.faults.empty()) << r.type();
}

TEST_F(WarcTap, CutAnswersAreMarkedAndUnansweredRequestsLeaveNothing) {
  const struct {
    TransferTap::Ending how;
    std::string body, truncated;
  } cases[] = {
      {TransferTap::Ending::TimedOut, "partial", "time"},
      {TransferTap::Ending::TooLarge, "partial", "length"},
      {TransferTap::Ending::Failed, "partial", "unspecified"},
  };
  for (const auto& c : cases) {
    auto tap = writer_->Open();
    Exchange(*tap, "http://h/cut", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n", c.body);
    tap->End(c.how);
  }
  {
    // A chunked body whose last chunk never came, though libcurl said done.
    auto tap = writer_->Open();
    Exchange(*tap, "http://h/chunks", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n",
             "4\r\nbody\r\n");
    tap->End(TransferTap::Ending::Complete);
  }
  {
    auto tap = writer_->Open();  // refused before any answer
    tap->RequestOut("http://h/none", "", "GET /none HTTP/1.1\r\n\r\n");
    tap->End(TransferTap::Ending::Failed);
  }
  {
    auto tap = writer_->Open();  // abandoned mid-body (a stopped job)
    Exchange(*tap, "http://h/dropped", "HTTP/1.1 200 OK\r\n\r\n", "abc");
  }
  const ReadBack back = Committed();
  ASSERT_EQ(back.ended, "");
  ASSERT_EQ(back.records.size(), 9u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(back.records[2 + 2 * i].Header("WARC-Truncated"), cases[i].truncated);
    EXPECT_EQ(back.records[2 + 2 * i].payload, "partial");
  }
  EXPECT_EQ(back.records[8].Header("WARC-Truncated"), "unspecified");
  EXPECT_EQ(back.records[8].payload, "body");
}

TEST_F(WarcTap, SameAnswerAgainIsARevisitButNotWhenItDiffers) {
  const std::string big(700 << 10, 'x');  // beyond what a body keeps in memory
  for (const std::string body : {big, big, big + "y"}) {
    auto tap = writer_->Open();
    Exchange(*tap, "http://h/big", "HTTP/1.1 200 OK\r\n\r\n", body, 65536);
    tap->End(TransferTap::Ending::Complete);
  }
  const ReadBack back = Committed();
  ASSERT_EQ(back.records.size(), 7u);
  EXPECT_EQ(back.records[2].type(), "response");
  EXPECT_EQ(back.records[2].payload, big);
  EXPECT_EQ(back.records[4].type(), "revisit");
  EXPECT_EQ(back.records[4].Header("WARC-Refers-To"), back.records[2].Header("WARC-Record-ID"));
  EXPECT_EQ(back.records[4].http_head, "HTTP/1.1 200 OK\r\n\r\n");
  EXPECT_EQ(back.records[6].type(), "response");
  for (const auto& r : back.records) EXPECT_TRUE(r.faults.empty()) << r.type();
}

TEST_F(WarcTap, IncompressibleBodiesAreStoredAndReadBackWhole) {
  std::string noise(300 << 10, '\0');
  std::uint32_t x = 12345;
  for (char& c : noise) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  auto tap = writer_->Open();
  Exchange(*tap, "http://h/noise", "HTTP/1.1 200 OK\r\n\r\n", noise, 10000);
  tap->End(TransferTap::Ending::Complete);
  const ReadBack back = Committed();
  ASSERT_EQ(back.records.size(), 3u);
  EXPECT_EQ(back.records[2].payload, noise);
  EXPECT_TRUE(back.records[2].faults.empty());
  // Hardly larger than the body: gzip framing and the record head.
  EXPECT_LT(fs::file_size(dir_ / "t.warc.gz"), noise.size() + 4096);
}

TEST_F(WarcTap, NothingCommittedLeavesOnlyThePartFile) {
  auto tap = writer_->Open();
  Exchange(*tap, "http://h/a", "HTTP/1.1 200 OK\r\n\r\n", "a");
  tap->End(TransferTap::Ending::Complete);
  EXPECT_TRUE(writer_->Close());
  EXPECT_FALSE(fs::exists(dir_ / "t.warc.gz"));
  const ReadBack back = ReadArchive(dir_ / "t.warc.gz.part");
  EXPECT_EQ(back.ended, "");
  EXPECT_EQ(back.records.size(), 3u);
}

}  // namespace
}  // namespace kaplo::test
