#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "text/sjis_literal.h"

namespace {

struct Result {
  std::string out;
  int status;
};

// Runs kaplo with args (already shell-quoted), feeding input on stdin.
Result Kaplo(const std::string& args, const std::string& input = "") {
  char in_path[] = "/tmp/kaplo_view_cli_XXXXXX";
  const int fd = mkstemp(in_path);
  EXPECT_GE(fd, 0);
  EXPECT_EQ(write(fd, input.data(), input.size()), static_cast<ssize_t>(input.size()));
  close(fd);
  const std::string cmd = std::string(KAPLO_BIN) + " " + args + " < " + in_path + " 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  Result r;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int status = pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  unlink(in_path);
  return r;
}

TEST(ViewCommandsTest, Rtf) {
  Result r = Kaplo("rtf", "<a href=x>");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(r.out.find("\\f0 \\cf")),
            "\\f0 \\cf7 <\\cf4 a\\cf5  \\cf3 href\\cf7 =\\cf10 x\\cf7 >\\par }");
  r = Kaplo("rtf --alt", "x");
  EXPECT_NE(r.out.find("{\\colortbl\\red0\\green0\\blue0;\\red0\\green128\\blue0;\\red128\\green0\\blue0;"
                       "\\red0\\green0\\blue0;"),
            std::string::npos);
  EXPECT_EQ(Kaplo("rtf extra").status, 2);
}

TEST(ViewCommandsTest, Colours) {
  const std::string sheet = "h1,\r\nh2 { color:#c00 }\r\nbody{color:#333;background:#C00}";
  Result r = Kaplo("colours", sheet);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "#c00         h1,  h2\n#333         body\n#C00         body\n");
  r = Kaplo("colours --sorted", sheet);
  EXPECT_EQ(r.out, "#333        \n#c00        \n");
  EXPECT_EQ(Kaplo("colours --bogus").status, 2);
}

TEST(ViewCommandsTest, Keywords) {
  char path[] = "/tmp/kaplo_view_kw_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  const std::string text = "ab x\r\n" + kaplo::SJ<"日本">() + " ab\r\n";
  ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  close(fd);
  // The keywords come from the terminal in UTF-8.
  Result r = Kaplo(std::string("keywords 'zz 日本　ab' ") + path);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "2\t   2/01\n3\t   1/01\n3\t   2/06\n");
  EXPECT_EQ(Kaplo("keywords onlyone").status, 2);
  EXPECT_EQ(Kaplo("keywords a /nonexistent/file").status, 2);
  unlink(path);
}

// A file in another code is read in its own: the hits are those grep finds
// in it, on the lines grep numbers (blank lines and CR LF kept); columns
// count the Shift_JIS bytes, as the window's result list does.
TEST(ViewCommandsTest, KeywordsInFilesOfEveryCode) {
  const std::string utf8 = "シェルの話\n\n\r\nabc シェル シェル\n";
  const std::string expected = "1\t   1/01\n1\t   4/05\n1\t   4/12\n";
  const struct {
    const char* name;
    std::string bytes;
    const char* code;
  } cases[] = {
      {"UTF-8", utf8, ""},
      {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + utf8, ""},
      {"Shift_JIS", kaplo::SJ<"シェルの話\n\n\r\nabc シェル シェル\n">(), ""},
      {"EUC-JP, named", "\xA5\xB7\xA5\xA7\xA5\xEB\xA4\xCE\xCF\xC3\n\n\r\n"
                        "abc \xA5\xB7\xA5\xA7\xA5\xEB \xA5\xB7\xA5\xA7\xA5\xEB\n",
       " --code 1"},
      {"ISO-2022-JP", "\x1B$B%7%'%k$NOC\x1B(B\n\n\r\nabc \x1B$B%7%'%k\x1B(B \x1B$B%7%'%k\x1B(B\n",
       ""},
  };
  for (const auto& c : cases) {
    char path[] = "/tmp/kaplo_view_code_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, c.bytes.data(), c.bytes.size()), static_cast<ssize_t>(c.bytes.size()));
    close(fd);
    const Result r = Kaplo(std::string("keywords シェル ") + path + c.code);
    EXPECT_EQ(r.status, 0) << c.name;
    EXPECT_EQ(r.out, expected) << c.name;
    unlink(path);
  }
}

// Lines end at CR LF, a lone CR or a lone LF, as the window counts them.
TEST(ViewCommandsTest, KeywordLinesByEveryLineEnd) {
  const struct {
    std::string text, hits;
  } cases[] = {
      {"x\r\ny\nx yx", "1\t   1/01\n1\t   3/01\n1\t   3/04\n2\t   2/01\n2\t   3/03\n"},
      {"x\ry\r\n\rx\n\ny", "1\t   1/01\n1\t   4/01\n2\t   2/01\n2\t   6/01\n"},
  };
  for (const auto& c : cases) {
    char path[] = "/tmp/kaplo_view_lines_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, c.text.data(), c.text.size()), static_cast<ssize_t>(c.text.size()));
    close(fd);
    EXPECT_EQ(Kaplo(std::string("keywords 'x y' ") + path).out, c.hits);
    unlink(path);
  }
}

TEST(ViewCommandsTest, ColoursAndRtfReadAFileInItsCode) {
  char path[] = "/tmp/kaplo_view_css_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  const std::string sheet = "/* 色 */\n.見出し { color:#c00 }\n";
  ASSERT_EQ(write(fd, sheet.data(), sheet.size()), static_cast<ssize_t>(sheet.size()));
  close(fd);
  // The list is shown in the terminal's code (UTF-8 here).
  Result r = Kaplo(std::string("colors ") + path);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "#c00         .見出し\n");
  // RTF keeps Shift_JIS bytes, as word processors read them.
  r = Kaplo(std::string("rtf ") + path);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find(kaplo::SJ<".見出し">()), std::string::npos) << r.out;
  unlink(path);
}

}  // namespace
