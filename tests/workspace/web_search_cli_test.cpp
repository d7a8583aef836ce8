#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "cli/cli_support.h"
#include "workspace/sites.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;
using test::RunKaplo;

class BrowseCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kaplo-browse-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    std::ofstream(dir_ / "sites.ini")
        << "[Search]\nGoogleJapan=http://127.0.0.1:7001\nGoogleWorld=http://127.0.0.1:7002\n"
           "YahooJapan=http://127.0.0.1:7003\n";
    setenv(kSitesVariable, (dir_ / "sites.ini").c_str(), 1);
  }
  void TearDown() override {
    unsetenv(kSitesVariable);
    fs::remove_all(dir_);
  }
  fs::path dir_;
};

TEST_F(BrowseCommandsTest, SearchUrlPrintsTheQueryTheTabLoads) {
  auto r = RunKaplo({"search-url", "C#", "AT&T", "日本"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "http://127.0.0.1:7001/search?as_q=C%23+AT%26T+%E6%97%A5%E6%9C%AC&num=100&hl=ja"
            "&ie=UTF-8&oe=UTF-8&btnG=Google+%E6%A4%9C%E7%B4%A2&as_epq=&as_oq=&as_eq=&lr=&as_ft=i"
            "&as_filetype=&as_qdr=all&as_occt=any&as_dt=i&as_sitesearch=\n");
  r = RunKaplo({"search-url", "--en", "--offset", "101", "a b"});
  EXPECT_EQ(r.out,
            "http://127.0.0.1:7002/search?as_q=a+b&num=100&hl=ja&lr=&ie=UTF-8&oe=UTF-8"
            "&as_qdr=all&start=101&sa=N\n");
  r = RunKaplo({"search-url", "--yahoo", "--offset=201", "--en", "x"});
  EXPECT_EQ(r.out, "http://127.0.0.1:7003/search?p=x&aq=-1&ei=UTF-8&pstart=1&fr=ush-jp_full&b=201\n");

  // The table names no international Yahoo site: nothing is printed.
  r = RunKaplo({"search-url", "--yahoo", "--en", "x"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("no such search site"), std::string::npos) << r.err;
  r = RunKaplo({"search-url", "　 "});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("blank"), std::string::npos) << r.err;
  EXPECT_EQ(RunKaplo({"search-url"}).status, 2);
  EXPECT_EQ(RunKaplo({"search-url", "--offset", "-5", "x"}).status, 2);

  setenv(kSitesVariable, (dir_ / "none.ini").c_str(), 1);
  r = RunKaplo({"search-url", "x"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("none.ini"), std::string::npos) << r.err;
}

TEST_F(BrowseCommandsTest, FavoritesPrintsTheMenuTree) {
  const fs::path fav = dir_ / "Favorites";
  fs::create_directories(fav / "ニュース");
  std::ofstream(fav / "ニュース" / "朝日.url") << "[InternetShortcut]\r\nURL=https://a.test/\r\n";
  std::ofstream(fav / "b.url") << "[InternetShortcut]\nIconIndex=0\n";
  auto r = RunKaplo({"favorites", fav.string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "b\tnon url\nニュース/\n  朝日\thttps://a.test/\n");

  setenv("XDG_DATA_HOME", dir_.c_str(), 1);
  r = RunKaplo({"favorites"});
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(r.status, 1);  // dir_/kaplo/Favorites does not exist
  EXPECT_NE(r.err.find("kaplo/Favorites"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace kaplo
