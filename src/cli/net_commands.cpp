// Network tools without a window: trace route, name and address lookups, whois.
#include <cerrno>
#include <cstdio>
#include <iostream>
#include <string>

#include "cli/cli.h"
#include "cli/terminal.h"
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

std::string HostArgument(const std::string& arg) {
  const std::string host = HostFromUrl(arg);
  if (host.empty()) {
    throw UsageError(std::string(Tr("no host in \"", "ホストがありません: \"")) +
                     ArgForMessage(arg) + "\"");
  }
  return host;
}

std::string TraceText(int code) {
  switch (static_cast<TraceCode>(code)) {
    case TraceCode::kUnreachable: return std::string(Tr("the destination is unreachable", "宛先に到達できません"));
    case TraceCode::kNoReply: return std::string(Tr("no reply after every try", "どの試みにも応答がありません"));
    case TraceCode::kHopLimit:
      return std::string(Tr("the hop limit came before the destination", "宛先の前にホップの上限に達しました"));
    case TraceCode::kHostNotFound: return std::string(Tr("the host has no IPv4 address", "ホストに IPv4 アドレスがありません"));
    case TraceCode::kStopped: return std::string(Tr("stopped", "中止しました"));
    default: return TraceCodeText(code);
  }
}

int TraceRouteCommand(std::span<const std::string> argv) {
  Args args(argv);
  long long max_hops = 255, timeout_ms = 1000;
  args.IntValue("--max-hops", 1, 255, max_hops);
  args.IntValue("--timeout-ms", 1, 60000, timeout_ms);
  const std::string host = HostArgument(args.Positionals(1, 1)[0]);

  const ResolveResult target = ResolveIPv4(host);
  if (target.code != 0) {
    Complain(host + ": " + TraceText(target.code));
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
    Complain(code == EACCES || code == EPERM
                 ? Tr(IcmpEchoProber::OpenErrorText(code),
                      "ICMP エコーが許されていません: このユーザーのグループが "
                      "net.ipv4.ping_group_range の外にあり（例: sudo sysctl -w "
                      "net.ipv4.ping_group_range=\"0 2147483647\"）、raw ソケットには "
                      "CAP_NET_RAW が要ります")
                 : IcmpEchoProber::OpenErrorText(code));
    return kNoEchoService;
  }
  Complain(host + ": " + TraceText(code));
  return 1;
}

int Resolve(std::span<const std::string> argv) {
  Args args(argv);
  const std::string host = HostArgument(args.Positionals(1, 1)[0]);
  const std::string address = NameToAddress(host);
  if (address.empty()) {
    Complain(host + std::string(Tr(" has no IPv4 address", " に IPv4 アドレスがありません")));
    return 1;
  }
  std::printf("%s\n", address.c_str());
  return 0;
}

int Reverse(std::span<const std::string> argv) {
  Args args(argv);
  const std::string address(Trim(args.Positionals(1, 1)[0]));
  if (!IsWellFormedIPv4(address)) {
    throw UsageError(ArgForMessage(address) +
                     std::string(Tr(" is not a dotted IPv4 address (four numbers 0-255: "
                                    "WWW.XXX.YYY.ZZZ)",
                                    " は IPv4 アドレスの形（0-255 の数四つ: WWW.XXX.YYY.ZZZ）"
                                    "ではありません")));
  }
  const std::string name = AddressToName(address);
  if (name.empty()) {
    Complain(address + std::string(Tr(" has no name", " に名前がありません")));
    return 1;
  }
  std::printf("%s\n", name.c_str());
  return 0;
}

// "15 s", "300 ms" (Japanese: "15 秒", "300 ミリ秒").
std::string Duration(int ms) {
  if (ms % 1000 == 0) return std::to_string(ms / 1000) + std::string(Tr(" s", " 秒"));
  return std::to_string(ms) + std::string(Tr(" ms", " ミリ秒"));
}

// The command's words for a failed query: the window keeps its own. Which
// time-out passed shows in the answer's reason.
std::string WhoisFailure(const WhoisAnswer& a, const WhoisOptions& o) {
  switch (a.status) {
    case WhoisStatus::kRefused:
      return std::string(Tr("connection refused (no whois service on that port)",
                            "接続を拒否されました（そのポートに whois のサービスがありません）"));
    case WhoisStatus::kTimedOut:
      if (a.reason.starts_with("connect")) {
        return std::string(Tr("timed out after ", "接続が ")) + Duration(o.connect_timeout_ms) +
               std::string(Tr(" connecting", " で時間切れになりました"));
      }
      if (a.reason.starts_with("the whole answer")) {
        return std::string(Tr("timed out: the answer took longer than ", "応答が ")) +
               Duration(o.total_timeout_ms) +
               std::string(Tr("", " を超えても終わりませんでした"));
      }
      return std::string(Tr("timed out after ", "応答が ")) + Duration(o.read_timeout_ms) +
             std::string(Tr(" without data", " 途絶えたので打ち切りました"));
    case WhoisStatus::kTooLarge:
      return std::string(Tr("answer larger than ", "応答が ")) + SizeText(o.max_bytes) +
             std::string(Tr(" (the first part is shown)", " を超えました（最初の部分を表示します）"));
    case WhoisStatus::kHostNotFound:
      return std::string(Tr("the server's name has no address", "サーバーの名前にアドレスがありません"));
    case WhoisStatus::kStopped: return std::string(Tr("stopped", "中止しました"));
    default: return a.reason;
  }
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
  std::string query = ArgToSjis(given);
  // A whole address stands for its host.
  if (query.find("://") != std::string::npos) query = HostFromUrl(query);
  query = WhoisQueryFromBoxes(query, {});
  if (query.empty()) throw UsageError(std::string(Tr("the query is empty", "問い合わせが空です")));
  if (Trim(server).empty()) {
    throw UsageError(std::string(Tr("--server is empty", "--server が空です")));
  }

  WhoisObserver observer;
  observer.connected = [](const std::string& host) {
    std::cerr << Utf8ToTerminal(std::string(Tr("Connected to host: ", "接続しました: ")) + host)
              << "\n";
  };
  int status = 0;
  bool no_match = false;
  std::string last_server;
  observer.answered = [&](const WhoisAnswer& a) {
    std::string text;
    for (const std::string& line : a.lines) text += SjisToTerminal(line) + "\n";
    WriteStdout(text);
    last_server = a.server;
    if (a.status != WhoisStatus::kOk) {
      Complain(a.server + ": " + WhoisFailure(a, options));
      status = 1;
      return;
    }
    std::string joined;
    for (const std::string& line : a.lines) joined += line + "\n";
    no_match = WhoisSaysNoMatch(joined);
  };
  WhoisLookup(server, query, options, observer);
  if (status == 0 && no_match) {
    Complain(std::string(Tr("no match: try another server than ", "見つかりません: ")) +
             last_server + std::string(Tr(" (--server)", " 以外のサーバーで試してください（--server）")));
  }
  return status;
}

constexpr Option kTraceOptions[] = {
    {"--max-hops", "N", "255", "the most hops tried, 1 to 255", "試すホップの数の上限、1 から 255"},
    {"--timeout-ms", "N", "1000", "how long each hop is waited for, in milliseconds",
     "各ホップを待つ時間（ミリ秒）"},
};
constexpr Option kWhoisOptions[] = {
    {"--server", "S", "whois.jprs.jp", "the whois server asked first",
     "最初に問い合わせる whois サーバー"},
    {"--port", "N", "43", "the port of every server asked", "問い合わせるすべてのサーバーのポート"},
    {"--no-referral", "", "", "do not follow a \"Whois Server:\" referral",
     "「Whois Server:」の紹介先に問い合わせません"},
    {"--timeout-ms", "N", "10000 / 15000",
     "the time allowed to connect and the silence allowed while reading, in milliseconds "
     "(the whole answer at most 60 s)",
     "接続を待つ時間と読み込み中に途絶えてよい時間（ミリ秒。応答全体は 60 秒まで）"},
};

constexpr Command kCommands[] = {
    {"traceroute", "HOST [--max-hops N] [--timeout-ms N]",
     "the route to HOST (or a URL's host) hop by hop: number, address, round-trip time, name",
     TraceRouteCommand, kTraceOptions,
     "HOST（または URL のホスト）までの経路を一ホップずつ: 番号、アドレス、往復時間、名前",
     "Exit 0 when the destination answered, 1 when the route ended before it, 3 when ICMP echo "
     "is not permitted (see net.ipv4.ping_group_range).",
     "終了コード: 宛先が応答すれば 0、その前に経路が終われば 1、ICMP エコーが許されなければ 3"
     "（net.ipv4.ping_group_range を参照）。"},
    {"resolve", "HOST", "the first IPv4 address of HOST (or a URL's host); exit 1 when there is none",
     Resolve, {}, "HOST（または URL のホスト）の最初の IPv4 アドレス。なければ終了コード 1"},
    {"reverse", "ADDR",
     "the host name of a dotted IPv4 address; exit 1 when it has none, 2 when ADDR is malformed",
     Reverse, {}, "IPv4 アドレスのホスト名。なければ終了コード 1、ADDR の形が誤っていれば 2"},
    {"whois", "QUERY [options]",
     "who registered a domain: the answer on standard output, one \"Whois Server:\" referral "
     "followed",
     Whois, kWhoisOptions,
     "ドメインの登録者: 応答を標準出力に出し、「Whois Server:」の紹介先を一度たどります",
     "Exit 0 when every server answered, 1 when a query failed (refused, timed out, an answer "
     "over 1 MiB), with the reason.",
     "終了コード: すべてのサーバーが応答すれば 0、問い合わせが失敗すれば 1（拒否、時間切れ、"
     "1 MiB を超える応答）。理由を出します。"},
};

}  // namespace

std::span<const Command> NetCommands() { return kCommands; }

}  // namespace kaplo::cli
