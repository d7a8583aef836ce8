// Stylesheets and scripts through a whole job: the copies as sent named by
// how far down they were imported, the mark of a "not found" page deep down,
// a kept stylesheet still bringing back what it names, and the script
// reference that is never fetched.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/engine.h"
#include "engine/engine_test_support.h"
#include "engine/outcome_marks.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

class StylesheetOutcomes : public test::EngineTest {
 protected:
  StylesheetOutcomes() : EngineTest("sheets") {
    options_.dont_empty_folder = true;
    site_["/p/index.html"] =
        "<html><head><link rel=\"stylesheet\" href=\"a.css\"></head><body></body></html>";
    site_["/p/a.css"] = "@import \"b.css\";\r\n.a { background: url(img/a.png); }\r\n";
    site_["/p/b.css"] = "@import \"c.css\";\r\n@import \"gone.css\";\r\n";
    site_["/p/c.css"] = ".c { background: url(img/c.png); }\r\n";
    site_["/p/img/a.png"] = "\x89PNG\r\n\x1a\na";
    site_["/p/img/c.png"] = "\x89PNG\r\n\x1a\nc";
  }
  static bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
};

TEST_F(StylesheetOutcomes, CopiesAsSentAndMarksFollowTheImportDepth) {
  const DownloadResult r = Run("/p/index.html");
  ASSERT_TRUE(r.page_saved) << r.failure;
  // The page's stylesheet and what it imports: "ZYOrg_"; further down "ZXOrg_".
  EXPECT_TRUE(fs::exists(Local("p/ZYOrg_a.css")));
  EXPECT_TRUE(fs::exists(Local("p/ZYOrg_b.css")));
  EXPECT_TRUE(fs::exists(Local("p/ZXOrg_c.css")));
  EXPECT_FALSE(fs::exists(Local("p/ZYOrg_c.css")));
  EXPECT_FALSE(fs::exists(Local("p/ZXOrg_b.css")));
  // Answered by a "404 not found" page deep down: "◆".
  const std::vector<std::string>& out = r.lists.stylesheet_outcomes;
  EXPECT_TRUE(Has(out, MarkText(OutcomeMark::NotFoundPage) + Local("p/gone.css")));
  EXPECT_EQ(r.stylesheet_counts.at(OutcomeMark::NotFoundPage), 1);
  EXPECT_EQ(r.stylesheet_counts.at(OutcomeMark::NotFound404), 0);
  EXPECT_FALSE(fs::exists(Local("p/gone.css")));

  // The same "not found" page one level up is "■".
  site_["/q/index.html"] =
      "<html><head><link rel=\"stylesheet\" href=\"x.css\"></head><body></body></html>";
  site_["/q/x.css"] = "@import \"gone.css\";\r\n";
  const DownloadResult q = Run("/q/index.html");
  EXPECT_TRUE(Has(q.lists.stylesheet_outcomes,
                  MarkText(OutcomeMark::NotFound404) + Local("q/gone.css")));
}

TEST_F(StylesheetOutcomes, AKeptStylesheetStillBringsBackWhatItNames) {
  ASSERT_TRUE(Run("/p/index.html").page_saved);
  fs::remove(Local("p/b.css"));
  fs::remove(Local("p/c.css"));
  fs::remove(Local("p/img/a.png"));
  ClearHits();
  const DownloadResult again = Run("/p/index.html");
  ASSERT_TRUE(again.page_saved) << again.failure;
  // a.css is kept ("□") and not asked for; what it names that is gone comes
  // back, down to what the import's own import names.
  EXPECT_TRUE(Has(again.lists.stylesheet_outcomes,
                  MarkText(OutcomeMark::Existed) + Local("p/a.css")));
  EXPECT_EQ(Hits("/p/a.css"), 0);
  EXPECT_TRUE(fs::exists(Local("p/b.css")));
  EXPECT_TRUE(fs::exists(Local("p/c.css")));
  EXPECT_TRUE(fs::exists(Local("p/img/a.png")));
  EXPECT_EQ(Hits("/p/img/c.png"), 0) << "what is still there is not fetched again";

  // Without its copy as sent, the kept file itself is read.
  fs::remove(Local("p/ZYOrg_a.css"));
  fs::remove(Local("p/img/a.png"));
  EXPECT_TRUE(Run("/p/index.html").page_saved);
  EXPECT_TRUE(fs::exists(Local("p/img/a.png")));
}

TEST_F(StylesheetOutcomes, AnInPageScriptWithAQueryIsNeverFetched) {
  site_["/s/index.html"] =
      "<html><head><script src=\"inpage.js?x=1\"></script><script src=\"app.js\"></script>"
      "</head><body></body></html>";
  site_["/s/inpage.js"] = "var a;";
  site_["/s/app.js"] = "var b;";
  const DownloadResult r = Run("/s/index.html");
  ASSERT_TRUE(r.page_saved) << r.failure;
  EXPECT_EQ(Hits("/s/inpage.js"), 0);
  EXPECT_EQ(Hits("/s/app.js"), 1);
  EXPECT_FALSE(fs::exists(Local("s/inpage.js@x=1")));
  // Listed like every script, and left as written in the page.
  EXPECT_TRUE(std::any_of(r.lists.stylesheets.begin(), r.lists.stylesheets.end(),
                          [](const std::string& l) { return l.starts_with("inpage.js?x=1\t"); }));
  EXPECT_NE(test::ReadFile(r.saved_page).find("src=\"inpage.js?x=1\""), std::string::npos);
}

}  // namespace
}  // namespace kaplo
