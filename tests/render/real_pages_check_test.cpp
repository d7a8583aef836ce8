// The fixture pages built like real ones pass their own check: opened from
// the folder they asks the network for nothing, miss no file the server
// delivered, and look like the live page.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "cli/cli_support.h"
#include "engine/fixture_site_support.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

int Count(const std::string& out, const std::string& heading) {
  std::smatch m;
  const std::regex re(heading + R"([^:\n]*: ([0-9]+))");
  return std::regex_search(out, m, re) ? std::stoi(m[1]) : -1;
}

TEST(RealPagesCheck, SavedCopiesAreWhole) {
  test::FixtureSite site;
  for (const char* path :
       {"/manual/docs/library/page.html", "/errors/page.html", "/copy/man/ch01.html"}) {
    SCOPED_TRACE(path);
    const fs::path dir = fs::temp_directory_path() / ("kaplo-realcheck-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    const auto r = test::RunKaplo({"download", site.Url(path), dir.string(), "--check"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(Count(r.out, "ネットワークへの要求"), 0) << r.out;
    EXPECT_EQ(Count(r.out, "見つからないファイル"), 0) << r.out;
    std::smatch m;
    const std::regex percent(R"(画素の違い[^:]*: ([0-9.]+)%)");
    ASSERT_TRUE(std::regex_search(r.out, m, percent)) << r.out;
    EXPECT_LE(std::stod(m[1]), 1.0) << r.out;
    fs::remove_all(dir);
  }
}

}  // namespace
}  // namespace kaplo
