// Characters Shift_JIS cannot hold keep reading back as themselves: look-alike
// pairs, references in markup, escapes in scripts and styles, and a page kept
// in its own code where no form exists.
#include "text/web_escape.h"

#include <gtest/gtest.h>

#include "text/charset.h"
#include "text/convert.h"
#include "text/cp932.h"
#include "text/test_bytes.h"

namespace kaplo {
namespace {

using test::Hex;
using test::ToHex;

TEST(WebEscape, LookAlikesAreWrittenOnlyAsTheBytesThatReadBackAsThem) {
  // Code page 932 has one-way mappings (U+2014 to 0x815C, which reads back as
  // U+2015): those characters have no Shift_JIS form.
  const struct {
    const char* utf8;
    const char* sjis;  // empty: a reference
  } cases[] = {
      {"\u2014", ""},   {"\u2015", "81 5C"}, {"\u301C", ""},   {"\uFF5E", "81 60"},
      {"\u2016", ""},   {"\u2225", "81 61"}, {"\u2212", ""},   {"\uFF0D", "81 7C"},
      {"\u00A2", ""},   {"\uFFE0", "81 91"}, {"\u00A3", ""},   {"\uFFE1", "81 92"},
      {"\u00AC", ""},   {"\uFFE2", "81 CA"}, {"\u00A5", ""},   {"\u203E", ""},
      {"\u2252", "81 E0"}, {"\u2170", "FA 40"}, {"\u9AD9", "FB FC"},
  };
  for (const auto& c : cases) {
    const std::string utf8 = c.utf8;
    const std::string page = Utf8ToShiftJIS(utf8, Unmappable::CharRef);
    if (*c.sjis) {
      EXPECT_EQ(ToHex(page), c.sjis) << utf8;
      EXPECT_EQ(ShiftJISToUtf8(page), utf8);
    } else {
      EXPECT_TRUE(page.starts_with("&#x")) << utf8 << " " << page;
      // Plain text gets "?", counted.
      ConversionStats stats;
      EXPECT_EQ(Utf8ToShiftJISLenient(utf8, Unmappable::Question, stats), "?");
      EXPECT_EQ(stats.unmappable, 1u);
    }
  }
  // Every form the encoder writes reads back as its character.
  const cp932::Tables& t = cp932::Get();
  for (char32_t cp = 0x80; cp < 0x10000; ++cp) {
    const std::uint16_t e = t.encode[cp];
    if (e == 0) continue;
    ASSERT_TRUE((e < 0x100 ? t.single[e] : t.pair[e]) == cp) << std::hex << static_cast<unsigned>(cp);
  }
}

// A UTF-8 page as a page reader converts it.
std::string Page(const std::string& utf8, Unmappable how = Unmappable::CharRef) {
  return ShiftJISToUtf8(Utf8ToShiftJIS(utf8, how));
}

TEST(WebEscape, EachPlaceOfAPageGetsTheFormItReads) {
  const struct {
    const char* name;
    std::string in, out;
  } cases[] = {
      {"text, attributes, titles, text areas, comments",
       "<title>—</title><p title='—' data-x=—>—</p><textarea>—</textarea><!-- — -->",
       "<title>&#x2014;</title><p title='&#x2014;' data-x=&#x2014;>&#x2014;</p>"
       "<textarea>&#x2014;</textarea><!-- &#x2014; -->"},
      {"script strings, template literals, regular expressions, comments",
       "<script>var s = \"—\", t = '\\—', u = `${a}〜${`—`}`; r = /—[—]/u; // —\n</script>—",
       "<script>var s = \"\\u2014\", t = '\\u2014', u = `${a}\\u301C${`\\u2014`}`; "
       "r = /\\u2014[\\u2014]/u; // \\u2014\n</script>&#x2014;"},
      {"beyond U+FFFF: surrogate pairs in strings, a code point in names",
       "<script>var 𠮷 = \"𠮷\";</script>",
       "<script>var \\u{20BB7} = \"\\uD842\\uDFB7\";</script>"},
      {"a slash after a keyword opens a regular expression, after a name it divides",
       "<script>x = a / 2 + \"—\"; if (b) return /—/.test(s)</script>",
       "<script>x = a / 2 + \"\\u2014\"; if (b) return /\\u2014/.test(s)</script>"},
      {"increments and line continuations",
       "<script>x = i++ / 2; var 𠮷; s = '\\\r\n𠮷';</script>",
       "<script>x = i++ / 2; var \\u{20BB7}; s = '\\\r\n\\uD842\\uDFB7';</script>"},
      {"white space in code stays white space",
       "<script>var\u00A0a = 1;\u2028b()</script>", "<script>var a = 1;\nb()</script>"},
      {"a Shift_JIS second byte 0x5C is no backslash",
       "<script>var a = \"表\", b = \"𠮷\";</script>",
       "<script>var a = \"表\", b = \"\\uD842\\uDFB7\";</script>"},
      {"JSON and templates", "<script type=application/ld+json>{\"n\": \"—\"}</script>"
       "<script type=\"text/x-template\"><p>—</p></script>",
       "<script type=application/ld+json>{\"n\": \"\\u2014\"}</script>"
       "<script type=\"text/x-template\"><p>&#x2014;</p></script>"},
      {"styles: the blank ends the escape; an escaped character keeps its backslash",
       "<style>p::after { content: \"—表—\" } .a\\—b {}</style>",
       "<style>p::after { content: \"\\2014 表\\2014 \" } .a\\2014 b {}</style>"},
      {"upper-case tags, raw text up to its own end tag",
       "<SCRIPT>s = \"</p>—\"</SCRIPT ><STYLE>/* — */</STYLE>",
       "<SCRIPT>s = \"</p>\\u2014\"</SCRIPT ><STYLE>/* \\2014  */</STYLE>"},
  };
  for (const auto& c : cases) EXPECT_EQ(Page(c.in), c.out) << c.name;

  ConversionStats stats;
  Utf8ToShiftJISLenient("s = \"—\"; /* 𠮷 */", Unmappable::ScriptEscape, stats);
  EXPECT_EQ(Utf8ToShiftJISLenient("s = \"—\"; /* 𠮷 */", Unmappable::ScriptEscape),
            "s = \"\\u2014\"; /* \\uD842\\uDFB7 */");
  EXPECT_EQ(stats.references, 2u);
  EXPECT_EQ(stats.Replaced(), 0u);
  EXPECT_EQ(Utf8ToShiftJISLenient("a::before { content: \"é\" }", Unmappable::StyleEscape),
            "a::before { content: \"\\00E9 \" }");
}

TEST(WebEscape, WhereNoFormReadsBackThePageKeepsItsOwnCode) {
  const std::string page = "<meta charset=\"utf-8\"><p>—</p><xmp>—</xmp><my-—el>";
  ConversionStats stats;
  EXPECT_EQ(Utf8ToShiftJISLenient(page, Unmappable::CharRef, stats),
            "<meta charset=\"utf-8\"><p>&#x2014;</p><xmp>&#x2014;</xmp><my-&#x2014;el>");
  EXPECT_EQ(stats.formless, 2u);
  const std::string saved = Utf8ToShiftJISLenient(page, Unmappable::SavedPage);
  EXPECT_EQ(SavedPageCharset(saved), "UTF-8");
  EXPECT_EQ(RestoreOwnCode(saved), "<meta charset=\"utf-8\"><p>&#x2014;</p><xmp>—</xmp><my-—el>");
  // From EUC-JP, with a JIS X 0212 character Shift_JIS lacks (丂).
  const std::string euc = Hex("3C 78 6D 70 3E 8F B0 A1 A4 A2 3C 2F 78 6D 70 3E");  // <xmp>丂あ</xmp>
  const std::string read = EucToShiftJIS(euc, Unmappable::SavedPage, stats);
  EXPECT_EQ(SavedPageCharset(read), "EUC-JP");
  EXPECT_EQ(ToHex(RestoreOwnCode(read)), ToHex(euc));
  // Pages that need nothing of the kind are left alone.
  EXPECT_EQ(SavedPageCharset("<p>\x7FU2014</p>"), "Shift_JIS");
  EXPECT_EQ(RestoreOwnCode("<p>a</p>"), "<p>a</p>");
  // A text that holds DEL gets references, never marks.
  EXPECT_EQ(Utf8ToShiftJISLenient("\x7F<xmp>—</xmp>", Unmappable::SavedPage),
            "\x7F<xmp>&#x2014;</xmp>");
}

}  // namespace
}  // namespace kaplo
