#include "text/detect.h"

#include <gtest/gtest.h>

#include <string>

#include "text/charset.h"
#include "text/convert.h"
#include "text/test_bytes.h"

namespace kaplo {
namespace {

using test::Hex;

// Japanese texts as pages carry them: prose, titles, names, prices, katakana
// words in both widths, with and without markup around them.
constexpr const char* kTexts[] = {
    "こんにちは",
    "日本語",
    "東京都",
    "鈴木一郎",
    "本日は晴天なり。",
    "お問い合わせ",
    "価格：1,980円（税込）",
    "<title>ニュース</title>",
    "ﾃｽﾄ",
    "ﾃﾞｰﾀﾍﾞｰｽ",
    "ｺﾝﾋﾟｭｰﾀ",
    "ｱｲｳｴｵ",
    "Windows用ﾌﾘｰｿﾌﾄ",
    "半角ｶﾀｶﾅと全角カタカナ",
    "<p>東京都内では朝から雨が降り、交通機関に遅れが出ています。詳しくは「交通情報」を"
    "ご覧ください。</p>\n<p>ｶﾀｶﾅの見出し：ﾆｭｰｽ速報</p>\n<a href=\"/news/2024/1.html\">続き</a>\n",
};

TEST(Detect, EveryCodeFromItsBytes) {
  for (const char* utf8 : kTexts) {
    const std::string sjis = Utf8ToShiftJIS(utf8);
    ASSERT_FALSE(sjis.empty()) << utf8;
    EXPECT_EQ(DetectCharsetFromBytes(utf8), kCharsetUtf8) << utf8;
    EXPECT_EQ(DetectCharsetFromBytes(sjis), kCharsetShiftJis) << utf8;
    EXPECT_EQ(DetectCharsetFromBytes(ShiftJISToEuc(sjis)), kCharsetEucJp) << utf8;
    EXPECT_EQ(DetectCharsetFromBytes(ShiftJISToJis(sjis)), kCharsetIso2022Jp) << utf8;
    // Four-byte sequences are UTF-8 too.
    EXPECT_EQ(DetectCharsetFromBytes(std::string(utf8) + "😀"), kCharsetUtf8) << utf8;
  }
}

TEST(Detect, AsciiAndEscapes) {
  EXPECT_EQ(DetectCharsetFromBytes(""), kCharsetShiftJis);
  EXPECT_EQ(DetectCharsetFromBytes("<p>plain ASCII\r\n"), kCharsetShiftJis);
  // ISO-2022-JP with the 1978 escape and with half-width katakana.
  EXPECT_EQ(DetectCharsetFromBytes("a\x1b$@$\"\x1b(Bb"), kCharsetIso2022Jp);
  EXPECT_EQ(DetectCharsetFromBytes("\x1b(I1\x1b(B"), kCharsetIso2022Jp);
  // Returning to ASCII alone says nothing of Japanese.
  EXPECT_EQ(DetectCharsetFromBytes("a\x1b(Bb"), kCharsetShiftJis);
}

TEST(Detect, UnclearShortTextsStayShiftJis) {
  // B6 C0 B6 C5 is ｶﾀｶﾅ in Shift_JIS and two level 1 kanji in EUC-JP: a tie
  // keeps the code every text inside the program has.
  EXPECT_EQ(EucOrShiftJis(Hex("B6 C0 B6 C5")), kCharsetShiftJis);
  // Shift_JIS あ (82 A0) is no UTF-8 by Unicode's rule, and no EUC-JP.
  EXPECT_EQ(DetectCharsetFromBytes(Hex("82 A0")), kCharsetShiftJis);
  // An EUC-JP kanji whose second byte Shift_JIS lacks (FC CB).
  EXPECT_EQ(DetectCharsetFromBytes(Hex("C6 FC CB DC")), kCharsetEucJp);
}

TEST(Detect, Utf8WithAFewBadBytesIsStillUtf8) {
  const std::string page = kTexts[std::size(kTexts) - 1];
  const std::string cut = page.substr(0, page.size() - 2) + "\xE3\x81";
  std::string stray = page;
  stray.insert(stray.size() / 2, "\xFF");
  stray.insert(3, "\xC3");  // inside a character: its other bytes go bad too
  for (const std::string& damaged : {cut, stray}) {
    EXPECT_GT(MeasureUtf8(damaged).bad, 0u);
    EXPECT_EQ(DetectCharsetFromBytes(damaged), kCharsetUtf8);
  }
  const std::string sjis = Utf8ToShiftJIS(page);
  const Utf8Evidence sjis_evidence = MeasureUtf8(sjis);
  EXPECT_GT(sjis_evidence.good, 0u);  // Shift_JIS holds some UTF-8 by chance
  EXPECT_FALSE(IsMostlyUtf8(sjis_evidence));
  EXPECT_FALSE(IsMostlyUtf8(MeasureUtf8(ShiftJISToEuc(sjis))));
  EXPECT_FALSE(IsMostlyUtf8(MeasureUtf8("ascii")));
}

TEST(Detect, UndeclaredPagesAreReadInTheirCode) {
  // The download's route: no declaration, no HTTP charset.
  // (ISO-2022-JP has no half-width katakana: this page has none.)
  const std::string utf8 =
      "<html><head><title>題名</title></head><body>\n<p>東京都内では朝から雨が降り、交通機関に"
      "遅れが出ています。</p>\n\n<p>価格は1,980円（税込）です。</p>\n</body></html>\n";
  const std::string sjis = Utf8ToShiftJIS(utf8);
  const std::string want = SquashLineBreaks(sjis);
  for (const std::string& page :
       {utf8, sjis, ShiftJISToEuc(sjis), ShiftJISToJis(sjis), "\xEF\xBB\xBF" + utf8}) {
    const int code = PageReadingCode(page, 0);
    EXPECT_EQ(code, 0);  // left to the detection of the reading route
    EXPECT_EQ(AnyCodeToShiftJIS(page, code), want) << page;
    EXPECT_EQ(AsFetchedToShiftJIS(page, code), NormaliseLineBreaks(sjis)) << page;
    EXPECT_EQ(TextReadingCode(page, 0), 0);
  }
  // ISO-2022-JP carries no half-width katakana: they come back full-width.
  const std::string kana = Utf8ToShiftJIS("ｶﾀｶﾅの題");
  EXPECT_EQ(AnyCodeToShiftJIS(ShiftJISToJis(kana), 0), HalfKanaToFullKana(kana));
}

TEST(Detect, DeclarationThenHeaderThenBytes) {
  const std::string euc = ShiftJISToEuc(Utf8ToShiftJIS("<p>日本語のページです</p>"));
  struct {
    std::string text;
    std::string content_type;
    int code;
    CharsetSource source;
  } cases[] = {
      {euc, "", kCharsetEucJp, CharsetSource::kBytes},
      {euc, "text/html; charset=Shift_JIS", kCharsetShiftJis, CharsetSource::kHeader},
      {"<meta charset=\"utf-8\">" + euc, "text/html; charset=Shift_JIS", kCharsetUtf8,
       CharsetSource::kText},
      {"<?xml encoding=\"x-sjis\"?>" + euc, "", kCharsetShiftJis, CharsetSource::kText},
      {"<meta charset='euc-jp'>" + euc, "", kCharsetEucJp, CharsetSource::kText},
      // A declaration in the body is text, not the page's.
      {"</head><body>charset=utf-8 " + euc, "", kCharsetEucJp, CharsetSource::kBytes},
      {"<p>ascii", "", kCharsetShiftJis, CharsetSource::kBytes},
  };
  for (const auto& c : cases) {
    const CharsetDecision d = DecideCharset(c.text, c.content_type);
    EXPECT_EQ(d.code, c.code) << c.text;
    EXPECT_EQ(d.source, c.source) << c.text;
  }
  // A single-quoted declaration is read as declared: here it names the
  // wrong code, and the declaration still wins over the bytes.
  const std::string sjis = Utf8ToShiftJIS("<meta charset='shift_jis'>日本語");
  EXPECT_EQ(AnyCodeToShiftJIS(sjis, 0), sjis);
}

TEST(Detect, DeclaredUtf8ThatIsNot) {
  const std::string body = "<p>日本語のページ</p>\n";
  const std::string decl = "<meta charset=\"utf-8\">\n";
  const std::string sjis_body = Utf8ToShiftJIS(body);
  // UTF-8 with a cut character and a NUL: read with replacements, whole.
  const std::string damaged = decl + "abc\xC3" + std::string(1, '\0') + "def" + body;
  EXPECT_EQ(AnyCodeToShiftJIS(damaged, 0),
            SquashLineBreaks(decl + "abc?" + std::string(1, '\0') + "def" + sjis_body));
  EXPECT_EQ(AnyCodeToShiftJIS(damaged, kCharsetUtf8), AnyCodeToShiftJIS(damaged, 0));
  // Shift_JIS or EUC-JP under a UTF-8 declaration: the bytes tell.
  EXPECT_EQ(AnyCodeToShiftJIS(decl + sjis_body, 0), SquashLineBreaks(decl + sjis_body));
  EXPECT_EQ(AnyCodeToShiftJIS(decl + ShiftJISToEuc(sjis_body), 0),
            SquashLineBreaks(decl + sjis_body));
  // A text that merely begins with "?" keeps it; only a byte-order mark goes.
  EXPECT_EQ(AnyCodeToShiftJIS("?" + sjis_body, 0), SquashLineBreaks("?" + sjis_body));
  EXPECT_EQ(AnyCodeToShiftJIS("😀x", kCharsetUtf8N), "?x");
  EXPECT_EQ(AnyCodeToShiftJIS("\xEF\xBB\xBF"
                              "x",
                              kCharsetUtf8N),
            "x");
}

}  // namespace
}  // namespace kaplo
