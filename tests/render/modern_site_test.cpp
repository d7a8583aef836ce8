// A modern page saved and opened offline: --check proves it asks the network
// for nothing and misses no file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "cli/cli_support.h"
#include "engine/http_server_support.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

const std::string kGif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\xff\xff\xff\x2c\x00\x00"
                       "\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b",
                       35);

TEST(ModernSite, SavedCopyOpensOfflineWithEveryResource) {
  test::LocalServer server;
  std::string origin;  // http://127.0.0.1:PORT
  const std::map<std::string, std::string> text_files = {
      {"/site/css/main.css",
       "@import url(\"parts/fonts.css\");\n"
       "@font-face{font-family:Main;src:url(../fonts/main.woff2) format('woff2'),"
       "url(../fonts/main.woff) format('woff')}\n"
       "body{font-family:Main}\n.hero{background:url(/site/img/hero.webp)}\n"},
      {"/site/css/parts/fonts.css",
       "@font-face{font-family:Part;src:url(../../fonts/part.ttf)}\nh1{font-family:Part}\n"},
      {"/site/manifest.json", "{\"name\":\"m\"}"},
  };
  server.server().Get(".*", [&](const httplib::Request& req, httplib::Response& r) {
    if (req.path == "/site/index.html") {
      r.set_content(
          "<html><head><meta charset=\"utf-8\"><title>modern</title>\n"
          "<link rel=\"stylesheet\" href=\"css/main.css\">\n"
          "<link rel=\"icon\" href=\"/site/img/favicon.png\">\n"
          "<link rel=\"apple-touch-icon\" href=\"img/touch.png\">\n"
          "<link rel=\"manifest\" href=\"manifest.json\">\n"
          "<link rel=\"preload\" href=\"fonts/pre.woff2\" as=\"font\" crossorigin>\n"
          "<style>@font-face{font-family:Inline;src:url(fonts/inline.otf)}"
          "p{font-family:Inline}</style>\n"
          "</head><body><h1>見出し</h1><p>本文</p><div class=\"hero\">hero</div>\n"
          "<img src=\"img/a.gif\" srcset=\"img/a-1x.jpg 1x, /site/img/a-2x.jpg 2x\">\n"
          "<img src=\"img/w.gif\" srcset=\"img/w-400.jpg 400w, " + origin +
              "/site/img/w-800.jpg 800w\" sizes=\"(max-width: 600px) 400px, 800px\">\n"
          "<picture><source srcset=\"img/p.webp 1x, img/p2.webp 2x\" type=\"image/webp\">"
          "<img src=\"img/p.gif\"></picture>\n"
          "<img class=\"lazy\" src=\"img/blank.gif\" data-src=\"/site/img/lazy.jpg\" "
          "data-srcset=\"img/lazy-1x.jpg 1x, /site/img/lazy-2x.jpg 2x\">\n"
          "<div data-original=\"img/orig.jpg\"></div>\n"
          "<video poster=\"img/poster.jpg\" width=\"100\" height=\"50\"></video>\n"
          "<div style=\"width:50px;height:50px;background-image:url('/site/img/inline.webp')\">"
          "</div>\n"
          "<div style='width:50px;height:50px;background-image:image-set(\"img/set-1x.png\" 1x,"
          " \"img/set-2x.png\" 2x)'></div>\n"
          "<script>document.querySelectorAll('img[data-src]').forEach(function (i) {"
          " i.srcset = i.dataset.srcset; i.src = i.dataset.src; });</script>\n"
          "</body></html>\n",
          "text/html");
      return;
    }
    if (const auto it = text_files.find(req.path); it != text_files.end()) {
      r.set_content(it->second, req.path.ends_with(".css") ? "text/css" : "application/json");
      return;
    }
    // Every other file of the site is a small image or a font's bytes.
    if (req.path.starts_with("/site/")) {
      r.set_content(kGif, "application/octet-stream");
      return;
    }
    r.status = 404;
  });
  server.Start();
  const std::string base = server.Url("/");
  origin = base.substr(0, base.size() - 1);

  const fs::path dir = fs::temp_directory_path() / ("kaplo-modern-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  const auto r = test::RunKaplo({"download", server.Url("/site/index.html"), dir.string(),
                                 "--check", "--verbose"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("ネットワークへの要求 (保存されなかったもの): 0\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("見つからないファイル: 0\n"), std::string::npos) << r.out;
  // Each resource is a saved file with its outcome mark; fonts lie where
  // their stylesheets' addresses say.
  for (const char* file :
       {"site/img/a-2x.jpg", "site/img/w-800.jpg", "site/img/p2.webp", "site/img/lazy.jpg",
        "site/img/lazy-2x.jpg", "site/img/orig.jpg", "site/img/poster.jpg", "site/img/favicon.png",
        "site/img/touch.png", "site/manifest.json", "site/fonts/pre.woff2", "site/fonts/inline.otf",
        "site/fonts/main.woff2", "site/fonts/main.woff", "site/fonts/part.ttf",
        "site/img/hero.webp", "site/img/inline.webp", "site/img/set-2x.png"}) {
    EXPECT_TRUE(fs::is_regular_file(dir / file)) << file;
    EXPECT_NE(r.out.find("◎" + (dir / file).string() + "\n"), std::string::npos) << file;
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kaplo
