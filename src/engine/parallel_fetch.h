// A fetcher that works ahead: addresses the engine announces are fetched in
// parallel (libcurl multi: keep-alive, and HTTP/2 multiplexing where the
// server offers it, so one connection carries a host's whole job) while the
// engine still handles each one in its own order, and every address is fetched
// at most once per job.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/fetch.h"

namespace kaplo {

// Six connections to a host is what browsers open over HTTP/1.1.
inline constexpr int kDefaultConnections = 16;
inline constexpr int kDefaultConnectionsPerHost = 6;

class ParallelFetcher : public ResponseFetcher {
 public:
  // connections: open connections at most; per_host: of those, to one host.
  // Over HTTP/1.1 that many requests are in flight; a host that multiplexes
  // takes more at once over one connection.
  ParallelFetcher(FetchLimits limits = {}, int connections = kDefaultConnections,
                  int per_host = kDefaultConnectionsPerHost);
  ~ParallelFetcher() override;
  ParallelFetcher(const ParallelFetcher&) = delete;
  ParallelFetcher& operator=(const ParallelFetcher&) = delete;

  ProbeReport Probe(std::string_view url) override;
  void Prefetch(const std::vector<std::string>& urls) override;
  void CancelPrefetch() override;
  void StartJob() override;
  // Hands the response over and forgets it, so its memory goes with it.
  Response FetchResponse(std::string_view url) override;
  // Asked one at a time, beside the transfers fetched ahead.
  Response FetchIfChanged(std::string_view url, const Validators& validators) override;

  // How many requests were sent, and how many connections they opened,
  // since the fetcher was made (for tests).
  int RequestsSent() const;
  int ConnectionsOpened() const;

 protected:
  Response Get(std::string_view url) override;

 private:
  struct Transfer;
  struct Entry {
    enum class State { Queued, Running, Done } state = State::Queued;
    Response response;
  };
  struct Host {
    int running = 0;
    bool multiplexes = false;  // a response came over HTTP/2 or later
  };

  // Waits for url's response; take: hand it over and forget it.
  Response Await(std::string_view url, bool take);
  void Run();                 // the worker thread
  void StartTransfers();      // under mu_
  void Remove(Transfer& t);   // under mu_: takes a running transfer off libcurl
  // Under mu_: every queued or running transfer, the awaited one only if
  // stopping; what a stop cuts stays cut until the next job.
  void CancelUnwanted(bool stopping);
  void Wake();

  FetchLimits limits_;
  int connections_;
  int per_host_;
  void* multi_;  // CURLM*
  mutable std::mutex mu_;
  std::condition_variable done_;
  std::map<std::string, Entry> entries_;
  std::deque<std::string> queue_;           // addresses waiting for a connection
  std::vector<std::unique_ptr<Transfer>> running_;
  std::vector<std::string> cancel_;         // running transfers to drop
  std::map<std::string, Host, std::less<>> hosts_;  // by scheme, host and port
  std::string waited_for_;                  // what Get waits for now
  // What Stop cut: answered as failed, never asked for again, until the
  // next job starts.
  std::set<std::string, std::less<>> stopped_;
  std::size_t buffered_ = 0;                // bytes of finished responses held
  int sent_ = 0;
  int connects_ = 0;
  bool quit_ = false;
  std::thread worker_;
};

}  // namespace kaplo
