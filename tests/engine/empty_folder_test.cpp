#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "engine/engine.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

class EmptyFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("kaplo-empty-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "save/sub/deeper");
    fs::create_directories(root_ / "outside");
    Touch(root_ / "save/a.html");
    Touch(root_ / "save/sub/b.css");
    Touch(root_ / "save/sub/deeper/c.gif");
    Touch(root_ / "outside/keep.txt");
    fs::create_directory_symlink(root_ / "outside", root_ / "save/link-dir");
    fs::create_symlink(root_ / "outside/keep.txt", root_ / "save/link-file");
  }
  void TearDown() override { fs::remove_all(root_); }
  static void Touch(const fs::path& p) { std::ofstream(p) << "x"; }
  fs::path root_;
};

TEST_F(EmptyFolderTest, DeletesFilesKeepsFoldersNeverFollowsLinks) {
  ASSERT_TRUE(EmptyFolder((root_ / "save").string() + "/"));
  EXPECT_TRUE(fs::is_directory(root_ / "save/sub/deeper"));
  EXPECT_FALSE(fs::exists(root_ / "save/a.html"));
  EXPECT_FALSE(fs::exists(root_ / "save/sub/deeper/c.gif"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(root_ / "save/link-dir")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(root_ / "save/link-file")));
  EXPECT_TRUE(fs::exists(root_ / "outside/keep.txt")) << "a link's target is never touched";
}

TEST_F(EmptyFolderTest, ReadOnlyFoldersAreEmptiedToo) {
  fs::permissions(root_ / "save/sub", fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_TRUE(EmptyFolder((root_ / "save").string()));
  EXPECT_FALSE(fs::exists(root_ / "save/sub/b.css"));
}

TEST_F(EmptyFolderTest, RefusesFoldersThatMustNeverBeEmptied) {
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "/root";
  for (const std::string& folder :
       {std::string(), std::string("/"), std::string("/tmp"), std::string("/tmp/"),
        std::string("/usr/share"), std::string("/etc/ssh/"), home, home + "/..",
        fs::path(home).parent_path().string(), std::string("relative/dir"),
        (root_ / "missing").string(), (root_ / "save/../save/../../..").string()}) {
    EXPECT_FALSE(EmptyFolder(folder)) << folder;
  }
  // A link that leads to a refused folder is refused as well.
  fs::create_directory_symlink("/etc", root_ / "etc-link");
  EXPECT_FALSE(EmptyFolder((root_ / "etc-link").string()));
  EXPECT_TRUE(fs::exists(root_ / "save/a.html"));
}

}  // namespace
}  // namespace kaplo
