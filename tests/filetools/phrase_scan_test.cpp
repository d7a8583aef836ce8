#include "filetools/phrase_scan.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "filetools/filetools_test_support.h"
#include "text/convert.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

using test::TempTree;
constexpr std::size_t kBlock = PhraseScanner::kBlockSize;

class PhraseScanTest : public ::testing::Test {
 protected:
  PhraseScanner::Result Scan(const std::string& body, std::string_view phrase, bool ignore_case,
                             bool whole_word) {
    const std::string path = tree.Write("f.bin", body);
    const int fd = open(path.c_str(), O_RDONLY);
    PhraseScanner scanner(phrase, ignore_case, whole_word);
    const PhraseScanner::Result r = scanner.Scan(fd, abort);
    close(fd);
    return r;
  }
  bool Found(const std::string& body, std::string_view phrase, bool ignore_case = true,
             bool whole_word = false) {
    return Scan(body, phrase, ignore_case, whole_word) == PhraseScanner::Result::kFound;
  }
  TempTree tree;
  std::atomic<bool> abort{false};
};

// A Japanese phrase is found in files of every code, also where its form in
// one code straddles two blocks, and not in a file that only holds another word.
TEST_F(PhraseScanTest, JapanesePhraseInEveryCode) {
  const std::string tokyo = SJ<"東京">();
  for (const std::string& form : {tokyo, ShiftJISToUtf8(tokyo), ShiftJISToEuc(tokyo)}) {
    EXPECT_TRUE(Found("<p>" + form + "</p>", tokyo)) << form;
    EXPECT_TRUE(Found(std::string(kBlock - 3, 'x') + " " + form + " end", tokyo, true, true)) << form;
  }
  EXPECT_FALSE(Found(ShiftJISToUtf8(SJ<"京都">()), tokyo));
  EXPECT_EQ(PhraseScanner::Forms("plain").size(), 1u);
  EXPECT_EQ(PhraseScanner::Forms(tokyo).size(), 3u);
}

TEST_F(PhraseScanTest, CaseWordsAndEdges) {
  struct Case {
    std::string body;
    std::string phrase;
    bool ignore_case, whole_word, found;
  } cases[] = {
      {"say Hello.", "hello", true, false, true},
      {"say Hello.", "hello", false, false, false},
      {"Hello", "HELLO", true, true, true},         // file edges are delimiters
      {"xhello", "hello", true, true, false},
      {"hello_x", "hello", true, true, true},       // "_" is a delimiter
      {"hello2", "hello", true, true, false},
      {"a hello hellox", "hello", true, true, true},
      {"hellx hello1 hello", "hello", true, true, true},  // the last one counts
      {"abc", "abcd", true, false, false},          // longer than the file
      {"", "a", true, false, false},
      {"\x93\xFA\x96\x7B", "\x96\x7B", false, false, true},  // bytes as given
      {std::string("a\0b", 3), std::string("\0B", 2), true, false, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Found(c.body, c.phrase, c.ignore_case, c.whole_word), c.found)
        << c.body << " / " << c.phrase << " case " << c.ignore_case << " word " << c.whole_word;
  }
}

TEST_F(PhraseScanTest, MatchesAcrossTheBlockBoundary) {
  // The phrase starts 3 bytes before the end of the first block.
  std::string body(kBlock - 3, 'x');
  body[kBlock - 4] = ' ';
  body += "NEEDLE tail";
  EXPECT_TRUE(Found(body, "needle"));
  EXPECT_TRUE(Found(body, "needle", true, true));
  // A word that ends exactly at the boundary, and one whose next letter is
  // the first byte of the next block.
  std::string ends(kBlock - 7, ' ');
  ends += "needle";
  EXPECT_TRUE(Found(ends + " more", "needle", true, true));
  EXPECT_FALSE(Found(ends + "s more", "needle", true, true));
  // The byte before a word in the carried tail.
  std::string before(kBlock - 6, 'x');
  EXPECT_FALSE(Found(before + "needle more", "needle", true, true));
}

TEST_F(PhraseScanTest, SparseLargeFileAndAbort) {
  const std::string path = tree.Write("sparse.bin", "needle at the start ");
  const int fd = open(path.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  const off_t far = off_t{6} << 30;  // 6 GiB, almost all of it a hole
  ASSERT_EQ(pwrite(fd, " tail-word end", 14, far), 14);
  PhraseScanner tail("TAIL-WORD", true, true);
  PhraseScanner absent("nowhere", true, false);
  ASSERT_EQ(lseek(fd, 0, SEEK_SET), 0);
  EXPECT_EQ(tail.Scan(fd, abort), PhraseScanner::Result::kFound);
  ASSERT_EQ(lseek(fd, 0, SEEK_SET), 0);
  EXPECT_EQ(absent.Scan(fd, abort), PhraseScanner::Result::kNotFound);
  abort = true;
  ASSERT_EQ(lseek(fd, 0, SEEK_SET), 0);
  EXPECT_EQ(tail.Scan(fd, abort), PhraseScanner::Result::kAborted);
  close(fd);
}

TEST_F(PhraseScanTest, OnlyRegularFilesAreRead) {
  const int fd = open("/dev/null", O_RDONLY);
  PhraseScanner scanner("x", true, false);
  EXPECT_EQ(scanner.Scan(fd, abort), PhraseScanner::Result::kUnreadable);
  close(fd);
}

}  // namespace
}  // namespace kaplo
