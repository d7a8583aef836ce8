// The places modern pages keep addresses, found and rewritten.
#include "engine/modern_resources.h"

#include <gtest/gtest.h>

namespace kaplo {
namespace {

std::vector<std::string> Addresses(const std::vector<ModernReference>& refs) {
  std::vector<std::string> out;
  for (const auto& r : refs) out.push_back(r.address);
  return out;
}

using List = std::vector<std::string>;

TEST(ModernResources, FindsEveryAddressOfThePatternTable) {
  const struct {
    const char* page;
    List addresses;
  } cases[] = {
      {"<img src=a.jpg srcset=\"b.jpg 1x, c.jpg 2x\">", {"b.jpg", "c.jpg"}},
      {"<img srcset='s-400.jpg 400w,s-800.jpg 800w' sizes='50vw'>", {"s-400.jpg", "s-800.jpg"}},
      // An address may hold commas; only a trailing one ends it.
      {"<img srcset=\"/i/w_100,h_50/a.jpg 1x,/i/b.jpg\">", {"/i/w_100,h_50/a.jpg", "/i/b.jpg"}},
      {"<picture><source srcset=\"a.webp\" type=\"image/webp\"><img src=a.jpg></picture>",
       {"a.webp"}},
      {"<img data-src=\"/lazy.jpg\" data-srcset=\"/l1.jpg 1x, /l2.jpg 2x\">",
       {"/lazy.jpg", "/l1.jpg", "/l2.jpg"}},
      {"<div class=lazy data-original=\"http://h/o.png\"></div>", {"http://h/o.png"}},
      {"<video poster=\"p.jpg\" src=v.mp4></video>", {"p.jpg"}},
      {"<link rel=\"shortcut icon\" href=\"/favicon.ico\"><link rel=apple-touch-icon href=t.png>"
       "<link rel=stylesheet href=s.css><link rel=manifest href=m.json>",
       {"/favicon.ico", "t.png", "m.json"}},
      {"<div style=\"background:url(&quot;/bg.png&quot;) no-repeat\"></div>"
       "<p style='background-image:image-set(\"a.png\" 1x, url(b.png) 2x)'>",
       {"/bg.png", "a.png", "b.png"}},
      {"<style>@font-face{font-family:x;src:url(/f/x.woff2) format('woff2'),"
       "url('/f/x.ttf')} body{background:url(bg.gif)}</style>",
       {"/f/x.woff2", "/f/x.ttf", "bg.gif"}},
      // Not addresses of files, and not in tags.
      {"<img srcset=\"data:image/png;base64,AAAA 1x\" data-src=\"#x\">"
       "<!-- <img srcset=\"c.jpg\"> --><script>x = '<img srcset=\"d.jpg\">';</script>",
       {}},
      {"<img srcset=\"a.jpg?w=1&amp;h=2 2x\">", {"a.jpg?w=1&h=2"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Addresses(FindModernPageReferences(c.page)), c.addresses) << c.page;
  }
}

TEST(ModernResources, KindsDecideWhereTheFileGoes) {
  const auto refs = FindModernPageReferences(
      "<link rel=preload href=/f.woff2 as=font crossorigin><link rel=preload href=/a.js as=script>"
      "<link rel=icon href=/i.png><style>@font-face{src:url(/x.svg#f)}</style>");
  EXPECT_EQ(Addresses(refs), (List{"/f.woff2", "/i.png", "/x.svg#f"}));
  ASSERT_EQ(refs.size(), 3u);
  EXPECT_EQ(refs[0].kind, ModernKind::kFont);
  EXPECT_EQ(refs[1].kind, ModernKind::kImage);
  EXPECT_EQ(refs[2].kind, ModernKind::kFont);
  EXPECT_EQ(FindModernPageReferences("<link rel=preload href=/d.json as=fetch>")[0].kind,
            ModernKind::kFile);
  const auto css = FindStylesheetReferences(
      "@import url(x.css);\n.a{background:url(\"i.webp\")}\n@font-face{src:url(../f/a.eot?#iefix)"
      " format('embedded-opentype'), url(../f/a.woff) format('woff')}");
  // Imports are the stylesheet stages' own.
  EXPECT_EQ(Addresses(css), (List{"i.webp", "../f/a.eot?#iefix", "../f/a.woff"}));
  EXPECT_EQ(css[0].kind, ModernKind::kImage);
  EXPECT_EQ(css[1].kind, ModernKind::kFont);
}

TEST(ModernResources, RewritesEachReferenceInPlace) {
  const std::string page = "<img srcset=\"/a.jpg 1x, /b.jpg 2x\" src=\"/a.jpg\">";
  const auto refs = FindModernPageReferences(page);
  const std::string out = RewriteReferences(page, refs, [](const ModernReference& r) {
    return r.address == "/b.jpg" ? std::string("../img/b.jpg") : std::string();
  });
  EXPECT_EQ(out, "<img srcset=\"/a.jpg 1x, ../img/b.jpg 2x\" src=\"/a.jpg\">");
}

TEST(ModernResources, RelativePaths) {
  EXPECT_EQ(RelativePath("/dl/h/a/b/", "/dl/h/img/x.png"), "../../img/x.png");
  EXPECT_EQ(RelativePath("/dl/h/", "/dl/h/x.png"), "x.png");
  EXPECT_EQ(RelativePath("/dl/h/", "/dl/h/f/x.woff2"), "f/x.woff2");
  EXPECT_EQ(RelativePath("/dl/h/a/", "/dl/cdn/x.png"), "../../cdn/x.png");
}

}  // namespace
}  // namespace kaplo
