// The own address: a well-formed IPv4 address, not a loopback one when the
// host has any other.
#include "nettools/own_address.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <netinet/in.h>

namespace kaplo {
namespace {

bool HostHasNonLoopbackIPv4() {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return false;
  bool found = false;
  for (ifaddrs* i = list; i; i = i->ifa_next) {
    if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
    const auto* in = reinterpret_cast<const sockaddr_in*>(i->ifa_addr);
    if ((ntohl(in->sin_addr.s_addr) >> 24) != 127) found = true;
  }
  ::freeifaddrs(list);
  return found;
}

TEST(OwnAddress, IsADottedAddressAndNotLoopbackWhenAnotherExists) {
  const std::string address = LookUpOwnAddress();
  if (address.empty()) {
    EXPECT_FALSE(HostHasNonLoopbackIPv4());
    return;
  }
  in_addr parsed{};
  ASSERT_EQ(::inet_pton(AF_INET, address.c_str(), &parsed), 1) << address;
  EXPECT_EQ(IsLoopbackAddress(address), !HostHasNonLoopbackIPv4()) << address;
}

TEST(OwnAddress, LoopbackTest) {
  struct Case {
    const char* text;
    bool loopback;
  };
  for (const Case& c : {Case{"127.0.0.1", true}, Case{"127.255.1.2", true},
                        Case{"128.0.0.1", false}, Case{"10.0.0.1", false}, Case{"", false},
                        Case{"localhost", false}, Case{"127.0.0", false}}) {
    EXPECT_EQ(IsLoopbackAddress(c.text), c.loopback) << c.text;
  }
}

}  // namespace
}  // namespace kaplo
