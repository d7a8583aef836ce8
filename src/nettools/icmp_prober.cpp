#include "nettools/icmp_prober.h"

#include <arpa/inet.h>
#include <errno.h>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace kaplo {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kDataBytes = 32;

std::uint16_t Checksum(const unsigned char* p, std::size_t n) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < n; i += 2) sum += (p[i] << 8) | p[i + 1];
  if (n & 1) sum += p[n - 1] << 8;
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint16_t>(~sum);
}

std::uint16_t Get16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

std::string Dotted(in_addr a) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &a, text, sizeof text);
  return text;
}

int Elapsed(Clock::time_point since) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

EchoReply::Kind KindOfError(int type) {
  if (type == ICMP_TIME_EXCEEDED) return EchoReply::Kind::kTimeExceeded;
  if (type == ICMP_DEST_UNREACH) return EchoReply::Kind::kUnreachable;
  return EchoReply::Kind::kNone;
}

}  // namespace

IcmpEchoProber::~IcmpEchoProber() {
  if (fd_ >= 0) close(fd_);
}

int IcmpEchoProber::Open() {
  if (fd_ >= 0) return 0;
  fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (fd_ >= 0) {
    // Time-exceeded and unreachable replies arrive on the error queue.
    const int on = 1;
    if (setsockopt(fd_, IPPROTO_IP, IP_RECVERR, &on, sizeof on) != 0) {
      const int err = errno;
      close(fd_);
      fd_ = -1;
      return err;
    }
    raw_ = false;
    return 0;
  }
  const int dgram_err = errno;
  fd_ = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (fd_ < 0) return dgram_err;
  raw_ = true;
  id_ = static_cast<std::uint16_t>(getpid() ^ reinterpret_cast<std::uintptr_t>(this));
  return 0;
}

std::string IcmpEchoProber::OpenErrorText(int err) {
  if (err == EACCES || err == EPERM) {
    return "ICMP echo is not permitted: this user's group is outside "
           "net.ipv4.ping_group_range (e.g. sudo sysctl -w net.ipv4.ping_group_range=\"0 "
           "2147483647\") and raw sockets need CAP_NET_RAW";
  }
  return std::string("cannot open an ICMP socket: ") + std::strerror(err);
}

EchoReply IcmpEchoProber::Echo(const std::string& destination, int ttl, int timeout_ms,
                               const std::atomic<bool>* stop) {
  EchoReply none;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  if (fd_ < 0 || inet_pton(AF_INET, destination.c_str(), &to.sin_addr) != 1) return none;
  if (setsockopt(fd_, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl) != 0) return none;

  const std::uint16_t seq = ++sequence_;
  unsigned char packet[8 + kDataBytes] = {};
  packet[0] = ICMP_ECHO;
  packet[4] = id_ >> 8;
  packet[5] = id_ & 0xFF;
  packet[6] = seq >> 8;
  packet[7] = seq & 0xFF;
  for (int i = 0; i < kDataBytes; ++i) packet[8 + i] = static_cast<unsigned char>('a' + i % 23);
  const std::uint16_t sum = Checksum(packet, sizeof packet);
  packet[2] = sum >> 8;
  packet[3] = sum & 0xFF;

  const Clock::time_point sent = Clock::now();
  if (sendto(fd_, packet, sizeof packet, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0)
    return none;

  unsigned char buf[1500];
  while (true) {
    if (stop && stop->load(std::memory_order_relaxed)) return none;
    const int left = timeout_ms - Elapsed(sent);
    if (left <= 0) return none;
    pollfd p{fd_, POLLIN, 0};
    // Short waits so a stop request is seen soon.
    const int ready = poll(&p, 1, std::min(left, 100));
    if (ready < 0 && errno != EINTR) return none;
    if (ready <= 0) continue;

    if (!raw_ && (p.revents & POLLERR)) {
      // An ICMP error about one of our requests: the payload is our echo header.
      char control[512];
      sockaddr_in offender_name{};
      iovec iov{buf, sizeof buf};
      msghdr msg{};
      msg.msg_name = &offender_name;
      msg.msg_namelen = sizeof offender_name;
      msg.msg_iov = &iov;
      msg.msg_iovlen = 1;
      msg.msg_control = control;
      msg.msg_controllen = sizeof control;
      const ssize_t n = recvmsg(fd_, &msg, MSG_ERRQUEUE | MSG_DONTWAIT);
      if (n < 8 || Get16(buf + 6) != seq) continue;
      for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_RECVERR) continue;
        const auto* ee = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(c));
        if (ee->ee_origin != SO_EE_ORIGIN_ICMP) continue;
        const EchoReply::Kind kind = KindOfError(ee->ee_type);
        if (kind == EchoReply::Kind::kNone) continue;
        const auto* from = reinterpret_cast<const sockaddr_in*>(SO_EE_OFFENDER(ee));
        return {kind, Dotted(from->sin_addr), Elapsed(sent)};
      }
      continue;
    }
    if (!(p.revents & POLLIN)) continue;

    sockaddr_in from{};
    socklen_t from_len = sizeof from;
    const ssize_t n =
        recvfrom(fd_, buf, sizeof buf, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &from_len);
    if (n <= 0) continue;  // a pending socket error is read and forgotten
    const unsigned char* icmp = buf;
    std::size_t len = static_cast<std::size_t>(n);
    if (raw_) {
      // A raw socket sees the IP header and every ICMP message of the host.
      const std::size_t ihl = (buf[0] & 0x0F) * 4u;
      if (len < ihl + 8) continue;
      icmp += ihl;
      len -= ihl;
    }
    if (len < 8) continue;
    if (icmp[0] == ICMP_ECHOREPLY) {
      // A datagram socket gets only its own replies, with the kernel's identifier.
      if (Get16(icmp + 6) != seq || (raw_ && Get16(icmp + 4) != id_)) continue;
      if (from.sin_addr.s_addr != to.sin_addr.s_addr) continue;
      return {EchoReply::Kind::kReached, Dotted(from.sin_addr), Elapsed(sent)};
    }
    if (!raw_) continue;
    const EchoReply::Kind kind = KindOfError(icmp[0]);
    if (kind == EchoReply::Kind::kNone || len < 8 + 20 + 8) continue;
    // The quoted request: its IP header, then our echo header.
    const unsigned char* inner = icmp + 8;
    const std::size_t inner_ihl = (inner[0] & 0x0F) * 4u;
    if (len < 8 + inner_ihl + 8) continue;
    const unsigned char* echo = inner + inner_ihl;
    if (echo[0] != ICMP_ECHO || Get16(echo + 4) != id_ || Get16(echo + 6) != seq) continue;
    return {kind, Dotted(from.sin_addr), Elapsed(sent)};
  }
}

}  // namespace kaplo
