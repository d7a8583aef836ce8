#include "engine/fetch.h"
#include "engine/fetch_internal.h"

#include <curl/curl.h>

#include <cstdio>
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
  curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.max_body_bytes));
  curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");  // every encoding libcurl can decode
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  // HTTP/2 where a TLS server offers it (libcurl's default, said here).
  curl_easy_setopt(c, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
  if (!limits.ca_file.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, limits.ca_file.c_str());
  return h;
}

struct Sink {
  std::string* text = nullptr;
  std::int64_t cap = 0;
  char error[CURL_ERROR_SIZE] = {};
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const size_t n = size * count;
  // A server that sends no length can still not fill the memory.
  if (static_cast<std::int64_t>(sink->text->size() + n) > sink->cap) return 0;
  sink->text->append(data, n);
  return n;
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

CURL* NewGetHandle(std::string_view url, const FetchLimits& limits, std::string* body) {
  Easy h = MakeEasy(url, limits, kTextAgent);
  if (!h) return nullptr;
  // The sink lives as long as the handle: freed by FreeGetHandle.
  auto* sink = new Sink{body, limits.max_body_bytes};
  curl_easy_setopt(h.get(), CURLOPT_PRIVATE, sink);
  curl_easy_setopt(h.get(), CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h.get(), CURLOPT_MAXREDIRS, limits.max_redirects);
  curl_easy_setopt(h.get(), CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(h.get(), CURLOPT_WRITEDATA, sink);
  curl_easy_setopt(h.get(), CURLOPT_ERRORBUFFER, sink->error);
  return h.release();
}

void ReadOutcome(CURL* handle, CURLcode result, Response& response) {
  response.complete = result == CURLE_OK;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &response.status);
  char* type = nullptr;
  curl_easy_getinfo(handle, CURLINFO_CONTENT_TYPE, &type);
  response.content_type = type ? type : "";
  char* final_url = nullptr;
  curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &final_url);
  response.final_url = final_url ? final_url : "";
  if (response.complete) return;
  char* sink = nullptr;
  curl_easy_getinfo(handle, CURLINFO_PRIVATE, &sink);
  const char* detail = sink ? reinterpret_cast<Sink*>(sink)->error : "";
  response.error = *detail ? detail : curl_easy_strerror(result);
}

void FreeGetHandle(CURL* handle) {
  if (!handle) return;
  char* sink = nullptr;
  curl_easy_getinfo(handle, CURLINFO_PRIVATE, &sink);
  delete reinterpret_cast<Sink*>(sink);
  curl_easy_cleanup(handle);
}

Response CurlGet(std::string_view url, const FetchLimits& limits) {
  Response r;
  if (url.empty()) return r;
  CURL* h = NewGetHandle(url, limits, &r.body);
  if (!h) return r;
  ReadOutcome(h, curl_easy_perform(h), r);
  FreeGetHandle(h);
  if (!r.complete) r.body.clear();
  return r;
}

std::string ResponseFetcher::FetchText(std::string_view url) {
  return FetchTextResponse(url).text;
}

TextResponse ResponseFetcher::FetchTextResponse(std::string_view url) {
  const Response r = Get(url);
  TextResponse t;
  t.content_type = r.content_type;
  t.final_url = r.final_url;
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
  const Response r = Get(url);
  if (r.complete) WriteFile(file_name, r.body);
  return true;
}

bool ResponseFetcher::FetchResourceToFile(std::string_view url, std::string_view file_name,
                                          int /*kind*/) {
  if (!HasHttpScheme(url) || file_name.empty()) return false;
  const Response r = Get(url);
  if (!r.complete || !WriteFile(file_name, r.body)) return false;
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

Response CurlFetcher::Get(std::string_view url) { return CurlGet(url, limits_); }

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
    const CURLcode rc = curl_easy_perform(c);
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
