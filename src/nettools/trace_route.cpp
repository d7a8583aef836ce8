#include "nettools/trace_route.h"

#include <algorithm>
#include <cstring>

#include "nettools/lookup.h"

namespace kaplo {
namespace {

bool Stopped(const TraceOptions& options) {
  return options.stop && options.stop->load(std::memory_order_relaxed);
}

int Code(TraceCode c) { return static_cast<int>(c); }

}  // namespace

int TraceRoute(std::string_view host, EchoProber& prober, const HopCallback& on_hop,
               const TraceOptions& options) {
  const ResolveResult target = ResolveIPv4(host);
  if (target.code != 0) return Code(TraceCode::kHostNotFound);
  if (const int err = prober.Open(); err != 0) return err;
  const int max_hops = std::clamp(options.max_hops, 1, 255);
  const int tries = std::max(options.tries, 1);
  for (int ttl = 1; ttl <= max_hops; ++ttl) {
    EchoReply reply;
    for (int t = 0; t < tries && reply.kind == EchoReply::Kind::kNone; ++t) {
      if (Stopped(options)) return Code(TraceCode::kStopped);
      reply = prober.Echo(target.address, ttl, options.timeout_ms, options.stop);
    }
    if (Stopped(options)) return Code(TraceCode::kStopped);
    if (reply.kind == EchoReply::Kind::kNone) return Code(TraceCode::kNoReply);
    if (!on_hop(Hop{ttl, reply.from, reply.rtt_ms})) return Code(TraceCode::kStopped);
    if (reply.kind == EchoReply::Kind::kReached) return Code(TraceCode::kSuccess);
    // Asking further hops would only hear the same refusal.
    if (reply.kind == EchoReply::Kind::kUnreachable) return Code(TraceCode::kUnreachable);
  }
  return Code(TraceCode::kHopLimit);
}

int TraceRouteToList(std::string_view host, EchoProber& prober, std::vector<Hop>* list,
                     const TraceOptions& options) {
  if (!list) return Code(TraceCode::kBadParameter);
  list->clear();
  return TraceRoute(
      host, prober,
      [list](const Hop& hop) {
        list->push_back(hop);
        return true;
      },
      options);
}

bool IsEchoServiceError(int code) {
  switch (static_cast<TraceCode>(code)) {
    case TraceCode::kSuccess:
    case TraceCode::kBadParameter:
    case TraceCode::kStopped:
    case TraceCode::kUnreachable:
    case TraceCode::kNoReply:
    case TraceCode::kHopLimit:
    case TraceCode::kHostNotFound:
      return false;
  }
  return true;
}

std::string TraceCodeText(int code) {
  switch (static_cast<TraceCode>(code)) {
    case TraceCode::kSuccess: return "the destination answered";
    case TraceCode::kBadParameter: return "no list was given";
    case TraceCode::kStopped: return "stopped";
    case TraceCode::kUnreachable: return "the destination is unreachable";
    case TraceCode::kNoReply: return "no reply after every try";
    case TraceCode::kHopLimit: return "the hop limit came before the destination";
    case TraceCode::kHostNotFound: return "the host has no IPv4 address";
  }
  return std::string("the echo service cannot be opened: ") + std::strerror(code);
}

}  // namespace kaplo
