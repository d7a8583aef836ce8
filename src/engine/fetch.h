// Retrieval: the narrow operations through which the engine reads the web.
// Only FetchTextResponse tells what the server said (content type, status);
// the other operations' callers judge by what came back.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/exchange_sink.h"

namespace kaplo {

struct FetchLimits {
  long connect_timeout_s = 15;
  // A transfer slower than low_speed_bytes per second for low_speed_time_s is cut.
  long low_speed_bytes = 1;
  long low_speed_time_s = 30;
  // Every response ends within this time, however it trickles.
  long max_time_s = 120;
  std::int64_t max_body_bytes = 256ll << 20;
  // What a job may hold of bodies in memory; a body larger than its share
  // goes to a temporary file as it comes.
  std::int64_t max_memory_bytes = 512ll << 20;
  long max_redirects = 15;
  // Certificates to trust instead of the system's (a test server's own).
  std::string ca_file;
  // Told of every exchange as it happens (a web archive); must outlive
  // the fetcher. None when null.
  ExchangeSink* recorder = nullptr;
};

// What a HEAD probe saw of an address.
struct ProbeReport {
  bool ok = false;            // false: the address could not be checked
  std::string final_url;      // after the redirects that were allowed
  std::string status_line;    // "HTTP/1.1 200 OK"
  std::vector<std::string> header_lines;
  std::int64_t content_length = -1;     // -1 when not sent
  std::optional<std::time_t> last_modified;
};

// What a saved copy was sent with: a server that still has that version
// answers 304, without a body.
struct Validators {
  std::string etag, last_modified;
  bool empty() const { return etag.empty() && last_modified.empty(); }
};

// A text fetch with what the response said about itself.
struct TextResponse {
  std::string text;          // as FetchText gives it
  std::string content_type;  // the final response's Content-Type; empty when none
  // Why the address gave no usable text: libcurl's reason (refused, timed
  // out...) or the HTTP status of an error answer ("HTTP 404"); empty when
  // it gave one.
  std::string failure;
  std::string final_url;  // after redirects; empty when unknown
  Validators validators;  // what the answer was sent with
};

// A body kept in a temporary file, removed when the last response that
// holds it goes.
class SpilledBody {
 public:
  explicit SpilledBody(std::string path) : path_(std::move(path)) {}
  ~SpilledBody();
  SpilledBody(const SpilledBody&) = delete;
  SpilledBody& operator=(const SpilledBody&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A whole response: complete is false when the transfer failed or was cut.
struct Response {
  bool complete = false;
  // The body, or (when spilled is set) the part of it that came first: the
  // whole body is then in spilled's file.
  std::string body;
  std::shared_ptr<const SpilledBody> spilled;
  std::int64_t body_size = 0;  // the whole body's size
  long status = 0;           // the final HTTP status; 0 when no answer came
  std::string content_type;  // of the final answer
  std::string error;         // libcurl's reason when the transfer failed
  std::string final_url;     // the address that answered, after redirects
  // The final answer's validators, as sent; empty when it sent none.
  std::string etag, last_modified;
};


class Fetcher {
 public:
  virtual ~Fetcher() = default;
  // The body with CR LF line ends; empty when nothing could be read. An
  // error answer's body (a "not found" page) comes back like any other.
  virtual std::string FetchText(std::string_view url) = 0;
  // FetchText with the content type and the reason of a failure. A fetcher
  // that knows neither gives only the text.
  virtual TextResponse FetchTextResponse(std::string_view url) {
    return {FetchText(url), {}, {}, {}, {}};
  }
  // The response as it came: status, type, body bytes, the final address.
  // A fetcher that worked ahead hands its copy over and forgets it.
  virtual Response FetchResponse(std::string_view url) = 0;
  // FetchResponse asking only for a changed answer: status 304 and no body
  // when the validators still hold. A fetcher that cannot ask so fetches
  // the whole answer.
  virtual Response FetchIfChanged(std::string_view url, const Validators&) {
    return FetchResponse(url);
  }
  // Stores the body in file_name (a Shift_JIS path). True when a download
  // was attempted; its outcome shows in whether the file is there.
  virtual bool FetchToFile(std::string_view url, std::string_view file_name) = 0;
  // As FetchToFile, but true only when the file exists afterwards and is not
  // an HTML page (such a page is deleted).
  virtual bool FetchResourceToFile(std::string_view url, std::string_view file_name,
                                   int kind) = 0;
  // HEAD request following redirects, except one to an address containing "404.htm".
  virtual ProbeReport Probe(std::string_view url) = 0;

  // Hints for fetchers that work ahead: these addresses will be asked for
  // soon, in this order. The answers must not change by it.
  virtual void Prefetch(const std::vector<std::string>& urls) {}
  // The job was stopped: nothing more is fetched ahead, and a fetch under
  // way may end at once as failed.
  virtual void CancelPrefetch() {}
  // A new job starts: responses kept for the last one are forgotten.
  virtual void StartJob() {}
};

// The fetch operations over one way of getting a response.
class ResponseFetcher : public Fetcher {
 public:
  std::string FetchText(std::string_view url) override;
  TextResponse FetchTextResponse(std::string_view url) override;
  bool FetchToFile(std::string_view url, std::string_view file_name) override;
  bool FetchResourceToFile(std::string_view url, std::string_view file_name, int kind) override;
  Response FetchResponse(std::string_view url) override { return Get(url); }

 protected:
  virtual Response Get(std::string_view url) = 0;
};

// libcurl, one request at a time; proxies come from the usual environment variables.
class CurlFetcher : public ResponseFetcher {
 public:
  explicit CurlFetcher(FetchLimits limits = {});
  ProbeReport Probe(std::string_view url) override;
  Response FetchIfChanged(std::string_view url, const Validators& validators) override;

 protected:
  Response Get(std::string_view url) override;

 private:
  FetchLimits limits_;
};

// One GET, following redirects, with the limits applied; a body larger
// than spill_bytes goes to a temporary file. With validators it asks only
// for a changed answer (If-None-Match, If-Modified-Since).
Response CurlGet(std::string_view url, const FetchLimits& limits,
                 std::int64_t spill_bytes = 16ll << 20, const Validators* validators = nullptr);
// The text view of a response: the body with CR LF line ends and why it is
// no usable text (FetchTextResponse's answer).
TextResponse TextOf(Response response);
// The whole body of a response in memory (read back from its file when it
// was spilled); false when that file cannot be read.
bool LoadBody(Response& response);

// Opens a local file in the user's browser.
class SystemBrowser {
 public:
  virtual ~SystemBrowser() = default;
  virtual void OpenInSystemBrowser(std::string_view file_name) = 0;
};

}  // namespace kaplo
