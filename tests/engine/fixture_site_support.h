// The fixture sites of tests/engine/data/sites served as a stock static file
// server serves them: a content type by the file's extension, "HOST" in
// pages and stylesheets replaced by the server's own "127.0.0.1:PORT", and
// error answers for files named so: "404-..." (404, a text/plain body),
// "403-..." (403), "500-..." (500, no body), "loop-..." (a redirect to
// itself, for ever); any other missing file is a 404
// HTML page. Every request is counted.
#pragma once

#include <filesystem>
#include <map>
#include <mutex>
#include <string>

#include "engine/http_server_support.h"

namespace kaplo::test {

class FixtureSite {
 public:
  // root: the folder served as "/"; the server starts at once.
  explicit FixtureSite(std::filesystem::path root = DefaultRoot());
  std::string Url(const std::string& path) const { return server_.Url(path); }
  std::string Host() const;  // "127.0.0.1:PORT"
  // Requests per path as sent (query included, percent escapes kept).
  std::map<std::string, int> Hits() const;
  void ClearHits();
  static std::filesystem::path DefaultRoot();
  // The bytes of a fixture file as served.
  std::string Served(const std::string& path) const;

 private:
  std::filesystem::path root_;
  mutable std::mutex mu_;
  std::map<std::string, int> hits_;
  LocalServer server_;
};

}  // namespace kaplo::test
