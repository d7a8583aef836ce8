// kaplo find names each starting folder it cannot read, and why.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "cli/cli_support.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;
using test::RunKaplo;

TEST(FindCommandTest, FoldersThatCannotBeReadAreNamed) {
  const fs::path dir = fs::temp_directory_path() / ("kaplo-find-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "ok");
  std::ofstream(dir / "ok/a.html") << "x";
  const std::string missing = (dir / "missing").string(), file = (dir / "ok/a.html").string();

  auto r = RunKaplo({"find", missing});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "kaplo find: cannot read folder " + missing + ": no such file or folder\n");

  // The folders that can be read are still searched; the exit says not all could.
  r = RunKaplo({"find", (dir / "ok").string(), missing, file});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, file + "\n");
  EXPECT_EQ(r.err, "kaplo find: cannot read folder " + missing +
                       ": no such file or folder\nkaplo find: cannot read folder " + file +
                       ": it is not a folder\n");
  r = test::RunKaploWith({"LANG=ja_JP.UTF-8"}, {"find", missing});
  EXPECT_EQ(r.err, "kaplo find: フォルダーを読めません: " + missing + ": 見つかりません\n");
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kaplo
