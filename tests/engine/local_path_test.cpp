#include "engine/local_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/saved_names.h"
#include "engine/url.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

class LocalPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("kaplo-local-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
    folder_ = root_.string() + "/dl/";
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(root_); }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  fs::path root_;
  std::string folder_;
};

TEST_F(LocalPathTest, UrlToLocalPath) {
  EXPECT_EQ(UrlToLocalPath("http://www.host/a/b/page.php?id=3&x=y", folder_, 0, 0),
            folder_ + "a/b/page.php@id=3&x=y");
  EXPECT_EQ(UrlToLocalPath("https://www2.h/a:b/c", folder_, 0, 0), folder_ + "a;b/c");
  EXPECT_EQ(UrlToLocalPath("http://h/a/b.html", folder_, 0, 1), folder_ + "a/ZZOrg_b.html");
  EXPECT_EQ(UrlToLocalPath("http://h/a/", folder_, 0, 1), folder_ + "a/ZZOrg_index.html");
  EXPECT_EQ(UrlToLocalPath("no-scheme", folder_, 0, 0), "no-scheme");
  // A backslash in the URL separates folders as "/" does.
  EXPECT_EQ(UrlToLocalPath("http://h/a\\b.gif", folder_, 0, 0), folder_ + "a/b.gif");
}

TEST_F(LocalPathTest, NothingLeavesTheSaveFolder) {
  for (const char* url : {"http://h/../../etc/x", "http://h/a/%2e%2e/%2E%2E/../x",
                          "http://h/..%2f..%2fx", "http://h/a/./../../x"}) {
    for (int mode : {0, 1, 4}) {
      const std::string path = UrlToLocalPath(url, folder_, mode, 0);
      ASSERT_EQ(path.rfind(folder_, 0), 0u) << url << " " << path;
      EXPECT_EQ(fs::path(path).lexically_normal().string().rfind(folder_, 0), 0u)
          << url << " mode " << mode << " -> " << path;
      SaveTextFile("x", path);
    }
  }
  // Everything written stayed below the save folder.
  for (const auto& e : fs::recursive_directory_iterator(root_)) {
    EXPECT_EQ((e.path().string() + "/").rfind(folder_, 0), 0u) << e.path();
  }
}

TEST_F(LocalPathTest, SaveTextFile) {
  SaveTextFile("text", folder_ + "q?a=1|2");
  EXPECT_EQ(Read(folder_ + "q@a=1~2"), "text");
  SaveTextFile("deep", folder_ + "x/y/z.css");
  EXPECT_EQ(Read(folder_ + "x/y/z.css"), "deep");
  SaveTextFile("new", folder_ + "x/y/z.css");
  EXPECT_EQ(Read(folder_ + "x/y/z.css"), "new");
  // Names on disk are UTF-8.
  SaveTextFile("jp", folder_ + SJ<"日本/あ.html">());
  EXPECT_EQ(Read(folder_ + "日本/あ.html"), "jp");
  // Refused names write nothing.
  for (const std::string& refused :
       {folder_ + "", folder_ + "dir/", folder_ + "a+b.css", folder_ + "http:/x",
        folder_ + std::string(260, 'n')}) {
    SaveTextFile("x", refused);
  }
  SaveTextFile("", folder_ + "empty.txt");
  EXPECT_FALSE(fs::exists(folder_ + "empty.txt"));
  EXPECT_FALSE(fs::exists(folder_ + "a+b.css"));
  std::size_t files = 0;
  for (const auto& e : fs::recursive_directory_iterator(folder_)) files += e.is_regular_file();
  EXPECT_EQ(files, 3u);
}

TEST_F(LocalPathTest, BasePageNames) {
  NameRules rules{folder_};
  BasePageNames n = MakeBasePageNames("http://h/x.php", rules);
  EXPECT_EQ(n.local_file, folder_ + "x.php.html");
  EXPECT_EQ(n.fetched_copy, folder_ + "ZZOrg_x.php.html");
  EXPECT_EQ(MakeBasePageNames("http://h/x.PHP", rules).local_file, folder_ + "x.PHP.html");
  EXPECT_EQ(MakeBasePageNames("http://h/X.HTM", rules).local_file, folder_ + "X.HTM");
  EXPECT_EQ(MakeBasePageNames("http://h/a.html?x=1", rules).local_file, folder_ + "a.html@x=1.html");
  n = MakeBasePageNames("http://h/a/", rules);
  EXPECT_EQ(n.local_file, folder_ + "a/index.html");
  EXPECT_EQ(n.fetched_copy, folder_ + "a/ZZOrg_index.html");
  EXPECT_EQ(n.inner_copy, folder_ + "a/ZAInner_index.html");
  n = MakeBasePageNames("http://h/" + std::string(60, 'p') + ".html", rules);
  EXPECT_EQ(n.fetched_copy, folder_ + "ZZOrg_" + std::string(34, 'p') + ".html");
  // A folder's page is the top name, links to it and the page's own job alike.
  rules.top_name = "top";
  EXPECT_EQ(MakeBasePageNames("http://h/a/", rules).local_file, folder_ + "a/top.html");
  rules.top_name.clear();
  rules.dummy_dir = "main/top";
  n = MakeBasePageNames("http://h/a/page.html", rules);
  EXPECT_EQ(n.local_file, folder_ + "a/main/top/page.html");
  EXPECT_EQ(n.inner_copy, folder_ + "a/main/top/ZAInner_page.html");
  EXPECT_EQ(n.fetched_copy, folder_ + "a/ZZOrg_page.html");
  // A dummy folder typed as ".." still stays below the page's folder.
  rules.dummy_dir = "../../..";
  n = MakeBasePageNames("http://h/a/page.html", rules);
  EXPECT_EQ(n.local_file.rfind(folder_ + "a/", 0), 0u) << n.local_file;
  // A save folder named like a page changes no name in it.
  const NameRules in_html{folder_ + "out.html/"};
  EXPECT_EQ(MakeBasePageNames("http://h/", in_html).local_file, folder_ + "out.html/index.html");
  EXPECT_EQ(MakeBasePageNames("http://h/doc", in_html).local_file, folder_ + "out.html/doc.html");
}

}  // namespace
}  // namespace kaplo
