#include "nettools/whois.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <utility>

#include "engine/url.h"
#include "nettools/lookup.h"
#include "text/convert.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"
#include "text/strutil.h"

namespace kaplo {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kServers[] = {
    "whois.jprs.jp",          "whois.nic.ad.jp",        "whois.verisign-grs.com",
    "whois.internic.net",     "whois.iana.org",         "whois.arin.net",
    "whois.apnic.net",        "whois.ripe.net",         "whois.lacnic.net",
    "whois.afrinic.net",      "whois.pir.org",          "whois.nic.biz",
    "whois.nic.info",         "whois.nic.us",           "whois.nic.uk",
    "whois.denic.de",         "whois.nic.fr",           "whois.cnnic.cn",
    "whois.kr",               "whois.twnic.net.tw",     "whois.nic.tv",
    "whois.nic.cc",           "whois.auda.org.au",      "whois.godaddy.com",
    "whois.networksolutions.com", "whois.markmonitor.com", "whois.tucows.com",
    "whois.gandi.net",
};

constexpr int kRefused = 10061;
constexpr int kTimedOut = 10060;
constexpr int kNoSuchHost = 11001;
constexpr int kStoppedCode = 1223;
constexpr int kTooLargeCode = 10040;

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

struct AddrInfoFree {
  void operator()(addrinfo* p) const { freeaddrinfo(p); }
};

int Remaining(Clock::time_point deadline) {
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return ms < 0 ? 0 : static_cast<int>(std::min<long long>(ms, 1 << 30));
}

bool Stopped(const WhoisOptions& o) { return o.stop && o.stop->load(std::memory_order_relaxed); }

void Fail(WhoisAnswer& a, WhoisStatus status, int code, std::string reason) {
  a.status = status;
  a.code = code;
  a.reason = std::move(reason);
}

void FailErrno(WhoisAnswer& a, int err, const char* what) {
  if (err == ECONNREFUSED) return Fail(a, WhoisStatus::kRefused, kRefused, "connection refused");
  if (err == ETIMEDOUT) return Fail(a, WhoisStatus::kTimedOut, kTimedOut, std::string(what) + " timed out");
  Fail(a, WhoisStatus::kFailed, err, std::string(what) + ": " + std::strerror(err));
}

std::string PortText(int port) {
  if (port > 0) return std::to_string(port);
  if (const servent* s = getservbyname("whois", "tcp")) return std::to_string(ntohs(s->s_port));
  return "43";
}

// Waits for fd to become ready for events, in short slices so a stop is seen.
// 1 ready, 0 deadline passed, -1 stopped, -2 poll failed (errno set).
int Wait(int fd, short events, Clock::time_point deadline, const WhoisOptions& o) {
  while (true) {
    if (Stopped(o)) return -1;
    const int left = Remaining(deadline);
    if (left == 0) return 0;
    pollfd p{fd, events, 0};
    const int r = poll(&p, 1, std::min(left, 100));
    if (r > 0) return 1;
    if (r < 0 && errno != EINTR) return -2;
  }
}

// A connected socket to one of the server's addresses, or -1 with a filled failure.
int Connect(std::string_view server, const WhoisOptions& o, WhoisAnswer& a) {
  const std::string host(server);
  const std::string port = PortText(o.port);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  if (!o.connect_address.empty()) hints.ai_flags = AI_NUMERICHOST;
  const std::string& target = o.connect_address.empty() ? host : o.connect_address;
  addrinfo* found = nullptr;
  const int gai = getaddrinfo(target.c_str(), port.c_str(), &hints, &found);
  if (gai != 0 || !found) {
    Fail(a, WhoisStatus::kHostNotFound, kNoSuchHost,
         "no address for " + host + ": " + gai_strerror(gai));
    return -1;
  }
  std::unique_ptr<addrinfo, AddrInfoFree> hold(found);
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(o.connect_timeout_ms);
  int last_err = ETIMEDOUT;
  for (addrinfo* ai = found; ai; ai = ai->ai_next) {
    Fd fd(socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, ai->ai_protocol));
    if (fd.get() < 0) {
      last_err = errno;
      continue;
    }
    if (connect(fd.get(), ai->ai_addr, ai->ai_addrlen) != 0) {
      if (errno != EINPROGRESS) {
        last_err = errno;
        continue;
      }
      const int w = Wait(fd.get(), POLLOUT, deadline, o);
      if (w == -1) {
        Fail(a, WhoisStatus::kStopped, kStoppedCode, "stopped");
        return -1;
      }
      if (w == 0) {
        last_err = ETIMEDOUT;
        break;
      }
      int err = 0;
      socklen_t len = sizeof err;
      if (w < 0) err = errno;
      else if (getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
      if (err != 0) {
        last_err = err;
        continue;
      }
    }
    return fd.release();
  }
  FailErrno(a, last_err, "connect");
  return -1;
}

bool SendAll(int fd, std::string_view data, const WhoisOptions& o, WhoisAnswer& a) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(o.read_timeout_ms);
  while (!data.empty()) {
    const ssize_t n = send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n > 0) {
      data.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      FailErrno(a, errno, "send");
      return false;
    }
    const int w = Wait(fd, POLLOUT, deadline, o);
    if (w == -1) Fail(a, WhoisStatus::kStopped, kStoppedCode, "stopped");
    if (w == 0) FailErrno(a, ETIMEDOUT, "send");
    if (w == -2) FailErrno(a, errno, "send");
    if (w != 1) return false;
  }
  return true;
}

// Whois servers of the Japanese registries answer in ISO-2022-JP; the
// others mostly in UTF-8, which is read as such when it is valid.
std::string Decode(std::string_view raw) {
  const bool escapes = raw.find('\x1B') != std::string_view::npos;
  const bool high = std::any_of(raw.begin(), raw.end(),
                                [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  if (!escapes && high) {
    std::string sjis = Utf8ToShiftJIS(raw);
    if (!sjis.empty()) return sjis;
  }
  return JisToShiftJISSimple(raw);
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t e = text.find('\n', i);
    if (e == std::string_view::npos) e = text.size();
    std::string_view line = text.substr(i, e - i);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    i = e + 1;
  }
  return lines;
}

bool IsHostText(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return u > 0x20 && u < 0x7F && c != '/' && c != '@';
  });
}

bool SameHost(std::string_view a, std::string_view b) {
  return a.size() == b.size() && PosIgnoreCase(a, b) == 1;
}

}  // namespace

std::span<const std::string_view> WhoisServers() { return kServers; }

namespace {

WhoisAnswer Ask(std::string_view server, std::string_view query, const WhoisOptions& options,
                const WhoisObserver& observer) {
  WhoisAnswer a;
  a.server = std::string(Trim(server));
  const int raw_fd = Connect(a.server, options, a);
  if (raw_fd < 0) return a;
  Fd fd(raw_fd);
  if (observer.connected) observer.connected(a.server);
  if (!SendAll(fd.get(), WhoisCleanQuery(query) + "\r\n", options, a)) return a;

  const Clock::time_point end =
      Clock::now() + std::chrono::milliseconds(options.total_timeout_ms);
  a.status = WhoisStatus::kOk;
  char buf[2047];
  while (true) {
    const Clock::time_point idle =
        Clock::now() + std::chrono::milliseconds(options.read_timeout_ms);
    const int w = Wait(fd.get(), POLLIN, std::min(idle, end), options);
    if (w == -1) {
      Fail(a, WhoisStatus::kStopped, kStoppedCode, "stopped");
      break;
    }
    if (w == 0) {
      // The silence between two pieces, or the time for the whole answer.
      FailErrno(a, ETIMEDOUT, Clock::now() >= end ? "the whole answer" : "reading the answer");
      break;
    }
    if (w == -2) {
      FailErrno(a, errno, "reading the answer");
      break;
    }
    const ssize_t n = recv(fd.get(), buf, sizeof buf, 0);
    if (n == 0) break;  // the server closed: the answer is complete
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
      FailErrno(a, errno, "reading the answer");
      break;
    }
    for (ssize_t i = 0; i < n; ++i) {
      if (buf[i] != '\0') a.raw += buf[i];
    }
    if (a.raw.size() > options.max_bytes) {
      a.raw.resize(options.max_bytes);
      Fail(a, WhoisStatus::kTooLarge, kTooLargeCode,
           "the answer is larger than " + std::to_string(options.max_bytes) + " bytes");
      break;
    }
  }
  a.lines = SplitLines(Decode(a.raw));
  return a;
}

}  // namespace

WhoisAnswer WhoisQuery(std::string_view server, std::string_view query,
                       const WhoisOptions& options, const WhoisObserver& observer) {
  WhoisAnswer a = Ask(server, query, options, observer);
  if (observer.answered) observer.answered(a);
  return a;
}

std::vector<WhoisAnswer> WhoisLookup(std::string_view server, std::string_view query,
                                     const WhoisOptions& options, const WhoisObserver& observer) {
  std::vector<WhoisAnswer> answers;
  answers.push_back(WhoisQuery(server, query, options, observer));
  const WhoisAnswer& first = answers.front();
  if (!options.follow_referral || first.status != WhoisStatus::kOk) return answers;
  const std::string next = WhoisReferral(first.lines);
  // A server that names itself has nothing more to say.
  if (next.empty() || SameHost(next, first.server)) return answers;
  answers.push_back(WhoisQuery(next, query, options, observer));
  return answers;
}

std::string WhoisReferral(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    if (line.find("Whois Server:") == std::string::npos) continue;
    std::string_view value = std::string_view(line).substr(line.find(':') + 1);
    value = Trim(value.substr(0, 99));
    return IsHostText(value) ? std::string(value) : std::string();
  }
  return {};
}

bool WhoisSaysNoMatch(std::string_view text) {
  if (PosFrom(SJ<"公開している">(), text, 0) || PosFrom(SJ<"参考">(), text, 0)) return true;
  for (std::string_view words :
       {"no match", "not match", "not found", "no found", "no entry", "no entries"}) {
    if (PosIgnoreCase(words, text)) return true;
  }
  return false;
}

std::string WhoisCleanQuery(std::string_view query) {
  std::string out;
  for (char c : query) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u != 0x7F) out += c;
  }
  return out;
}

std::string WhoisQueryFromBoxes(std::string_view query_box, std::string_view url_box) {
  std::string q = ReplaceFirstExact(Trim(query_box), "www.", "");
  if (Trim(q).empty() && !Trim(url_box).empty()) q = HostFromUrl(url_box);
  q = std::string(Trim(q));
  if (q.empty()) return {};
  q = ReplaceFirstExact(q, "www.", "");
  return std::string(Trim(StripSchemeAndWww(q)));
}

std::string WhoisErrorMessage(const WhoisAnswer& answer) {
  if (answer.code == kRefused) return SJ<"ﾄﾞﾒｲﾝ登録情報通知ｻｰﾋﾞｽが有効となっていません">();
  if (answer.code == kTimedOut) return SJ<"ホストに到達しません">();
  if (answer.code == 0) return {};
  return SJ<"ｴﾗｰが発生しました #">() + std::to_string(answer.code) + " (" + answer.reason + ")";
}

std::string WhoisDisplayText(std::string_view text) {
  return ReplaceAllExact(text, "  ", SJ<"　">());
}

}  // namespace kaplo
