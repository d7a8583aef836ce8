#include "nettools/lookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <memory>

#include "engine/fetch.h"
#include "text/strutil.h"

namespace kaplo {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

struct AddrInfoFree {
  void operator()(addrinfo* p) const { freeaddrinfo(p); }
};

}  // namespace

std::string HostFromUrl(std::string_view url) {
  std::string_view s = Trim(url);
  const std::size_t scheme = s.find("://");
  if (scheme != std::string_view::npos && s.substr(0, scheme).find('/') == std::string_view::npos)
    s.remove_prefix(scheme + 3);
  s = s.substr(0, s.find_first_of("/?#\\"));
  if (const std::size_t at = s.rfind('@'); at != std::string_view::npos) s.remove_prefix(at + 1);
  if (!s.empty() && s.front() == '[') {
    // An IPv6 literal keeps its colons.
    const std::size_t close = s.find(']');
    s = s.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
  } else {
    s = s.substr(0, s.find(':'));
  }
  return std::string(Trim(s));
}

bool IsWellFormedIPv4(std::string_view text) {
  int parts = 0;
  std::size_t i = 0;
  while (true) {
    const std::size_t start = i;
    int value = 0;
    while (i < text.size() && IsDigit(text[i])) {
      value = value * 10 + (text[i] - '0');
      if (++i - start > 3) return false;
    }
    const std::size_t len = i - start;
    if (len == 0 || value > 255) return false;
    if (text[start] == '0' && (parts == 0 || value != 0)) return false;
    ++parts;
    if (i == text.size()) return parts == 4;
    if (text[i] != '.' || parts == 4) return false;
    ++i;
  }
}

ResolveResult ResolveIPv4(std::string_view host) {
  const std::string name(Trim(host));
  in_addr a{};
  if (inet_pton(AF_INET, name.c_str(), &a) == 1) return {name, 0};
  std::string address = NameToAddress(name);
  if (address.empty()) return {{}, kHostNotFound};
  return {address, 0};
}

std::string NameToAddress(std::string_view host) {
  const std::string name(Trim(host));
  if (name.empty()) return {};
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || !found) return {};
  std::unique_ptr<addrinfo, AddrInfoFree> hold(found);
  char text[INET_ADDRSTRLEN] = {};
  const auto* sin = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  if (!inet_ntop(AF_INET, &sin->sin_addr, text, sizeof text)) return {};
  return text;
}

std::string AddressToName(std::string_view address) {
  const std::string text(Trim(address));
  sockaddr_in sin{};
  sin.sin_family = AF_INET;
  if (inet_pton(AF_INET, text.c_str(), &sin.sin_addr) != 1) return {};
  char name[NI_MAXHOST] = {};
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&sin), sizeof sin, name, sizeof name,
                  nullptr, 0, NI_NAMEREQD) != 0)
    return {};
  return name;
}

std::string PublicAddressFromPage(Fetcher& fetcher, std::string_view url) {
  const std::string page = fetcher.FetchText(url);
  std::size_t i = 0;
  while (i < page.size()) {
    if (!IsDigit(page[i])) {
      ++i;
      continue;
    }
    // A run of digits and dots that does not continue one to its left.
    const bool joined = i > 0 && page[i - 1] == '.';
    std::size_t end = i;
    while (end < page.size() && (IsDigit(page[end]) || page[end] == '.')) ++end;
    std::string_view run = std::string_view(page).substr(i, end - i);
    while (!run.empty() && run.back() == '.') run.remove_suffix(1);
    if (!joined && IsWellFormedIPv4(run)) return std::string(run);
    i = end;
  }
  return {};
}

}  // namespace kaplo
