// Addresses as browsers send them, the files they are saved under, the
// references that point at those files, and writes that stay in the folder.
#include "engine/resource_map.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "engine/engine_test_support.h"
#include "engine/safe_write.h"
#include "engine/url.h"
#include "text/charset.h"
#include "text/convert.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

TEST(RequestUrl, AsBrowsersSendThem) {
  const std::string base = "http://h/docs/library/page.html";
  const struct {
    std::string ref;
    int code;
    std::string want;
  } cases[] = {
      {"../_static/theme.css?2022.1", kCharsetUtf8, "http://h/docs/_static/theme.css?2022.1"},
      {"./a/../b/./c.png#frag", kCharsetUtf8, "http://h/docs/library/b/c.png"},
      {"../../../../x.png", kCharsetUtf8, "http://h/x.png"},
      {"/abs/y.css", kCharsetUtf8, "http://h/abs/y.css"},
      {"//cdn.example/lib.js", kCharsetUtf8, "http://cdn.example/lib.js"},
      {"HTTPS://Other.Example:443/A.png", kCharsetUtf8, "https://other.example/A.png"},
      {"http:same.png", kCharsetUtf8, "http://h/docs/library/same.png"},
      {"?q=1", kCharsetUtf8, "http://h/docs/library/page.html?q=1"},
      {"icons.eot?#iefix", kCharsetUtf8, "http://h/docs/library/icons.eot"},
      {"a b\\c.png", kCharsetUtf8, "http://h/docs/library/a%20b/c.png"},
      {" \t x.png\n", kCharsetUtf8, "http://h/docs/library/x.png"},
      // The path from UTF-8 whatever the page's code; the query in the page's code.
      {SJ<"画像.png">(), kCharsetShiftJis, "http://h/docs/library/%E7%94%BB%E5%83%8F.png"},
      {"s.cgi?" + SJ<"日本">(), kCharsetShiftJis, "http://h/docs/library/s.cgi?%93%FA%96%7B"},
      {"s.cgi?" + SJ<"日本">(), kCharsetEucJp, "http://h/docs/library/s.cgi?%C6%FC%CB%DC"},
      {"s.cgi?" + SJ<"日本">(), kCharsetUtf8, "http://h/docs/library/s.cgi?%E6%97%A5%E6%9C%AC"},
      {"e&#x1F600;.png", kCharsetUtf8, "http://h/docs/library/e%F0%9F%98%80.png"},
      {"mailto:x@h", kCharsetUtf8, ""},
      {"ftp://h/x", kCharsetUtf8, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(RequestUrl(base, c.ref, c.code), c.want) << c.ref;
  // The resolution RFC 3986 gives, including its own examples.
  for (const auto& [ref, want] : std::vector<std::pair<std::string, std::string>>{
           {"g", "http://a/b/c/g"},        {"./g", "http://a/b/c/g"},
           {"g/", "http://a/b/c/g/"},      {"/g", "http://a/g"},
           {"?y", "http://a/b/c/d;p?y"},   {"g?y", "http://a/b/c/g?y"},
           {"", "http://a/b/c/d;p?q"},     {".", "http://a/b/c/"},
           {"..", "http://a/b/"},          {"../g", "http://a/b/g"},
           {"../..", "http://a/"},         {"../../../g", "http://a/g"},
           {"g.", "http://a/b/c/g."},      {"g/../h", "http://a/b/c/h"}}) {
    EXPECT_EQ(ResolveUrl("http://a/b/c/d;p?q", ref), want) << ref;
  }
  EXPECT_EQ(HostPortOf("http://Example.COM/x"), "example.com:80");
  EXPECT_EQ(HostPortOf("https://h:8443/x"), "h:8443");
  EXPECT_EQ(FragmentOf("a.svg?v=1#icons"), "#icons");
}

TEST(ResourceMap, NamesAndTheReferencesToThem) {
  ResourceMap map("/s/", 0);
  const struct {
    std::string url, local;
  } names[] = {
      {"http://h/docs/_static/theme.css?2022.1", "/s/docs/_static/theme.css@2022.1"},
      {"http://h/fonts/icons.woff2?v=4.7.0", "/s/fonts/icons.woff2@v=4.7.0"},
      {"http://h/%E7%94%BB%E5%83%8F.png", "/s/" + SJ<"画像">() + ".png"},
      {"http://h/%93%FA.png", "/s/%93%FA.png"},  // not UTF-8: kept as sent
      {"http://h/a%2Fb.png", "/s/a~b.png"},
      {"http://h/dir/", "/s/dir/index.html"},
      {"http://h/../../etc/passwd", "/s/etc/passwd"},
  };
  for (const auto& n : names) EXPECT_EQ(map.LocalFileOf(n.url), n.local) << n.url;

  MappedResource& css = map.Enter("http://h/a.css", RefRole::kImage, "a.css", 0);
  EXPECT_EQ(&map.Enter("http://h/a.css", RefRole::kStylesheet, "a.css", 1), &css);
  EXPECT_EQ(css.role, RefRole::kStylesheet) << "a stylesheet is read as one";
  EXPECT_EQ(map.size(), 1u);

  // Links: the names pages get when they are saved.
  EXPECT_EQ(map.PageFileOf("http://h/list.php?p=2", "index.html"), "/s/list.php@p=2.html");
  EXPECT_EQ(map.PageFileOf("http://h/d/", "top.html"), "/s/d/top.html");
  EXPECT_EQ(map.PageFileOf("http://h/intro", ""), "/s/intro.html");
  EXPECT_EQ(map.PageFileOf("http://h/doc.pdf", ""), "/s/doc.pdf");

  EXPECT_EQ(ReferenceTo("/s/docs/library/", "/s/docs/_static/t.css@1", "", true),
            "../_static/t.css@1");
  EXPECT_EQ(ReferenceTo("/s/a/b/", "/s/a/d.html", "#x", true, "/s/"), "../../a/d.html#x");
  EXPECT_EQ(ReferenceTo("/s/", "/s/f/icons.eot", "#iefix&v=4", false), "f/icons.eot#iefix&v=4");
  // What a browser would read otherwise is escaped.
  EXPECT_EQ(EscapeReference("a b%#?'\"().png&x", true), "a%20b%25%23%3F%27%22%28%29.png&amp;x");
  EXPECT_EQ(EscapeReference(SJ<"ソ">() + "&", false), SJ<"ソ">() + "&");
}

TEST(SafeWrite, StaysInTheFolderAndFollowsNoLink) {
  test::TempSaveFolder temp("safewrite");
  const std::string folder = temp.save;
  const fs::path outside = temp.root / "outside";
  fs::create_directories(outside);
  fs::create_directory_symlink(outside, folder + "img");
  fs::create_symlink(outside / "target.txt", folder + "file.txt");

  std::string why;
  EXPECT_FALSE(WriteFileBelow(folder, folder + "img/a.png", "x", &why));
  EXPECT_NE(why.find("symbolic link"), std::string::npos) << why;
  EXPECT_FALSE(fs::exists(outside / "a.png"));
  // A link in the place of the file is replaced, its target left alone.
  EXPECT_TRUE(WriteFileBelow(folder, folder + "file.txt", "new", &why)) << why;
  EXPECT_FALSE(fs::exists(outside / "target.txt"));
  EXPECT_FALSE(fs::is_symlink(folder + "file.txt"));
  EXPECT_FALSE(WriteFileBelow(folder, "/etc/kaplo-x", "x", &why));
  EXPECT_FALSE(WriteFileBelow(folder, folder + "../x", "x", &why));
  // Folders are made; an empty text makes an empty file; nothing half-written stays.
  EXPECT_TRUE(WriteFileBelow(folder, folder + "a/b/c.txt", "", &why)) << why;
  EXPECT_EQ(fs::file_size(folder + "a/b/c.txt"), 0u);
  fs::create_directories(folder + "dir");
  EXPECT_FALSE(WriteFileBelow(folder, folder + "dir", "x", &why));
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    EXPECT_EQ(e.path().filename().string().find("kaplo-part"), std::string::npos) << e.path();
  }
}

}  // namespace
}  // namespace kaplo
