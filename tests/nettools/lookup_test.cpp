#include "nettools/lookup.h"

#include <gtest/gtest.h>

#include "engine/fetch.h"
#include "engine/http_server_support.h"

namespace kaplo {
namespace {

TEST(LookupTest, HostFromUrl) {
  struct Case {
    const char *url, *host;
  } cases[] = {
      {"http://www.example.jp/a/b.html", "www.example.jp"},
      {"  https://user:pw@example.jp:8443/?q=1 ", "example.jp"},
      {"ftp://example.jp", "example.jp"},
      {"example.jp/path", "example.jp"},
      {"example.jp#top", "example.jp"},
      {"127.0.0.1:8080", "127.0.0.1"},
      {"http://[::1]:80/", "::1"},
      {"a/b://c", "a"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(HostFromUrl(c.url), c.host) << c.url;
}

TEST(LookupTest, WellFormedAddress) {
  for (const char* good : {"10.0.0.1", "127.0.0.1", "255.255.255.255", "1.0.00.0"})
    EXPECT_TRUE(IsWellFormedIPv4(good)) << good;
  for (const char* bad : {"010.0.0.1", "0.1.2.3", "10.01.0.1", "10.0.0.1.", "10.0.0", "10.0.0.1.2",
                          "10..0.1", "1.2.3.256", "1.2.3.1000", "1.2.3.a", " 1.2.3.4", ""})
    EXPECT_FALSE(IsWellFormedIPv4(bad)) << bad;
}

TEST(LookupTest, LocalhostBothWays) {
  EXPECT_EQ(NameToAddress("localhost"), "127.0.0.1");
  EXPECT_EQ(AddressToName("127.0.0.1"), "localhost");
  EXPECT_EQ(ResolveIPv4("localhost").address, "127.0.0.1");
  // A dotted address is taken as it is, without a lookup.
  const ResolveResult dotted = ResolveIPv4(" 127.0.0.9 ");
  EXPECT_EQ(dotted.address, "127.0.0.9");
  EXPECT_EQ(dotted.code, 0);
  EXPECT_EQ(ResolveIPv4("").code, kHostNotFound);
  EXPECT_EQ(NameToAddress(""), "");
  EXPECT_EQ(AddressToName("not an address"), "");
}

TEST(LookupTest, PublicAddressFromALocalPage) {
  test::LocalServer server;
  server.server().Get("/ip", [](const httplib::Request&, httplib::Response& r) {
    r.set_content("<p>v1.2.3 build 01.2.3.4 999.1.1.1</p>\n<b>Your address: 203.0.113.7.</b>",
                  "text/html");
  });
  server.server().Get("/none", [](const httplib::Request&, httplib::Response& r) {
    r.set_content("<p>no address here 1.2.3</p>", "text/html");
  });
  server.Start();
  CurlFetcher fetcher;
  EXPECT_EQ(PublicAddressFromPage(fetcher, server.Url("/ip")), "203.0.113.7");
  EXPECT_EQ(PublicAddressFromPage(fetcher, server.Url("/none")), "");
  EXPECT_EQ(PublicAddressFromPage(fetcher, server.Url("/missing")), "");
}

}  // namespace
}  // namespace kaplo
