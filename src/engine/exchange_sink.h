// What a fetcher tells a recorder (the web archive writer) of the HTTP
// exchanges it makes, as they happen and byte for byte.
#pragma once

#include <memory>
#include <string_view>

namespace kaplo {

// One transfer: a request and its answer, then one more of each for every
// redirect the transfer follows. All calls of one tap come from one thread
// at a time, in the order the bytes went out and came in.
class TransferTap {
 public:
  enum class Ending { Complete, TooLarge, TimedOut, Failed };

  virtual ~TransferTap() = default;
  // Request bytes (request line and headers) as sent to url at peer_ip; a
  // long head may come in several pieces, the next request starts a new exchange.
  virtual void RequestOut(std::string_view url, std::string_view peer_ip,
                          std::string_view bytes) = 0;
  // One header line of an answer as received, status line and the empty
  // line that ends the head included.
  virtual void HeaderIn(std::string_view line) = 0;
  // Body bytes as received: content encoding kept, HTTP/1.1 chunk framing
  // still there, HTTP/2 frames already taken apart.
  virtual void DataIn(std::string_view bytes) = 0;
  // The transfer is over. A tap dropped without End was abandoned.
  virtual void End(Ending how) = 0;
};

// Hands out one tap per transfer; may be called from several threads.
class ExchangeSink {
 public:
  virtual ~ExchangeSink() = default;
  virtual std::unique_ptr<TransferTap> Open() = 0;
};

}  // namespace kaplo
