// --help of the program and of every command, --version, the aliases, the
// README's command reference, and the window without a display.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "cli/cli_support.h"

namespace kaplo {
namespace {

using test::RunKaplo;
using test::RunKaploWith;

// The commands `kaplo --help` lists: "  name  summary" lines.
std::vector<std::string> Commands() {
  std::istringstream in(RunKaplo({"--help"}).out);
  std::vector<std::string> names;
  bool listing = false;
  for (std::string line; std::getline(in, line);) {
    if (line == "commands:") listing = true;
    else if (line.empty()) listing = false;
    else if (listing && line.starts_with("  ")) names.push_back(line.substr(2, line.find(' ', 2) - 2));
  }
  return names;
}

TEST(HelpTest, EveryCommandHasItsHelpInTheUsersLanguage) {
  const std::vector<std::string> commands = Commands();
  ASSERT_GE(commands.size(), 20u);
  for (const std::string& name : commands) {
    const auto help = RunKaplo({name, "--help"});
    EXPECT_EQ(help.status, 0) << name;
    EXPECT_EQ(help.out.rfind("usage: kaplo " + name, 0), 0u) << help.out;
    EXPECT_NE(help.out.find("\noptions:\n"), std::string::npos) << help.out;
    EXPECT_EQ(help.err, "") << name;
    // -h anywhere among the arguments is the same.
    EXPECT_EQ(RunKaplo({name, "x", "-h"}).out, help.out) << name;
    const auto ja = RunKaploWith({"LANG=ja_JP.UTF-8"}, {name, "--help"});
    EXPECT_EQ(ja.out.rfind("使い方: kaplo " + name, 0), 0u) << ja.out;
    EXPECT_NE(ja.out.find("\nオプション:\n"), std::string::npos) << ja.out;
    // LC_ALL speaks before LANG.
    EXPECT_EQ(RunKaploWith({"LANG=ja_JP.UTF-8", "LC_ALL=C.UTF-8"}, {name, "-h"}).out, help.out);
  }
}

TEST(HelpTest, OptionsWithValuesAndDefaultsAreExplained) {
  // Option texts are wrapped at 79 columns: read them as one line each.
  auto unwrapped = [](std::string text) {
    for (std::size_t at; (at = text.find("\n      ")) != std::string::npos;) text.replace(at, 7, " ");
    return text;
  };
  const auto download = unwrapped(RunKaplo({"download", "--help"}).out);
  for (const char* part :
       {"  --base N (default 0) ", "pointed at the saved files", "0 asks first",
        "  --max-time S (default 120) ", "  --other-domain N (default 0) ",
        "0 keep them, 1 remove", "  --quote-slash N (default 0) ", "  --url-decode N (default 0) ",
        "0 not at all, 1 hex UTF-8", "5 Base64", "  --html-code N (default 0) ",
        "  --connections N (default 16) ", "  --json ", "  --quiet "}) {
    EXPECT_NE(download.find(part), std::string::npos) << part;
  }
  const auto frame = RunKaplo({"frame", "--help"}).out;
  EXPECT_NE(frame.find("  --choice N (default 0)\n"), std::string::npos) << frame;
  const auto diff = RunKaplo({"diff", "--help"}).out;
  EXPECT_NE(diff.find("  -U N (default 3)\n"), std::string::npos) << diff;
  EXPECT_NE(diff.find("Exit status 0 when the texts are the same"), std::string::npos) << diff;
}

// Every option a command's table lists is one its parser reads, and the
// other way round: a wrong option is a usage error, never an internal one.
TEST(HelpTest, TablesAndParsersAgree) {
  for (const std::string& name : Commands()) {
    std::vector<std::string> args = {name};
    if (name == "frame") args.push_back("1");
    if (name == "fromsjis") args.insert(args.end(), {"--code", "1"});
    args.push_back("--zz-bogus");
    const auto r = RunKaplo(args);
    EXPECT_EQ(r.status, 2) << name << ": " << r.err;
    EXPECT_NE(r.err.find("unknown option --zz-bogus"), std::string::npos) << name << ": " << r.err;
  }
}

TEST(HelpTest, VersionAliasesAndUnknownCommands) {
  const auto version = RunKaplo({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("kaplo ", 0), 0u);
  EXPECT_EQ(std::count(version.out.begin(), version.out.end(), '.'), 2) << version.out;
  EXPECT_EQ(RunKaplo({"-V"}).out, version.out);
  const struct {
    const char* alias;
    const char* name;
  } aliases[] = {{"colors", "colours"}, {"analyze", "analyse"}, {"normalize", "normalise"}};
  for (const auto& a : aliases) {
    const auto r = RunKaplo({a.alias, "--help"});
    EXPECT_EQ(r.status, 0) << a.alias;
    EXPECT_EQ(r.out, RunKaplo({a.name, "--help"}).out) << a.alias;
    EXPECT_NE(r.out.find(std::string("also: kaplo ") + a.alias), std::string::npos) << r.out;
  }
  EXPECT_EQ(RunKaplo({"normalize"}, "<P>").out, RunKaplo({"normalise"}, "<P>").out);
  const auto unknown = RunKaplo({"donwload"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.err, "kaplo: unknown command \"donwload\" (kaplo --help lists them)\n");
}

// The README's command reference is the tables' own text.
TEST(HelpTest, ReadmeHoldsTheCommandReference) {
  const std::string data = KAPLO_TEST_DATA;  // the tests' data folder, beside the README's
  std::ifstream in(data.substr(0, data.rfind("/tests/data")) + "/README.md");
  std::stringstream readme;
  readme << in.rdbuf();
  const std::string text = readme.str();
  const std::string begin = "<!-- commands: made by `kaplo --help-markdown` -->\n";
  const std::string end = "<!-- end of commands -->";
  const std::size_t from = text.find(begin), to = text.find(end);
  ASSERT_NE(from, std::string::npos);
  ASSERT_NE(to, std::string::npos);
  EXPECT_TRUE(text.substr(from + begin.size(), to - from - begin.size()) ==
              RunKaplo({"--help-markdown"}).out)
      << "put the output of build/bin/kaplo --help-markdown into README.md between the markers";
}

TEST(HelpTest, TheWindowWithoutADisplaySaysSo) {
  const auto r = RunKaploWith({"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="}, {});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.rfind("kaplo: the window needs a display: neither DISPLAY nor WAYLAND_DISPLAY "
                        "is set",
                        0),
            0u)
      << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

}  // namespace
}  // namespace kaplo
