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
  ResourceMap map(NameRules{"/s/"});
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
  EXPECT_EQ(map.LinkFileOf("http://h/list.php?p=2"), "/s/list.php@p=2.html");
  EXPECT_EQ(map.LinkFileOf("http://h/d/"), "/s/d/index.html");
  EXPECT_EQ(map.LinkFileOf("http://h/intro"), "/s/intro.html");
  EXPECT_EQ(map.LinkFileOf("http://h/doc.pdf"), "/s/doc.pdf");
  EXPECT_EQ(ResourceMap(NameRules{"/s/", 0, "top.html"}).LinkFileOf("http://h/d/"), "/s/d/top.html");

  EXPECT_EQ(ReferenceTo("/s/docs/library/", "/s/docs/_static/t.css@1", "", true),
            "../_static/t.css@1");
  EXPECT_EQ(ReferenceTo("/s/a/b/", "/s/a/d.html", "#x", true, "/s/"), "../../a/d.html#x");
  EXPECT_EQ(ReferenceTo("/s/", "/s/f/icons.eot", "#iefix&v=4", false), "f/icons.eot#iefix&v=4");
  // What a browser would read otherwise is escaped.
  EXPECT_EQ(EscapeReference("a b%#?'\"().png&x", true), "a%20b%25%23%3F%27%22%28%29.png&amp;x");
  EXPECT_EQ(EscapeReference(SJ<"ソ">() + "&", false), SJ<"ソ">() + "&");
}

// A name whose ending does not name its type gets the type's ending, as
// browsers opening a folder take the type from the name.
TEST(SavedNames, NamesCarryTheEndingOfTheirType) {
  const NameRules rules{"/s/"};
  const struct {
    std::string url, type, local;
  } cases[] = {
      {"http://h/_static/pydoctheme.css?2022.1", "text/css", "/s/_static/pydoctheme.css@2022.1.css"},
      {"http://h/img/logo.svg?v=3", "image/svg+xml", "/s/img/logo.svg@v=3.svg"},
      {"http://h/f/icons.woff2?v=4.7.0", "font/woff2", "/s/f/icons.woff2@v=4.7.0.woff2"},
      {"http://h/pic.php?id=3", "image/png", "/s/pic.php@id=3.png"},
      {"http://h/style", "text/css; charset=utf-8", "/s/style.css"},
      {"http://h/a.CSS", "text/css", "/s/a.CSS"},
      {"http://h/p.jpeg", "image/jpeg", "/s/p.jpeg"},
      {"http://h/app.mjs", "application/javascript", "/s/app.mjs"},
      {"http://h/data.bin", "application/octet-stream", "/s/data.bin"},
      {"http://h/notes", "text/plain", "/s/notes"},
      {"http://h/d/", "text/css", "/s/d/index.html.css"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SavedFileOf(c.url, SavedAs::kResource, c.type, rules), c.local) << c.url;
  }
  EXPECT_EQ(PageFileOf("http://h/list.php?p=2", rules), "/s/list.php@p=2.html");

  // The type: the Content-Type, then the first bytes.
  const struct {
    std::string content_type, bytes, type;
  } answers[] = {
      {"image/png", "\x89PNG\r\n\x1a\nxx", "image/png"},
      {"image/gif", "\x89PNG\r\n\x1a\nxx", "image/gif"},
      {"text/plain", "GIF89a..", "image/gif"},
      {"application/octet-stream", "wOF2....", "font/woff2"},
      {"Image/SVG+XML; charset=utf-8", "<svg/>", "image/svg+xml"},
      {"", "<?xml version=\"1.0\"?>\n<svg xmlns=\"x\">", "image/svg+xml"},
      {"text/plain", "body { color: red }", ""},
      {"application/x-javascript", "var a;", "text/javascript"},
  };
  for (const auto& a : answers) EXPECT_EQ(AnswerType(a.content_type, a.bytes), a.type) << a.bytes;

  // A recorded name is kept only while it is the address's own.
  EXPECT_TRUE(IsNameOf("/s/a.css@v=1.css", "/s/a.css@v=1"));
  EXPECT_TRUE(IsNameOf("/s/a.css", "/s/a.css"));
  EXPECT_FALSE(IsNameOf("/s/a.css@v=1.exe", "/s/a.css@v=1"));
  EXPECT_FALSE(IsNameOf("/s/a.css@v=1/../../x.css", "/s/a.css@v=1"));
  EXPECT_FALSE(IsNameOf("/s/b.css", "/s/a.css"));
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
