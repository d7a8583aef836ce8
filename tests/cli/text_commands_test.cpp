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

TEST(TextCommands, Detect) {
  auto r = RunKaplo({"detect"}, "<META charset=\"EUC-JP\">");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "1 EUC-JP\n");
  EXPECT_EQ(RunKaplo({"detect"}, "<p>").out, "0 自動\n");
}

TEST(TextCommands, UsageErrorsExitTwoWithOneLine) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"fromsjis"}, {"tosjis", "--code", "x"}, {"tosjis", "--code", "6"},
           {"tosjis", "--bogus"}, {"detect", "extra"}, {"no-such-command"}, {"tosjis", "--code"}}) {
    const auto r = RunKaplo(args);
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_TRUE(r.out.empty());
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
}

}  // namespace
}  // namespace kaplo
