#include "engine/fixture_site_support.h"

#include <fstream>
#include <sstream>

namespace kaplo::test {
namespace {

namespace fs = std::filesystem;

std::string TypeOf(const std::string& path) {
  static const std::map<std::string, std::string> kTypes = {
      {".html", "text/html"},       {".htm", "text/html"},         {".css", "text/css"},
      {".js", "text/javascript"},   {".png", "image/png"},         {".gif", "image/gif"},
      {".jpg", "image/jpeg"},       {".svg", "image/svg+xml"},     {".woff2", "font/woff2"},
      {".woff", "font/woff"},       {".ttf", "font/ttf"},          {".eot", "application/vnd.ms-fontobject"},
      {".json", "application/json"}};
  const std::string ext = fs::path(path).extension().string();
  const auto it = kTypes.find(ext);
  return it == kTypes.end() ? "application/octet-stream" : it->second;
}

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
  for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
    s.replace(at, from.size(), to);
  }
  return s;
}

}  // namespace

fs::path FixtureSite::DefaultRoot() {
  return fs::path(KAPLO_TEST_DATA).parent_path() / "engine" / "data" / "sites";
}

FixtureSite::FixtureSite(fs::path root) : root_(std::move(root)) {
  server_.server().Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
    std::string target = req.target;
    {
      std::lock_guard<std::mutex> lock(mu_);
      ++hits_[target];
    }
    const std::string path = req.path;  // decoded by the server
    const std::string name = fs::path(path).filename().string();
    if (name.starts_with("404-")) {
      res.status = 404;
      res.set_content("Not Found", "text/plain");
      return;
    }
    if (name.starts_with("403-")) {
      res.status = 403;
      res.set_content("Forbidden", "text/plain");
      return;
    }
    if (name.starts_with("500-")) {
      res.status = 500;
      return;
    }
    if (name.starts_with("loop-")) {
      res.set_redirect(req.target);
      return;
    }
    const std::string body = Served(path);
    if (body.empty() && !fs::is_regular_file(root_ / path.substr(1))) {
      res.status = 404;
      res.set_content("<html><body><h1>404 Not Found</h1></body></html>", "text/html");
      return;
    }
    res.set_content(body, TypeOf(path));
  });
  server_.Start();
}

std::string FixtureSite::Host() const { return Url("").substr(std::string("http://").size()); }

std::string FixtureSite::Served(const std::string& path) const {
  const fs::path file = root_ / path.substr(path.starts_with("/") ? 1 : 0);
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return {};
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  std::string body = s.str();
  const std::string type = TypeOf(path);
  if (type == "text/html" || type == "text/css" || type == "text/javascript") {
    body = ReplaceAll(body, "HOST", Host());
  }
  return body;
}

std::map<std::string, int> FixtureSite::Hits() const {
  std::lock_guard<std::mutex> lock(mu_);
  return hits_;
}

void FixtureSite::ClearHits() {
  std::lock_guard<std::mutex> lock(mu_);
  hits_.clear();
}

}  // namespace kaplo::test
