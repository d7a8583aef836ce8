// Every command that reads a file is given what is not one: a folder, a
// device, a FIFO, standard input that never ends. Each says so on one line
// and exits 2, without blocking or growing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_support.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;
using test::RunKaplo;

class InputSafetyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kaplo-input-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "folder");
    std::ofstream(dir_ / "file.txt") << "ab\n";
    fifo_ = (dir_ / "fifo").string();
    ASSERT_EQ(mkfifo(fifo_.c_str(), 0600), 0);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
  std::string fifo_;
};

TEST_F(InputSafetyTest, FoldersDevicesAndFifosAreRefusedByName) {
  const std::string folder = (dir_ / "folder").string(), file = (dir_ / "file.txt").string();
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"diff", folder, file}, "cannot read file " + folder + ": it is a folder"},
      {{"diff", file, "/dev/zero"}, "cannot read file /dev/zero: it is a device"},
      {{"diff", file, fifo_}, "cannot read file " + fifo_ + ": it is a FIFO (named pipe)"},
      {{"diff", file, (dir_ / "none").string()},
       "cannot read file " + (dir_ / "none").string() + ": no such file or folder"},
      {{"keywords", "ab", "/dev/zero"}, "cannot read file /dev/zero: it is a device"},
      {{"keywords", "ab", fifo_}, "it is a FIFO"},
      {{"keywords", "ab", folder}, "it is a folder"},
      {{"analyse", folder, "--css-list"}, "cannot read file " + folder + ": it is a folder"},
      {{"analyse", "/dev/zero"}, "it is a device"},
      {{"colours", folder}, "it is a folder"},
      {{"rtf", fifo_}, "it is a FIFO"},
  };
  for (const auto& c : cases) {
    const auto r = RunKaplo(c.args);
    EXPECT_EQ(r.status, 2) << c.args[0] << " " << c.args[1];
    EXPECT_EQ(r.err.rfind("kaplo " + c.args[0] + ": ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
  }
  // In Japanese too.
  const auto ja = test::RunKaploWith({"LANG=ja_JP.UTF-8"}, {"diff", folder, file});
  EXPECT_EQ(ja.err, "kaplo diff: 読めません: ファイル " + folder + ": フォルダーです\n");
}

TEST_F(InputSafetyTest, StandardInputThatIsAFolderOrNeverEnds) {
  // A folder as standard input, and a stream past the cap (512 MiB of zeros
  // from /dev/zero, read in a moment), end with a message.
  auto shell = [](const std::string& command) {
    const std::string cmd = std::string("LANG=C.UTF-8 ") + KAPLO_BIN + " " + command + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int status = pclose(p);
    return std::make_pair(WIFEXITED(status) ? WEXITSTATUS(status) : -1, out);
  };
  auto [status, out] = shell("tosjis < " + dir_.string());
  EXPECT_EQ(status, 2);
  EXPECT_EQ(out, "kaplo tosjis: cannot read standard input: it is a folder\n");
  std::tie(status, out) = shell("colours < /dev/zero");
  EXPECT_EQ(status, 2);
  EXPECT_EQ(out, "kaplo colours: cannot read standard input: larger than 512 MiB\n");
}

// 4 MB of "<" hold two million hits of "<<": they are written as they are
// found, so the program's memory stays near the size of the text.
TEST_F(InputSafetyTest, KeywordHitsStreamInBoundedMemory) {
  const fs::path big = dir_ / "lt.txt";
  std::ofstream(big) << std::string(4 << 20, '<');
  const fs::path rss = dir_ / "rss", script = dir_ / "run.sh";
  // Under AddressSanitizer freed memory waits in a quarantine: none here.
  std::ofstream(script) << "ASAN_OPTIONS=quarantine_size_mb=0 /usr/bin/time -f %M -o '"
                        << rss.string() << "' '" << KAPLO_BIN
                        << "' keywords '<<' '" << big.string() << "' | awk 'END { print NR, $0 }'\n";
  FILE* p = popen(("sh " + script.string()).c_str(), "r");
  std::string out;
  char buf[256];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  EXPECT_EQ(out, "2097152 1\t   1/4194303\n");
  std::ifstream in(rss);
  long kb = 0;
  in >> kb;
  // The hits alone once took about 140 MB here.
  EXPECT_GT(kb, 0);
  EXPECT_LT(kb, 64 * 1024) << "maximum resident set in KB";
}

}  // namespace
}  // namespace kaplo
