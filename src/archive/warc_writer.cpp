#include "archive/warc_writer.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <random>
#include <system_error>

#include "archive/digest.h"
#include "archive/gzip_stream.h"

namespace kaplo {
namespace {

constexpr std::string_view kRevisitProfile =
    "http://netpreserve.org/warc/1.1/revisit/identical-payload-digest";

std::string Field(std::string_view name, std::string_view value) {
  return std::string(name) + ": " + std::string(value) + "\r\n";
}

bool IsGet(std::string_view request) { return request.starts_with("GET "); }

}  // namespace

std::string NewRecordId() {
  static std::mutex mu;
  static std::mt19937_64 random{std::random_device{}() ^
                                (static_cast<std::uint64_t>(std::random_device{}()) << 32)};
  std::uint64_t hi, lo;
  {
    std::lock_guard lock(mu);
    hi = random();
    lo = random();
  }
  hi = (hi & ~0xF000ull) | 0x4000ull;                  // version 4
  lo = (lo & ~(0xC000ull << 48)) | (0x8000ull << 48);  // variant 1
  char buf[64];
  std::snprintf(buf, sizeof buf, "<urn:uuid:%08x-%04x-%04x-%04x-%012llx>",
                static_cast<unsigned>(hi >> 32), static_cast<unsigned>((hi >> 16) & 0xFFFF),
                static_cast<unsigned>(hi & 0xFFFF), static_cast<unsigned>(lo >> 48),
                static_cast<unsigned long long>(lo & 0xFFFFFFFFFFFFull));
  return buf;
}

std::string WarcDateNow() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buf;
}

WarcWriter::WarcWriter(std::filesystem::path path, std::string info)
    : path_(std::move(path)), part_(path_), info_(std::move(info)) {
  part_ += ".part";
}

WarcWriter::~WarcWriter() { Close(); }

std::unique_ptr<WarcWriter> WarcWriter::Create(const std::filesystem::path& path,
                                               std::string_view software,
                                               std::string_view fields, std::string* error) {
  std::error_code ec;
  const std::filesystem::path folder =
      path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  if (path.filename().empty() || std::filesystem::is_directory(path, ec)) {
    *error = path.string() + " is a folder";
    return nullptr;
  }
  if (!std::filesystem::is_directory(folder, ec) || ::access(folder.c_str(), W_OK) != 0) {
    *error = "cannot write into " + folder.string() + ": " +
             (ec ? ec.message() : std::generic_category().message(errno));
    return nullptr;
  }
  std::string info = Field("software", software) + Field("format", "WARC File Format 1.1") +
                     Field("conformsTo",
                           "http://iipc.github.io/warc-specifications/specifications/warc-format/"
                           "warc-1.1/") +
                     std::string(fields);
  return std::unique_ptr<WarcWriter>(new WarcWriter(path, std::move(info)));
}

bool WarcWriter::Begin() {
  if (begun_) return file_ != nullptr;
  begun_ = true;
  file_ = std::fopen(part_.c_str(), "wb");
  if (!file_) {
    error_ = "cannot write " + part_.string() + ": " + std::generic_category().message(errno);
    return false;
  }
  info_id_ = NewRecordId();
  Sha1 digest;
  digest.Update(info_);
  return Record(Field("WARC-Type", "warcinfo") + Field("WARC-Record-ID", info_id_) +
                    Field("WARC-Date", WarcDateNow()) +
                    Field("WARC-Filename", path_.filename().string()) +
                    Field("WARC-Block-Digest", digest.Label()) +
                    Field("Content-Type", "application/warc-fields"),
                info_, nullptr);
}

bool WarcWriter::Record(const std::string& headers, std::string_view head, BodyStore* body) {
  if (!file_ || !error_.empty()) return false;
  const std::uint64_t length = head.size() + (body ? body->size() : 0);
  constexpr std::size_t kSample = 64 << 10;
  const bool store = body && body->size() >= kSample && IncompressibleSample(body->Prefix(kSample));
  GzipMemberWriter member(file_, store ? Z_NO_COMPRESSION : Z_DEFAULT_COMPRESSION);
  bool ok = member.Add("WARC/1.1\r\n" + headers + Field("Content-Length", std::to_string(length)) +
                       "\r\n") &&
            member.Add(head);
  if (ok && body) ok = body->ForEach([&](std::string_view piece) { return member.Add(piece); });
  ok = ok && member.Add("\r\n\r\n") && member.Finish();
  if (!ok) error_ = "cannot write " + part_.string() + " (is the disk full?)";
  return ok;
}

void WarcWriter::Write(ArchivedExchange& x) {
  const std::string request_id = NewRecordId();
  const std::string response_id = NewRecordId();
  std::lock_guard lock(mu_);
  if (!Begin()) return;
  const std::string common = Field("WARC-Date", x.date) + Field("WARC-Target-URI", x.url) +
                             (x.peer_ip.empty() ? std::string() : Field("WARC-IP-Address", x.peer_ip)) +
                             Field("WARC-Warcinfo-ID", info_id_);
  Sha1 request_digest;
  request_digest.Update(x.request);
  Record(Field("WARC-Type", "request") + Field("WARC-Record-ID", request_id) + common +
             Field("WARC-Concurrent-To", response_id) +
             Field("WARC-Block-Digest", request_digest.Label()) +
             Field("Content-Type", "application/http;msgtype=request"),
         x.request, nullptr);

  const auto key = std::make_pair(x.url, x.payload_digest);
  const auto earlier = archived_.find(key);
  // The same answer again: its head, and where the body is.
  if (x.truncated.empty() && x.body.size() > 0 && IsGet(x.request) && earlier != archived_.end()) {
    Sha1 head_digest;
    head_digest.Update(x.response.text);
    Record(Field("WARC-Type", "revisit") + Field("WARC-Record-ID", response_id) + common +
               Field("WARC-Concurrent-To", request_id) + Field("WARC-Profile", kRevisitProfile) +
               Field("WARC-Refers-To", earlier->second.first) +
               Field("WARC-Refers-To-Target-URI", x.url) +
               Field("WARC-Refers-To-Date", earlier->second.second) +
               Field("WARC-Block-Digest", head_digest.Label()) +
               Field("WARC-Payload-Digest", x.payload_digest) +
               Field("Content-Type", "application/http;msgtype=response"),
           x.response.text, nullptr);
    return;
  }
  Record(Field("WARC-Type", "response") + Field("WARC-Record-ID", response_id) + common +
             Field("WARC-Concurrent-To", request_id) +
             Field("WARC-Block-Digest", x.block_digest) +
             Field("WARC-Payload-Digest", x.payload_digest) +
             (x.truncated.empty() ? std::string() : Field("WARC-Truncated", x.truncated)) +
             Field("Content-Type", "application/http;msgtype=response"),
         x.response.text, &x.body);
  if (x.truncated.empty() && IsGet(x.request)) archived_.emplace(key, std::make_pair(response_id, x.date));
}

void WarcWriter::Fail(std::string why) {
  std::lock_guard lock(mu_);
  if (error_.empty()) error_ = std::move(why);
}

bool WarcWriter::Close() {
  std::lock_guard lock(mu_);
  if (!file_) return begun_;
  if (std::fclose(file_) != 0 && error_.empty()) error_ = "cannot write " + part_.string();
  file_ = nullptr;
  return true;
}

bool WarcWriter::Commit(std::string* error) {
  {
    // An archive of a job that exchanged nothing holds its warcinfo record.
    std::lock_guard lock(mu_);
    Begin();
  }
  Close();
  if (!error_.empty()) {
    *error = error_;
    return false;
  }
  std::error_code ec;
  std::filesystem::rename(part_, path_, ec);
  if (ec) {
    *error = "cannot rename " + part_.string() + " to " + path_.string() + ": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace kaplo
