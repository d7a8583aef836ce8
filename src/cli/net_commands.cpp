// Network tools without a window: trace route, name and address lookups, whois.
#include <cstdio>
#include <iostream>
#include <string>

#include "cli/cli.h"
#include "nettools/icmp_prober.h"
#include "nettools/ip_tab.h"
#include "nettools/lookup.h"
#include "nettools/trace_route.h"
#include "nettools/whois.h"
#include "text/convert.h"
#include "text/sjis_literal.h"
#include "text/strutil.h"

namespace kaplo::cli {
namespace {

// Exit status when the ICMP echo service cannot be opened.
constexpr int kNoEchoService = 3;

std::string Terminal(std::string_view sjis) { return ShiftJISToUtf8(sjis); }

std::string HostArgument(const std::string& arg) {
  const std::string host = HostFromUrl(arg);
  if (host.empty()) throw UsageError("no host in \"" + arg + "\"");
  return host;
}

int TraceRouteCommand(std::span<const std::string> argv) {
  Args args(argv);
  long long max_hops = 255, timeout_ms = 1000;
  args.IntValue("--max-hops", 1, 255, max_hops);
  args.IntValue("--timeout-ms", 1, 60000, timeout_ms);
  const std::string host = HostArgument(args.Positionals(1, 1)[0]);

  const ResolveResult target = ResolveIPv4(host);
  if (target.code != 0) {
    std::fprintf(stderr, "kaplo traceroute: %s: %s\n", host.c_str(),
                 TraceCodeText(target.code).c_str());
    return 1;
  }
  std::printf("traceroute to %s (%s), %lld hops max\n", host.c_str(), target.address.c_str(),
              max_hops);
  std::fflush(stdout);
  IcmpEchoProber prober;
  TraceOptions options;
  options.max_hops = static_cast<int>(max_hops);
  options.timeout_ms = static_cast<int>(timeout_ms);
  const int code = TraceRoute(
      target.address, prober,
      [](const Hop& hop) {
        const std::string name = AddressToName(hop.address);
        std::printf("%3d  %-15s  %4d ms  %s\n", hop.hop, hop.address.c_str(), hop.rtt_ms,
                    name.empty() ? hop.address.c_str() : name.c_str());
        std::fflush(stdout);
        return true;
      },
      options);
  if (code == static_cast<int>(TraceCode::kSuccess)) return 0;
  if (IsEchoServiceError(code)) {
    std::fprintf(stderr, "kaplo traceroute: %s\n", IcmpEchoProber::OpenErrorText(code).c_str());
    return kNoEchoService;
  }
  std::fprintf(stderr, "kaplo traceroute: %s: %s (code %d)\n", host.c_str(),
               TraceCodeText(code).c_str(), code);
  return 1;
}

int Resolve(std::span<const std::string> argv) {
  Args args(argv);
  const std::string host = HostArgument(args.Positionals(1, 1)[0]);
  const std::string address = NameToAddress(host);
  if (address.empty()) {
    std::fprintf(stderr, "kaplo resolve: %s has no IPv4 address\n", host.c_str());
    return 1;
  }
  std::printf("%s\n", address.c_str());
  return 0;
}

int Reverse(std::span<const std::string> argv) {
  Args args(argv);
  const std::string address(Trim(args.Positionals(1, 1)[0]));
  if (!IsWellFormedIPv4(address)) {
    std::cerr << "kaplo reverse: " << Terminal(MalformedAddressMessage(address)) << "\n";
    return 2;
  }
  const std::string name = AddressToName(address);
  if (name.empty()) {
    std::fprintf(stderr, "kaplo reverse: %s has no name\n", address.c_str());
    return 1;
  }
  std::printf("%s\n", name.c_str());
  return 0;
}

int Whois(std::span<const std::string> argv) {
  Args args(argv);
  std::string server(kDefaultWhoisServer);
  args.Value("--server", server);
  long long port = 0, timeout_ms = 0;
  WhoisOptions options;
  if (args.IntValue("--port", 1, 65535, port)) options.port = static_cast<int>(port);
  if (args.IntValue("--timeout-ms", 1, 600000, timeout_ms)) {
    options.connect_timeout_ms = options.read_timeout_ms = static_cast<int>(timeout_ms);
  }
  options.follow_referral = !args.Flag("--no-referral");
  const std::string given = args.Positionals(1, 1)[0];
  std::string query = Utf8ToShiftJIS(given);
  if (query.empty()) query = given;
  // A whole address stands for its host.
  if (query.find("://") != std::string::npos) query = HostFromUrl(query);
  query = WhoisQueryFromBoxes(query, {});
  if (query.empty()) throw UsageError("the query is empty");
  if (Trim(server).empty()) throw UsageError("--server is empty");

  WhoisObserver observer;
  observer.connected = [](const std::string& host) {
    std::cerr << "Connected to host: " << host << "\n";
  };
  int status = 0;
  bool no_match = false;
  std::string last_server;
  observer.answered = [&](const WhoisAnswer& a) {
    std::string text;
    for (const std::string& line : a.lines) text += Terminal(line) + "\n";
    WriteStdout(text);
    last_server = a.server;
    if (a.status != WhoisStatus::kOk) {
      std::cerr << "kaplo whois: " << a.server << ": " << Terminal(WhoisErrorMessage(a));
      if (a.code == 10061 || a.code == 10060) std::cerr << " (" << a.reason << ")";
      std::cerr << "\n";
      status = 1;
      return;
    }
    std::string joined;
    for (const std::string& line : a.lines) joined += line + "\n";
    no_match = WhoisSaysNoMatch(joined);
  };
  WhoisLookup(server, query, options, observer);
  if (status == 0 && no_match) {
    std::cerr << Terminal(SJ<"Whoisｻｰﾊﾞ">()) << " " << last_server << " "
              << Terminal(SJ<"を変更して、「 他のｻｰﾊﾞ 」で試してください ">()) << "\n";
  }
  return status;
}

constexpr Command kCommands[] = {
    {"traceroute", "HOST [--max-hops N] [--timeout-ms N]",
     "the route to HOST (or a URL's host) hop by hop with each hop's name; exit 3 when ICMP "
     "echo is not permitted",
     TraceRouteCommand},
    {"resolve", "HOST", "the first IPv4 address of HOST (or a URL's host)", Resolve},
    {"reverse", "ADDR", "the host name of a dotted IPv4 address", Reverse},
    {"whois", "QUERY [--server S] [--port N] [--no-referral] [--timeout-ms N]",
     "who registered a domain; one referral followed (--port for every server asked)", Whois},
};

}  // namespace

std::span<const Command> NetCommands() { return kCommands; }

}  // namespace kaplo::cli
