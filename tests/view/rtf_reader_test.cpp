#include "view/rtf_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/sjis_literal.h"
#include "view/html_rtf.h"
#include "view/html_tokenizer.h"

namespace kaplo {
namespace {

// The colour entry of every byte of a text, from spans or runs.
template <typename Stretch>
std::vector<int> ColorPerByte(std::size_t size, const std::vector<Stretch>& stretches) {
  std::vector<int> colors(size, -1);
  for (const Stretch& s : stretches) {
    for (std::size_t i = s.offset; i < s.offset + s.length && i < size; ++i) {
      colors[i] = s.color_index;
    }
  }
  return colors;
}

// Line breaks are layout, not coloured text: they are left out of the comparison.
std::vector<int> WithoutBreaks(const std::string& text, std::vector<int> colors) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') colors[i] = -2;
  }
  return colors;
}

TEST(RtfReaderTest, ColouredHtmlReadsBackAsTheSameTextAndColours) {
  const std::vector<std::string> texts = {
      "<a href=x>",
      "<p class=\"c\">A &amp; B<!-- x -->\r\n</p>",
      "<!DOCTYPE html>\r\n<html>\r\n<!-- one\r\ntwo -->\r\n<%= a %>\r\n",
      "<script>\r\n// note {x} \\ y\r\nvar s = \"{\\\\}\";\r\n</script>\r\n\r\n",
      "<title>" + SJ<"日本語の見出し　表示">() + "</title>\r\n<p>" + SJ<"ソース\\{}">() + "</p>",
      "\t <td\twidth=10>x</td>",
      " leading blank and trailing break\r\n",
      std::string("nul\0inside<b>", 13),
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    const RtfText read = ReadRtf(HtmlToRtf(text));
    ASSERT_EQ(read.text, text);
    EXPECT_EQ(WithoutBreaks(text, ColorPerByte(read.text.size(), read.runs)),
              WithoutBreaks(text, ColorPerByte(text.size(), HtmlColorSpans(text))));
    ASSERT_EQ(read.colors.size(), 12u);
    EXPECT_EQ(read.colors[0], 0);
    for (std::size_t i = 0; i < kHtmlDefaultPalette.size(); ++i) {
      EXPECT_EQ(read.colors[i + 1], kHtmlDefaultPalette[i]);
    }
    EXPECT_EQ(read.fonts, std::vector<std::string>{"Courier New"});
  }
}

TEST(RtfReaderTest, RunsCoverTheTextAndMergeEqualNeighbours) {
  // "\cf5 " then "\cf8 " twice: the two content pieces form one run.
  const RtfText read =
      ReadRtf("{\\rtf1{\\colortbl;\\red1\\green2\\blue3;}\\cf5 a\\cf8 b\\cf8 c\\par }");
  EXPECT_EQ(read.text, "abc");
  EXPECT_EQ(read.runs, (std::vector<RtfColorRun>{{0, 1, 5}, {1, 2, 8}}));
  // A bare ";" is the default colour; entries past the table have none.
  EXPECT_EQ(read.colors, (std::vector<RtfColor>{kRtfAutoColor, 0x030201}));
  EXPECT_EQ(read.ColorOf(1), 0x030201);
  EXPECT_EQ(read.ColorOf(5), kRtfAutoColor);
  EXPECT_EQ(read.ColorOf(-1), kRtfAutoColor);
}

TEST(RtfReaderTest, ControlWordsAndSymbols) {
  struct Case {
    std::string rtf, text;
  };
  const Case cases[] = {
      {"{\\rtf1 a\\par\\par b\\par }", "a\r\n\r\nb"},
      {"{\\rtf1 a\\line b\\tab c}", "a\r\nb\tc"},
      // A broken escape loses its backslash and quote only.
      {"{\\rtf1 \\'82\\'a0\\'zz!}", "\x82\xA0zz!"},
      {"{\\rtf1 x\\\r\ny}", "x\r\ny"},  // backslash before a line end is a break
      {"{\\rtf1 a\r\nb\nc}", "abc"},    // raw line ends are layout only
      {"{\\rtf1 \\\\\\{\\}}", "\\{}"},
      {"{\\rtf1 {\\*\\generator x;}{\\info{\\title T}}{\\stylesheet{s}}body}", "body"},
      {"{\\rtf1 {\\b bold} plain}", "bold plain"},
      {"{\\rtf1 \\unknownword123 z\\fs-20 w}", "zw"},
      {"{\\rtf1 a\\~b\\_c\\-d}", "a b-cd"},
      {"before{\\rtf1 in}after{more}", "in"},  // nothing outside the document group
      {"{\\rtf1 open", "open"},
      {"}}}{\\rtf1 x}}", "x"},
      {"{\\rtf1 \\", ""},
      {"{\\rtf1 \\'8", "8"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rtf);
    EXPECT_EQ(ReadRtf(c.rtf).text, c.text);
  }
}

TEST(RtfReaderTest, ColourSwitchesFollowGroups) {
  const RtfText read = ReadRtf("{\\rtf1\\cf2 a{\\cf3 b}c\\plain d\\cf e\\cf-4 f\\cf99999999999 g}");
  EXPECT_EQ(read.text, "abcdefg");
  EXPECT_EQ(read.runs, (std::vector<RtfColorRun>{
                           {0, 1, 2}, {1, 1, 3}, {2, 1, 2}, {3, 3, 0}, {6, 1, 1000000000}}));
}

TEST(RtfReaderTest, FontTableNames) {
  const RtfText read = ReadRtf(
      "{\\rtf1{\\fonttbl{\\f0\\fmodern\\ Courier New;}{\\f1\\fswiss\\fcharset128 "
      "  Gothic ;}{\\f2 NoSemicolon}}x}");
  EXPECT_EQ(read.fonts, (std::vector<std::string>{"Courier New", "Gothic", "NoSemicolon"}));
  EXPECT_EQ(read.text, "x");
}

TEST(RtfReaderTest, HostileInputsGiveAResult) {
  const std::string deep(1 << 20, '{');
  EXPECT_EQ(ReadRtf(deep + "x").text, "x");
  EXPECT_EQ(ReadRtf("{" + std::string(1 << 20, 'a') + "}").text.size(), 1u << 20);
  EXPECT_EQ(ReadRtf("{\\" + std::string(100000, 'w') + "9999999999999999999 y}").text, "y");
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  const RtfText read = ReadRtf("{\\rtf1 " + bytes + "}");
  EXPECT_FALSE(read.text.empty());
}

}  // namespace
}  // namespace kaplo
