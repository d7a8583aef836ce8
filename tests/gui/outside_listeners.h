// Sockets on 127.0.0.1 that stand for the outside world: a test points a
// page's every way out at them and asks afterwards whether anything came.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

namespace kaplo::test {

class OutsideListeners {
 public:
  OutsideListeners() {
    tcp_ = Bind(SOCK_STREAM, tcp_port_);
    udp_ = Bind(SOCK_DGRAM, udp_port_);
    if (listen(tcp_, 16) != 0) throw std::runtime_error("listen");
    thread_ = std::thread([this] { Run(); });
  }
  ~OutsideListeners() {
    stop_ = true;
    thread_.join();
    close(tcp_);
    close(udp_);
  }
  OutsideListeners(const OutsideListeners&) = delete;
  OutsideListeners& operator=(const OutsideListeners&) = delete;

  int tcp_port() const { return tcp_port_; }
  int udp_port() const { return udp_port_; }
  std::string tcp() const { return "127.0.0.1:" + std::to_string(tcp_port_); }
  std::string udp() const { return "127.0.0.1:" + std::to_string(udp_port_); }
  int connections() const { return connections_; }
  int datagrams() const { return datagrams_; }

 private:
  static int Bind(int type, int& port) {
    const int fd = socket(AF_INET, type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) != 0) {
      throw std::runtime_error("cannot open a listener on 127.0.0.1");
    }
    port = ntohs(a.sin_port);
    return fd;
  }
  void Run() {
    while (!stop_) {
      pollfd fds[] = {{tcp_, POLLIN, 0}, {udp_, POLLIN, 0}};
      if (poll(fds, 2, 50) <= 0) continue;
      if (fds[0].revents & POLLIN) {
        const int c = accept4(tcp_, nullptr, nullptr, SOCK_CLOEXEC);
        if (c >= 0) {
          ++connections_;
          close(c);
        }
      }
      if (fds[1].revents & POLLIN) {
        char buffer[2048];
        if (recv(udp_, buffer, sizeof buffer, 0) >= 0) ++datagrams_;
      }
    }
  }

  int tcp_ = -1, udp_ = -1, tcp_port_ = 0, udp_port_ = 0;
  std::atomic<int> connections_{0}, datagrams_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace kaplo::test
