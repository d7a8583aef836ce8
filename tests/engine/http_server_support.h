// A real HTTP server on 127.0.0.1 for the engine's tests: started on a free
// port, stopped when the object goes away.
#pragma once

#include <httplib.h>

#include <functional>
#include <map>
#include <string>
#include <thread>

namespace kaplo::test {

class LocalServer {
 public:
  LocalServer();
  ~LocalServer();
  LocalServer(const LocalServer&) = delete;
  LocalServer& operator=(const LocalServer&) = delete;

  httplib::Server& server() { return server_; }
  // Call after the handlers are set.
  void Start();
  std::string Url(const std::string& path) const;  // "http://127.0.0.1:PORT" + path

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
};

// Serves site (path -> body) with a content type by the path's extension;
// any other path is a 404 with not_found. edit, when given, changes each
// body as it is sent; seen, when given, is told each path asked for (on the
// server's threads). site must outlive the server.
void ServeSite(httplib::Server& server, const std::map<std::string, std::string>& site,
               std::string not_found,
               std::function<std::string(const std::string&)> edit = nullptr,
               std::function<void(const std::string&)> seen = nullptr);

}  // namespace kaplo::test
