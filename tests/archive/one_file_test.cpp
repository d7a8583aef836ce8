// The one-file page of a job saved from a real server on 127.0.0.1: nothing
// of the site left to fetch but what the server failed to deliver, every
// data: payload the bytes the server sent, the text in UTF-8.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <cctype>
#include <regex>
#include <set>
#include <string>

#include "archive/inline_page.h"
#include "archive/one_file_job.h"
#include "engine/engine_test_support.h"
#include "text/convert.h"
#include "text/urlcode.h"

namespace kaplo::test {
namespace {

namespace fs = std::filesystem;

// Bytes that begin like a file of the kind and go on as no text would.
std::string Binary(std::string_view magic, char seed, std::size_t n) {
  std::string s(magic);
  for (std::size_t i = 0; s.size() < n; ++i) s += static_cast<char>(seed * 31 + i * 7 + (i >> 3));
  return s;
}

// The data: address of bytes, whole: followed by no more of its payload.
bool HoldsData(std::string_view text, const std::string& type, const std::string& bytes) {
  const std::string data = "data:" + type + ";base64," + Base64Encode(bytes);
  for (std::size_t at = text.find(data); at != std::string_view::npos;
       at = text.find(data, at + 1)) {
    const char next = at + data.size() < text.size() ? text[at + data.size()] : ' ';
    if (std::isalnum(static_cast<unsigned char>(next)) == 0 && next != '+' && next != '/') {
      return true;
    }
  }
  return false;
}

class OneFile : public EngineTest {
 protected:
  OneFile() : EngineTest("onefile") {}
  void SetUp() override {
    server_.server().Get("/img/old.png", [](const httplib::Request&, httplib::Response& res) {
      res.status = 302;
      res.set_header("Location", "/img/new.png");
      res.set_content("moved", "text/plain");
    });
    EngineTest::SetUp();
  }
  // The job on path, then its one file; the file's text.
  std::string SaveAsOneFile(const std::string& path) {
    const DownloadResult page = Run(path);
    EXPECT_TRUE(page.page_saved) << page.failure;
    const OneFileResult one = WriteJobAsOneFile(Engine(), page, out_);
    EXPECT_TRUE(one.written) << one.error;
    EXPECT_FALSE(fs::exists(out_.string() + ".part"));
    return ReadFile(out_);
  }
  const fs::path out_ = root_ / "one.html";
};

TEST_F(OneFile, HoldsEveryResourceTheJobSavedAndKeepsTheAddressOfWhatFailed) {
  const std::string png = Binary("\x89PNG\r\n\x1a\n", 'p', 900);
  const std::string png2x = Binary("\x89PNG\r\n\x1a\n", 'q', 1200);
  const std::string moved = Binary("GIF89a", 'm', 500);  // served as .png: typed by its bytes
  const std::string bg = Binary("GIF89a", 'b', 300);
  const std::string font = Binary("wOFF", 'f', 2000);
  const std::string inner = Binary("\xFF\xD8\xFF", 'i', 700);
  site_ = {
      {"/page.html",
       "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
       "<link rel=\"stylesheet\" href=\"css/main.css\" media=\"screen\">"
       "<style>@import url(\"css/extra.css\"); h2 { background: url(img/bg.gif) }</style>"
       "<script src=\"js/app.js\"></script>"
       "<script>document.write('<img src=\"img/w.png\">');</script></head><body>"
       "<p style=\"background-image: url('img/bg.gif')\">styled</p>"
       "<img src=\"img/a.png\" srcset=\"img/a.png 1x, img/a2x.png 2x\">"
       "<img src=\"img/old.png\"><img src=\"img/gone.png\">"
       "<iframe src=\"frame.html\" width=\"200\"></iframe></body></html>"},
      {"/css/main.css",
       "@import url(\"sub/imported.css\") screen;\n"
       "@font-face { font-family: F; src: url(../fonts/f.woff?v=3#iefix) format(\"woff\"); }\n"
       "body { font-family: F; }\n"},
      // Addresses inside an imported sheet are its own: relative to css/sub/.
      {"/css/sub/imported.css", "p { color: #123456; background: url(../../img/bg.gif) }\n"},
      {"/css/extra.css", "h1 { color: #654321 }\n"},
      {"/js/app.js", "var end = \"</script>\"; var n = 1 < 2;\n"},
      {"/img/a.png", png},
      {"/img/a2x.png", png2x},
      {"/img/w.png", png2x},
      {"/img/new.png", moved},
      {"/img/bg.gif", bg},
      {"/fonts/f.woff", font},
      {"/frame.html",
       "<html><body><p class=\"q\">in the frame &amp; more</p><img src=\"img/inner.jpg\">"
       "</body></html>"},
      {"/img/inner.jpg", inner},
  };
  const std::string text = SaveAsOneFile("/page.html");

  // Of the site only the image the server did not have is still named (the
  // first line says where the page was saved from).
  const std::string site = Url("/");
  std::set<std::string> named;
  for (std::size_t at = text.find(site, text.find('\n')); at != std::string::npos; at = text.find(site, at + 1)) {
    named.insert(text.substr(at, text.find_first_of("\"' )", at) - at));
  }
  EXPECT_EQ(named, std::set<std::string>{Url("/img/gone.png")});

  EXPECT_TRUE(HoldsData(text, "image/png", png));
  EXPECT_TRUE(HoldsData(text, "image/png", png2x));
  // A script's markup keeps its tag: only the address becomes data.
  EXPECT_NE(text.find("document.write('<img src=\"data:image/png;base64,"), std::string::npos);
  EXPECT_TRUE(HoldsData(text, "image/gif", moved));
  EXPECT_TRUE(HoldsData(text, "image/gif", bg));
  EXPECT_TRUE(HoldsData(text, "font/woff", font));
  EXPECT_NE(text.find("#iefix)"), std::string::npos);
  EXPECT_NE(text.find(" 2x\""), std::string::npos) << "srcset keeps its descriptors";

  // Stylesheets in place, imports too (with their media), no import left.
  EXPECT_NE(text.find("<style media=\"screen\">@media screen {\np { color: #123456"),
            std::string::npos);
  EXPECT_NE(text.find("h1 { color: #654321 }"), std::string::npos);
  EXPECT_EQ(text.find("@import"), std::string::npos);
  EXPECT_EQ(text.find("<link"), std::string::npos);
  // The script's own text (as saved: line ends CRLF), unable to end its element early.
  EXPECT_NE(text.find("<script>var end = \"<\\/script>\"; var n = 1 < 2;\r\n</script>"),
            std::string::npos);

  // The frame's page, escaped into srcdoc, with its own image inline.
  const std::smatch frame = [&] {
    std::smatch m;
    std::regex_search(text, m, std::regex("<iframe srcdoc=\"([^\"]*)\" width=\"200\">"));
    return m;
  }();
  ASSERT_FALSE(frame.empty());
  EXPECT_NE(frame[1].str().find("<p class=&quot;q&quot;>in the frame &amp;amp; more</p>"),
            std::string::npos);
  EXPECT_TRUE(HoldsData(frame[1].str(), "image/jpeg", inner));
}

TEST_F(OneFile, IsUtf8WithItsCharsetDeclared) {
  const struct {
    const char* path;
    std::string page;
    std::string head;  // how the one file's head begins
  } cases[] = {
      {"/sjis.html",
       Utf8ToShiftJIS("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                      "charset=Shift_JIS\"><title>日本語</title></head><body><p>表示する文字"
                      "</p></body></html>"),
       "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"},
      {"/none.html", "<html><head><title>plain</title></head><body><p>日本語</p></body></html>",
       "<html><head><meta charset=\"utf-8\"><title>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    site_[c.path] = c.page;
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const std::string text = SaveAsOneFile(c.path);
    EXPECT_NE(text.find(c.head), std::string::npos) << text;
    EXPECT_EQ(Utf8ToShiftJIS(text).empty(), false) << "valid UTF-8";
    EXPECT_EQ(text.find("Shift_JIS"), std::string::npos);
  }
  EXPECT_NE(ReadFile(out_).find("<p>日本語</p>"), std::string::npos);
  SaveAsOneFile("/sjis.html");
  EXPECT_NE(ReadFile(out_).find("<title>日本語</title></head><body><p>表示する文字</p>"),
            std::string::npos);
}

// Pages read from disk are untrusted: a reference out of the save folder is
// not read, a frame that holds itself ends, and a file that cannot be
// written is said so, with no half file left.
TEST(OneFilePage, ReadsNothingOutsideTheFolderAndEndsOnLoops) {
  const fs::path root = fs::temp_directory_path() / ("kaplo-onefile-" + std::to_string(getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "save");
  std::ofstream(root / "secret.png") << "\x89PNG\r\n\x1a\nsecret";
  std::ofstream(root / "save" / "page.html")
      << "<html><head></head><body><img src=\"../secret.png\"><img src=\"a%20b.png\">"
         "<iframe src=\"b.html\"></iframe></body></html>";
  std::ofstream(root / "save" / "b.html") << "<p>b</p><iframe src=\"page.html\"></iframe>";
  std::ofstream(root / "save" / "a b.png") << "GIF89a-blank";
  const OneFileSources sources{(root / "save").string() + "/", {}};
  std::string error;
  ASSERT_TRUE(WriteOneFilePage((root / "save" / "page.html").string(), sources,
                               root / "one.html", &error))
      << error;
  const std::string text = ReadFile(root / "one.html");
  EXPECT_NE(text.find("<img src=\"../secret.png\">"), std::string::npos);
  EXPECT_EQ(text.find(Base64Encode("\x89PNG\r\n\x1a\nsecret")), std::string::npos);
  EXPECT_NE(text.find("data:image/gif;base64," + Base64Encode("GIF89a-blank")),
            std::string::npos);
  // The frame is written in once; its frame, the page itself, stays a reference.
  EXPECT_NE(text.find("<iframe srcdoc=\"<meta charset=&quot;utf-8&quot;><p>b</p><iframe "
                      "src=&quot;page.html&quot;></iframe>\"></iframe>"),
            std::string::npos)
      << text;

  EXPECT_FALSE(WriteOneFilePage((root / "save" / "page.html").string(), sources,
                                root / "no" / "such" / "one.html", &error));
  EXPECT_NE(error.find("cannot write"), std::string::npos);
  EXPECT_FALSE(WriteOneFilePage((root / "save" / "none.html").string(), sources,
                                root / "two.html", &error));
  EXPECT_FALSE(fs::exists(root / "two.html.part"));
  fs::remove_all(root);
}

}  // namespace
}  // namespace kaplo::test
