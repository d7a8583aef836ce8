#include "filetools/favorites.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "text/convert.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

class FavoritesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("kaplo-fav-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }
  void Shortcut(const fs::path& file, const std::string& url) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << "[InternetShortcut]\r\nURL=" << url << "\r\n";
  }
  fs::path root_;
};

TEST_F(FavoritesTest, FoldersNestAndShortcutsSortWithoutRegardToCase) {
  Shortcut(root_ / "zeta.url", "http://z.test/");
  Shortcut(root_ / "Alpha.URL", "http://a.test/");
  Shortcut(root_ / "beta" / "Inner" / "deep.url", "http://d.test/");
  Shortcut(root_ / "日本" / "新聞.url", "http://n.test/");
  std::ofstream(root_ / "beta" / "nourl.url") << "[InternetShortcut]\nIconFile=x\n";
  // Not part of the menu: dot-names, other files, a linked folder.
  Shortcut(root_ / ".hidden" / "h.url", "http://h.test/");
  Shortcut(root_ / ".dot.url", "http://dot.test/");
  std::ofstream(root_ / "readme.txt") << "x";
  std::ofstream(root_ / ".url") << "x";
  fs::create_directory_symlink(root_ / "beta", root_ / "loop");
  fs::create_symlink(root_ / "zeta.url", root_ / "linked.url");  // a linked shortcut is read

  EXPECT_EQ(FavoritesOutline(ReadFavorites(root_)),
            Utf8ToShiftJIS("Alpha\thttp://a.test/\n"
                           "beta/\n"
                           "  Inner/\n"
                           "    deep\thttp://d.test/\n"
                           "  nourl\tnon url\n"
                           "linked\thttp://z.test/\n"
                           "zeta\thttp://z.test/\n"
                           "日本/\n"
                           "  新聞\thttp://n.test/\n"));
  const std::vector<FavoriteNode> nodes = ReadFavorites(root_);
  ASSERT_EQ(nodes.size(), 5u);
  EXPECT_TRUE(nodes[1].folder);
  EXPECT_EQ(nodes[1].url, "");
  EXPECT_FALSE(nodes[0].folder);
}

TEST_F(FavoritesTest, MissingOrEmptyFoldersGiveNoItemsAndDepthIsCapped) {
  EXPECT_TRUE(ReadFavorites(root_).empty());
  EXPECT_TRUE(ReadFavorites(root_ / "missing").empty());
  EXPECT_TRUE(ReadFavorites("").empty());
  EXPECT_EQ(ReadShortcutUrl(root_ / "missing.url"), kNoFavoriteUrl);

  fs::path deep = root_;
  for (int i = 0; i < kFavoritesDepthLimit + 4; ++i) deep /= "d";
  Shortcut(deep / "x.url", "http://x.test/");
  std::vector<FavoriteNode> nodes = ReadFavorites(root_);
  int depth = 0;
  for (const std::vector<FavoriteNode>* level = &nodes; !level->empty();
       level = &level->front().children) {
    ++depth;
  }
  EXPECT_EQ(depth, kFavoritesDepthLimit);
  EXPECT_EQ(ReadFavorites(root_, 2).front().children.front().children.size(), 0u);
}

TEST(FavoritesFolderTest, FollowsXdgDataHomeThenHome) {
  const char* old_xdg = std::getenv("XDG_DATA_HOME");
  const std::string saved_xdg = old_xdg ? old_xdg : "";
  const std::string saved_home = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("XDG_DATA_HOME", "/x/data", 1);
  EXPECT_EQ(FavoritesFolder(), fs::path("/x/data/kaplo/Favorites"));
  setenv("XDG_DATA_HOME", "relative", 1);  // not absolute: ignored
  setenv("HOME", "/home/u", 1);
  EXPECT_EQ(FavoritesFolder(), fs::path("/home/u/.local/share/kaplo/Favorites"));
  if (old_xdg) setenv("XDG_DATA_HOME", saved_xdg.c_str(), 1);
  else unsetenv("XDG_DATA_HOME");
  setenv("HOME", saved_home.c_str(), 1);
}

}  // namespace
}  // namespace kaplo
