#include <gtest/gtest.h>
#include <pwd.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
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

// Homes are found in the password database, not only in $HOME, and the
// reason of a refusal is told.
TEST_F(EmptyFolderTest, EveryUsersHomeIsRefused) {
  const passwd* pw = getpwuid(getuid());
  ASSERT_NE(pw, nullptr);
  if (!fs::is_directory(pw->pw_dir) || std::string(pw->pw_dir) == "/") GTEST_SKIP();
  const char* home = std::getenv("HOME");
  const std::string saved = home ? home : "";
  unsetenv("HOME");
  std::string why;
  EXPECT_FALSE(EmptyFolder(pw->pw_dir, &why));
  EXPECT_FALSE(why.empty());
  setenv("HOME", "/nonexistent-home", 1);
  EXPECT_FALSE(EmptyFolder(pw->pw_dir));
  if (home) setenv("HOME", saved.c_str(), 1);
  else unsetenv("HOME");
}

// A file system mounted inside the folder is not emptied, nor is the folder.
TEST_F(EmptyFolderTest, AFolderHoldingAMountIsRefused) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A private mount namespace: the machine's own mounts stay untouched.
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", (root_ / "save/sub").c_str(), "tmpfs", 0, nullptr) != 0) {
      _exit(77);
    }
    Touch(root_ / "save/sub/mounted.txt");
    std::string why;
    const bool emptied = EmptyFolder((root_ / "save").string(), &why);
    const bool kept = fs::exists(root_ / "save/sub/mounted.txt") && fs::exists(root_ / "save/a.html");
    _exit(!emptied && kept && why.find("mounted") != std::string::npos ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 77) GTEST_SKIP() << "no mount namespace here";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace kaplo
