#include "text/charset.h"

#include <gtest/gtest.h>

#include "text/convert.h"
#include "text/sjis_literal.h"
#include "text/test_bytes.h"

namespace kaplo {
namespace {

using test::Hex;

TEST(Charset, LineBreakRules) {
  EXPECT_EQ(SquashLineBreaks("a\r\n\r\nb\n\n\nc\rd\n"), "a\r\nb\r\n\r\nc\rd\r\n");
  EXPECT_EQ(NormaliseLineBreaks("a\r\n\r\nb\rc\nd"), "a\r\n\r\nb\r\nc\r\nd");
  EXPECT_EQ(SquashLineBreaks("last"), "last");
  EXPECT_EQ(NormaliseLineBreaks("last"), "last");
}

TEST(Charset, EmptyTextStaysEmpty) {
  for (int code = -1; code <= 6; ++code) {
    EXPECT_EQ(AnyCodeToShiftJIS("", code), "");
    EXPECT_EQ(RewriteCharsetDeclForSave("", code), "");
    EXPECT_EQ(ConvertShiftJISForSave("", code), "");
  }
  EXPECT_EQ(DetectDeclaredCharset(""), 0);
  EXPECT_EQ(NormaliseCharsetToShiftJIS(""), "");
}

TEST(Charset, DetectDeclaredCharset) {
  struct {
    const char* html;
    int code;
  } cases[] = {
      {"<meta http-equiv=content-type content=\"text/html; charset=EUC-JP\">", 1},
      {"<META CHARSET=\"UTF-8\">", 2},
      {"<meta charset=\"shift_jis\">", 3},
      {"<meta content=\"charset=iso-2022-jp\">", 4},
      {"<meta charset='utf-8'>", 0},  // single quotes are left to head detection
      {"<body><meta charset=\"utf-8\">", 0},
      {"<script>var s='charset=utf-8\"';</script>", 2},  // only the start tag is removed
      {"<script src=\"charset=utf-8\"></script>", 0},
      // Both declared: the later row (UTF-8) wins here.
      {"charset=shift_jis\" charset=utf-8\"", 2},
  };
  for (const auto& c : cases) EXPECT_EQ(DetectDeclaredCharset(c.html), c.code) << c.html;
}

TEST(Charset, AutomaticDetection) {
  const std::string a_sjis = SJ<"日本語あ">();
  const std::string a_utf8 = "日本語あ";
  const std::string a_euc = ShiftJISToEuc(a_sjis);
  // EUC-JP declared in the head: converted, line ends squashed to CRLF.
  EXPECT_EQ(AnyCodeToShiftJIS("<meta charset=EUC-JP\">\n\n" + a_euc + "\n", 0),
            "<meta charset=EUC-JP\">\r\n" + a_sjis + "\r\n");
  // Nothing declared: valid UTF-8 is converted, Shift_JIS passes unchanged.
  EXPECT_EQ(AnyCodeToShiftJIS("<p>" + a_utf8 + "\n", 0), "<p>" + a_sjis + "\r\n");
  EXPECT_EQ(AnyCodeToShiftJIS("<p>" + a_sjis + "\r\n", 0), "<p>" + a_sjis + "\r\n");
  // Both declarations: the Shift_JIS branch is tested first.
  const std::string both = "charset=shift_jis\" charset=utf-8\" " + a_sjis;
  EXPECT_EQ(AnyCodeToShiftJIS(both, 0), both);
  // Spellings unified, case ignored.
  EXPECT_EQ(AnyCodeToShiftJIS("charset=x-sjis\" SHIFT-JIS\"", 0), "charset=x-sjis\" Shift_JIS\"");
  // ISO-2022-JP declared: decoded, no line-break rule.
  EXPECT_EQ(AnyCodeToShiftJIS("charset=iso-2022-jp\"\n\n" + ShiftJISToJis(a_sjis), 0),
            "charset=iso-2022-jp\"\n\n" + a_sjis);
  // The head ends at </head: a declaration after it does not count.
  EXPECT_EQ(AnyCodeToShiftJIS("</head>charset=euc-jp\" " + a_sjis, 0),
            "</head>charset=euc-jp\" " + a_sjis);
}

TEST(Charset, HttpCharsetDecidesOnlyWhenTheTextDeclaresNothing) {
  EXPECT_EQ(CharsetFromContentType("text/html; charset=EUC-JP"), 1);
  EXPECT_EQ(CharsetFromContentType("text/html;charset=\"windows-31j\""), 3);
  EXPECT_EQ(CharsetFromContentType("text/css; Charset=x-sjis; q=1"), 3);
  EXPECT_EQ(CharsetFromContentType("text/html; charset=iso-2022-jp"), 4);
  EXPECT_EQ(CharsetFromContentType("text/html; charset=utf-8"), 2);
  EXPECT_EQ(CharsetFromContentType("text/html; charset=iso-8859-1"), 0);
  EXPECT_EQ(CharsetFromContentType("text/html"), 0);

  const std::string euc_header = "text/html; charset=EUC-JP";
  struct {
    std::string text;
    int chosen;
    std::string content_type;
    int code;
  } cases[] = {
      {"<p>x", 0, euc_header, 1},                                     // nothing declared
      {"<p>x", 0, "", 0},                                             // nothing at all: detection
      {"<meta charset=\"utf-8\"><p>", 0, euc_header, 2},              // the text wins
      {"<meta charset='shift_jis'><p>", 0, euc_header, 3},            // single quotes too
      {"<meta charset=\"x-sjis\"><p>", 0, euc_header, 0},              // head detection's form
      {"<body>charset=utf-8 in the text", 0, euc_header, 1},          // only the head declares
      {"<?xml encoding=\"utf-8\"?><p>", 0, "text/html; charset=iso-2022-jp", 0},
      {"<p>x", 3, euc_header, 3},                                     // a chosen code wins
      {"\xEF\xBB\xBF<p>", 0, "text/html; charset=UTF-8", 5},          // the mark is dropped
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PageReadingCode(c.text, c.chosen, c.content_type), c.code) << c.text;
  }
  EXPECT_EQ(TextReadingCode("p{}", 0, "text/css; charset=EUC-JP"), 1);
  EXPECT_EQ(TextReadingCode("@charset \"utf-8\";", 0, "text/css; charset=EUC-JP"), 0);
  EXPECT_EQ(TextReadingCode("p{}", 4, "text/css; charset=EUC-JP"), 4);
  const std::string head = "<title>" + ShiftJISToEuc(SJ<"題">()) + "</title>";
  EXPECT_EQ(NormaliseCharsetToShiftJIS(head, Unmappable::Question, euc_header),
            "<title>" + SJ<"題">() + "</title>");
  // The page of the header case reads as its text.
  const std::string euc = "<p>" + ShiftJISToEuc(SJ<"日本語">());
  EXPECT_EQ(AnyCodeToShiftJIS(euc, PageReadingCode(euc, 0, euc_header)), "<p>" + SJ<"日本語">());
}

TEST(Charset, AsFetchedCopyIsShiftJisWithItsLinesKept) {
  const std::string title = SJ<"日本語の題">();
  const std::string sjis_page = "<?xml version=\"1.0\" encoding=\"EUC-JP\"?>\r\n<html><head>"
                                "<meta http-equiv=\"Content-Type\" content=\"text/html; "
                                "charset=euc-jp\"></head>\r\n\r\n<body>" +
                                title + "</body>";
  const std::string want = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<html><head>"
                           "<meta http-equiv=\"Content-Type\" content=\"text/html; "
                           "charset=Shift_JIS\"></head>\r\n\r\n<body>" +
                           title + "</body>";
  std::string euc = ShiftJISToEuc(sjis_page);
  for (std::size_t at; (at = euc.find("\r\n")) != std::string::npos;) euc.replace(at, 2, "\n");
  EXPECT_EQ(AsFetchedToShiftJIS(euc, 0), want);  // detected from the head
  EXPECT_EQ(AsFetchedToShiftJIS(euc, 1), want);
  EXPECT_EQ(AsFetchedToShiftJIS("<p>" + ShiftJISToUtf8(title) + "\n\n", 2),
            "<p>" + title + "\r\n\r\n");
}

TEST(Charset, ByteOrderMark) {
  const std::string bom = Hex("EF BB BF");
  const std::string text = bom + "<meta charset=utf-8\">" + "あ";
  const std::string expected = "<meta charset=utf-8\">" + SJ<"あ">();
  EXPECT_EQ(AnyCodeToShiftJIS(text, 0), expected);
  EXPECT_EQ(AnyCodeToShiftJIS(text, 2), "?" + expected);
  EXPECT_EQ(AnyCodeToShiftJIS(text, 5), expected);
}

TEST(Charset, ExplicitCodes) {
  const std::string sjis = SJ<"かな漢字ｶﾅ">() + "\n\nx";
  EXPECT_EQ(AnyCodeToShiftJIS(sjis, 3), sjis);  // byte for byte, line ends too
  EXPECT_EQ(AnyCodeToShiftJIS(sjis, 7), sjis);
  EXPECT_EQ(AnyCodeToShiftJIS(ShiftJISToEuc(sjis), 1), SquashLineBreaks(sjis));
  EXPECT_EQ(AnyCodeToShiftJIS(ShiftJISToUtf8(sjis), 2), SquashLineBreaks(sjis));
  // Malformed UTF-8 under code 2 is decoded leniently.
  EXPECT_EQ(AnyCodeToShiftJIS(Hex("61 FF 62"), 2), "a?b");
  EXPECT_EQ(AnyCodeToShiftJIS(ShiftJISToJis(SJ<"かな">()), 4), SJ<"かな">());
  // HTML pages keep characters that Shift_JIS lacks as references.
  EXPECT_EQ(AnyCodeToShiftJIS("é😀", 2, Unmappable::CharRef), "&#xE9;&#x1F600;");
}

TEST(Charset, NormaliseCharsetToShiftJIS) {
  const std::string euc = ShiftJISToEuc(SJ<"あ">());
  EXPECT_EQ(NormaliseCharsetToShiftJIS("<meta charset='euc-jp'>\t\t" + euc),
            "<meta charset='euc-jp'> " + SJ<"あ">());
  EXPECT_EQ(NormaliseCharsetToShiftJIS("<meta charset=UTF-8\"/*>"),
            "<meta charset=Shift_JIS\" /*>");
}

TEST(Charset, DeclarationRewrites) {
  EXPECT_EQ(RewriteCharsetDeclToShiftJIS("charset=EUC-JP\" charset= UTF-8?"),
            "charset=Shift_JIS\" charset=Shift_JIS\"");
  EXPECT_EQ(RewriteQuotedCharsetToShiftJIS("@charset \"UTF-8\";\ra\nb"),
            "@charset \"Shift_JIS\";\r\na\r\nb");
  EXPECT_EQ(RewriteEncodingDeclToShiftJIS("<?xml encoding=\"UTF-8\"?>charset=EUC-JP"),
            "<?xml encoding=\"Shift_JIS\"?>charset=Shift_JIS");
  // Colours survive: nothing is deleted.
  EXPECT_EQ(RewriteEncodingDeclToShiftJIS("color:#0CF7A0"), "color:#0CF7A0");
}

TEST(Charset, SavingInAnotherCode) {
  EXPECT_EQ(RewriteCharsetDeclForSave("charset=x-sjis\"", 3), "charset=x-Shift_JIS\"");
  EXPECT_EQ(RewriteCharsetDeclForSave("charset=utf-8\" euc-jp\"", 0),
            "charset=Shift_JIS\" Shift_JIS\"");
  const char* saved[] = {"", "euc-jp\"", "UTF-8\"", "", "iso-2022-jp\"", "utf-8\""};
  for (int code : {1, 2, 4, 5}) {
    EXPECT_EQ(RewriteCharsetDeclForSave("charset=Shift_JIS\"", code),
              std::string("charset=") + saved[code]);
  }
  EXPECT_EQ(RewriteCharsetDeclForSave("charset=Shift_JIS\"", 9), "charset=Shift_JIS\"");
  const std::string a = SJ<"あｱ">();
  EXPECT_EQ(ConvertShiftJISForSave(a, 0), a);
  EXPECT_EQ(ConvertShiftJISForSave(a, 1), Hex("A4 A2 8E B1"));
  EXPECT_EQ(ConvertShiftJISForSave(a, 2), "あｱ");
  EXPECT_EQ(ConvertShiftJISForSave(a, 5), "あｱ");
  EXPECT_EQ(ConvertShiftJISForSave(a, 4), ShiftJISToJis(a));
}

TEST(Charset, EveryDeclarationNamesTheNewCode) {
  const struct {
    std::string in;
    int code;
    std::string out;
  } cases[] = {
      {"<meta charset=\"euc-jp\">", 2, "<meta charset=\"UTF-8\">"},
      {"<META CHARSET=Shift_JIS >", 1, "<META CHARSET=EUC-JP >"},
      {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-sjis\">", 4,
       "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-2022-JP\">"},
      {"\xEF\xBB\xBF <?xml version='1.0' encoding='EUC-JP'?><a/>", 2,
       "\xEF\xBB\xBF <?xml version='1.0' encoding='UTF-8'?><a/>"},
      {"@charset \"utf-8\";\nbody{}", 3, "@charset \"Shift_JIS\";\nbody{}"},
      {"@charset \"utf-8\";", 0, "@charset \"Shift_JIS\";"},
      // Already the new code in another spelling; not a declaration.
      {"<meta charset=\"utf8\">", 5, "<meta charset=\"utf8\">"},
      {"<p>charset=\"euc-jp\" &lt;meta charset=euc-jp&gt;</p>a{} @charset \"x\";", 2,
       "<p>charset=\"euc-jp\" &lt;meta charset=euc-jp&gt;</p>a{} @charset \"x\";"},
      {"<meta name=\"x\" content=\"mycharset=euc-jp\">", 2,
       "<meta name=\"x\" content=\"mycharset=euc-jp\">"},
  };
  for (const auto& c : cases) EXPECT_EQ(RewriteDeclarations(c.in, c.code), c.out) << c.in;
}

TEST(Charset, ConvertingKeepsEveryOtherByte) {
  const std::string sjis = SJ<"<meta charset=\"Shift_JIS\">\n日本\r\nｶﾅ\r\r\n">();
  const std::string utf8 = "<meta charset=\"UTF-8\">\n日本\r\nｶﾅ\r\r\n";
  ConversionStats stats;
  EXPECT_EQ(ConvertText(sjis, {.from = 3, .to = 2}, stats), utf8);
  EXPECT_EQ(ConvertText("\xEF\xBB\xBF" + utf8, {.from = 0, .to = 3}, stats), sjis);
  EXPECT_EQ(ConvertText(utf8, {.from = 2, .to = 2, .line_ends = LineEndStyle::kLf}, stats),
            "<meta charset=\"UTF-8\">\n日本\nｶﾅ\n\n");
  EXPECT_EQ(ConvertText(utf8, {.from = 2, .to = 5, .line_ends = LineEndStyle::kCrLf}, stats),
            "<meta charset=\"UTF-8\">\r\n日本\r\nｶﾅ\r\n\r\n");
  EXPECT_EQ(ConvertText(utf8, {.from = 2, .to = 1, .declarations = false}, stats),
            "<meta charset=\"UTF-8\">\n" + ShiftJISToEuc(SJ<"日本\r\nｶﾅ\r\r\n">()));
  // ISO-2022-JP ends its double-byte runs with ESC ( B; a page keeps what the
  // code lacks as references.
  EXPECT_EQ(ConvertText("<p>あ—\\</p>", {.from = 2, .to = 4, .unmappable = Unmappable::CharRef},
                        stats),
            "<p>\x1B$B$\"\x1B(B&#x2014;\\</p>");
  EXPECT_EQ(stats.Replaced(), 0u);
  EXPECT_EQ(ConvertText("é\xFF", {.from = 2, .to = 3}, stats), "??");
  EXPECT_EQ(stats.unmappable, 1u);
  EXPECT_EQ(stats.invalid, 1u);
}

}  // namespace
}  // namespace kaplo
