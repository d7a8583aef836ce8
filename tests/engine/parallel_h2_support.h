// An HTTP/2 server over TLS on 127.0.0.1 for the fetcher's tests: nghttpd
// (Debian nghttp2-server) serving a folder, with a certificate made for the
// run. Stopped when the object goes away.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace kaplo::test {

class Http2Server {
 public:
  explicit Http2Server(const std::filesystem::path& folder);
  ~Http2Server();
  Http2Server(const Http2Server&) = delete;
  Http2Server& operator=(const Http2Server&) = delete;

  // Empty when the server runs; otherwise why it does not.
  const std::string& error() const { return error_; }
  std::string Url(const std::string& path) const;  // "https://127.0.0.1:PORT" + path
  // The certificate to trust for it.
  std::string CaFile() const { return (dir_ / "cert.pem").string(); }

 private:
  std::filesystem::path dir_;
  pid_t pid_ = -1;
  int port_ = 0;
  std::string error_;
};

}  // namespace kaplo::test
