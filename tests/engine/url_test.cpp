#include "engine/url.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace kaplo {
namespace {

TEST(Url, StripSchemeAndWww) {
  EXPECT_EQ(StripSchemeAndWww("http://www.host/a/b.html"), "host/a/b.html");
  EXPECT_EQ(StripSchemeAndWww("https://www3b.host/x"), "host/x");
  EXPECT_EQ(StripSchemeAndWww("https://www19.host/x"), "host/x");
  EXPECT_EQ(StripSchemeAndWww("http://www3b.host/x"), "www3b.host/x");  // no "b" forms for http
  EXPECT_EQ(StripSchemeAndWww("ftp://host/x"), "ftp://host/x");
}

TEST(Url, RootDirectoryAndName) {
  struct {
    const char* url;
    const char *root, *dir, *dir_path, *after_host, *file;
  } cases[] = {
      {"http://host/a/b.html", "http://host/", "http://host/a/", "a", "a/b.html", "b.html"},
      {"http://host/a/", "http://host/", "http://host/a/", "a", "a/", ""},
      {"http://host", "http://host/", "http://host/", "/host/", "host", "host"},
      {"http://www.host/a/b/c.html?x=1", "http://www.host/", "http://www.host/a/b/", "a/b",
       "a/b/c.html?x=1", "c.html?x=1"},
      {"http://host/c.html", "http://host/", "http://host/", "", "c.html", "c.html"},
      {"no-scheme/x", "no-scheme/x", "", "no-scheme/x", "no-scheme/x", "no-scheme/x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UrlRoot(c.url), c.root) << c.url;
    EXPECT_EQ(UrlDirectory(c.url), c.dir) << c.url;
    EXPECT_EQ(UrlDirPath(c.url), c.dir_path) << c.url;
    EXPECT_EQ(UrlPathAfterHost(c.url), c.after_host) << c.url;
    EXPECT_EQ(UrlFileName(c.url), c.file) << c.url;
  }
  EXPECT_EQ(ReplaceUrlRoot("http://host/a/b.html", "../"), "../a/b.html");
}

TEST(Url, DepthPrefix) {
  EXPECT_EQ(UrlDepthPrefix("http://host/a/b/c.html", ""), "../../");
  EXPECT_EQ(UrlDepthPrefix("http://host/a/b/", ""), "../../");
  EXPECT_EQ(UrlDepthPrefix("http://host/a/c.html", ""), "../");
  EXPECT_EQ(UrlDepthPrefix("http://host/", ""), "");
  EXPECT_EQ(UrlDepthPrefix("http://host/c.html", ""), "");
  EXPECT_EQ(UrlDepthPrefix("http://host", ""), "");
  EXPECT_EQ(UrlDepthPrefix("http://host/a/c.html", "main/top"), "../../../");
  EXPECT_EQ(UrlDepthPrefix("http://host/a/c.html", "main/top/"), "../../../");
}

TEST(Url, CombineUrl) {
  struct {
    const char *base, *ref, *expected;
  } cases[] = {
      {"http://h/a/b.html", "../img/x.gif", "http://h/img/x.gif"},
      {"http://h/a/", "/go?u=http://k/z", "http://k/z"},
      {"http://h/a/b.html", "c.css", "http://h/a/c.css"},
      {"http://h/a/b.html", "//cdn/x.js", "http://cdn/x.js"},
      {"https://h/a/b.html", "http://k/y.png", "http://k/y.png"},
      {"http://h/a/b.html", "x@.CSS.css", "http://h/a/x.css"},
      {"http://h/a/b.html", "js\\/app.js", "http://h/a/js/app.js"},
      {"http://h/a/b.html", "?q=1", "http://h/a/b.html?q=1"},
      {"http://h/a/b.html", "../../../../x", "http://h/x"},
  };
  for (const auto& c : cases) EXPECT_EQ(CombineUrl(c.base, c.ref), c.expected) << c.ref;
  // Nothing usable: the reference comes back as it is.
  EXPECT_EQ(CombineUrl("not a url", "x.css"), "x.css");
}

TEST(Url, PagesAndKinds) {
  EXPECT_FALSE(IsPageUrl("http://h/dir"));
  EXPECT_TRUE(IsPageUrl("http://h/dir/"));
  EXPECT_FALSE(IsPageUrl("http://h/a.asp"));
  EXPECT_TRUE(IsPageUrl("http://h/a.html?x=1"));
  EXPECT_TRUE(IsPageUrl("http://h/A.PHP"));
  EXPECT_TRUE(IsPageUrl("http://"));
  EXPECT_FALSE(IsPageUrl("page.html"));
  EXPECT_TRUE(IsHttpUrl("  https://h/"));
  EXPECT_FALSE(IsHttpUrl("ftp://h/"));

  EXPECT_EQ(ClassifyResource("a b.css"), kOtherResource);
  EXPECT_EQ(ClassifyResource("x.HTML"), kOtherResource);
  EXPECT_EQ(ClassifyResource("logo.PNG"), kImageResource);
  EXPECT_EQ(ClassifyResource("style.css"), kTextResource);
  EXPECT_EQ(ClassifyResource("pic.php?id=1.gif"), kImageResource);
  EXPECT_EQ(ClassifyResource("feed?x=1"), kTextResource);
  EXPECT_EQ(ClassifyResource("mailto:a@b"), kOtherResource);
  EXPECT_EQ(ClassifyResource("plain"), kOtherResource);
}

TEST(Url, ExtractHostNames) {
  std::vector<std::string> list{"old"};
  ExtractHostNames("no address", list);
  EXPECT_EQ(list, std::vector<std::string>{"old"});
  ExtractHostNames("a http://one/x http://t\r\nwo/y http://tail", list);
  EXPECT_EQ(list, (std::vector<std::string>{"one", "two"}));
}

TEST(Url, LoadTextFileUnifiesLineEnds) {
  const auto path = std::filesystem::temp_directory_path() / "kaplo-load-test.txt";
  std::ofstream(path, std::ios::binary) << "a\r\rb\r\nc\rd\ne";
  EXPECT_EQ(LoadTextFile(path.string()), "a\r\nb\r\nc\r\nd\r\ne");
  std::filesystem::remove(path);
  EXPECT_EQ(LoadTextFile(path.string()), "");
  EXPECT_EQ(LoadTextFile(""), "");
}

}  // namespace
}  // namespace kaplo
