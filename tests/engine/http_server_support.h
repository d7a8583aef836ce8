// A real HTTP server on 127.0.0.1 for the engine's tests: started on a free
// port, stopped when the object goes away.
#pragma once

#include <httplib.h>

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

}  // namespace kaplo::test
