#include "text/normalise.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "text/charset.h"
#include "text/normalise_reference_support.h"
#include "text/sjis_literal.h"
#include "text/test_bytes.h"

namespace kaplo {
namespace {

struct Case {
  std::string in, out;
};

TEST(NormaliseHtmlTest, Cases) {
  const Case cases[] = {
      {"", ""},
      {" \t\r\n\t \r\n\r\n", ""},
      {"<HTML><HEAD><TITLE>x</TITLE></HEAD>",
       "<html>\r\n<head>\r\n<title>x</title>\r\n</head>\r\n"},
      {"<TD></TD>", "<td>&nbsp;</td>\r\n"},
      {"<BR>text", "<br />\r\ntext\r\n"},
      {"a<br>\r\nb", "a<br />\r\nb\r\n"},
      {"<A HREF=\"x\">Y</A>", "<a href=\"x\">Y</a>\r\n"},
      {"<ul><li><a href=\"x\">y</a></li></ul>", "<ul>\r\n<li><a href=\"x\">y</a></li></ul>\r\n"},
      {"<DIV\tCLASS=\"c\">", "<div  class=\"c\">\r\n"},
      {"<BLOCKQUOTE></LAYER>", "<blockquote></layer>\r\n"},
      {"<meta charset=EUC-JP>", "<meta charset=Shift_JIS>\r\n"},
      // Lines end at CR, LF or CRLF; blank lines go; blanks of kept lines stay.
      {"a\rb\r\r\n\n  c ", "a\r\nb\r\n  c \r\n"},
      // A prefix item lower-cases only itself.
      {"<BGSOUND SRC=x>", "<bGSOUND src=x>\r\n"},
      // Matches do not overlap: the second spelling shares its "T" with the first.
      {"TEXT/JAVASCRIPTEXT/JAVASCRIPT", "text/javascriptEXT/javascript\r\n"},
      {"<P ALIGN=\"LEFT\">\"TOP\"TOP\"", "<p align=\"left\">\"top\"TOP\"\r\n"},
      {"Use JavaScript", "Use javascript\r\n"},
      // An attribute after a line break keeps its case.
      {"<A\r\nHREF=\"x\">", "<a\r\nHREF=\"x\">\r\n"},
      // "<" is never a second byte: after a stray first byte it still opens a
      // tag, as after ソ (second byte 5C).
      {"\x82<BR>", "\x82<br />\r\n"},
      {"\x83\x5C<BR>", "\x83\x5C<br />\r\n"},
      // Tags cut by line ends are joined back.
      {"<td\r\n>x", "<td>x\r\n"},
      {"<a href=\r\n\"x\">", "<a href=\"x\">\r\n"},
      {"x><!-- note --><b>", "x>\r\n<!--note -->\r\n<b>\r\n"},
      {"<li><div>a</div></li>", "<li><div>a</div></li>\r\n"},
      {"<div>\r\n</div><p>", "<div>\r\n</div>\r\n<p>\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NormaliseHtml(c.in), c.out) << test::ToHex(c.in);
    EXPECT_EQ(test::ReferenceNormaliseHtml(c.in), c.out) << test::ToHex(c.in);
  }
}

TEST(BreakHtmlLinesTest, Cases) {
  const Case cases[] = {
      {"<BR>", "<br />\r\n"},
      {"a<br>\r\n\r\n\r\nb", "a<br />\r\n\r\nb"},
      {"a<br>\r\n\r\n\r\n\r\nb", "a<br />\r\n\r\n\r\nb"},
      {"<br>></a>", "<br />></a>"},
      {"<TD></TD></TR>", "<td>&nbsp;</td>\r\n</tr>"},
      {"<td></td></td>", "<td>&nbsp;</td></td>"},
      // A joined list item cannot start the next join.
      {"<li>\r\n<li>\r\n<li>\r\n<p>", "<li><li>\r\n<li>\r\n<p>"},
      {"x>\r\n</li>\r\n</li>", "x></li>\r\n</li>"},
      {"<map>\r\n</MAP>", "<map></map>"},
      {"a\r\n</A>", "a</a>"},
      {"x=\r\n\r\ny", "x=\r\ny"},
      {"<body><applet>", "<body>\r\n<applet>"},
      {"<form></form><p>", "<form>\r\n</form>\r\n<p>"},
      {"a\r\n\r\n>b", "a>b"},
      {"x\r\n/\r\n>", "x/>"},
      {"<!-- a --><!-- b -->", "<!-- a -->\r\n<!--b -->"},
      {"\x82><p>", "\x82>\r\n<p>"},
      {"text\tstays\r\n\r\n\r\n", "text\tstays\r\n\r\n\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BreakHtmlLines(c.in), c.out) << test::ToHex(c.in);
    EXPECT_EQ(test::ReferenceBreakHtmlLines(c.in), c.out) << test::ToHex(c.in);
  }
}

TEST(StripAttributeOpenersTest, Cases) {
  const Case cases[] = {
      {"<img alt=\"x\" src=\"y\">", "<img x\" src=\"y\">"},
      {"<img width=\"10\" src=\"y\">", "<img 10\" src=\"y\">"},
      {"<td valign=\"top\" id=\"i\" class=\"c\">", "<td top\" i\" c\">"},
      {"a<form action=\"/s\" method=get>b<FORM x>c", "ab<FORM x>c"},
      {"ALT=\"x\" onclick=\"f()\"", "ALT=\"x\" f()\""},
      {"<form action=", "<form action="},
  };
  for (const Case& c : cases) EXPECT_EQ(StripAttributeOpeners(c.in), c.out) << c.in;
}

// Texts built from the pieces the rules react to, in random letter case.
std::string RandomText(std::mt19937& rng, int pieces) {
  static const std::vector<std::string> tricky = {"<br>",
                                                  "<br />",
                                                  "</li>",
                                                  "<li>",
                                                  "td>",
                                                  "</td>",
                                                  "</tr>",
                                                  "<!-- ",
                                                  "-->",
                                                  "<!--",
                                                  ">",
                                                  "<",
                                                  "/>",
                                                  "/",
                                                  "=",
                                                  "\r\n",
                                                  "\r\n",
                                                  "\r\n",
                                                  "\n",
                                                  "\r",
                                                  "\t",
                                                  " ",
                                                  "  ",
                                                  "text",
                                                  "x",
                                                  "\"",
                                                  "&nbsp;",
                                                  "\x82\xA0",
                                                  "\x83\x5C",
                                                  "\x82",
                                                  "\x82>",
                                                  "\x82\r",
                                                  "\x81\x81",
                                                  "charset=EUC-JP",
                                                  "encoding=\"utf-8",
                                                  "charset=iso-2022-jp",
                                                  "cf7",
                                                  "text/JavaScript",
                                                  "\"TOP\"",
                                                  "<applet",
                                                  "</a",
                                                  "<map",
                                                  "</map",
                                                  "<p",
                                                  "<table>",
                                                  "</table>",
                                                  "</form>",
                                                  "</div>",
                                                  "</html>",
                                                  "<div>",
                                                  "<td>",
                                                  "<tr>",
                                                  "<ul>",
                                                  "<script",
                                                  "<wbr>",
                                                  "</nobr>",
                                                  "<bgsound>",
                                                  " href=",
                                                  " type=",
                                                  "<param",
                                                  "<pre",
                                                  "<frameset",
                                                  "<frame",
                                                  "<th",
                                                  "<thead"};
  const auto& items = test::ReferenceLowerCaseItems();
  std::string text;
  for (int i = 0; i < pieces; ++i) {
    std::string piece(rng() % 4 == 0 ? items[rng() % items.size()] : tricky[rng() % tricky.size()]);
    for (char& c : piece) {
      if (((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) && rng() % 3 == 0) c ^= 0x20;
    }
    text += piece;
  }
  return text;
}

TEST(NormaliseHtmlTest, SameAsTheRuleByRuleReferenceOnGeneratedTexts) {
  std::mt19937 rng(7);
  for (int i = 0; i < 2000; ++i) {
    const std::string text = RandomText(rng, i < 1980 ? 1 + static_cast<int>(rng() % 60) : 3000);
    ASSERT_EQ(NormaliseHtml(text), test::ReferenceNormaliseHtml(text)) << test::ToHex(text);
    ASSERT_EQ(BreakHtmlLines(text), test::ReferenceBreakHtmlLines(text)) << test::ToHex(text);
  }
}

// HTML pages that come with packages the build machine installs.
std::vector<std::filesystem::path> InstalledHtmlFiles() {
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/usr/share/doc", ec)) {
    const std::string name = entry.path().filename().string();
    const bool wanted = name == "ninja-build" || name == "base-passwd" || name == "fontconfig" ||
                        name == "python3" || name == "libexpat1-dev" ||
                        (name.starts_with("gcc-") && name.ends_with("-base"));
    if (!wanted) continue;
    for (const auto& f : fs::recursive_directory_iterator(entry.path(), ec)) {
      const std::string ext = f.path().extension().string();
      if ((ext == ".html" || ext == ".htm") && f.is_regular_file(ec) && !f.is_symlink(ec)) {
        files.push_back(f.path());
      }
    }
  }
  return files;
}

TEST(NormaliseHtmlTest, SameAsTheReferenceOnInstalledPages) {
  const auto files = InstalledHtmlFiles();
  if (files.empty()) GTEST_SKIP() << "no HTML pages found under /usr/share/doc";
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string sjis = AnyCodeToShiftJIS(raw, kCharsetAuto);
    for (const std::string* page : {&raw, &sjis}) {
      EXPECT_EQ(NormaliseHtml(*page), test::ReferenceNormaliseHtml(*page)) << file;
      EXPECT_EQ(BreakHtmlLines(*page), test::ReferenceBreakHtmlLines(*page)) << file;
    }
  }
}

std::string Times(std::string_view unit, std::size_t count) {
  std::string s;
  s.reserve(unit.size() * count);
  for (std::size_t i = 0; i < count; ++i) s += unit;
  return s;
}

// Large hostile inputs finish and give the plain answer. (Compared with ==:
// a failure message of megabytes helps nobody.)
TEST(NormaliseHtmlTest, PathologicalInputs) {
  const std::size_t n = 2 * 1000 * 1000;
  for (char c : {'<', '>', '%', '\x82'}) {
    const std::string text(n, c);
    EXPECT_TRUE(NormaliseHtml(text) == text + "\r\n") << int(c);
  }
  // The line end after "=" is joined.
  EXPECT_TRUE(NormaliseHtml(std::string(n, '=')) == std::string(n, '='));
  EXPECT_TRUE(NormaliseHtml(Times("\r\n", n / 2)).empty());
  EXPECT_TRUE(BreakHtmlLines(Times("<li>\r\n<li>\r\n", n / 12)) == Times("<li><li>\r\n", n / 12));
  EXPECT_TRUE(BreakHtmlLines(Times("td></td>", n / 8)) == Times("td>&nbsp;</td>", n / 8));
  EXPECT_TRUE(BreakHtmlLines(Times("<br>", n / 4)) == Times("<br />\r\n", n / 4));
  EXPECT_TRUE(BreakHtmlLines(Times("\x81\x81>", n / 3)) == Times("\x81\x81>", n / 3));
}

}  // namespace
}  // namespace kaplo
