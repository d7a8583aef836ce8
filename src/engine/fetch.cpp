#include "engine/fetch.h"
#include "engine/fetch_internal.h"

#include <curl/curl.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <system_error>

#include "engine/url.h"
#include "text/charset.h"
#include "text/fsname.h"
#include "text/sjis.h"

namespace kaplo {
namespace {

constexpr const char* kTextAgent = "MyApp";
constexpr const char* kProbeAgent = "Mozilla/3.0 (compatible; KAPLO probe)";

}  // namespace

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

namespace {

struct CurlDeleter {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
using Easy = std::unique_ptr<CURL, CurlDeleter>;

Easy MakeEasy(std::string_view url, const FetchLimits& limits, const char* agent) {
  GlobalInit();
  Easy h(curl_easy_init());
  if (!h) return h;
  CURL* c = h.get();
  curl_easy_setopt(c, CURLOPT_URL, std::string(url).c_str());
  curl_easy_setopt(c, CURLOPT_USERAGENT, agent);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, limits.connect_timeout_s);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, limits.low_speed_bytes);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, limits.low_speed_time_s);
  curl_easy_setopt(c, CURLOPT_TIMEOUT, limits.max_time_s);
  curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.max_body_bytes));
  curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");  // every encoding libcurl can decode
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  // HTTP/2 where a TLS server offers it (libcurl's default, said here).
  curl_easy_setopt(c, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
  if (!limits.ca_file.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, limits.ca_file.c_str());
  return h;
}

// Hands libcurl's view of the wire to a recorder's tap.
int OnDebug(CURL* c, curl_infotype type, char* data, size_t size, void* user) try {
  auto* tap = static_cast<TransferTap*>(user);
  const std::string_view bytes(data, size);
  switch (type) {
    case CURLINFO_HEADER_OUT: {
      // Where this request goes: after a redirect, the new address.
      char* url = nullptr;
      char* ip = nullptr;
      curl_easy_getinfo(c, CURLINFO_EFFECTIVE_URL, &url);
      curl_easy_getinfo(c, CURLINFO_PRIMARY_IP, &ip);
      tap->RequestOut(url ? url : "", ip ? ip : "", bytes);
      break;
    }
    case CURLINFO_HEADER_IN:
      tap->HeaderIn(bytes);
      break;
    case CURLINFO_DATA_IN:
      tap->DataIn(bytes);
      break;
    default:
      break;
  }
  return 0;
} catch (...) {
  return 0;  // nothing may unwind through libcurl
}

// A tap on the handle's exchanges when the limits name a recorder.
std::unique_ptr<TransferTap> Tap(CURL* c, const FetchLimits& limits) {
  if (!limits.recorder) return nullptr;
  std::unique_ptr<TransferTap> tap = limits.recorder->Open();
  if (!tap) return nullptr;
  curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, OnDebug);
  curl_easy_setopt(c, CURLOPT_DEBUGDATA, tap.get());
  curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);  // the debug function is called only so
  return tap;
}

// Once the tap is gone libcurl must not call it (a connection closed later).
void Untap(CURL* c) {
  curl_easy_setopt(c, CURLOPT_VERBOSE, 0L);
  curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, nullptr);
}

TransferTap::Ending EndingOf(CURLcode result, bool over_cap) {
  switch (result) {
    case CURLE_OK:
      return TransferTap::Ending::Complete;
    case CURLE_FILESIZE_EXCEEDED:
      return TransferTap::Ending::TooLarge;
    case CURLE_OPERATION_TIMEDOUT:
      return TransferTap::Ending::TimedOut;
    case CURLE_WRITE_ERROR:
      return over_cap ? TransferTap::Ending::TooLarge : TransferTap::Ending::Failed;
    default:
      return TransferTap::Ending::Failed;
  }
}

struct Sink {
  std::string* text = nullptr;
  std::int64_t cap = 0;       // the largest body taken
  std::int64_t spill = 0;     // from this size on the body goes to a file
  std::int64_t total = 0;
  bool over_cap = false;
  std::FILE* file = nullptr;  // the spilled body, while it comes
  std::string file_path;
  char error[CURL_ERROR_SIZE] = {};
  std::unique_ptr<TransferTap> tap;
  ~Sink() {
    if (file) std::fclose(file);
    if (!file_path.empty()) std::remove(file_path.c_str());
  }
};

// Opens a temporary file for a body that outgrew its share of memory and
// writes what came so far into it.
bool Spill(Sink& sink) {
  const char* dir = std::getenv("TMPDIR");
  std::string path = std::string(dir && *dir ? dir : "/tmp") + "/kaplo-body-XXXXXX";
  const int fd = ::mkstemp(path.data());
  if (fd < 0) return false;
  sink.file = ::fdopen(fd, "w+b");
  if (!sink.file) {
    ::close(fd);
    std::remove(path.c_str());
    return false;
  }
  sink.file_path = path;
  return std::fwrite(sink.text->data(), 1, sink.text->size(), sink.file) == sink.text->size();
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const size_t n = size * count;
  // A server that sends no length (or a compressed bomb) can still not fill
  // the memory or the disk.
  if (sink->total + static_cast<std::int64_t>(n) > sink->cap) {
    sink->over_cap = true;
    return 0;
  }
  sink->total += static_cast<std::int64_t>(n);
  if (!sink->file && static_cast<std::int64_t>(sink->text->size() + n) > sink->spill) {
    if (!Spill(*sink)) return 0;
  }
  if (sink->file) return std::fwrite(data, 1, n, sink->file) == n ? n : 0;
  sink->text->append(data, n);
  return n;
}

std::string Mebibytes(std::int64_t bytes) {
  if (bytes >= (1 << 20)) return std::to_string(bytes >> 20) + " MiB";
  if (bytes >= (1 << 10)) return std::to_string(bytes >> 10) + " KiB";
  return std::to_string(bytes) + " bytes";
}

// What went wrong, said as a user would say it.
std::string Reason(CURLcode result, const Sink* sink, const FetchLimits& limits, double seconds) {
  switch (result) {
    case CURLE_WRITE_ERROR:
      if (sink && sink->over_cap) return "answer larger than " + Mebibytes(sink->cap);
      return "the answer could not be stored";
    case CURLE_FILESIZE_EXCEEDED:
      return "answer larger than " + Mebibytes(limits.max_body_bytes);
    case CURLE_OPERATION_TIMEDOUT:
      if (seconds + 0.5 >= static_cast<double>(limits.max_time_s)) {
        return "timed out after " + std::to_string(limits.max_time_s) + " s";
      }
      if (seconds + 0.5 >= static_cast<double>(limits.connect_timeout_s) &&
          seconds < static_cast<double>(limits.connect_timeout_s) + 1) {
        return "no connection within " + std::to_string(limits.connect_timeout_s) + " s";
      }
      return "the server sent nothing for " + std::to_string(limits.low_speed_time_s) + " s";
    case CURLE_OUT_OF_MEMORY:
      // libcurl's answer to a header line too long to take.
      return "the answer's header is too large";
    case CURLE_TOO_MANY_REDIRECTS:
      return "too many redirects (more than " + std::to_string(limits.max_redirects) + ")";
    case CURLE_COULDNT_CONNECT:
      return "connection refused";
    case CURLE_COULDNT_RESOLVE_HOST:
      return "unknown host";
    default:
      break;
  }
  const char* detail = sink ? sink->error : "";
  return *detail ? detail : curl_easy_strerror(result);
}

bool HasHttpScheme(std::string_view url) {
  return ContainsAtBoundary(url, "http://") || ContainsAtBoundary(url, "https://");
}

// Writes a temporary name beside the target and renames it when complete,
// so a failed write never leaves half a file behind.
bool WriteFile(std::string_view file_name, const std::string& body) {
  namespace fs = std::filesystem;
  const fs::path target = FsPath(file_name);
  fs::path temp = target;
  temp += ".kaplo-part";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return false;
  const bool written = std::fwrite(body.data(), 1, body.size(), f) == body.size();
  const bool closed = std::fclose(f) == 0;
  std::error_code ec;
  if (written && closed) {
    fs::rename(temp, target, ec);
    if (!ec) return true;
  }
  fs::remove(temp, ec);
  return false;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* lines = static_cast<std::vector<std::string>*>(user);
  std::string line(data, size * count);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  // Each response of a redirect chain starts again with its status line.
  if (line.starts_with("HTTP/")) lines->clear();
  if (!line.empty()) lines->push_back(std::move(line));
  return size * count;
}

}  // namespace

CURL* NewGetHandle(std::string_view url, const FetchLimits& limits, std::string* body,
                   std::int64_t spill_bytes) {
  Easy h = MakeEasy(url, limits, kTextAgent);
  if (!h) return nullptr;
  // The sink lives as long as the handle: freed by FreeGetHandle.
  auto* sink = new Sink;
  sink->text = body;
  sink->cap = limits.max_body_bytes;
  sink->spill = std::max<std::int64_t>(spill_bytes, 64 << 10);
  curl_easy_setopt(h.get(), CURLOPT_PRIVATE, sink);
  curl_easy_setopt(h.get(), CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h.get(), CURLOPT_MAXREDIRS, limits.max_redirects);
  curl_easy_setopt(h.get(), CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(h.get(), CURLOPT_WRITEDATA, sink);
  curl_easy_setopt(h.get(), CURLOPT_ERRORBUFFER, sink->error);
  sink->tap = Tap(h.get(), limits);
  return h.release();
}

void ReadOutcome(CURL* handle, CURLcode result, const FetchLimits& limits, Response& response) {
  response.complete = result == CURLE_OK;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &response.status);
  char* type = nullptr;
  curl_easy_getinfo(handle, CURLINFO_CONTENT_TYPE, &type);
  response.content_type = type ? type : "";
  char* final_url = nullptr;
  curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &final_url);
  response.final_url = final_url ? final_url : "";
  char* private_data = nullptr;
  curl_easy_getinfo(handle, CURLINFO_PRIVATE, &private_data);
  Sink* sink = reinterpret_cast<Sink*>(private_data);
  if (sink && sink->tap) {
    sink->tap->End(EndingOf(result, sink->over_cap));
    Untap(handle);
    sink->tap.reset();
  }
  if (sink) {
    response.body_size = sink->total;
    if (sink->file && std::fflush(sink->file) == 0) {
      // The file goes with the response now.
      std::fclose(sink->file);
      sink->file = nullptr;
      response.spilled = std::make_shared<SpilledBody>(sink->file_path);
      sink->file_path.clear();
    }
  }
  for (auto [name, field] : {std::pair{"ETag", &response.etag},
                              std::pair{"Last-Modified", &response.last_modified}}) {
    curl_header* h = nullptr;
    if (curl_easy_header(handle, name, 0, CURLH_HEADER, -1, &h) == CURLHE_OK && h && h->value) {
      *field = h->value;
    }
  }
  if (response.complete) return;
  double seconds = 0;
  curl_easy_getinfo(handle, CURLINFO_TOTAL_TIME, &seconds);
  response.error = Reason(result, sink, limits, seconds);
}

void FreeGetHandle(CURL* handle) {
  if (!handle) return;
  char* sink = nullptr;
  curl_easy_getinfo(handle, CURLINFO_PRIVATE, &sink);
  Untap(handle);
  delete reinterpret_cast<Sink*>(sink);
  curl_easy_cleanup(handle);
}

Response CurlGet(std::string_view url, const FetchLimits& limits, std::int64_t spill_bytes,
                 const Validators* validators) {
  Response r;
  if (url.empty()) return r;
  CURL* h = NewGetHandle(url, limits, &r.body, spill_bytes);
  if (!h) return r;
  curl_slist* headers = nullptr;
  if (validators) {
    // A value with a line break would start a header of its own.
    auto add = [&](const char* name, const std::string& value) {
      if (value.empty() || value.find_first_of("\r\n") != std::string::npos) return;
      headers = curl_slist_append(headers, (name + value).c_str());
    };
    add("If-None-Match: ", validators->etag);
    add("If-Modified-Since: ", validators->last_modified);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
  }
  ReadOutcome(h, curl_easy_perform(h), limits, r);
  FreeGetHandle(h);
  curl_slist_free_all(headers);
  if (!r.complete) {
    r.body.clear();
    r.spilled.reset();
  }
  return r;
}

SpilledBody::~SpilledBody() { std::remove(path_.c_str()); }

bool LoadBody(Response& response) {
  if (!response.spilled) return true;
  std::FILE* f = std::fopen(response.spilled->path().c_str(), "rb");
  if (!f) return false;
  std::string body(static_cast<std::size_t>(response.body_size), '\0');
  const bool read = std::fread(body.data(), 1, body.size(), f) == body.size();
  std::fclose(f);
  if (!read) return false;
  response.body = std::move(body);
  response.spilled.reset();
  return true;
}

std::string ResponseFetcher::FetchText(std::string_view url) {
  return FetchTextResponse(url).text;
}

TextResponse ResponseFetcher::FetchTextResponse(std::string_view url) { return TextOf(Get(url)); }

TextResponse TextOf(Response r) {
  if (r.complete && !LoadBody(r)) {
    r.complete = false;
    r.error = "the answer could not be read back";
  }
  TextResponse t;
  t.content_type = r.content_type;
  t.final_url = r.final_url;
  t.validators = {r.etag, r.last_modified};
  if (!r.complete) {
    t.failure = r.error.empty() ? std::string("no answer") : r.error;
    return t;
  }
  if (r.status >= 400) t.failure = "HTTP " + std::to_string(r.status);
  t.text = NormaliseLineBreaks(r.body);
  return t;
}

bool ResponseFetcher::FetchToFile(std::string_view url, std::string_view file_name) {
  if (url.empty() || file_name.empty() || url == file_name || !HasHttpScheme(url)) return false;
  Response r = Get(url);
  if (r.complete && LoadBody(r)) WriteFile(file_name, r.body);
  return true;
}

bool ResponseFetcher::FetchResourceToFile(std::string_view url, std::string_view file_name,
                                          int /*kind*/) {
  if (!HasHttpScheme(url) || file_name.empty()) return false;
  Response r = Get(url);
  if (!r.complete || !LoadBody(r) || !WriteFile(file_name, r.body)) return false;
  std::error_code ec;
  const auto path = FsPath(file_name);
  if (!std::filesystem::exists(path, ec)) return false;
  const std::string text = LoadTextFile(file_name);
  if (ContainsAtBoundary(text, "<html") || ContainsAtBoundary(text, "<HTML")) {
    std::filesystem::remove(path, ec);  // the server sent a page instead
    return false;
  }
  return true;
}

CurlFetcher::CurlFetcher(FetchLimits limits) : limits_(limits) {}

Response CurlFetcher::Get(std::string_view url) {
  return CurlGet(url, limits_, limits_.max_memory_bytes / 2);
}

Response CurlFetcher::FetchIfChanged(std::string_view url, const Validators& validators) {
  return CurlGet(url, limits_, limits_.max_memory_bytes / 2, &validators);
}

ProbeReport CurlFetcher::Probe(std::string_view url) {
  ProbeReport report;
  std::string current(url);
  for (long hop = 0; hop <= limits_.max_redirects; ++hop) {
    Easy h = MakeEasy(current, limits_, kProbeAgent);
    if (!h) return report;
    CURL* c = h.get();
    std::vector<std::string> lines;
    curl_slist* headers = curl_slist_append(nullptr, "Accept: text/html, */*");
    headers = curl_slist_append(headers, "Content-Type: text/html");
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(c, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &lines);
    curl_easy_setopt(c, CURLOPT_FILETIME, 1L);
    std::unique_ptr<TransferTap> tap = Tap(c, limits_);
    const CURLcode rc = curl_easy_perform(c);
    if (tap) {
      tap->End(EndingOf(rc, false));
      Untap(c);
    }
    curl_slist_free_all(headers);
    if (rc != CURLE_OK) return report;

    report.final_url = current;
    report.status_line = lines.empty() ? std::string() : lines.front();
    report.header_lines.assign(lines.begin() + (lines.empty() ? 0 : 1), lines.end());
    curl_off_t length = -1;
    curl_easy_getinfo(c, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    report.content_length = length;
    long filetime = -1;
    curl_easy_getinfo(c, CURLINFO_FILETIME, &filetime);
    if (filetime >= 0) report.last_modified = static_cast<std::time_t>(filetime);
    else report.last_modified.reset();

    char* location = nullptr;
    curl_easy_getinfo(c, CURLINFO_REDIRECT_URL, &location);
    // A redirect to a "not found" page is refused: the probe stops here.
    if (!location || ContainsAtBoundary(location, "404.htm")) {
      report.ok = true;
      return report;
    }
    current = location;
  }
  return report;  // too many redirects
}

}  // namespace kaplo
