// Every route of a job reads Japanese text whatever its code and wherever the
// code is named (a declaration, the HTTP header, nothing), writes Shift_JIS
// with CR LF line ends, and a page that cannot be fetched fails with why.
#include <gtest/gtest.h>
#include <iconv.h>

#include <chrono>
#include <initializer_list>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>
#include <utility>

#include "engine/engine.h"
#include "text/charset.h"
#include "engine/engine_test_support.h"
#include "engine/http_server_support.h"
#include "engine/parallel_fetch.h"
#include "shell/messages.h"
#include "text/convert.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

// What `iconv -f CP932` says: every byte sequence is a CP932 character.
bool IsCp932(const std::string& text) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string in = text;
  char* src = in.data();
  std::size_t left = in.size();
  bool ok = true;
  while (left > 0 && ok) {
    char buf[4096];
    char* dst = buf;
    std::size_t room = sizeof buf;
    ok = iconv(cd, &src, &left, &dst, &room) != static_cast<std::size_t>(-1) || errno == E2BIG;
  }
  iconv_close(cd);
  return ok;
}

bool OnlyCrLf(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
  }
  return true;
}

struct Code {
  const char* name;
  std::string (*encode)(std::string_view);
};
const Code kCodes[] = {
    {"Shift_JIS", [](std::string_view s) { return std::string(s); }},
    {"EUC-JP", [](std::string_view s) { return ShiftJISToEuc(s); }},
    {"UTF-8", [](std::string_view s) { return ShiftJISToUtf8(s); }},
    {"ISO-2022-JP", [](std::string_view s) { return ShiftJISToJis(s); }},
};

class CharsetRoutes : public ::testing::Test {
 protected:
  void SetUp() override {
    server_.server().Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
      if (req.path == "/slow.html") {
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        res.set_content("<html><body>late</body></html>", "text/html");
        return;
      }
      const auto it = site_.find(req.path);
      if (it == site_.end()) {
        res.status = 404;
        res.set_content("<html><body>404 Not Found</body></html>", "text/html");
        return;
      }
      res.set_content(it->second.first, it->second.second);
    });
    server_.Start();
  }

  DownloadRequest Request(const std::string& path) {
    DownloadRequest r;
    r.url = path.starts_with("/") ? server_.Url(path) : path;
    r.save_folder = folder_;
    r.options.dont_empty_folder = true;
    return r;
  }

  // A saved file that must read as Japanese text: valid CP932, CR LF only.
  static void ExpectShiftJisText(const std::string& file, const std::string& sjis_text) {
    const std::string saved = test::ReadFile(file);
    EXPECT_TRUE(ContainsAtBoundary(saved, sjis_text)) << file << "\n" << saved;
    EXPECT_TRUE(IsCp932(saved)) << file;
    EXPECT_TRUE(OnlyCrLf(saved)) << file;
  }

  // path -> (body, Content-Type)
  std::map<std::string, std::pair<std::string, std::string>> site_;
  test::TempSaveFolder temp_{"charset-routes"};
  const std::string folder_ = temp_.save;
  test::LocalServer server_;
  CurlFetcher fetcher_;
  test::ScriptedPrompter prompter_;
  JobObserver observer_;
};

TEST_F(CharsetRoutes, BothFetchersReportContentTypeAndFailure) {
  site_["/t.html"] = {"<p>x</p>", "text/html; charset=EUC-JP"};
  ParallelFetcher parallel(FetchLimits{}, 4, 2);
  for (Fetcher* f : std::initializer_list<Fetcher*>{&fetcher_, &parallel}) {
    const TextResponse ok = f->FetchTextResponse(server_.Url("/t.html"));
    EXPECT_EQ(ok.text, "<p>x</p>");
    EXPECT_EQ(ok.content_type, "text/html; charset=EUC-JP");
    EXPECT_TRUE(ok.failure.empty()) << ok.failure;
    const TextResponse missing = f->FetchTextResponse(server_.Url("/none.html"));
    EXPECT_EQ(missing.failure, "HTTP 404");
    EXPECT_FALSE(missing.text.empty());  // the error page stays readable as text
    EXPECT_FALSE(f->FetchTextResponse("http://127.0.0.1:1/").failure.empty());
  }
}

TEST_F(CharsetRoutes, PagesInEveryCodeWithAndWithoutDeclarationsAndHeaderCharsets) {
  // Lines end right after "。" and "、", whose UTF-8 forms end in bytes that
  // look like Shift_JIS first bytes.
  const std::string body = SJ<"こんにちは、世界。">() + "\n" + SJ<"二行目です、">() + "\n";
  int n = 0;
  for (const Code& code : kCodes) {
    for (const bool declared : {true, false}) {
      for (const bool header : {true, false}) {
        // A page in EUC-JP or ISO-2022-JP that names its code nowhere cannot be read.
        const bool knowable = declared || header || std::string_view(code.name) == "UTF-8" ||
                              std::string_view(code.name) == "Shift_JIS";
        if (!knowable) continue;
        SCOPED_TRACE(std::string(code.name) + (declared ? " declared" : "") +
                     (header ? " header" : ""));
        const std::string meta = declared ? "<meta http-equiv=\"Content-Type\" content=\"text/html; "
                                            "charset=" + std::string(code.name) + "\">\n"
                                          : "";
        const std::string page = "<html>\n<head>\n" + meta + "<title>" + SJ<"日本語のページ">() +
                                 "</title>\n</head>\n<body>\n<p>" + body + "</p>\n</body>\n</html>\n";
        const std::string path = "/p" + std::to_string(++n) + "/page.html";
        site_[path] = {code.encode(page),
                       header ? "text/html; charset=" + std::string(code.name) : "text/html"};
        DownloadEngine engine(fetcher_, prompter_, nullptr, observer_);
        const DownloadResult r = engine.Run(Request(path));
        ASSERT_TRUE(r.page_saved) << r.failure;
        ExpectShiftJisText(r.saved_page, SJ<"こんにちは、世界。">());
        ExpectShiftJisText(r.saved_page, SJ<"日本語のページ">());
        // The copy as fetched is the server's bytes, each line ending CR LF.
        const std::string copy = folder_ + "p" + std::to_string(n) + "/ZZOrg_page.html";
        EXPECT_EQ(test::ReadFile(copy), NormaliseLineBreaks(code.encode(page)));
        EXPECT_EQ(r.labels.status, msg::DownloadFinished());
      }
    }
  }
}

TEST_F(CharsetRoutes, StylesheetsReadByTheirHeaderUnlessTheyDeclareTheirCode) {
  site_["/c/page.html"] = {
      "<html><head><link rel=\"stylesheet\" href=\"euc.css\">"
      "<link rel=\"stylesheet\" href=\"own.css\"></head><body>x</body></html>",
      "text/html; charset=Shift_JIS"};
  site_["/c/euc.css"] = {ShiftJISToEuc("p:before { content: \"" + SJ<"日本語">() + "\"; }\n"),
                         "text/css; charset=EUC-JP"};
  // Its own declaration wins over a wrong header.
  site_["/c/own.css"] = {"@charset \"Shift_JIS\";\np:after { content: \"" + SJ<"表示">() + "\"; }\n",
                         "text/css; charset=EUC-JP"};
  DownloadEngine engine(fetcher_, prompter_, nullptr, observer_);
  const DownloadResult r = engine.Run(Request("/c/page.html"));
  ASSERT_TRUE(r.page_saved) << r.failure;
  ExpectShiftJisText(folder_ + "c/euc.css", SJ<"日本語">());
  ExpectShiftJisText(folder_ + "c/own.css", SJ<"表示">());
}

TEST_F(CharsetRoutes, FramesetPagesInEveryCodeAreSavedAsShiftJis) {
  for (const Code& code : kCodes) {
    SCOPED_TRACE(code.name);
    const std::string dir = "/f-" + LowerAscii(code.name) + "/";
    const std::string page =
        "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" +
        std::string(code.name) + "\">\n<title>" + SJ<"フレームのページ">() +
        "</title>\n</head>\n<frameset cols=\"*,*\">\n<frame src=\"menu.html\" name=\"" +
        "m\">\n<frame src=\"main.php?id=1\">\n</frameset>\n</html>\n";
    site_[dir + "top.html"] = {code.encode(page), "text/html"};
    prompter_.save_path = folder_ + "top.html";
    DownloadEngine engine(fetcher_, prompter_, nullptr, observer_);
    const DownloadResult r = engine.Run(Request(dir + "top.html"));
    ASSERT_TRUE(r.page_saved) << r.failure;
    EXPECT_TRUE(r.frameset);
    EXPECT_EQ(r.frames, (std::vector<std::string>{"main.php?id=1", "menu.html"}));
    ExpectShiftJisText(r.saved_page, SJ<"フレームのページ">());
    const std::string saved = test::ReadFile(r.saved_page);
    EXPECT_TRUE(ContainsAtBoundary(saved, "charset=Shift_JIS")) << saved;
    EXPECT_TRUE(ContainsAtBoundary(saved, "main.php@id=1.html")) << saved;
  }
}

TEST_F(CharsetRoutes, APageThatCannotBeFetchedFailsWithTheReason) {
  FetchLimits limits;
  limits.low_speed_time_s = 1;  // a server silent for a second is cut
  CurlFetcher impatient(limits);
  const struct {
    const char* what;
    std::string url;
    const char* reason;  // part of what libcurl or the server said
  } cases[] = {
      {"refused", "http://127.0.0.1:1/a.html", "connection refused"},
      {"not found", "/missing.html", "HTTP 404"},
      {"timed out", "/slow.html", "the server sent nothing for 1 s"},
  };
  for (const auto& c : cases) {
    DownloadEngine engine(impatient, prompter_, nullptr, observer_);
    const DownloadResult r = engine.Run(Request(c.url));
    EXPECT_FALSE(r.page_saved) << c.what;
    EXPECT_EQ(r.failure_kind, DownloadFailure::PageNotFetched) << c.what;
    EXPECT_TRUE(r.failure.starts_with(msg::PageNotFetched())) << c.what;
    EXPECT_NE(r.failure.find(c.reason), std::string::npos) << c.what << ": " << r.failure;
    // The tab's label says the same, never that the download finished.
    EXPECT_EQ(r.labels.status, r.failure) << c.what;
    EXPECT_FALSE(engine.Running()) << c.what;
  }
  EXPECT_TRUE(fs::is_empty(folder_));
}

}  // namespace
}  // namespace kaplo
