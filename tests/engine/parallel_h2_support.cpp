#include "engine/parallel_h2_support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

namespace kaplo::test {
namespace {

// Starts argv[0] (looked up in PATH and the sbin folders) with its output
// in log; the pid, or -1.
pid_t Start(const std::vector<std::string>& argv, const std::filesystem::path& log) {
  std::string program;
  for (const char* dir : {"/usr/sbin/", "/usr/bin/", "/sbin/", "/bin/"}) {
    if (access((dir + argv[0]).c_str(), X_OK) == 0) {
      program = dir + argv[0];
      break;
    }
  }
  if (program.empty()) return -1;
  const pid_t pid = fork();
  if (pid != 0) return pid;
  const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  dup2(out, 1);
  dup2(out, 2);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execv(program.c_str(), args.data());
  _exit(127);
}

int FreePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
    port = ntohs(a.sin_port);
  }
  close(s);
  return port;
}

bool Accepts(int port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(s);
  return ok;
}

}  // namespace

Http2Server::Http2Server(const std::filesystem::path& folder) {
  dir_ = std::filesystem::temp_directory_path() / ("kaplo-h2-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir_);
  const std::string key = (dir_ / "key.pem").string(), cert = CaFile();
  const pid_t openssl =
      Start({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
             "-nodes", "-days", "1", "-subj", "/CN=127.0.0.1", "-addext",
             "subjectAltName=IP:127.0.0.1", "-keyout", key, "-out", cert},
            dir_ / "openssl.log");
  int status = 0;
  if (openssl < 0 || waitpid(openssl, &status, 0) != openssl || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    error_ = "openssl cannot make a certificate";
    return;
  }
  port_ = FreePort();
  pid_ = Start({"nghttpd", "-a", "127.0.0.1", "-d", folder.string(), std::to_string(port_), key,
                cert},
               dir_ / "nghttpd.log");
  if (pid_ < 0) {
    error_ = "nghttpd is missing (scripts/setup installs nghttp2-server)";
    return;
  }
  for (int i = 0; i < 500 && !Accepts(port_); ++i) {
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      error_ = "nghttpd stopped at start";
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!Accepts(port_)) error_ = "nghttpd does not answer";
}

Http2Server::~Http2Server() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

std::string Http2Server::Url(const std::string& path) const {
  return "https://127.0.0.1:" + std::to_string(port_) + path;
}

}  // namespace kaplo::test
