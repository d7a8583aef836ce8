#include "text/urlcode.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "text/fsname.h"
#include "text/sjis_literal.h"
#include "text/test_bytes.h"
#include "text/webcode.h"

namespace kaplo {
namespace {

using test::Hex;

struct Case {
  std::string in, out;
};

TEST(UrlCodeTest, PercentEncodingTakesTheByteAfterAHighByteAlong) {
  // The blank after あ is taken as its second byte; a trailing double-byte
  // character leaves no %00; ソ keeps its backslash byte encoded.
  EXPECT_EQ(UrlEncodeBytes(Hex("82 A0 20 61")), "%82%a0%20a");
  EXPECT_EQ(UrlEncodeBytes(Hex("61 82 A0")), "a%82%a0");
  EXPECT_EQ(UrlEncodeBytes(Hex("83 5C")), "%83%5c");
  EXPECT_EQ(UrlEncodeBytes("a b&c=/%?"), "a+b&c=/%?");
  EXPECT_EQ(UrlEncodeBytes(Hex("82 00")), std::string("%82") + '\0');
}

TEST(UrlCodeTest, PercentDecoding) {
  EXPECT_EQ(UrlDecodeBytes("a%2Bb+c"), "a b c");
  EXPECT_EQ(UrlDecodeBytes("%82%a0%82%A0"), Hex("82 A0 82 A0"));
  EXPECT_EQ(UrlDecodeBytes("%zz1"), std::string(1, '\0') + "1");  // non-hex digits count as 0
  EXPECT_EQ(UrlDecodeBytes("100%"), "100%");                      // too short: kept
  EXPECT_EQ(UrlDecodeBytes("a%4"), "a%4");
  EXPECT_EQ(UrlDecodeBytes(""), "");
}

TEST(UrlCodeTest, Base64) {
  EXPECT_EQ(Base64Decode("QUJD"), "ABC");
  EXPECT_EQ(Base64Encode("AB"), "QUI=");
  EXPECT_EQ(Base64Encode("A"), "QQ==");
  EXPECT_EQ(Base64Decode("QUI="), "AB");
  EXPECT_EQ(Base64Decode("QQ=="), "A");
  const std::string text = SJ<"日本語のテキスト、Base64で。">() + "\r\n";
  EXPECT_EQ(Base64Decode(Base64Encode(text)), text);
  EXPECT_EQ(Base64Decode("QUJDRA"), "ABC");  // a cut last group is dropped
  EXPECT_EQ(Base64Decode("YQBi"), "ab");     // a zero second byte is left out
}

TEST(UrlCodeTest, DecodeUrlForPathCodes) {
  const std::string a = SJ<"あ">();
  EXPECT_EQ(DecodeUrlForPath("http://h/%E3%81%82", kUrlDecodeNone), "http://h/%E3%81%82");
  EXPECT_EQ(DecodeUrlForPath("http://h/%E3%81%82", kUrlDecodeUtf8), "http://h/" + a);
  EXPECT_EQ(DecodeUrlForPath("http://h/%E3%81", kUrlDecodeUtf8), "");  // not UTF-8
  EXPECT_EQ(DecodeUrlForPath("h/%A4%A2%0A", kUrlDecodeEuc), "h/" + a + "\r\n");
  EXPECT_EQ(DecodeUrlForPath("h/%82%A0", kUrlDecodeSjis), "h/" + a);
  EXPECT_EQ(DecodeUrlForPath("h/%25E3%2581%2582", kUrlDecodeUtf8Unescaped), "h/" + a);
  EXPECT_EQ(DecodeUrlForPath("aC9h", kUrlDecodeBase64), "h/a");
  EXPECT_EQ(DecodeUrlForPath("x%41", 9), "x%41");
}

TEST(UrlCodeTest, DecodeUtf8Url) {
  const std::string a = SJ<"あ">();
  EXPECT_EQ(DecodeUtf8Url("http://h/a"), "");
  EXPECT_EQ(DecodeUtf8Url("%E3%81%82"), a);
  EXPECT_EQ(DecodeUtf8Url("%25E3%2581%2582"), a);  // encoded twice
  EXPECT_EQ(DecodeUtf8Url("a%E3%81"), "");         // a cut sequence is no UTF-8
  EXPECT_EQ(DecodeUtf8Url("100%25%2525"), "");     // a "%" survives both rounds
}

TEST(UrlCodeTest, SafePathRules) {
  const std::string so = SJ<"ソ">();  // its second byte is the backslash code
  const Case cases[] = {
      {"/dl/a?b=1|2", "/dl/a@b=1~2"},
      {"C:\\dl\\a?b=1|2", "C;/dl/a@b=1~2"},  // no drive letters: every ":" goes
      {"/dl/go?u=http://k/z/w", "/dl/go@u=http;~~k~z~w"},
      {"a*b<c>\"d\"&amp;e%26f%20g", "a;bc'd'&e&f g"},
      {"x%3A%2F%2Fy%2fz", "x;~~y~z"},
      {"a//b///c\\\\d", "a/b/c/d"},
      {so + "\\" + so + "/x", so + "/" + so + "/x"},
      {std::string("a") + '\0' + "b", "a_b"},
  };
  for (const Case& c : cases) EXPECT_EQ(UrlToSafePath(c.in), c.out) << c.in;
}

TEST(UrlCodeTest, SafePathNeverClimbsOutOfItsFolder) {
  const Case cases[] = {
      {"a/../../etc/passwd", "a/etc/passwd"},
      {"..\\..\\x", "x"},
      {"./a/./b/.", "a/b"},
      {"..", ""},
      {"/../x/", "/x/"},
      {"...", "..."},           // an ordinary name
      {"\x82/../x", "\x82/x"},  // a "/" after a lone first byte still separates
  };
  for (const Case& c : cases) EXPECT_EQ(UrlToSafePath(c.in), c.out) << c.in;
  // Also when the dots came percent-encoded and the URL was decoded first.
  const std::string decoded = DecodeUrlForPath("%2E%2E/%2e%2e%5Cetc/x", kUrlDecodeUtf8);
  EXPECT_EQ(UrlToSafePath("/home/u/dl/", decoded), "/home/u/dl/etc/x");
}

TEST(UrlCodeTest, SafePathKeepsTheSaveFolderAsWritten) {
  EXPECT_EQ(UrlToSafePath("/home/u/a:b+c/", "x:y/../z?q"), "/home/u/a:b+c/x;y/z@q");
  EXPECT_EQ(UrlToSafePath("/dl", "/a/b"), "/dl/a/b");
  EXPECT_EQ(UrlToSafePath("/dl/", ""), "/dl/");
}

TEST(UrlCodeTest, PathFitForFileSystem) {
  EXPECT_TRUE(IsPathFitForFileSystem("/dl/a/" + SJ<"日本">() + "/b.html"));
  EXPECT_FALSE(IsPathFitForFileSystem("/dl/../b"));
  EXPECT_FALSE(IsPathFitForFileSystem("/dl/./b"));
  EXPECT_FALSE(IsPathFitForFileSystem(std::string("/dl/a") + '\0'));
  // 255 bytes on disk is the limit; 86 kana are 258 bytes of UTF-8.
  EXPECT_TRUE(IsPathFitForFileSystem("/dl/" + std::string(255, 'a')));
  EXPECT_FALSE(IsPathFitForFileSystem("/dl/" + std::string(256, 'a')));
  std::string kana;
  for (int i = 0; i < 86; ++i) kana += SJ<"あ">();
  EXPECT_FALSE(IsPathFitForFileSystem("/dl/" + kana));
}

class ForceFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() /
            ("kaplo_urlcode_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "save");
    save_ = root_.string() + "/save/";
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  std::filesystem::path root_;
  std::string save_;
};

TEST_F(ForceFolderTest, CreatesTheSafeFolderWithItsParents) {
  const std::string made = ForceFolderForPath(save_ + "a/b+c?d/" + SJ<"日本">() + "/");
  EXPECT_EQ(made, save_ + "a/b_c@d/" + SJ<"日本">() + "/");
  // The file system sees the name in UTF-8.
  EXPECT_TRUE(std::filesystem::is_directory(root_ / "save/a/b_c@d/日本"));
  EXPECT_EQ(ForceFolderForPath(made), made);  // an existing folder is fine
}

TEST_F(ForceFolderTest, RefusesWhatItCannotMakeSafely) {
  EXPECT_EQ(ForceFolderForPath(""), "");
  EXPECT_EQ(ForceFolderForPath(" \t"), "");
  const std::string long_folder = save_ + std::string(201 - save_.size(), 'x');
  EXPECT_EQ(ForceFolderForPath(long_folder), "");
  EXPECT_FALSE(std::filesystem::exists(FsPath(long_folder)));
  // A name of 258 bytes on disk, though of 172 in Shift_JIS.
  std::string kana;
  for (int i = 0; i < 86; ++i) kana += SJ<"あ">();
  EXPECT_EQ(ForceFolderForPath("/tmp", kana), "");
  // A file where the folder should be.
  std::filesystem::create_directories(root_ / "save/f");
  std::filesystem::remove(root_ / "save/f");
  {
    std::FILE* f = std::fopen((root_ / "save/f").c_str(), "w");
    std::fclose(f);
  }
  EXPECT_EQ(ForceFolderForPath(save_ + "f"), "");
}

TEST_F(ForceFolderTest, StaysBelowTheSaveFolder) {
  EXPECT_EQ(ForceFolderForPath(save_, "../../escape/x"), save_ + "escape/x");
  EXPECT_TRUE(std::filesystem::is_directory(root_ / "save/escape/x"));
  EXPECT_FALSE(std::filesystem::exists(root_ / "escape"));
  // The save folder itself is the user's choice and is not rewritten.
  EXPECT_EQ(ForceFolderForPath(root_.string() + "/a:b+c", "d:e"), root_.string() + "/a:b+c/d;e");
  EXPECT_TRUE(std::filesystem::is_directory(root_ / "a:b+c/d;e"));
}

TEST(UrlCodeTest, SearchRedirects) {
  const std::string g = std::string(kGoogleJapanAddress);
  const Case cases[] = {
      {"http://rd.example/*-**http%3A//host/x%3Fy=1%3D2", "http://host/x?y=1%3D2"},
      {"http://rd.example/**https%3A%2F%2Fhost%2Fa%26b", "https://host/a&b"},
      {"http://a/?u=http%3A%2F%2Fb%2Fc%26d%3D1&ei=zz", "http://b/c&d%3D1"},
      {"http://a/?u=http%3A%2F%2Fb%2Fc", ""},  // no "ei=" after it
      {"http://a/**http://b/c", "http://b/c"},
      {"http://a/**http%3a//b/c", "http://b/c"},
      {g + "/url?q=http://x/y&sa=U&ved=1", "http://x/y"},
      {g + "/url?sa=t&url=http%3A%2F%2Fx%2Fy&ei=abc", "http://x/y"},
      {"http://ja.wikipedia.org/wiki/%25E6%2597", "http://ja.wikipedia.org/wiki/%E6%97"},
      {"http://example.com/%25E6", "http://example.com/%25E6"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeSearchRedirect(c.in), c.out) << c.in;
}

TEST(UrlCodeTest, LinkAndStatusClassifiers) {
  EXPECT_FALSE(IsPageLink("http://h/a/REPORT.PDF"));
  EXPECT_FALSE(IsPageLink("mailto:a@b"));
  EXPECT_FALSE(IsPageLink("http://h/related?x"));
  EXPECT_TRUE(IsPageLink("http://h/a/b.html"));

  EXPECT_TRUE(IsUrlStatusText("http://h/a.html"));
  EXPECT_FALSE(IsUrlStatusText(""));
  EXPECT_FALSE(IsUrlStatusText("http://h/a b"));
  EXPECT_FALSE(IsUrlStatusText(SJ<"ページが表示されました">()));
  EXPECT_FALSE(IsUrlStatusText("a" + SJ<"　">() + "b"));
  EXPECT_FALSE(IsUrlStatusText(SJ<"画像">()));
  // The full-width blank's bytes across two characters are no blank.
  EXPECT_TRUE(IsUrlStatusText(Hex("88 81 40 41")));
}

TEST(WebCodeTest, DecodeCodes) {
  const std::string a = SJ<"あ">();
  EXPECT_EQ(WebCodeDecode("%E3%81%82", kWebCodeUtf8Hex), a);
  EXPECT_EQ(WebCodeDecode("%E3%81", kWebCodeUtf8Hex), "?");  // a cut sequence
  EXPECT_EQ(WebCodeDecode("%25E3%2581%2582", kWebCodeUtf8HexUnescaped), a);
  EXPECT_EQ(WebCodeDecode("%A4%A2%0D%0A", kWebCodeEucHex), a + "\r\r\n");  // LF meets CRLF too
  EXPECT_EQ(WebCodeDecode("%82%A0+x", kWebCodeSjisHex), a + " x");
  EXPECT_EQ(WebCodeDecode(Hex("E3 81 82"), kWebCodeUtf8), a);
  EXPECT_EQ(WebCodeDecode("\x1B$B$\"\x1B(B", kWebCodeJis), a);
  EXPECT_EQ(WebCodeDecode("gqA=", kWebCodeBase64), a);
  EXPECT_EQ(WebCodeDecode(Hex("A4 A2 0A"), kWebCodeEuc), a + "\r\n");
  EXPECT_EQ(WebCodeDecode("", kWebCodeUtf8Hex), "");
  EXPECT_EQ(WebCodeDecode("%41", 8), "%41");
}

TEST(WebCodeTest, DecodingCountsInvalidInput) {
  struct {
    std::string in;
    int code;
    std::string out;
    std::size_t invalid;
  } cases[] = {
      {"%E3%81%82", kWebCodeUtf8Hex, SJ<"あ">(), 0},
      {"a%C3%00b", kWebCodeUtf8Hex, std::string("a?\0b", 4), 1},
      {Hex("61 FF 62"), kWebCodeUtf8, "a?b", 1},
      {"%A4%0A", kWebCodeEucHex, "?\r\n", 1},
      {"%82%0A%82%A0%FF", kWebCodeSjisHex, "\x82\n" + SJ<"あ">() + "\xFF", 2},
      {"\x1b$B$\"$", kWebCodeJis, SJ<"あ">() + "?", 1},
      {"gqA=\r\ngqA=\n", kWebCodeBase64, SJ<"ああ">(), 0},  // blanks and line ends skipped
      {"gq*A", kWebCodeBase64, Base64Decode("gq*A"), 1},
      {"g=qAgqA", kWebCodeBase64, Base64Decode("g=qAgqA"), 2},  // padding inside, a cut group
      {Hex("A4 A2 8E"), kWebCodeEuc, SJ<"あ">() + "?", 1},
  };
  for (const auto& c : cases) {
    ConversionStats stats;
    EXPECT_EQ(WebCodeDecode(c.in, c.code, stats), c.out) << c.in;
    EXPECT_EQ(stats.invalid, c.invalid) << c.in;
  }
}

TEST(WebCodeTest, EncodeCodes) {
  const std::string text = SJ<"あ">() + " a(b)*&\r\n";
  EXPECT_EQ(WebCodeEncode(text, kWebCodeUtf8Hex), "%e3%81%82%20a(b)*&\r\n");
  EXPECT_EQ(WebCodeEncode(text, kWebCodeUtf8HexUnescaped), WebCodeEncode(text, kWebCodeUtf8Hex));
  // The blank after a double-byte character comes back as "+", "(" is always encoded.
  EXPECT_EQ(WebCodeEncode(text, kWebCodeEucHex), "%a4%a2+a%28b)*&\n");
  EXPECT_EQ(WebCodeEncode(SJ<"あ">() + "*", kWebCodeEucHex), "%a4%a2*");
  EXPECT_EQ(WebCodeEncode(text, kWebCodeSjisHex), "%82%a0%20a(b)*&\r\n");
  EXPECT_EQ(WebCodeEncode(SJ<"あ">(), kWebCodeUtf8), Hex("E3 81 3F"));  // UTF-8 shown as Shift_JIS
  EXPECT_EQ(WebCodeEncode(SJ<"あ">(), kWebCodeJis), "\x1B$B$\"\x1B(J");
  EXPECT_EQ(WebCodeEncode(SJ<"あ">(), kWebCodeBase64), "gqA=");
  EXPECT_EQ(WebCodeEncode(Hex("B6 DE") + "\r\n", kWebCodeEuc), Hex("A5 AC 0A"));  // ｶﾞ widened
  EXPECT_EQ(WebCodeEncode("", kWebCodeBase64), "");
  EXPECT_EQ(WebCodeEncode("x", -1), "x");
}

TEST(WebCodeTest, RoundTripsThroughEveryReversibleCode) {
  const std::string text = SJ<"東京都の天気予報、ソフト">() + "abc =&?/";
  for (int code : {kWebCodeUtf8Hex, kWebCodeEucHex, kWebCodeSjisHex, kWebCodeJis, kWebCodeBase64,
                   kWebCodeEuc}) {
    EXPECT_EQ(WebCodeDecode(WebCodeEncode(text, code), code), text) << code;
  }
}

// Large hostile inputs finish and give the plain answer (compared with ==,
// so that a failure does not print megabytes).
TEST(UrlCodeTest, PathologicalInputs) {
  const std::size_t n = 2 * 1000 * 1000;
  const std::string percents(n, '%');
  EXPECT_EQ(UrlDecodeBytes(percents).size(), n / 3 + n % 3);
  EXPECT_EQ(DecodeUtf8Url(percents), "");
  EXPECT_TRUE(UrlToSafePath(percents) == percents);
  const std::string leads(n, '\x82');
  EXPECT_EQ(UrlEncodeBytes(leads).size(), 3 * n);
  EXPECT_TRUE(WebCodeDecode(leads, kWebCodeUtf8) == std::string(n / 2, '?'));
  EXPECT_TRUE(UrlToSafePath(leads) == leads);
  EXPECT_TRUE(DecodeSearchRedirect(leads) == leads);
  const std::string openers(n, '<');
  EXPECT_EQ(UrlToSafePath(openers), "");
  EXPECT_EQ(Base64Decode(openers).size(), n / 4);
}

}  // namespace
}  // namespace kaplo
