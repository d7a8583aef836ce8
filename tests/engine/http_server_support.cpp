#include "engine/http_server_support.h"

#include <chrono>
#include <stdexcept>

namespace kaplo::test {

LocalServer::LocalServer() = default;

void LocalServer::Start() {
  port_ = server_.bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("cannot bind a port on 127.0.0.1");
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LocalServer::~LocalServer() {
  server_.stop();
  if (thread_.joinable()) thread_.join();
}

std::string LocalServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void ServeSite(httplib::Server& server, const std::map<std::string, std::string>& site,
               std::string not_found, std::function<std::string(const std::string&)> edit,
               std::function<void(const std::string&)> seen) {
  server.Get(".*", [&site, not_found, edit, seen](const httplib::Request& req,
                                                  httplib::Response& res) {
    if (seen) seen(req.path);
    const auto it = site.find(req.path);
    if (it == site.end()) {
      res.status = 404;
      res.set_content(not_found, "text/html");
      return;
    }
    std::string type = "text/html";
    if (req.path.ends_with(".css")) type = "text/css";
    if (req.path.ends_with(".js")) type = "application/javascript";
    if (req.path.ends_with(".png")) type = "image/png";
    if (req.path.ends_with(".gif")) type = "image/gif";
    res.set_content(edit ? edit(it->second) : it->second, type);
  });
}

}  // namespace kaplo::test
