#include <gtest/gtest.h>
#include <iconv.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "cli/cli_support.h"
#include "text/convert.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

using test::RunKaplo;

TEST(TextCommands, ConvertBothWays) {
  const std::string page = "<meta charset=\"euc-jp\">\n" + ShiftJISToEuc(SJ<"日本語ｶﾅ">()) + "\n";
  auto r = RunKaplo({"tosjis"}, page);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "<meta charset=\"euc-jp\">\r\n" + SJ<"日本語ｶﾅ">() + "\r\n");

  r = RunKaplo({"fromsjis", "--code", "2"}, "<meta charset=\"Shift_JIS\">" + SJ<"あ">());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "<meta charset=\"UTF-8\">あ");
  r = RunKaplo({"fromsjis", "--code=2", "--keep-decl"}, "charset=\"Shift_JIS\"");
  EXPECT_EQ(r.out, "charset=\"Shift_JIS\"");

  r = RunKaplo({"tosjis", "--code", "1"}, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
}

TEST(TextCommands, ToSjisReadsAPageAsTheDownloadDoes) {
  // The XML prolog names UTF-8, the meta ISO-2022-JP: the declared code wins,
  // as when the page is downloaded; --code 0 is the head detection alone.
  const std::string head =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<html><head><meta http-equiv=\"Content-Type\" "
      "content=\"text/html; charset=ISO-2022-JP\">\r\n<title>";
  const std::string page = head + ShiftJISToJis(SJ<"日本語のページ">()) + "</title></head>\r\n";
  auto r = RunKaplo({"tosjis"}, page);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, head + SJ<"日本語のページ">() + "</title></head>\r\n");
  EXPECT_EQ(RunKaplo({"tosjis", "--code", "0"}, page).out, page);
  EXPECT_NE(RunKaplo({"--help"}).out.find("without --code as a download reads a page"),
            std::string::npos);
}

TEST(TextCommands, DetectSaysHowItDecided) {
  const std::string sjis = SJ<"<p>日本語のページ、ｶﾀｶﾅも</p>\n">();
  const std::string euc = ShiftJISToEuc(sjis);
  const struct {
    std::string in, out;
  } cases[] = {
      {"<META charset=\"EUC-JP\">", "1 EUC-JP (declaration)\n"},
      {"<meta charset='utf-8'>" + euc, "2 UTF-8 (declaration)\n"},
      {euc, "1 EUC-JP (bytes)\n"},
      {sjis, "3 Shift_JIS (bytes)\n"},
      {"<p>日本語</p>", "2 UTF-8 (bytes)\n"},
      {ShiftJISToJis(sjis), "4 ISO-2022-JP (bytes)\n"},
      {"<p>", "3 Shift_JIS (bytes: ASCII only)\n"},
  };
  for (const auto& c : cases) {
    const auto r = RunKaplo({"detect"}, c.in);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, c.out) << c.in;
  }
}

TEST(TextCommands, ToSjisReadsUndeclaredTextsInTheCodeTheirBytesShow) {
  const std::string sjis = SJ<"<p>日本語のページ</p>\r\n<p>ｶﾀｶﾅ</p>\r\n">();
  for (const std::string& in : {ShiftJISToEuc(sjis), ShiftJISToUtf8(sjis), sjis}) {
    const auto r = RunKaplo({"tosjis"}, in);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, sjis);
    EXPECT_EQ(r.err, "");
  }
  EXPECT_EQ(RunKaplo({"tosjis"}, ShiftJISToJis(sjis)).out, HalfKanaToFullKana(sjis));
}

TEST(TextCommands, ToSjisReadsEveryByteAndCountsWhatItReplaced) {
  // A cut UTF-8 character before a NUL: the rest of the text is kept.
  const std::string in("abc\xc3\0def\n", 9);
  auto r = RunKaplo({"tosjis", "--code", "2"}, in);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string("abc?\0def\r\n", 10));
  EXPECT_EQ(r.err,
            "kaplo tosjis: 1 character(s) replaced by \"?\" (0 with no Shift_JIS form, 1 invalid "
            "byte sequence(s))\n");
  EXPECT_EQ(RunKaplo({"tosjis", "--code", "2", "--strict"}, in).status, 1);

  // Plain text: "?" and a count; an HTML page: references, as saved pages.
  r = RunKaplo({"tosjis"}, "é😀あ\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "??" + SJ<"あ">() + "\r\n");
  EXPECT_NE(r.err.find("2 character(s) replaced"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1);
  for (const char* start : {"<!DOCTYPE html>", "<html lang=ja>", "  <HEAD>", "<body>"}) {
    r = RunKaplo({"tosjis", "--strict"}, std::string(start) + "é😀あ");
    EXPECT_EQ(r.status, 0) << start;
    EXPECT_EQ(r.out, std::string(start) + "&#xE9;&#x1F600;" + SJ<"あ">()) << start;
    EXPECT_EQ(r.err, "") << start;
  }
  // Shift_JIS in, Shift_JIS out: nothing replaced, nothing said.
  r = RunKaplo({"tosjis", "--strict"}, SJ<"あ">());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
}

TEST(TextCommands, UsageErrorsExitTwoWithOneLine) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"fromsjis"}, {"tosjis", "--code", "x"}, {"tosjis", "--code", "6"},
           {"tosjis", "--bogus"}, {"tosjis", "--strict=1"}, {"detect", "extra"}, {"no-such-command"}, {"tosjis", "--code"}}) {
    const auto r = RunKaplo(args);
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_TRUE(r.out.empty());
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
}

// iconv's conversion of a whole text; "<error>" when it refuses.
std::string Iconv(const char* to, const char* from, std::string_view in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return "<error>";
  std::string out(in.size() * 4 + 16, '\0');
  char* ip = const_cast<char*>(in.data());
  char* op = out.data();
  std::size_t il = in.size(), ol = out.size();
  const bool ok = iconv(cd, &ip, &il, &op, &ol) != static_cast<std::size_t>(-1) &&
                  iconv(cd, nullptr, nullptr, &op, &ol) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (!ok) return "<error>";
  out.resize(out.size() - ol);
  return out;
}

TEST(TextCommands, ConvertMatchesIconvOnJapaneseDocuments) {
  // A plain text and a page with its declaration, LF and CR LF line ends, a
  // last line without one; @ stands for the charset's name. (Characters that
  // iconv's tables read otherwise than browsers, such as "－" and "〜", and
  // NEC's, which its EUC-JP and ISO-2022-JP lack, are tested elsewhere.)
  const std::string documents[] = {
      "第１章　はじめに\n\n本書は、日本語の文書を扱う人のための手引きです。「文字コード」とは何か、"
      "なぜ変換が必要なのかを説明します。\r\n※注意：記号（〒、♪、→）も使えます。\r\n"
      "\r\n住所：〒100-0001 東京都千代田区千代田１丁目１番\n価格：1,000円（税込）・送料無料！\n"
      "ＡＢＣ abc 0123 ０１２３ ギリシャ文字αβγ、ロシア文字АБВ。\tタブ\n最終行",
      "<!DOCTYPE html>\r\n<html lang=\"ja\"><head>\r\n<meta charset=\"@\">\r\n"
      "<title>お知らせ｜株式会社サンプル</title>\r\n</head>\r\n<body>\r\n<h1>新製品のご案内</h1>\r\n"
      "<p>平素より格別のご高配を賜り、厚く御礼申し上げます。</p>\r\n<p>詳細は<a href=\"/news/\">"
      "こちら</a>をご覧ください。</p>\r\n</body></html>\r\n",
  };
  const struct {
    const char* name;   // for kaplo convert
    const char* iconv;  // for iconv
    const char* declared;
  } codes[] = {{"utf-8", "UTF-8", "UTF-8"},
               {"sjis", "CP932", "Shift_JIS"},
               {"euc-jp", "EUC-JP", "EUC-JP"},
               {"iso-2022-jp", "ISO-2022-JP", "ISO-2022-JP"}};
  auto in_code = [](std::string doc, const char* name, const char* code) {
    if (const std::size_t at = doc.find('@'); at != std::string::npos) doc.replace(at, 1, name);
    return Iconv(code, "UTF-8", doc);
  };
  for (const std::string& doc : documents) {
    for (const auto& from : codes) {
      const std::string input = in_code(doc, from.declared, from.iconv);
      ASSERT_NE(input, "<error>") << from.iconv;
      for (const auto& to : codes) {
        const auto r = RunKaplo({"convert", "--from", from.name, "--to", to.name}, input);
        EXPECT_EQ(r.status, 0) << from.name << " to " << to.name << ": " << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_TRUE(r.out == in_code(doc, to.declared, to.iconv)) << from.name << " to " << to.name;
      }
      // auto finds every code the documents are in.
      EXPECT_TRUE(RunKaplo({"convert", "--to", "utf-8"}, input).out == in_code(doc, "UTF-8", "UTF-8"))
          << from.name;
    }
  }
}

TEST(TextCommands, CodesByNameFilesAndDeclarationsThroughThePipelines) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("kaplo-convert-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string euc_page = "<meta charset=euc-jp>\n" + ShiftJISToEuc(SJ<"日本語\n">());
  std::ofstream(dir / "a.html", std::ios::binary) << euc_page;
  std::ofstream(dir / "b.txt", std::ios::binary) << "caf\xC3\xA9\n";
  const std::string a = (dir / "a.html").string(), b = (dir / "b.txt").string();

  EXPECT_EQ(RunKaplo({"detect", a, b}).out,
            a + ": 1 EUC-JP (declaration)\n" + b + ": 2 UTF-8 (bytes)\n");
  EXPECT_EQ(RunKaplo({"detect", a}).out, "1 EUC-JP (declaration)\n");
  EXPECT_EQ(RunKaplo({"tosjis", a}).out, RunKaplo({"tosjis"}, euc_page).out);
  // An EUC-JP page through tosjis and fromsjis declares what it is in.
  const auto sjis = RunKaplo({"tosjis", a});
  EXPECT_EQ(RunKaplo({"fromsjis", "--code", "2"}, sjis.out).out,
            "<meta charset=UTF-8>\r\n日本語\r\n");
  EXPECT_EQ(RunKaplo({"convert", "--from", "1", "--to", "UTF-8", a}).out,
            "<meta charset=UTF-8>\n日本語\n");
  // é has no Shift_JIS form: "?", counted, --strict fails; EUC-JP holds it.
  auto r = RunKaplo({"convert", "--to", "cp932", "--strict", b});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "caf?\n");
  EXPECT_NE(r.err.find("1 character(s) replaced"), std::string::npos) << r.err;
  EXPECT_EQ(RunKaplo({"convert", "--to", "euc-jp", "--strict", b}).out, "caf\x8F\xAB\xB1\n");
  r = RunKaplo({"fromsjis", "--code", "1", "--strict"}, "\xFB\xFC\xF0\x40");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "\xFC\xE2?");
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"convert"}, {"convert", "--to", "latin-1"}, {"convert", "--to", "6"},
           {"convert", "--to", "sjis", "--lf", "--crlf"}, {"detect", (dir / "none").string()}}) {
    EXPECT_EQ(RunKaplo(args).status, 2) << args.back();
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kaplo
