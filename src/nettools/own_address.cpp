#include "nettools/own_address.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kaplo {
namespace {

bool IsLoopback(const in_addr& address) { return (ntohl(address.s_addr) >> 24) == 127; }

std::string Dotted(const in_addr& address) {
  char text[INET_ADDRSTRLEN] = {};
  if (!::inet_ntop(AF_INET, &address, text, sizeof text)) return {};
  return text;
}

}  // namespace

bool IsLoopbackAddress(const std::string& text) {
  in_addr address{};
  return ::inet_pton(AF_INET, text.c_str(), &address) == 1 && IsLoopback(address);
}

// The host name usually resolves to a loopback address here, so an
// interface's address stands in for it.
std::string LookUpOwnAddress() {
  std::string loopback;
  char host[256] = {};
  if (::gethostname(host, sizeof host - 1) == 0) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host, nullptr, &hints, &found) == 0) {
      std::string first;
      for (addrinfo* a = found; a && first.empty(); a = a->ai_next) {
        const in_addr& in = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr;
        const std::string text = Dotted(in);
        if (text.empty()) continue;
        if (!IsLoopback(in)) {
          first = text;
        } else if (loopback.empty()) {
          loopback = text;
        }
      }
      ::freeaddrinfo(found);
      if (!first.empty()) return first;
    }
  }
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) == 0) {
    std::string first;
    for (ifaddrs* i = list; i && first.empty(); i = i->ifa_next) {
      if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
      const in_addr& in = reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr;
      if (!IsLoopback(in)) first = Dotted(in);
    }
    ::freeifaddrs(list);
    if (!first.empty()) return first;
  }
  return loopback;
}

}  // namespace kaplo
