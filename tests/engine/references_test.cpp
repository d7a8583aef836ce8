// What counts as a reference in a page and a stylesheet, and what does not.
#include "engine/references.h"

#include <gtest/gtest.h>

#include "text/sjis_literal.h"

namespace kaplo {
namespace {

struct Found {
  std::string value;
  RefRole role;
  bool operator==(const Found&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Found& f) {
  return out << f.value << "/" << static_cast<int>(f.role);
}

std::vector<Found> Values(const std::vector<FoundReference>& refs, std::string_view text) {
  std::vector<Found> out;
  for (const FoundReference& r : refs) {
    out.push_back({r.value, r.role});
    // Every position names the value as written.
    EXPECT_LE(r.end, text.size());
  }
  return out;
}

std::vector<Found> PageValues(std::string_view page) {
  return Values(ScanPage(page).references, page);
}

TEST(References, AttributesThatHoldAddresses) {
  using R = RefRole;
  const struct {
    std::string page;
    std::vector<Found> want;
  } cases[] = {
      {"<link rel=\"stylesheet\" href=\"a.css?v=1\"><link rel=icon href=i.png>"
       "<link rel=\"preload\" as=\"font\" href=\"f.woff2\"><link rel=\"next\" href=\"n.html\">",
       {{"a.css?v=1", R::kStylesheet}, {"i.png", R::kImage}, {"f.woff2", R::kFont}}},
      {"<SCRIPT SRC='j.js'></SCRIPT><img src=a.png srcset=\"b.png 2x, c d.png 3x\" alt=x/>",
       {{"j.js", R::kScript}, {"a.png", R::kImage}, {"b.png", R::kImage}, {"c", R::kImage}}},
      {"<a href=\"x.html#t\">x</a><area href=\"/m\"><form action=\"go.cgi\"></form>",
       {{"x.html#t", R::kLink}, {"/m", R::kLink}, {"go.cgi", R::kLink}}},
      {"<iframe src=\"f.html\"><img src=\"inside.png\"></iframe><frame src=\"g.html\">",
       {{"f.html", R::kFrame}, {"g.html", R::kFrame}}},
      {"<video poster=\"p.jpg\"><source src=\"v.mp4\"></video><picture><source srcset=\"s.webp\">"
       "<source src=\"pic.png\"></picture>",
       {{"p.jpg", R::kImage}, {"v.mp4", R::kMedia}, {"s.webp", R::kImage}, {"pic.png", R::kImage}}},
      {"<body background=\"bg.gif\"><td background='c.gif'><input type=image src=b.png>"
       "<input type=text src=no.png><svg><use href=\"#i\"/><image xlink:href=\"s.png\"/></svg>",
       {{"bg.gif", R::kImage}, {"c.gif", R::kImage}, {"b.png", R::kImage}, {"s.png", R::kImage}}},
      {"<object data=\"m.swf\"><param name=\"movie\" value=\"m2.swf\"><param name=q value=x>"
       "</object><embed src=\"e.swf\">",
       {{"m.swf", R::kFile}, {"m2.swf", R::kFile}, {"e.swf", R::kFile}}},
      {"<img src=\"a.php?x=1&amp;y=2\"><img src=\"data:image/png;base64,AA\">"
       "<img src=\"javascript:void(0)\"><img src=\"#\"><img src=\"\">",
       {{"a.php?x=1&y=2", R::kImage}}},
  };
  for (const auto& c : cases) EXPECT_EQ(PageValues(c.page), c.want) << c.page;
}

// Text, code samples, comments, scripts, SVG path data, form fields: no
// address is taken from any of them.
TEST(References, TextIsNeverTakenForAnAddress) {
  const std::string page =
      "<html><head><script>var a = \"img/x.png\"; alert('see <b>w.png</b>');"
      "</script><style>/* url(c.png) */ p { content: \"/\"; }</style></head><body>"
      "<p>see image.png or url(y.png)</p><pre>&gt;&gt;&gt; b'a,b'.split(b',')\n"
      "Loading Linux 5.10.0-6-amd64 ...</pre><code>str.zfill</code>"
      "<!-- <img src=\"commented.png\"> --><textarea><img src=\"t.png\"></textarea>"
      "<noscript><img src=\"n.png\"></noscript>"
      "<svg><path d=\"M15.5 14h-.79l-.28-.27A6.471 6.471 0 0016 9.5\"/></svg>"
      "<input value=\"a.png\"><div title=\"b.css\" data-x=\"c.js\"></div></body></html>";
  EXPECT_TRUE(ScanPage(page).references.empty());
}

// Markup a script writes from a string is read as markup: the src of
// <script> and <img>, a stylesheet's <link href>, each closed inside its
// string; a value the code puts together is not.
TEST(References, MarkupThatScriptsWriteIsRead) {
  using R = RefRole;
  const std::string code =
      "document.write('<script src=\"js/late.js\"></scr'+'ipt>');\n"
      "var s = \"<IMG alt=x SRC=\\\"a.png\\\">\"; // '<img src=\"comment.png\">'\n"
      "el.innerHTML = '<link rel=\"stylesheet\" href=\"s.css\"><img src=' + name + '>' +\n"
      "  '<img src=\"' + pic + '\">' + `<img src=\"${p}.png\">` + '<img src=\"j\\/k.png\">';";
  const std::string page = "<script>" + code +
                           "</script><script type=\"text/template\"><img src=\"t.png\"></script>";
  const std::vector<Found> want = {{"js/late.js", R::kScript},
                                   {"a.png", R::kImage},
                                   {"s.css", R::kStylesheet},
                                   {"j/k.png", R::kImage}};
  const PageScan scan = ScanPage(page);
  EXPECT_EQ(Values(scan.references, page), want);
  for (const FoundReference& r : scan.references) EXPECT_TRUE(r.in_script) << r.value;
  // The value's bytes as written, so a rewrite replaces exactly them.
  ASSERT_EQ(scan.references.size(), 4u);
  EXPECT_EQ(page.substr(scan.references[3].begin, scan.references[3].end - scan.references[3].begin),
            "j\\/k.png");
  // A script file reads the same.
  std::vector<FoundReference> in_file;
  ScanScriptMarkup(code, 0, code.size(), false, in_file);
  EXPECT_EQ(Values(in_file, code), want);
}

TEST(References, StylesInPagesAndStylesheets) {
  using R = RefRole;
  const std::string page =
      "<style>@import \"i.css\"; @import url(j.css) print;\n"
      "@font-face { font-family: f; src: url('f.eot?#iefix') format('eot'), url(g.svg#x); }\n"
      "p { background: url( \"b.png\" ) } q { background-image: image-set(\"a.png\" 1x, "
      "url(a2.png) 2x) }</style>"
      "<div style=\"background:url(&quot;d.png&quot;)\"></div><p style='x: url(e.woff2)'>";
  EXPECT_EQ(PageValues(page), (std::vector<Found>{{"i.css", R::kStylesheet},
                                                  {"j.css", R::kStylesheet},
                                                  {"f.eot?#iefix", R::kFont},
                                                  {"g.svg#x", R::kFont},
                                                  {"b.png", R::kImage},
                                                  {"a.png", R::kImage},
                                                  {"a2.png", R::kImage},
                                                  {"d.png", R::kImage},
                                                  {"e.woff2", R::kFont}}));
  // A Shift_JIS character whose second byte is "\" does not escape what follows.
  const std::string css = ".x:before { content: \"" + SJ<"ソ">() + "\" } .y { background: url(s.png) }";
  EXPECT_EQ(Values(ScanStylesheet(css), css), (std::vector<Found>{{"s.png", R::kImage}}));
  const std::string escaped = "a{b:url(\\28x\\29.png)}";
  EXPECT_EQ(Values(ScanStylesheet(escaped), escaped), (std::vector<Found>{{"(x).png", R::kImage}}));
}

TEST(References, BaseCharsetAndHead) {
  const std::string page =
      "<html><head id=h><meta charset=\"utf-8\"><meta http-equiv=\"Content-Type\" "
      "content=\"text/html; charset=EUC-JP\"><base href=\"http://h/d/\" target=_top>"
      "<base href=\"ignored/\"><script src=s.js charset=\"utf-8\"></script></head>"
      "<frameset><frame src=a.html></frameset></html>";
  const PageScan scan = ScanPage(page);
  EXPECT_TRUE(scan.has_base);
  EXPECT_EQ(scan.base_href, "http://h/d/");
  EXPECT_EQ(page.substr(scan.base_tag_begin, scan.base_tag_end - scan.base_tag_begin),
            "<base href=\"http://h/d/\" target=_top>");
  ASSERT_EQ(scan.charsets.size(), 3u);
  EXPECT_EQ(page.substr(scan.charsets[0].begin, scan.charsets[0].end - scan.charsets[0].begin),
            "utf-8");
  EXPECT_EQ(page.substr(scan.charsets[1].begin, scan.charsets[1].end - scan.charsets[1].begin),
            "EUC-JP");
  EXPECT_EQ(page.substr(scan.charsets[2].begin, scan.charsets[2].end - scan.charsets[2].begin),
            "utf-8");
  EXPECT_TRUE(scan.has_head);
  EXPECT_EQ(page.substr(scan.head_content_begin, 6), "<meta ");
  EXPECT_TRUE(scan.frameset);
  const CharsetDeclaration cs = StylesheetCharset("@charset \"UTF-8\";\na{}");
  EXPECT_EQ(std::string("@charset \"UTF-8\";").substr(cs.begin, cs.end - cs.begin), "UTF-8");
}

// Broken markup ends the scan, never runs past the text.
TEST(References, BrokenMarkupIsSafe) {
  for (const std::string page :
       {"<img src=\"a.png", "<img src=", "<a href='x", "<!-- <img src=x>", "<style>url(",
        "<div style=\"url(&quot;a", "<script>", "<", "<img src=a.png", "<?xml", "<!doctype"}) {
    const PageScan scan = ScanPage(page);
    for (const FoundReference& r : scan.references) {
      EXPECT_LE(r.begin, r.end) << page;
      EXPECT_LE(r.end, page.size()) << page;
    }
  }
}

}  // namespace
}  // namespace kaplo
