// A web archive (WARC/1.1, one gzip member per record) of a job's HTTP
// exchanges: a warcinfo record, then a request and a response record for
// each exchange, a revisit record for an answer the archive holds already.
// Written under FILE.part and renamed to FILE by Commit, so no half archive
// ever has the final name.
#pragma once

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "archive/body_store.h"
#include "archive/http_message.h"
#include "engine/exchange_sink.h"

namespace kaplo {

// One exchange as the archive keeps it.
struct ArchivedExchange {
  std::string url;
  std::string peer_ip;
  std::string date;       // when the request went out, "2024-05-01T12:00:00Z"
  std::string request;    // request head as archived
  ArchivedResponseHead response;
  BodyStore body;         // the payload: content coding kept, chunk framing gone
  std::string block_digest, payload_digest;  // "sha1:..." of head + body, of body
  std::string truncated;  // WARC-Truncated's value; empty when the body is whole
};

class WarcWriter : public ExchangeSink {
 public:
  // An archive to be written at path; software ("KAPLO 1.0") and fields
  // ("name: value" lines about the job) go into its warcinfo record. The
  // file is begun with the first exchange, so a job that empties its folder
  // first may keep its archive there. Null with *error set when path's
  // folder cannot take it.
  static std::unique_ptr<WarcWriter> Create(const std::filesystem::path& path,
                                            std::string_view software, std::string_view fields,
                                            std::string* error);
  ~WarcWriter() override;
  WarcWriter(const WarcWriter&) = delete;
  WarcWriter& operator=(const WarcWriter&) = delete;

  std::unique_ptr<TransferTap> Open() override;
  // Writes the exchange's records; may be called from several threads.
  void Write(ArchivedExchange& exchange);
  // The archive misses something: Commit will fail with why.
  void Fail(std::string why);
  // Closes the archive and gives it its final name; false with *error when
  // a record could not be written or the rename failed (the part file stays).
  bool Commit(std::string* error);
  // Closes the archive, leaving it under its part name. False when it was never begun.
  bool Close();
  const std::filesystem::path& part_path() const { return part_; }
  const std::filesystem::path& path() const { return path_; }

 private:
  WarcWriter(std::filesystem::path path, std::string info);
  bool Begin();  // under mu_: opens the part file with its warcinfo record
  // One record: WARC headers (WARC-Type first), then the block.
  bool Record(const std::string& headers, std::string_view head, BodyStore* body);

  std::filesystem::path path_, part_;
  std::string info_;  // the warcinfo record's block
  std::mutex mu_;
  std::FILE* file_ = nullptr;
  bool begun_ = false;
  std::string info_id_;
  std::string error_;  // the first write that failed
  // Responses archived whole, by address and payload digest: the record's
  // id and date, for revisit records.
  std::map<std::pair<std::string, std::string>, std::pair<std::string, std::string>> archived_;
};

// "<urn:uuid:...>", random.
std::string NewRecordId();
// Now as WARC dates are written.
std::string WarcDateNow();

}  // namespace kaplo
