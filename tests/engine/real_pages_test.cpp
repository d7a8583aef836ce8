// Pages built like real ones (a manual page two folders deep with versioned
// stylesheets, an icon font with "?v=" and "#" forms, code samples, inline
// SVG, Japanese file names; a server that answers errors) saved whole: each
// reference fetched once, nothing that is not a reference asked for, names
// and references agreeing, the markup kept, error answers never a success.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "engine/engine.h"
#include "engine/engine_test_support.h"
#include "engine/fixture_site_support.h"
#include "engine/parallel_fetch.h"
#include "engine/resource_stage.h"
#include "text/charset.h"
#include "text/fsname.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"
#include "view/html_tokenizer.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class RealPages : public ::testing::Test {
 protected:
  DownloadResult Save(const std::string& path, Fetcher& fetcher) {
    DownloadEngine engine(fetcher, prompter_, nullptr, observer_);
    DownloadRequest r;
    r.url = site_.Url(path);
    r.save_folder = folder_;
    r.options.dont_make_css_list = false;
    result_ = engine.Run(r);
    return result_;
  }
  std::string Saved(const std::string& below) { return test::ReadFile(FsPath(folder_ + below)); }

  test::FixtureSite site_;
  test::TempSaveFolder temp_{"real"};
  const std::string folder_ = temp_.save;
  test::ScriptedPrompter prompter_;
  JobObserver observer_;
  DownloadResult result_;
};

TEST_F(RealPages, ManualPageTwoFoldersDeepIsSavedWhole) {
  ParallelFetcher fetcher;
  const DownloadResult r = Save("/manual/docs/library/page.html", fetcher);
  ASSERT_TRUE(r.page_saved) << r.failure;
  EXPECT_TRUE(r.failed.empty());

  // Each reference once, and nothing that only looks like one: not the
  // commented image, the textarea's, the code samples', the script strings'.
  const std::set<std::string> expected = {
      "/manual/docs/library/page.html",
      "/manual/docs/_static/pygments.css",
      "/manual/docs/_static/theme.css?2022.1",
      "/manual/docs/_static/theme.css?2023.2",
      "/manual/docs/_static/fonts.css",
      "/manual/docs/_static/favicon.png",
      "/manual/docs/_static/documentation_options.js?v=5929fcd5",
      "/manual/docs/_static/doctools.js",
      "/manual/docs/_static/logo.svg",
      "/manual/docs/_images/diagram.png",
      "/manual/docs/_images/diagram@2x.png",
      "/manual/docs/_images/bg.png",
      "/manual/docs/library/%E7%94%BB%E5%83%8F.png",
      "/manual/docs/fonts/icons.eot?v=4.7.0",
      "/manual/docs/fonts/icons.eot",
      "/manual/docs/fonts/icons.woff2?v=4.7.0",
      "/manual/docs/fonts/icons.woff?v=4.7.0",
      "/manual/docs/fonts/icons.ttf?v=4.7.0",
      "/manual/docs/fonts/icons.svg?v=4.7.0",
  };
  std::set<std::string> asked;
  for (const auto& [target, n] : site_.Hits()) {
    EXPECT_EQ(n, 1) << target << " asked more than once";
    asked.insert(target);
  }
  EXPECT_EQ(asked, expected);

  const std::string page = Saved("manual/docs/library/page.html");
  // The stylesheet keeps its "../" and its version; two versions, two files,
  // each named with the ending of its type.
  EXPECT_TRUE(Has(page, "href=\"../_static/theme.css@2022.1.css\"")) << page;
  EXPECT_TRUE(Has(page, "href=\"../_static/theme.css@2023.2.css\"")) << page;
  EXPECT_TRUE(Has(page, "src=\"../_static/documentation_options.js@v=5929fcd5.js\"")) << page;
  EXPECT_EQ(Saved("manual/docs/_static/ZYOrg_theme.css@2022.1.css"),
            site_.Served("/manual/docs/_static/theme.css"));
  // A self-closing tag after an attribute stays as it was.
  EXPECT_TRUE(Has(page, "<img src=\"../_static/logo.svg\" alt=\"Logo\"/>")) << page;
  // A Japanese name is asked for in UTF-8 and stored as the browser names it.
  EXPECT_TRUE(Has(page, "<img src=\"" + SJ<"画像">() + ".png\"")) << page;
  EXPECT_TRUE(fs::is_regular_file(FsPath(folder_ + "manual/docs/library/" + SJ<"画像">() + ".png")));
  // Links to pages that were not saved lead to the web; other sites as written.
  EXPECT_TRUE(Has(page, "href=\"" + site_.Url("/manual/docs/index.html") + "\" accesskey")) << page;
  EXPECT_TRUE(Has(page, "href=\"" + site_.Url("/") + "\">root")) << page;
  EXPECT_TRUE(Has(page, "href=\"" + site_.Url("/manual/docs/library/") + "\">here")) << page;
  EXPECT_TRUE(Has(page, "href=\"" + site_.Url("/manual/docs/library/intro.html") + "#x\">same site"))
      << page;
  EXPECT_TRUE(Has(page, "href=\"" + site_.Url("/manual/docs/library/list.php") + "?p=2&amp;q=3\">list"))
      << page;
  EXPECT_TRUE(Has(page, "href=\"https://example.org/project/foo/\"")) << page;
  EXPECT_TRUE(Has(page, "href=\"#section\"")) << page;

  // Fonts: the query is part of the name, the fragment never is.
  const std::string fonts = Saved("manual/docs/_static/fonts.css");
  for (const char* ref : {"url(\"../fonts/icons.eot@v=4.7.0.eot\")",
                          "url(\"../fonts/icons.eot#iefix&v=4.7.0\")",
                          "url(\"../fonts/icons.woff2@v=4.7.0.woff2\")",
                          "url('../fonts/icons.woff@v=4.7.0.woff')",
                          "url(../fonts/icons.ttf@v=4.7.0.ttf)",
                          "url(\"../fonts/icons.svg@v=4.7.0.svg#iconsregular\")"}) {
    EXPECT_TRUE(Has(fonts, ref)) << ref << "\n" << fonts;
  }
  for (const char* file : {"icons.eot", "icons.eot@v=4.7.0.eot", "icons.woff2@v=4.7.0.woff2",
                           "icons.svg@v=4.7.0.svg"}) {
    EXPECT_TRUE(fs::is_regular_file(folder_ + "manual/docs/fonts/" + file)) << file;
  }
  // What Shift_JIS lacks stays in scripts and stylesheets as their own escapes.
  EXPECT_TRUE(Has(Saved("manual/docs/_static/doctools.js"),
                  "\"caf\\u00E9 \\uD83D\\uDE00 " + SJ<"日本">() + "\""));
  EXPECT_TRUE(Has(Saved("manual/docs/_static/pygments.css"), "content: \"" + SJ<"→">() + " \\00E9 \""));
  // A stylesheet's text that is no reference stays as it was.
  const std::string theme = Saved("manual/docs/_static/theme.css@2022.1.css");
  EXPECT_TRUE(Has(theme, "content: \"/\";")) << theme;
  EXPECT_TRUE(Has(theme, "url(../_images/bg.png)")) << theme;
  EXPECT_TRUE(Has(theme, "content: \" (http://)\"")) << theme;
}

// The tokens of the page as fetched and as saved differ only in reference
// values and the charset declaration (the saved-from line set aside).
TEST_F(RealPages, SavedMarkupIsTheFetchedMarkupButForReferences) {
  CurlFetcher fetcher;
  ASSERT_TRUE(Save("/manual/docs/library/page.html", fetcher).page_saved);
  const std::string fetched =
      ReadSavedText(site_.Served("/manual/docs/library/page.html"), 0, "text/html", true).text;
  std::string saved = Saved("manual/docs/library/page.html");
  const std::string comment = "<!-- saved from \"" + site_.Url("/manual/docs/library/page.html") +
                              "\" by NOLDA-KAPLO -->\r\n";
  ASSERT_TRUE(Has(saved, comment)) << saved;
  saved.erase(saved.find(comment), comment.size());

  struct Token {
    HtmlTokenKind kind;
    std::string text, attribute;  // the attribute a value belongs to
  };
  auto tokens = [](const std::string& text) {
    std::vector<Token> out;
    HtmlTokenizer t;
    t.SetText(text);
    std::string attribute;
    for (; !t.AtEnd(); t.Next()) {
      if (t.TokenLength() == 0) continue;
      if (t.Kind() == HtmlTokenKind::kAttrName) attribute = LowerAscii(t.Token());
      out.push_back({t.Kind(), std::string(t.Token()), attribute});
    }
    return out;
  };
  const std::vector<Token> a = tokens(fetched), b = tokens(saved);
  ASSERT_EQ(a.size(), b.size());
  const std::set<std::string> references = {"src", "href", "srcset", "style", "charset"};
  int differing = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    ASSERT_EQ(a[i].kind, b[i].kind) << i << ": " << a[i].text << " / " << b[i].text;
    if (a[i].text == b[i].text) continue;
    ++differing;
    const bool value = a[i].kind == HtmlTokenKind::kQuoted || a[i].kind == HtmlTokenKind::kAttrValue;
    EXPECT_TRUE(value && references.contains(a[i].attribute))
        << "changed outside a reference: " << a[i].text << " -> " << b[i].text;
  }
  EXPECT_GT(differing, 5);
}

TEST_F(RealPages, ErrorAnswersAreNeverSaved) {
  CurlFetcher fetcher;
  const DownloadResult r = Save("/errors/page.html", fetcher);
  ASSERT_TRUE(r.page_saved) << r.failure;
  EXPECT_EQ(r.stylesheet_counts.at(OutcomeMark::Saved), 1);
  EXPECT_EQ(r.stylesheet_counts.at(OutcomeMark::NotFound404), 1);
  EXPECT_EQ(r.stylesheet_counts.at(OutcomeMark::Failed), 3);  // 403, refused, a redirect loop
  EXPECT_EQ(r.image_counts.at(OutcomeMark::Saved), 1);
  EXPECT_EQ(r.image_counts.at(OutcomeMark::NotFound404), 2);  // an image and a font
  EXPECT_EQ(r.image_counts.at(OutcomeMark::Failed), 3);  // 500, empty, an HTML page
  for (const char* gone : {"404-missing.css", "403-forbidden.js", "500-empty.png", "404-text.png",
                           "empty.png", "page.png", "404-font.woff2"}) {
    EXPECT_FALSE(fs::exists(folder_ + "errors/" + gone)) << gone;
  }
  ASSERT_EQ(r.failed.size(), 9u);
  std::set<std::string> reasons;
  for (const FailedResource& f : r.failed) reasons.insert(f.reason);
  for (const char* reason : {"HTTP 500", "HTTP 403", "an empty answer", "connection refused",
                             "too many redirects (more than 15)"}) {
    EXPECT_TRUE(reasons.contains(reason)) << reason;
  }
  const std::string list = Saved("errors/ZU_page_CSS_JS_" + SJ<"一覧">() + ".txt");
  EXPECT_TRUE(Has(list, SJ<"●  /refused.css">())) << list;
  EXPECT_TRUE(Has(list, SJ<"●  /errors/loop-redirect.css">())) << list;
  // The report lists every failure as one.
  const std::string report = Saved("errors/ZU_page_Image_" + SJ<"一覧">() + ".txt");
  EXPECT_EQ(std::count(report.begin(), report.end(), '\t'), 2 * 6);
  EXPECT_FALSE(Has(report, SJ<"◎  /errors/500-empty.png">()));
  EXPECT_TRUE(Has(report, SJ<"●  /errors/500-empty.png">()));
}

}  // namespace
}  // namespace kaplo
