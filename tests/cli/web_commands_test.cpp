#include <gtest/gtest.h>

#include "cli/cli_support.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

using test::RunKaplo;

TEST(WebCommands, WebCodeBothWays) {
  auto r = RunKaplo({"webcode", "decode", "0"}, "%E3%81%82+a");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, SJ<"あ">() + " a");
  r = RunKaplo({"webcode", "encode", "3"}, SJ<"あ">() + " a");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "%82%a0%20a");
  EXPECT_EQ(RunKaplo({"webcode", "encode", "6"}, "AB").out, "QUI=");
  EXPECT_EQ(RunKaplo({"webcode", "decode", "6"}, "QUJD").out, "ABC");
  EXPECT_EQ(RunKaplo({"webcode", "decode", "0"}, "").out, "");
}

TEST(WebCommands, DecodingInvalidInputSaysSoAndExitsOne) {
  const struct {
    std::string code, in, out;
  } cases[] = {
      {"4", "a\xc3(b", "a?(b"},
      {"0", "%E3%81", "?"},
      {"7", "\xA4\xA2\x8E", SJ<"あ">() + "?"},
      {"5", "\x1b$B$\"$", SJ<"あ">() + "?"},
      {"6", "QUJ*", "AB@"},  // "*" is taken as 0, as in the tab
  };
  for (const auto& c : cases) {
    const auto r = RunKaplo({"webcode", "decode", c.code}, c.in);
    EXPECT_EQ(r.status, 1) << c.code;
    EXPECT_EQ(r.out, c.out) << c.code;
    EXPECT_NE(r.err.find("is not valid"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
  const auto r = RunKaplo({"webcode", "decode", "6"}, "QUJD\n");  // as echo writes it
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "ABC");
  EXPECT_EQ(r.err, "");
}

TEST(WebCommands, NormaliseAndSafePath) {
  auto r = RunKaplo({"normalise"}, "<HTML>\n\n\t<BODY><TD></TD>");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "<html>\r\n  <body>\r\n<td>&nbsp;</td>\r\n");

  r = RunKaplo({"safepath"}, "/dl/a?b=1|2\r\nx/../../y:z\n\nlast");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "/dl/a@b=1~2\nx/y;z\n\nlast\n");
  r = RunKaplo({"safepath", "--folder", "/my:dl"}, "../a:b\n");
  EXPECT_EQ(r.out, "/my:dl/a;b\n");
}

TEST(WebCommands, UsageErrorsExitTwoWithOneLine) {
  for (const auto& args : std::vector<std::vector<std::string>>{{"webcode"},
                                                                {"webcode", "decode"},
                                                                {"webcode", "both", "1"},
                                                                {"webcode", "decode", "8"},
                                                                {"webcode", "encode", "-1"},
                                                                {"webcode", "encode", "1x"},
                                                                {"normalise", "extra"},
                                                                {"safepath", "--folder"},
                                                                {"safepath", "--bogus"}}) {
    const auto r = RunKaplo(args);
    EXPECT_EQ(r.status, 2) << args.size();
    EXPECT_TRUE(r.out.empty());
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
}

}  // namespace
}  // namespace kaplo
