// Trace route: echo requests to a host with the time-to-live raised one hop
// at a time; every hop that answers is reported as it is found.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kaplo {

// Result codes of a route. A code outside this list is the system error
// (errno) of opening the echo service.
enum class TraceCode : int {
  kSuccess = 0,
  kBadParameter = 87,      // no list was given
  kStopped = 1223,         // the hop callback or the stop flag asked to stop
  kUnreachable = 11003,    // a hop said the destination cannot be reached
  kNoReply = 11010,        // no reply after every try
  kHopLimit = 11013,       // the hop limit came before the destination
  kHostNotFound = 11018,   // the host has no IPv4 address
};

struct Hop {
  int hop = 0;          // 1 to 255
  std::string address;  // dotted
  int rtt_ms = 0;
};

// One echo request and what came back.
struct EchoReply {
  enum class Kind {
    kNone,          // nothing within the time-out
    kReached,       // the destination answered
    kTimeExceeded,  // a router on the way answered
    kUnreachable,   // a router said the destination cannot be reached
  };
  Kind kind = Kind::kNone;
  std::string from;  // dotted address of who answered
  int rtt_ms = 0;
};

// The echo service. The real one sends ICMP; tests script routes with their own.
class EchoProber {
 public:
  virtual ~EchoProber() = default;
  // 0 when requests can be sent, else the errno of opening the service.
  virtual int Open() = 0;
  // Sends one echo request to a dotted IPv4 address with the time-to-live ttl
  // and waits up to timeout_ms (less when *stop becomes true).
  virtual EchoReply Echo(const std::string& destination, int ttl, int timeout_ms,
                         const std::atomic<bool>* stop) = 0;
};

struct TraceOptions {
  int max_hops = 255;
  int timeout_ms = 1000;
  int tries = 3;
  const std::atomic<bool>* stop = nullptr;  // read before every request
};

// Called for every hop that answered; return false to stop.
using HopCallback = std::function<bool(const Hop&)>;

// The route's result code as an int: a TraceCode value or an errno.
int TraceRoute(std::string_view host, EchoProber& prober, const HopCallback& on_hop,
               const TraceOptions& options = {});
// Clears list, then appends every hop found (the route so far when it ends early).
int TraceRouteToList(std::string_view host, EchoProber& prober, std::vector<Hop>* list,
                     const TraceOptions& options = {});

// Whether a result code is the errno of opening the echo service.
bool IsEchoServiceError(int code);
// A short English reason for a result code, for messages and logs.
std::string TraceCodeText(int code);

}  // namespace kaplo
