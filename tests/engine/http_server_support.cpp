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

}  // namespace kaplo::test
