// Reads a web archive back record by record (gzip members or plain) and
// recomputes each record's digests, in constant memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kaplo {

struct WarcRecord {
  std::string version;  // "WARC/1.1"
  std::vector<std::pair<std::string, std::string>> headers;
  std::uint64_t length = 0;  // the block's Content-Length
  int status = 0;            // response and revisit records: the HTTP status
  std::string http_head;     // application/http records: the message head
  std::string payload;       // kept only when asked for
  std::vector<std::string> faults;  // digests that differ

  // The value of header name (letter case ignored); empty when absent.
  std::string Header(std::string_view name) const;
  std::string type() const { return Header("WARC-Type"); }
  std::string uri() const;  // WARC-Target-URI without its angle brackets
};

// Calls f with every record of the archive in order. Returns empty when the
// archive was read to its end, else what ended the reading (a truncated or
// damaged gzip member, a malformed record), naming the record's number.
std::string ReadWarc(std::FILE* in, bool keep_payloads,
                     const std::function<void(const WarcRecord&)>& f);

}  // namespace kaplo
