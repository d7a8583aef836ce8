// The real echo service: an ICMP datagram socket (allowed to the groups of
// net.ipv4.ping_group_range), or a raw socket when the process may open one.
#pragma once

#include <cstdint>
#include <string>

#include "nettools/trace_route.h"

namespace kaplo {

class IcmpEchoProber : public EchoProber {
 public:
  IcmpEchoProber() = default;
  ~IcmpEchoProber() override;
  IcmpEchoProber(const IcmpEchoProber&) = delete;
  IcmpEchoProber& operator=(const IcmpEchoProber&) = delete;

  int Open() override;
  EchoReply Echo(const std::string& destination, int ttl, int timeout_ms,
                 const std::atomic<bool>* stop) override;

  bool raw() const { return raw_; }
  // Why Open failed, in words a user can act on.
  static std::string OpenErrorText(int err);

 private:
  int fd_ = -1;
  bool raw_ = false;
  std::uint16_t id_ = 0;
  std::uint16_t sequence_ = 0;
};

}  // namespace kaplo
