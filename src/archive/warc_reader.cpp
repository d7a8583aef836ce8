#include "archive/warc_reader.h"

#include <algorithm>
#include <array>
#include <optional>

#include "archive/digest.h"
#include "archive/gzip_stream.h"
#include "archive/http_message.h"
#include "text/strutil.h"

namespace kaplo {
namespace {

constexpr std::size_t kMaxHeadBytes = 1 << 20;

// The decompressed archive with lines and blocks taken off its front.
class Source {
 public:
  explicit Source(std::FILE* in) : gz_(in) {}
  // 1 with a line (its end removed), 0 at the end, -1 on a fault or a line
  // longer than max.
  int Line(std::string& line, std::size_t max) {
    line.clear();
    while (true) {
      const std::size_t nl = buf_.find('\n', pos_);
      if (nl != std::string::npos) {
        line.append(buf_, pos_, nl - pos_);
        pos_ = nl + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return 1;
      }
      line.append(buf_, pos_, std::string::npos);
      pos_ = buf_.size();
      if (line.size() > max) return -1;
      const long n = Fill();
      if (n < 0) return -1;
      if (n == 0) return line.empty() ? 0 : -1;
    }
  }
  // Up to n bytes; empty at the end; nullopt on a fault.
  std::optional<std::string_view> Bytes(std::size_t n) {
    if (pos_ == buf_.size()) {
      const long got = Fill();
      if (got < 0) return std::nullopt;
      if (got == 0) return std::string_view();
    }
    const std::size_t take = std::min(n, buf_.size() - pos_);
    const std::string_view out(buf_.data() + pos_, take);
    pos_ += take;
    return out;
  }
  const std::string& error() const { return gz_.error(); }

 private:
  long Fill() {
    buf_.erase(0, pos_);
    pos_ = 0;
    const std::size_t old = buf_.size();
    buf_.resize(old + (1 << 16));
    const long n = gz_.Read(buf_.data() + old, 1 << 16);
    buf_.resize(old + static_cast<std::size_t>(std::max(n, 0L)));
    return n;
  }

  GzipReader gz_;
  std::string buf_;
  std::size_t pos_ = 0;
};

std::string Hex(const std::array<std::uint8_t, 20>& d) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const std::uint8_t b : d) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

// Whether a recorded "sha1:..." value (base32, or hex as some tools write)
// is the digest computed. Unset when the algorithm is not SHA-1.
std::optional<bool> Matches(std::string_view recorded, Sha1 computed) {
  const std::size_t colon = recorded.find(':');
  if (colon == std::string_view::npos || !EqualsNoCase(recorded.substr(0, colon), "sha1")) {
    return std::nullopt;
  }
  const std::string_view value = recorded.substr(colon + 1);
  const auto d = computed.Finish();
  if (value.size() == 40) return EqualsNoCase(value, Hex(d));
  const std::string base32 =
      Base32(std::string_view(reinterpret_cast<const char*>(d.data()), d.size()));
  return EqualsNoCase(value, base32);
}

std::string Label(Sha1 s) { return s.Label(); }

// Splits an application/http block into its head and its payload as it comes.
class HttpBlock {
 public:
  HttpBlock(bool keep) : keep_(keep) {}
  void Feed(std::string_view bytes, WarcRecord& r) {
    if (!in_payload_) {
      head_.append(bytes);
      std::size_t end = head_.find("\r\n\r\n");
      std::size_t skip = 4;
      if (end == std::string::npos) {
        end = head_.find("\n\n");
        skip = 2;
      }
      if (end == std::string::npos) {
        if (head_.size() > kMaxHeadBytes) head_too_long_ = true;
        return;
      }
      in_payload_ = true;
      r.http_head = head_.substr(0, end + skip);
      r.status = StatusOfLine(r.http_head.substr(0, r.http_head.find('\n')));
      if (EqualsNoCase(HeaderValue(r.http_head, "Transfer-Encoding"), "chunked")) dechunker_.emplace();
      const std::string rest = head_.substr(end + skip);
      std::string().swap(head_);
      return Payload(rest, r);
    }
    Payload(bytes, r);
  }
  bool head_found() const { return in_payload_; }
  bool head_too_long() const { return head_too_long_; }
  Sha1 raw, decoded;
  std::optional<Dechunker> dechunker_;

 private:
  void Payload(std::string_view bytes, WarcRecord& r) {
    raw.Update(bytes);
    if (dechunker_) {
      std::string plain;
      dechunker_->Feed(bytes, plain);
      decoded.Update(plain);
    }
    if (keep_) r.payload.append(bytes);
  }

  bool keep_;
  bool in_payload_ = false;
  bool head_too_long_ = false;
  std::string head_;
};

}  // namespace

std::string WarcRecord::Header(std::string_view name) const {
  for (const auto& [n, v] : headers) {
    if (EqualsNoCase(n, name)) return v;
  }
  return {};
}

std::string WarcRecord::uri() const {
  std::string u = Header("WARC-Target-URI");
  if (u.size() >= 2 && u.front() == '<' && u.back() == '>') u = u.substr(1, u.size() - 2);
  return u;
}

std::string ReadWarc(std::FILE* in, bool keep_payloads,
                     const std::function<void(const WarcRecord&)>& f) {
  Source src(in);
  std::string line;
  for (int number = 1;; ++number) {
    const std::string where = "record " + std::to_string(number);
    int got = 0;
    // Blank lines between records are tolerated.
    while ((got = src.Line(line, 64)) == 1 && line.empty()) {
    }
    if (got == 0) return number == 1 ? "no record in the file" : std::string();
    if (got < 0) return where + ": " + (src.error().empty() ? "malformed record start" : src.error());
    if (line != "WARC/1.0" && line != "WARC/1.1") {
      return where + ": malformed: \"WARC/1.0\" or \"WARC/1.1\" expected";
    }
    WarcRecord r;
    r.version = line;
    std::size_t head_bytes = 0;
    while (true) {
      got = src.Line(line, 1 << 16);
      if (got <= 0) {
        return where + ": " + (!src.error().empty() ? src.error()
                               : got == 0          ? "the file ends in the record's header"
                                                   : "malformed header line");
      }
      if (line.empty()) break;
      head_bytes += line.size();
      if (head_bytes > kMaxHeadBytes) return where + ": malformed: header larger than 1 MiB";
      if ((line[0] == ' ' || line[0] == '\t') && !r.headers.empty()) {
        r.headers.back().second += " " + std::string(Trim(line));
        continue;
      }
      const std::size_t colon = line.find(':');
      if (colon == std::string::npos || colon == 0) {
        return where + ": malformed header line \"" + line.substr(0, 80) + "\"";
      }
      r.headers.emplace_back(std::string(Trim(std::string_view(line).substr(0, colon))),
                             std::string(Trim(std::string_view(line).substr(colon + 1))));
    }
    const std::string length_text = r.Header("Content-Length");
    if (length_text.empty() || length_text.size() > 15 ||
        !std::all_of(length_text.begin(), length_text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return where + ": malformed: no valid Content-Length";
    }
    r.length = std::stoull(length_text);

    const std::string type = r.type();
    const std::string content_type = r.Header("Content-Type");
    const bool http = content_type.starts_with("application/http");
    Sha1 block;
    HttpBlock message(keep_payloads);
    Sha1 plain_payload;  // a block that is all payload
    for (std::uint64_t left = r.length; left > 0;) {
      const auto piece = src.Bytes(static_cast<std::size_t>(std::min<std::uint64_t>(left, 1 << 16)));
      if (!piece) return where + ": " + src.error();
      if (piece->empty()) return where + ": truncated: the block ends early";
      block.Update(*piece);
      if (http) message.Feed(*piece, r);
      else {
        plain_payload.Update(*piece);
        if (keep_payloads) r.payload.append(*piece);
      }
      left -= piece->size();
    }
    for (int i = 0; i < 2; ++i) {
      got = src.Line(line, 2);
      if (got != 1 || !line.empty()) {
        return where + ": " +
               (!src.error().empty() ? src.error()
                : got == 0          ? "truncated: the record's end is missing"
                                    : "malformed: the block is not followed by an empty line");
      }
    }

    const std::string block_label = r.Header("WARC-Block-Digest");
    if (!block_label.empty()) {
      if (Matches(block_label, block) == false) {
        r.faults.push_back("block digest differs: " + block_label + " recorded, " + Label(block) +
                           " computed");
      }
    }
    const std::string payload_label = r.Header("WARC-Payload-Digest");
    if (http && !message.head_found() && (type == "response" || type == "revisit")) {
      r.faults.push_back(message.head_too_long() ? "HTTP head larger than 1 MiB"
                                                 : "no complete HTTP head in the block");
    }
    // A revisit's payload digest is that of the record it refers to.
    if (!payload_label.empty() && type != "revisit" && (!http || message.head_found())) {
      Sha1 raw = http ? message.raw : plain_payload;
      const Sha1 shown = raw;
      auto same = Matches(payload_label, raw);
      // Chunked bodies: the payload is the body without its framing, though
      // many tools digest the framing too; either is taken.
      if (same == false && message.dechunker_) same = Matches(payload_label, message.decoded);
      if (same == false) {
        r.faults.push_back("payload digest differs: " + payload_label + " recorded, " +
                           Label(shown) + " computed");
      }
    }
    f(r);
  }
}

}  // namespace kaplo
