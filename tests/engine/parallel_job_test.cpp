// Fetching ahead in parallel must not change what a job leaves behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "engine/engine.h"
#include "engine/engine_test_support.h"
#include "engine/http_server_support.h"
#include "engine/parallel_fetch.h"
#include "engine/parallel_h2_support.h"
#include "text/sjis.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

const std::string kGif = std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13);

// A page with stylesheets that import stylesheets, scripts, images named by
// the page and by the stylesheets, a missing image and a missing stylesheet.
std::map<std::string, std::string> MakeSite() {
  std::map<std::string, std::string> site;
  std::string page =
      "<html><head><meta charset=\"utf-8\"><title>t</title>\n";
  for (int i = 0; i < 6; ++i) {
    const std::string n = std::to_string(i);
    page += "<link rel=\"stylesheet\" href=\"/css/s" + n + ".css\">\n";
    page += "<script src=\"/js/j" + n + ".js\"></script>\n";
    site["/css/s" + n + ".css"] = "@import \"deep/d" + n + ".css\";\nbody{background:url(../img/bg" +
                                  n + ".gif)}\n";
    site["/css/deep/d" + n + ".css"] = "p{background:url(/img/deep" + n + ".gif)}\n";
    site["/js/j" + n + ".js"] = "var v" + n + " = " + n + ";\n";
    site["/img/bg" + n + ".gif"] = kGif;
    site["/img/deep" + n + ".gif"] = kGif;
  }
  page += "<link rel=\"stylesheet\" href=\"/css/missing.css\">\n</head><body>\n";
  for (int i = 0; i < 12; ++i) {
    const std::string n = std::to_string(i);
    page += "<img src=\"/img/p" + n + ".gif\"><img src=\"/img/p" + n + ".gif\">\n";
    site["/img/p" + n + ".gif"] = kGif;
  }
  page += "<img src=\"/img/nothere.gif\"></body></html>\n";
  site["/a/page.html"] = page;
  return site;
}

struct Result {
  std::map<std::string, std::string> files;  // path below the folder -> bytes
  std::vector<std::vector<std::string>> lists;
};

Result RunJob(Fetcher& fetcher, const std::string& url, const fs::path& dir) {
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string folder = dir.string() + "/";
  test::ScriptedPrompter prompter;
  JobObserver observer;
  DownloadEngine engine(fetcher, prompter, nullptr, observer);
  const DownloadResult result = engine.Run({.url = url, .save_folder = folder});
  EXPECT_TRUE(result.page_saved) << result.failure;
  Result r;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    // Reports name the folder of their own job.
    if (e.is_regular_file()) {
      r.files[e.path().string().substr(folder.size())] =
          ReplaceAllExact(test::ReadFile(e.path()), folder, "<folder>/");
    }
  }
  const JobLists& l = result.lists;
  for (const auto* box : {&l.stylesheets, &l.stylesheet_outcomes, &l.images, &l.image_outcomes,
                          &l.imports, &l.entered_images, &l.failed_images, &l.all_stylesheets,
                          &l.all_stylesheet_outcomes, &l.found_images}) {
    std::vector<std::string> lines;
    // Lines name the folder of their own job.
    for (const std::string& line : *box) lines.push_back(ReplaceAllExact(line, folder, "<folder>/"));
    r.lists.push_back(std::move(lines));
  }
  return r;
}

void ExpectSame(const Result& one, const Result& many) {
  EXPECT_GT(one.files.size(), 30u);
  std::vector<std::string> names_one, names_many;
  for (const auto& f : one.files) names_one.push_back(f.first);
  for (const auto& f : many.files) names_many.push_back(f.first);
  ASSERT_EQ(names_one, names_many);
  for (const auto& [name, bytes] : one.files) EXPECT_TRUE(bytes == many.files.at(name)) << name;
  ASSERT_EQ(one.lists.size(), many.lists.size());
  for (std::size_t i = 0; i < one.lists.size(); ++i) EXPECT_EQ(one.lists[i], many.lists[i]) << i;
}

TEST(ParallelJob, SameFilesAndListsAsOneRequestAtATime) {
  const auto site = MakeSite();
  test::LocalServer server;
  std::map<std::string, int> hits;
  std::mutex mu;
  server.server().new_task_queue = [] { return new httplib::ThreadPool(8); };
  server.server().Get(".*", [&](const httplib::Request& req, httplib::Response& res) {
    {
      std::lock_guard<std::mutex> lock(mu);
      ++hits[req.path];
    }
    const auto it = site.find(req.path);
    if (it == site.end()) {
      res.status = 404;
      res.set_content("<html><body>404 Not Found</body></html>", "text/html");
      return;
    }
    res.set_content(it->second, req.path.ends_with(".gif") ? "image/gif" : "text/html");
  });
  server.Start();
  const fs::path root = fs::temp_directory_path() / ("kaplo-pjob-" + std::to_string(::getpid()));

  CurlFetcher serial;
  const Result one = RunJob(serial, server.Url("/a/page.html"), root / "serial");
  {
    std::lock_guard<std::mutex> lock(mu);
    hits.clear();
  }
  ParallelFetcher parallel({}, 8, 4);
  const Result many = RunJob(parallel, server.Url("/a/page.html"), root / "parallel");

  ExpectSame(one, many);
  std::lock_guard<std::mutex> lock(mu);
  for (const auto& [path, n] : hits) EXPECT_EQ(n, 1) << path << " fetched more than once";
  fs::remove_all(root);
}

// A server that offers HTTP/2 gets the whole job over one connection, with
// the same files and lists as one request at a time.
TEST(ParallelJob, OneHttp2ConnectionCarriesTheJob) {
  const fs::path root = fs::temp_directory_path() / ("kaplo-h2job-" + std::to_string(::getpid()));
  for (const auto& [path, bytes] : MakeSite()) {
    fs::create_directories((root / "site" / path.substr(1)).parent_path());
    std::ofstream(root / "site" / path.substr(1), std::ios::binary) << bytes;
  }
  test::Http2Server server(root / "site");
  if (!server.error().empty()) GTEST_SKIP() << server.error();
  FetchLimits limits;
  limits.ca_file = server.CaFile();

  CurlFetcher serial(limits);
  const Result one = RunJob(serial, server.Url("/a/page.html"), root / "serial");
  ParallelFetcher parallel(limits);
  const Result many = RunJob(parallel, server.Url("/a/page.html"), root / "parallel");
  ExpectSame(one, many);
  EXPECT_GT(parallel.RequestsSent(), 30);
  EXPECT_EQ(parallel.ConnectionsOpened(), 1);
  fs::remove_all(root);
}

}  // namespace
}  // namespace kaplo
