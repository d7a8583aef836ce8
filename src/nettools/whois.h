// The whois client: one query line to a server, the answer read until the
// server closes, one referral to the server the answer names.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kaplo {

// The servers the window offers; the first is the initial one.
std::span<const std::string_view> WhoisServers();
inline constexpr std::string_view kDefaultWhoisServer = "whois.jprs.jp";

struct WhoisOptions {
  int port = 0;  // 0: the "whois" service of the services database, else 43
  int connect_timeout_ms = 10000;
  int read_timeout_ms = 15000;   // silence allowed between two pieces
  int total_timeout_ms = 60000;  // the whole answer
  std::size_t max_bytes = 1u << 20;
  bool follow_referral = true;
  // When set, every server is reached at this numeric address (its name is
  // still the one shown and compared): lets one local server stand for all.
  std::string connect_address;
  const std::atomic<bool>* stop = nullptr;
};

enum class WhoisStatus {
  kOk,
  kRefused,       // no whois service on the server
  kTimedOut,      // no connection or no data within the time-outs
  kHostNotFound,  // the server name has no address
  kTooLarge,      // the answer passed the size cap; the first part is kept
  kStopped,
  kFailed,        // any other socket error
};

struct WhoisAnswer {
  std::string server;
  WhoisStatus status = WhoisStatus::kFailed;
  // The window's error number: 0, 10061 refused, 10060 timed out, 11001 no
  // such host, 1223 stopped, 10040 too large, else the errno.
  int code = 0;
  std::string reason;               // English, for the command line
  std::string raw;                  // the bytes received, zero bytes dropped
  std::vector<std::string> lines;   // decoded to Shift_JIS, without line ends
};

// Called as the query goes: after a connection is made, and with each answer.
struct WhoisObserver {
  std::function<void(const std::string& server)> connected;
  std::function<void(const WhoisAnswer& answer)> answered;
};

// One query to one server.
WhoisAnswer WhoisQuery(std::string_view server, std::string_view query,
                       const WhoisOptions& options = {}, const WhoisObserver& observer = {});
// The query, then at most one referral (not to the server that answered).
std::vector<WhoisAnswer> WhoisLookup(std::string_view server, std::string_view query,
                                     const WhoisOptions& options = {},
                                     const WhoisObserver& observer = {});

// The server an answer refers to ("Whois Server: host"), or empty.
std::string WhoisReferral(const std::vector<std::string>& lines);
// Whether the answer says that nothing was found.
bool WhoisSaysNoMatch(std::string_view text);
// The query line as sent: control characters removed.
std::string WhoisCleanQuery(std::string_view query);
// The domain to ask about from the query box, or from the URL box when the
// query box is empty: scheme, "www." and blanks removed; empty when neither
// holds one.
std::string WhoisQueryFromBoxes(std::string_view query_box, std::string_view url_box);
// The Shift_JIS message shown for a failed query.
std::string WhoisErrorMessage(const WhoisAnswer& answer);
// How the answer pane shows text: every two blanks become one full-width space.
std::string WhoisDisplayText(std::string_view text);

}  // namespace kaplo
