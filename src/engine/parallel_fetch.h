// A fetcher that works ahead: addresses the engine announces are fetched in
// parallel (libcurl multi: keep-alive, HTTP/2 where offered) while the engine
// still handles each one in its own order, and every address is fetched at
// most once per job.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/fetch.h"

namespace kaplo {

class ParallelFetcher : public ResponseFetcher {
 public:
  // connections: requests in flight at most; per_host: of those, to one host.
  ParallelFetcher(FetchLimits limits = {}, int connections = 8, int per_host = 4);
  ~ParallelFetcher() override;
  ParallelFetcher(const ParallelFetcher&) = delete;
  ParallelFetcher& operator=(const ParallelFetcher&) = delete;

  ProbeReport Probe(std::string_view url) override;
  void Prefetch(const std::vector<std::string>& urls) override;
  void CancelPrefetch() override;
  void StartJob() override;

  // How many requests were sent since the fetcher was made (for tests).
  int RequestsSent() const;

 protected:
  Response Get(std::string_view url) override;

 private:
  struct Transfer;
  struct Entry {
    enum class State { Queued, Running, Done } state = State::Queued;
    Response response;
  };

  void Run();                 // the worker thread
  void StartTransfers();      // under mu_
  // Under mu_: every queued or running transfer, the awaited one only if waited_too.
  void CancelUnwanted(bool waited_too);
  void Wake();

  FetchLimits limits_;
  int connections_;
  void* multi_;  // CURLM*
  mutable std::mutex mu_;
  std::condition_variable done_;
  std::map<std::string, Entry> entries_;
  std::deque<std::string> queue_;           // addresses waiting for a connection
  std::vector<std::unique_ptr<Transfer>> running_;
  std::vector<std::string> cancel_;         // running transfers to drop
  std::string waited_for_;                  // what Get waits for now
  std::size_t buffered_ = 0;                // bytes of finished responses held
  int sent_ = 0;
  bool quit_ = false;
  std::thread worker_;
};

}  // namespace kaplo
