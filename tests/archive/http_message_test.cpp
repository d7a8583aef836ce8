// Heads and bodies as the archive keeps them.
#include <gtest/gtest.h>

#include <string>

#include "archive/http_message.h"

namespace kaplo {
namespace {

TEST(ArchivedHeads, LaterHttpVersionsAreWrittenAsHttp11) {
  const struct {
    std::string received, archived;
    int status;
    bool chunked;
  } cases[] = {
      {"HTTP/2 200 \r\ncontent-type: text/css\r\n\r\n",
       "HTTP/1.1 200 OK\r\ncontent-type: text/css\r\n\r\n", 200, false},
      {"HTTP/3 404\r\n\r\n", "HTTP/1.1 404 Not Found\r\n\r\n", 404, false},
      {"HTTP/2 299 \r\n\r\n", "HTTP/1.1 299 \r\n\r\n", 299, false},
      // HTTP/1.x heads stay as they came, reason phrase and all.
      {"HTTP/1.1 302 Moved Elsewhere\r\nLocation: /b\r\n\r\n",
       "HTTP/1.1 302 Moved Elsewhere\r\nLocation: /b\r\n\r\n", 302, false},
      {"HTTP/1.0 200 OK\nServer: old\n\n", "HTTP/1.0 200 OK\r\nServer: old\r\n\r\n", 200, false},
      // The body is kept without its framing: the header says what it was.
      {"HTTP/1.1 200 OK\r\ntransfer-encoding:  Chunked \r\nX: y\r\n\r\n",
       "HTTP/1.1 200 OK\r\nX-Archive-Orig-transfer-encoding:  Chunked \r\nX: y\r\n\r\n", 200, true},
      {"HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n", 200, false},
      {"garbage\r\n\r\n", "garbage\r\n\r\n", 0, false},
  };
  for (const auto& c : cases) {
    const ArchivedResponseHead h = ArchiveResponseHead(c.received);
    EXPECT_EQ(h.text, c.archived) << c.received;
    EXPECT_EQ(h.status, c.status) << c.received;
    EXPECT_EQ(h.chunked, c.chunked) << c.received;
  }
  EXPECT_EQ(ArchivedRequestHead("GET /a?b HTTP/2\r\nHost: h\r\n\r\n"),
            "GET /a?b HTTP/1.1\r\nHost: h\r\n\r\n");
  EXPECT_EQ(ArchivedRequestHead("GET /HTTP/2 HTTP/1.1\r\n\r\n"), "GET /HTTP/2 HTTP/1.1\r\n\r\n");
  EXPECT_EQ(HeaderValue("HTTP/1.1 200 OK\r\ncontent-ENCODING:  br \r\n\r\n", "Content-Encoding"),
            "br");
  EXPECT_EQ(HeaderValue("Content-Encoding: br\r\n\r\n", "Content-Encoding"), "")
      << "the status line is no header";
}

TEST(Dechunker, TakesTheFramingOffInAnyPieces) {
  const std::string wire =
      "5;name=value\r\nhello\r\n1A\r\n, and the rest of the body\r\n0\r\nTrailer: x\r\n\r\n";
  for (std::size_t step = 1; step <= wire.size(); ++step) {
    Dechunker d;
    std::string out;
    for (std::size_t i = 0; i < wire.size(); i += step) {
      ASSERT_TRUE(d.Feed(std::string_view(wire).substr(i, step), out)) << step;
    }
    EXPECT_EQ(out, "hello, and the rest of the body") << step;
    EXPECT_TRUE(d.done());
  }
  const struct {
    std::string wire;
    bool ok, done;
  } cases[] = {
      {"0\r\n\r\n", true, true},
      {"3\r\nabc\r\n", true, false},      // cut before the last chunk
      {"3\r\nabcd\r\n", false, false},    // longer than it said
      {"x\r\n", false, false},            // no size
      {"\r\n", false, false},
      {"ffffffffffffffffff\r\n", false, false},  // a size no body has
  };
  for (const auto& c : cases) {
    Dechunker d;
    std::string out;
    EXPECT_EQ(d.Feed(c.wire, out), c.ok) << c.wire;
    EXPECT_EQ(d.done(), c.done) << c.wire;
  }
}

}  // namespace
}  // namespace kaplo
