#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kaplo
