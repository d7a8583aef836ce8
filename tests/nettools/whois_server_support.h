// A whois server on 127.0.0.1 for tests: each connection sends one query line
// and gets the scripted reply for its number (the last reply repeats).
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kaplo::test {

struct WhoisReply {
  std::string bytes;
  bool silent = false;  // say nothing and keep the connection open
};

class LocalWhoisServer {
 public:
  explicit LocalWhoisServer(std::vector<WhoisReply> replies);
  ~LocalWhoisServer();
  LocalWhoisServer(const LocalWhoisServer&) = delete;
  LocalWhoisServer& operator=(const LocalWhoisServer&) = delete;

  int port() const { return port_; }
  // The bytes each connection sent, up to and including its first LF.
  std::vector<std::string> queries() const;

 private:
  void Serve();
  void Handle(int fd, const WhoisReply& reply);

  std::vector<WhoisReply> replies_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> queries_;
  std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens.
int ClosedPort();

}  // namespace kaplo::test
