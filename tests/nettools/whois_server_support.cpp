#include "nettools/whois_server_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace kaplo::test {
namespace {

// A socket bound to 127.0.0.1 on a free port.
int BindLoopback(int& port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    close(fd);
    throw std::runtime_error("cannot bind a port on 127.0.0.1");
  }
  port = ntohs(a.sin_port);
  return fd;
}

}  // namespace

LocalWhoisServer::LocalWhoisServer(std::vector<WhoisReply> replies)
    : replies_(std::move(replies)) {
  listen_fd_ = BindLoopback(port_);
  if (listen(listen_fd_, 8) != 0) throw std::runtime_error("listen failed");
  thread_ = std::thread([this] { Serve(); });
}

LocalWhoisServer::~LocalWhoisServer() {
  stop_ = true;
  thread_.join();
  close(listen_fd_);
}

std::vector<std::string> LocalWhoisServer::queries() const {
  std::lock_guard lock(mutex_);
  return queries_;
}

void LocalWhoisServer::Serve() {
  std::size_t count = 0;
  while (!stop_) {
    pollfd p{listen_fd_, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    const WhoisReply& reply = replies_[std::min(count++, replies_.size() - 1)];
    Handle(fd, reply);
    close(fd);
  }
}

void LocalWhoisServer::Handle(int fd, const WhoisReply& reply) {
  std::string line;
  char c;
  for (int waited = 0; waited < 100 && !stop_ && line.find('\n') == std::string::npos;) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) {
      ++waited;
      continue;
    }
    if (recv(fd, &c, 1, 0) != 1) break;
    line += c;
  }
  {
    std::lock_guard lock(mutex_);
    queries_.push_back(line);
  }
  if (reply.silent) {
    // Until the client gives up or the test ends.
    while (!stop_) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 20) > 0 && recv(fd, &c, 1, 0) <= 0) return;
    }
    return;
  }
  std::size_t sent = 0;
  while (sent < reply.bytes.size()) {
    const ssize_t n = send(fd, reply.bytes.data() + sent, reply.bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;  // the client hung up
    sent += static_cast<std::size_t>(n);
  }
}

int ClosedPort() {
  int port = 0;
  close(BindLoopback(port));
  return port;
}

}  // namespace kaplo::test
