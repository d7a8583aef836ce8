// kaplo diff beside diff -u: the same hunks, texts read in their own code.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "cli/cli_support.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;
using test::RunKaplo;

class DiffCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kaplo-diff-" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& bytes) {
    std::ofstream((dir_ / name).string(), std::ios::binary) << bytes;
    return (dir_ / name).string();
  }
  static std::string HunkHeaders(const std::string& unified) {
    std::istringstream in(unified);
    std::string headers;
    for (std::string line; std::getline(in, line);) {
      if (line.starts_with("@@")) headers += line + "\n";
    }
    return headers;
  }
  static std::string GnuDiff(const std::string& context, const std::string& a,
                             const std::string& b) {
    FILE* p = popen(("LC_ALL=C diff -U " + context + " '" + a + "' '" + b + "'").c_str(), "r");
    std::string out;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
  }
  fs::path dir_;
};

// Texts of few distinct lines (blank lines among them) give many equally
// short scripts: diff's choice among them is the one to match.
TEST_F(DiffCommandTest, SameHunksAsDiffOnTextsWithRepeatedLines) {
  std::mt19937 rng(11);
  for (int round = 0; round < 60; ++round) {
    const int distinct = 2 + static_cast<int>(rng() % 40);
    auto line = [&] {
      const int k = static_cast<int>(rng() % (distinct + 1));
      return k == distinct ? std::string() : "段落 " + std::to_string(k);
    };
    std::string a, b;
    const int n = static_cast<int>(rng() % 400);
    for (int i = 0; i < n; ++i) {
      const std::string l = line();
      a += l + "\n";
      const unsigned r = rng() % 10;
      if (r == 0) continue;                    // deleted
      b += (r == 1 ? line() : l) + "\n";       // changed or kept
      if (r == 9) b += line() + "\n";          // inserted
    }
    const std::string context = std::to_string(rng() % 6);
    const std::string fa = Write("a", a), fb = Write("b", b);
    const auto ours = RunKaplo({"diff", "-U", context, fa, fb});
    ASSERT_EQ(HunkHeaders(ours.out), HunkHeaders(GnuDiff(context, fa, fb))) << "round " << round;
    ASSERT_EQ(ours.status, a == b ? 0 : 1);
  }
}

TEST_F(DiffCommandTest, EachFileInItsOwnCodeShownInTheTerminals) {
  // The same text in ISO-2022-JP and in UTF-8 with CR LF: no difference.
  const std::string jis = Write("j", "\x1B$BF|K\\\x1B(B\n\x1B$B8l\x1B(B\n");
  const std::string utf8 = Write("u", "日本\r\n語\r\n");
  auto r = RunKaplo({"diff", jis, utf8});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out, "");
  const std::string other = Write("o", "日本\n言語\n");
  r = RunKaplo({"diff", jis, other});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "--- " + jis + "\n+++ " + other + "\n@@ -1,2 +1,2 @@\n 日本\n-語\n+言語\n");
  // A terminal that speaks EUC-JP gets EUC-JP.
  r = test::RunKaploWith({"LANG=ja_JP.eucJP"}, {"diff", jis, other});
  EXPECT_EQ(r.out, "--- " + jis + "\n+++ " + other +
                       "\n@@ -1,2 +1,2 @@\n \xC6\xFC\xCB\xDC\n-\xB8\xEC\n+\xB8\xC0\xB8\xEC\n");
}

}  // namespace
}  // namespace kaplo
