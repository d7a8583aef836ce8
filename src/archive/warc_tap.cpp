// One transfer's exchanges, gathered from what libcurl saw on the wire and
// handed to the archive one exchange at a time.
#include <algorithm>
#include <memory>
#include <optional>

#include "archive/digest.h"
#include "archive/warc_writer.h"

namespace kaplo {
namespace {

class ArchiveTap : public TransferTap {
 public:
  explicit ArchiveTap(WarcWriter& writer) : writer_(writer) {}

  void RequestOut(std::string_view url, std::string_view peer_ip,
                  std::string_view bytes) override {
    // A head sent in pieces: the rest of the one going out.
    if (x_ && state_ == State::Request && !x_->request.ends_with("\r\n\r\n")) {
      x_->request += bytes;
      return;
    }
    Flush(TransferTap::Ending::Complete);
    x_ = std::make_unique<ArchivedExchange>();
    x_->url = std::string(url);
    x_->peer_ip = std::string(peer_ip);
    x_->date = WarcDateNow();
    x_->request = std::string(bytes);
    state_ = State::Request;
  }

  void HeaderIn(std::string_view line) override {
    if (!x_ || state_ == State::Body) return;  // trailer fields after a chunked body
    state_ = State::Head;
    head_ += line;
    if (line != "\r\n" && line != "\n") return;
    // An interim answer (100 Continue) is not the exchange's answer.
    const int status = StatusOfLine(head_);
    if (status >= 100 && status < 200) {
      head_.clear();
      return;
    }
    x_->request = ArchivedRequestHead(x_->request);
    x_->response = ArchiveResponseHead(head_);
    head_.clear();
    block_.emplace();
    payload_.emplace();
    block_->Update(x_->response.text);
    if (x_->response.chunked) dechunker_.emplace();
    // Bytes past the announced length belong to no answer.
    const std::string length = HeaderValue(x_->response.text, "Content-Length");
    left_ = -1;
    if (!x_->response.chunked && !length.empty() && length.size() < 16 &&
        length.find_first_not_of("0123456789") == std::string::npos) {
      left_ = std::stoll(length);
    }
    state_ = State::Body;
  }

  void DataIn(std::string_view bytes) override {
    if (!x_ || state_ != State::Body) return;
    if (left_ >= 0) {
      bytes = bytes.substr(0, static_cast<std::size_t>(std::min<long long>(left_, bytes.size())));
      left_ -= static_cast<long long>(bytes.size());
    }
    if (!dechunker_) return Keep(bytes);
    std::string plain;
    if (!dechunker_->Feed(bytes, plain)) broken_ = true;
    Keep(plain);
  }

  void End(Ending how) override { Flush(how); }

 private:
  enum class State { Request, Head, Body };

  void Keep(std::string_view bytes) {
    if (bytes.empty()) return;
    block_->Update(bytes);
    payload_->Update(bytes);
    x_->body.Append(bytes);
  }

  // The exchange under way goes to the archive when an answer came; one
  // without an answer leaves no record.
  void Flush(Ending how) {
    if (x_ && state_ == State::Body && x_->body.failed()) {
      writer_.Fail("a body could not be kept in a temporary file");
    } else if (x_ && state_ == State::Body) {
      x_->block_digest = block_->Label();
      x_->payload_digest = payload_->Label();
      if (how == Ending::TooLarge) x_->truncated = "length";
      else if (how == Ending::TimedOut) x_->truncated = "time";
      else if (how != Ending::Complete || broken_ || (dechunker_ && !dechunker_->done())) {
        x_->truncated = "unspecified";
      }
      writer_.Write(*x_);
    }
    x_.reset();
    head_.clear();
    block_.reset();
    payload_.reset();
    dechunker_.reset();
    broken_ = false;
  }

  WarcWriter& writer_;
  std::unique_ptr<ArchivedExchange> x_;
  State state_ = State::Request;
  std::string head_;
  std::optional<Sha1> block_, payload_;
  std::optional<Dechunker> dechunker_;
  bool broken_ = false;
  long long left_ = -1;  // body bytes still to come by Content-Length; -1 when unknown
};

}  // namespace

std::unique_ptr<TransferTap> WarcWriter::Open() { return std::make_unique<ArchiveTap>(*this); }

}  // namespace kaplo
