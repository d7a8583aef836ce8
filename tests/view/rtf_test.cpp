#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "view/html_rtf.h"
#include "view/html_tokenizer.h"
#include "view/rtf_syntax.h"

namespace kaplo {
namespace {

const std::string kFrame =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab720{\\fonttbl{\\f0\\fmodern\\fcharset0 Courier "
    "New;}}\r\n";
const std::string kDefaults = "\\deflang1033\\pard\\plain\\f0\\fs20\\f0 ";

// A tokenizer that hands out a fixed list of (token, kind).
class ScriptedRtf : public TRtfSyntax {
 public:
  explicit ScriptedRtf(std::vector<std::pair<std::string, int>> tokens) : tokens_(std::move(tokens)) {}
  void Next() override { ++i_; }
  bool AtEnd() override { return i_ >= tokens_.size(); }
  std::string_view GetToken() override { return tokens_[i_].first; }
  int GetTokenKind() override { return tokens_[i_].second; }

 private:
  std::vector<std::pair<std::string, int>> tokens_;
  std::size_t i_ = 0;
};

TEST(RtfSyntaxTest, BaseClassWritesOnlyTheFraming) {
  TRtfSyntax base;
  base.SetText("ignored");
  EXPECT_EQ(base.AsRtf(), kFrame + kDefaults + "\\par }");
  base.SetColors({});
  EXPECT_EQ(base.ColorTable(), "{\\colortbl\\red0\\green0\\blue0;}\r\n");
  EXPECT_EQ(base.AsRtf(), kFrame + base.ColorTable() + kDefaults + "\\par }");
  EXPECT_EQ(base.ColorToRtf(0x008000), "\\red0\\green128\\blue0;");
  EXPECT_EQ(base.ColorToRtf(0x123456), "\\red86\\green52\\blue18;");
  // System colours are the scheme's, not black: window, window text, highlight.
  EXPECT_EQ(base.ColorToRtf(static_cast<RtfColor>(0x80000005u)), "\\red255\\green255\\blue255;");
  EXPECT_EQ(base.ColorToRtf(static_cast<RtfColor>(0x80000008u)), "\\red0\\green0\\blue0;");
  EXPECT_EQ(base.ColorToRtf(static_cast<RtfColor>(0x8000000Du)), "\\red0\\green120\\blue215;");
}

TEST(RtfSyntaxTest, FontTableWords) {
  TRtfSyntax base;
  const RtfFont fonts[] = {{"Courier New", 77, 0x31}, {"Gothic", 128, 0x20}, {"X", 2, 0x70}};
  base.SetFonts(fonts);
  EXPECT_EQ(base.FontTable(),
            "{\\f0\\fmodern\\ Courier New;}{\\f1\\fswiss\\fcharset128 Gothic;}"
            "{\\f2\\froman\\fcharset2 X;}");
  base.SetFonts({});
  EXPECT_EQ(base.FontTable(), "");
}

TEST(RtfSyntaxTest, LineBreakTokensAndRawBytes) {
  ScriptedRtf rtf({{"\r\n", 5}, {"\n", 5}, {"\r", 2}, {"\x82\xA0{", 3}});
  // No colour table: the switches name entries that do not exist.
  EXPECT_EQ(rtf.AsRtf(), kFrame + kDefaults +
                             "\\par \\cf5 \r\n\\cf5 \n\\par \\cf2 \r\\cf3 \x82\xA0{\\par }");
}

TEST(HtmlRtfTest, WorkedExampleWhole) {
  EXPECT_EQ(HtmlToRtf("<a href=x>"),
            kFrame +
                "{\\colortbl\\red0\\green0\\blue0;\\red0\\green128\\blue0;\\red128\\green0\\blue0;"
                "\\red255\\green0\\blue0;\\red255\\green0\\blue0;\\red0\\green0\\blue255;"
                "\\red0\\green128\\blue0;\\red255\\green0\\blue255;\\red0\\green0\\blue255;"
                "\\red255\\green0\\blue0;\\red0\\green0\\blue0;\\red0\\green0\\blue0;}\r\n" +
                kDefaults + "\\cf7 <\\cf4 a\\cf5  \\cf3 href\\cf7 =\\cf10 x\\cf7 >\\par }");
}

std::string Body(std::string_view text) {
  const std::string rtf = HtmlToRtf(text);
  const std::size_t start = rtf.find(kDefaults) + kDefaults.size();
  EXPECT_EQ(rtf.substr(rtf.size() - 6), "\\par }");
  return rtf.substr(start, rtf.size() - 6 - start);
}

TEST(HtmlRtfTest, BodiesOfSmallTexts) {
  EXPECT_EQ(Body("<p class=\"c\">A &amp; B<!-- x -->\r\n</p>"),
            "\\cf7 <\\cf4 p\\cf5  \\cf3 class\\cf7 =\\cf6 \"c\"\\cf7 >\\cf8 A \\cf11 &amp;\\cf8  "
            "B\\cf2 <!--\\cf2  x -->\\par \\cf5 \r\n\\cf7 <\\cf4 /p\\cf7 >");
  // Escapes, and the "//" rule seeing the token after its blanks.
  EXPECT_EQ(Body("<script>\r\n// note {x}\\"),
            "\\cf7 <\\cf4 script\\cf7 >\\par \\cf5 \r\n\\cf2 // note \\{x\\}\\\\");
  // Unquoted value starting with "//" is a comment colour; a quoted one stays quoted.
  EXPECT_EQ(Body("<a b=//x c=\"//y\">"),
            "\\cf7 <\\cf4 a\\cf5  \\cf3 b\\cf7 =\\cf2 //x\\cf5  \\cf3 c\\cf7 =\\cf6 \"//y\"\\cf7 >");
  // LF-only line breaks give no paragraph.
  EXPECT_EQ(Body("a\nb"), "\\cf3 a\\cf5 \n\\cf3 b");
  // Empty tokens still get a switch: unnamed tag, entity after entity, "&" in a tag.
  EXPECT_EQ(Body("<?x>&lt;&gt;"), "\\cf7 <\\cf9 \\cf3 ?x\\cf7 >\\cf8 \\cf11 &lt;\\cf8 \\cf11 &gt;");
  EXPECT_EQ(Body("<a &b>"), "\\cf7 <\\cf4 a\\cf5  \\cf5 \\cf8 &b>");
}

// The fast writer and the token-by-token loop through the hooks agree.
TEST(HtmlRtfTest, SaveToStreamMatchesTheHooks) {
  const std::string texts[] = {
      "<p class=\"c\">A &amp; B<!-- x -->\r\n</p>\r",
      "<script>\n  // {x} \\ \"//q\"\r\n<a b=//c d=\"//e\">&lt;&gt;<?x>",
      std::string("<%a\r\n%>\0{}\x95\\", 12),
  };
  for (const std::string& text : texts) {
    THtmlRtf fast, hooks;
    fast.SetText(text);
    hooks.SetText(text);
    std::string a, b;
    fast.SaveToStream(a);
    hooks.SaveThroughHooks(b);
    EXPECT_EQ(a, b) << text;
  }
}

TEST(HtmlRtfTest, AlternatePalette) {
  THtmlRtf rtf;
  rtf.SetAlternateColors();
  EXPECT_EQ(rtf.ColorTable(),
            "{\\colortbl\\red0\\green0\\blue0;\\red0\\green128\\blue0;\\red128\\green0\\blue0;"
            "\\red0\\green0\\blue0;\\red0\\green0\\blue255;\\red0\\green0\\blue0;"
            "\\red0\\green128\\blue0;\\red0\\green0\\blue255;\\red0\\green0\\blue0;"
            "\\red255\\green0\\blue0;\\red0\\green0\\blue0;\\red0\\green0\\blue0;}\r\n");
}

using K = HtmlTokenKind;
using Tokens = std::vector<std::pair<std::string, K>>;

Tokens Scan(std::string_view text) {
  Tokens out;
  HtmlTokenizer t;
  for (t.SetText(text); !t.AtEnd(); t.Next()) out.emplace_back(std::string(t.Token()), t.Kind());
  return out;
}

TEST(HtmlTokenizerTest, Cases) {
  const struct {
    std::string text;
    Tokens tokens;
  } cases[] = {
      {"<!DOCTYPE html>",
       {{"<", K::kPunct}, {"!DOCTYPE", K::kTagName}, {" ", K::kBlank}, {"html", K::kAttrName},
        {">", K::kPunct}}},
      {"</TD></td></br>",
       {{"<", K::kPunct}, {"/TD", K::kTagName}, {">", K::kPunct}, {"<", K::kPunct},
        {"/td", K::kTagName}, {">", K::kPunct}, {"<", K::kPunct}, {"/br", K::kUnknownTag},
        {">", K::kPunct}}},
      {"<h1a></BlockQuote>",
       {{"<", K::kPunct}, {"h1", K::kTagName}, {"a", K::kAttrName}, {">", K::kPunct},
        {"<", K::kPunct}, {"/BlockQuote", K::kTagName}, {">", K::kPunct}}},
      // A name whose key passes the table is an attribute name.
      {"<zzzzzzzzzz>", {{"<", K::kPunct}, {"zzzzzzzzzz", K::kAttrName}, {">", K::kPunct}}},
      {">a<!--x\r\ny-->b",
       {{">", K::kPunct}, {"a", K::kContent}, {"<!--", K::kComment}, {"x", K::kComment},
        {"\r\n", K::kBlank}, {"y-->", K::kComment}, {"b", K::kContent}}},
      {"><%>x<!-->y",
       {{">", K::kPunct}, {"<%", K::kServerBlock}, {">", K::kServerBlock}, {"x", K::kContent},
        {"<!--", K::kComment}, {">", K::kComment}, {"y", K::kContent}}},
      {">&AMP;&foo;&divide;",
       {{">", K::kPunct}, {"", K::kContent}, {"&AMP;", K::kEntity},
        {"&foo;", K::kContent}, {"&divide", K::kEntity}, {";", K::kContent}}},
      {"<a v=x&y w=\"q\" \"z\">",
       {{"<", K::kPunct}, {"a", K::kTagName}, {" ", K::kBlank}, {"v", K::kAttrName},
        {"=", K::kPunct}, {"x&y", K::kAttrValue}, {" ", K::kBlank}, {"w", K::kAttrName},
        {"=", K::kPunct}, {"\"q\"", K::kAttrValue}, {" ", K::kBlank}, {"\"z\"", K::kQuoted},
        {">", K::kPunct}}},
      // Before the first ">" words are attribute names; a blank run stops at TAB and CR.
      {"ab<p \t \r", {{"ab<p", K::kAttrName}, {" ", K::kBlank}, {"\t ", K::kBlank}, {"\r", K::kBlank}}},
      // A string never spans a line.
      {"\"ab\ncd\"", {{"\"ab", K::kQuoted}, {"\n", K::kBlank}, {"cd", K::kAttrName}, {"\"", K::kQuoted}}},
  };
  for (const auto& c : cases) EXPECT_EQ(Scan(c.text), c.tokens) << c.text;
}

TEST(HtmlTokenizerTest, SpansCarryDisplayColours) {
  const std::vector<HtmlColorSpan> spans = HtmlColorSpans("<a b=//x>&lt;");
  std::vector<std::tuple<std::size_t, std::size_t, int>> got;
  for (const auto& s : spans) got.emplace_back(s.offset, s.length, s.color_index);
  const std::vector<std::tuple<std::size_t, std::size_t, int>> want = {
      {0, 1, 7}, {1, 1, 4}, {2, 1, 5}, {3, 1, 3}, {4, 1, 7}, {5, 3, 2}, {8, 1, 7}, {9, 4, 11}};
  EXPECT_EQ(got, want);
}

// Whatever the bytes, the tokens give the text back and the RTF is closed.
TEST(HtmlTokenizerTest, BadInputIsCoveredWhole) {
  const std::string cases[] = {
      std::string("<a\0b>c\0", 7),       // NUL inside a tag and at the end
      "<!-- never closed\r\n<p>",        // unclosed comment
      "<%",                              // unclosed server block
      "<a href=\"x",                     // unclosed quote at the end
      ">\x82",                           // a lone lead byte at the end
      "&",                               // a bare ampersand
      std::string(1 << 20, 'x'),         // a megabyte on one line
      ">" + std::string(100000, '&'),    // ampersands without entities
  };
  for (const std::string& text : cases) {
    std::string joined;
    for (const auto& [token, kind] : Scan(text)) joined += token;
    EXPECT_EQ(joined, text) << text.substr(0, 40);
    const std::string rtf = HtmlToRtf(text);
    EXPECT_EQ(rtf.substr(rtf.size() - 6), "\\par }");
  }
  // A NUL inside the text is a blank of its own, not the end.
  EXPECT_EQ(Scan(std::string("a\0b", 3)),
            (Tokens{{"a", K::kAttrName}, {std::string(1, '\0'), K::kBlank}, {"b", K::kAttrName}}));
}

}  // namespace
}  // namespace kaplo
