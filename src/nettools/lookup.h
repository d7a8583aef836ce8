// Names and IPv4 addresses: the host of a URL, the well-formed address rule of
// the IP address tab, forward and reverse lookups, and the caller's public
// address as a web page shows it. Texts are Shift_JIS (host names are ASCII).
#pragma once

#include <string>
#include <string_view>

namespace kaplo {

class Fetcher;

// The host of a URL or of a bare host name: scheme, user, port, path, query
// and fragment removed, blanks trimmed ("http://u@h:8080/a" -> "h").
std::string HostFromUrl(std::string_view url);

// Four dot-separated parts of 1 to 3 digits, each at most 255; the first part
// does not begin with "0" and no other begins with "0" unless it is 0.
bool IsWellFormedIPv4(std::string_view text);

// The trace route's result when a host has no address.
inline constexpr int kHostNotFound = 11018;

struct ResolveResult {
  std::string address;  // dotted IPv4, empty when none
  int code = 0;         // 0, or kHostNotFound
};
// A dotted address as it is, else the first IPv4 address of a name lookup.
ResolveResult ResolveIPv4(std::string_view host);

// The dotted form of the host's first IPv4 address, or empty.
std::string NameToAddress(std::string_view host);
// The host name of a dotted address by reverse lookup, or empty.
std::string AddressToName(std::string_view address);

// The outside page that shows the caller's own address.
inline constexpr std::string_view kOwnAddressPageUrl =
    "https://www.cman.jp/network/support/go_access.cgi";

// The first well-formed IPv4 address in the page at url, or empty when the
// page cannot be read or names none.
std::string PublicAddressFromPage(Fetcher& fetcher, std::string_view url);

}  // namespace kaplo
