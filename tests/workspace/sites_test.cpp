#include "workspace/sites.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "engine/url.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

std::vector<const std::string*> Addresses(const SiteTable& t) {
  std::vector<const std::string*> all = {&t.google_japan,     &t.google_world, &t.yahoo_japan,
                                         &t.yahoo_world,      &t.yahoo_dictionary,
                                         &t.yahoo_map,        &t.google_maps,  &t.own_address};
  for (const auto* list : {&t.news, &t.reference}) {
    for (const SiteEntry& e : *list) all.push_back(&e.url);
  }
  return all;
}

class SiteTableFile : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = fs::temp_directory_path() / ("kaplo-sites-" + std::to_string(::getpid()) + ".ini");
  }
  void TearDown() override {
    fs::remove(file_);
    unsetenv(kSitesVariable);
  }
  void Write(const std::string& text) { std::ofstream(file_, std::ios::binary) << text; }
  fs::path file_;
};

TEST(SiteTableTest, BuiltInTableNamesEveryMenuEntryWithAWebAddress) {
  const SiteTable& t = BuiltInSites();
  for (const std::string* url : Addresses(t)) EXPECT_TRUE(IsHttpUrl(*url)) << *url;
  EXPECT_EQ(t.google_cache_host, "webcache.googleusercontent.com");
  ASSERT_EQ(t.news.size(), 17u);
  ASSERT_EQ(t.reference.size(), 17u);
  EXPECT_EQ(t.news.front().name, "MenuNewspaperAsahi");
  EXPECT_EQ(t.news.front().caption, SJ<"朝日新聞">());
  EXPECT_EQ(t.reference.back().name, "MenuSiteKankokuKeizai");
  EXPECT_EQ(t.reference[10].url, "https://wedge.ismedia.jp/list/wedgead");
  std::set<std::string> names;
  for (const auto* list : {&t.news, &t.reference}) {
    for (const SiteEntry& e : *list) EXPECT_TRUE(names.insert(e.name).second) << e.name;
  }
}

TEST_F(SiteTableFile, AFileReplacesTheWholeTable) {
  Write(
      "[Search]\nGoogleJapan=http://127.0.0.1:8001/\nYahooJapan = http://127.0.0.1:8002\n"
      "GoogleCacheHost=127.0.0.1:8003\n[Pages]\nOwnAddress=http://127.0.0.1:8004/ip\n"
      "[News]\nMenuNewspaperAsahi=http://127.0.0.1:8005/asahi\n");
  const SiteTableLoad load = LoadSiteTable(file_);
  EXPECT_EQ(load.error, "");
  const SiteTable& t = load.table;
  EXPECT_EQ(t.google_japan, "http://127.0.0.1:8001");  // the trailing "/" goes
  EXPECT_EQ(t.yahoo_japan, "http://127.0.0.1:8002");
  EXPECT_EQ(t.google_cache_host, "127.0.0.1:8003");
  EXPECT_EQ(t.own_address, "http://127.0.0.1:8004/ip");
  EXPECT_EQ(t.news[0].url, "http://127.0.0.1:8005/asahi");
  EXPECT_EQ(t.news[0].caption, SJ<"朝日新聞">());
  // Nothing the file leaves out falls back to an outside address.
  EXPECT_EQ(t.google_world, "");
  EXPECT_EQ(t.yahoo_map, "");
  EXPECT_EQ(t.news[1].url, "");
  EXPECT_EQ(t.reference.size(), 17u);
  for (const SiteEntry& e : t.reference) EXPECT_EQ(e.url, "");
}

TEST_F(SiteTableFile, EnvironmentPicksTheFileAndAMissingOneIsAnErrorNotTheBuiltIns) {
  unsetenv(kSitesVariable);
  EXPECT_EQ(SitesFromEnvironment().table.google_japan, BuiltInSites().google_japan);

  Write("[Search]\nYahooWorld=http://127.0.0.1:9/\n");
  setenv(kSitesVariable, file_.c_str(), 1);
  SiteTableLoad load = SitesFromEnvironment();
  EXPECT_EQ(load.error, "");
  EXPECT_EQ(load.table.yahoo_world, "http://127.0.0.1:9");
  EXPECT_EQ(load.table.google_japan, "");

  fs::remove(file_);
  load = SitesFromEnvironment();
  EXPECT_NE(load.error.find("no such site table file"), std::string::npos) << load.error;
  for (const std::string* url : Addresses(load.table)) EXPECT_EQ(*url, "");

  fs::create_directories(file_);  // a folder is no table either
  load = LoadSiteTable(file_);
  EXPECT_NE(load.error.find("cannot be read"), std::string::npos) << load.error;
  EXPECT_EQ(load.table.google_japan, "");
  fs::remove(file_);
}

}  // namespace
}  // namespace kaplo
