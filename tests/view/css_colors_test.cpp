#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "view/css_colors.h"

namespace kaplo {
namespace {

using List = std::vector<std::string>;

std::string Pad(std::string v) {
  v.resize(kCssColorWidth, ' ');
  return v;
}

const std::string kSheet =
    "body {\r\n  color: #333;\r\n  background:#FFFFFF url(bg.gif);\r\n}\r\n"
    "h1,h2 { color:#c00 }\r\na:hover{color:#0000ff}";

TEST(CssColorsTest, SelectorAndSortedModes) {
  EXPECT_EQ(CreateCssColorList(kSheet, false),
            (List{Pad("#333") + " body", Pad("#FFFFFF") + " body", Pad("#c00") + " h1,h2",
                  Pad("#0000ff") + " a:hover"}));
  EXPECT_EQ(CreateCssColorList(kSheet, true),
            (List{Pad("#0000ff"), Pad("#333"), Pad("#c00"), Pad("#FFFFFF")}));
}

TEST(CssColorsTest, ValueEndsAndRejects) {
  const struct {
    std::string text;
    bool sorted;
    List want;
  } cases[] = {
      {"a{color:#fff}b{color:#FFF}c{color:#ABC}", true, {Pad("#ABC"), Pad("#fff")}},
      {"p{color:#123451}", false, {Pad("#123451") + " p"}},
      {"p{color:#fff !important", false, {Pad("#fff") + " p"}},
      // "#" alone ends the scan.
      {"p{a:#222;b:#;c:#111}", false, {Pad("#222") + " p"}},
      {"p{a:#abc.png;b:#ggg;c:#fff}", false, {Pad("#fff") + " p"}},
      // A longer value is not cut; a selector may span lines.
      {"h1,\r\nh2{b:#1234567890abcd}", false, {"#1234567890abcd h1,\r\nh2"}},
      {"p{color:red}", false, {}},
      {"", false, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ExtractCssColors(c.text, c.sorted), c.want) << c.text;
}

TEST(CssColorsTest, CommentsAndScriptStrings) {
  // The list action counts "/*/" as a whole comment, the scan itself does not.
  const std::string text = "a{b:#111}/*/ c{d:#222} */e{f:#333}";
  EXPECT_EQ(CreateCssColorList(text, true), (List{Pad("#111"), Pad("#222"), Pad("#333")}));
  EXPECT_EQ(ExtractCssColors(text, true), (List{Pad("#111"), Pad("#333")}));
  // A comment opened by a "/" left in front of a deleted one.
  EXPECT_EQ(ExtractCssColors("a{b:#111}//* x */* c{d:#222} */", true), (List{Pad("#111")}));
  // An unclosed comment is kept, and so is what it holds.
  EXPECT_EQ(CreateCssColorList("a{b:#111}/* c{d:#222}", false),
            (List{Pad("#111") + " a", Pad("#222") + " /* c"}));
  // The script string "\"}\"" does not end the rule.
  EXPECT_EQ(CreateCssColorList("x{a:\"\\\"}\\\"\";color:#333}", false), (List{Pad("#333") + " x"}));
}

TEST(CssColorsTest, ColorFromCss) {
  const struct {
    std::string value;
    std::int32_t want;
  } cases[] = {
      {"#fff", 0xFF0F00}, {"#123456", 0x563412}, {"#12345678", 0x563412}, {"#c00;}", 0x000C00},
      {"#12", 0x120000},  {"#zz00ff", 0xFF0000}, {"#", -1},               {"", -1},
      {"123456", 0x563412},
  };
  for (const auto& c : cases) EXPECT_EQ(ColorFromCss(c.value), c.want) << c.value;
}

TEST(CssColorsTest, PaintAndClick) {
  const struct {
    std::string entry;
    bool draw;
    std::int32_t background, text;
  } paints[] = {
      // Drawn on the colour CSS reads; the text colour follows the number.
      {Pad("#fff") + " body", true, 0xFFFFFF, 0x0000FF},
      {Pad("#c00") + " h1,h2", true, 0x0000CC, 0x0000FF},
      {Pad("#FFFFFF"), true, 0xFFFFFF, 0xFF0000},
      {"#500000", true, 0x000050, 0x00FFFF},
      {"#zz00ff", true, 0xFF0000, 0x0000FF},
      {"body x", true, 0xFFFFFF, 0x000000},
      {" #fff", false, 0xFFFFFF, 0x000000},
  };
  for (const auto& p : paints) {
    const CssColorPaint got = PaintCssColorEntry(p.entry);
    EXPECT_EQ(got.draw, p.draw) << p.entry;
    EXPECT_EQ(got.background, p.background) << p.entry;
    EXPECT_EQ(got.text, p.text) << p.entry;
  }

  auto click = ClickCssColorEntry(Pad("#C00") + " h1,h2 ");
  ASSERT_TRUE(click);
  EXPECT_EQ(click->color, "#c00");
  EXPECT_EQ(click->keywords, "h1 h2");
  click = ClickCssColorEntry(Pad("#FFF"));
  ASSERT_TRUE(click);
  EXPECT_EQ(click->keywords, "#fff");
  EXPECT_FALSE(ClickCssColorEntry("#fff"));
}

TEST(CssColorsTest, BadInputGivesAList) {
  const struct {
    std::string text;
    List want;  // selector mode
  } cases[] = {
      {std::string("a{b:#1\0 2;c:#3}", 15), {Pad("#1") + " a", Pad("#3") + " a"}},
      // A value that ends the text, one byte long: nothing to list.
      {"a{b:#\x81", {}},
      // A lead byte before ";" stands alone: the ";" still ends the value.
      {"a{b:#\x81;c:#999}", {Pad("#\x81") + " a", Pad("#999") + " a"}},
      {":#", {}},
      {"/*", {}},
      {std::string(200000, '{') + "x:#1;y:#2}", {Pad("#1"), Pad("#2")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    List got = CreateCssColorList(c.text, false);
    if (c.text.size() > 1000) {
      // The selector is the long run of braces before the first value.
      ASSERT_EQ(got.size(), c.want.size());
      for (std::string& entry : got) entry.resize(kCssColorWidth);
    }
    EXPECT_EQ(got, c.want);
  }
}

}  // namespace
}  // namespace kaplo
