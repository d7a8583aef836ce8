#include "engine/parallel_fetch.h"

#include <curl/curl.h>

#include <algorithm>

#include "engine/fetch_internal.h"

namespace kaplo {
namespace {


// Requests in flight to a host that multiplexes: well below the hundred
// streams servers allow, so libcurl never opens a second connection for room.
constexpr int kStreamsPerHost = 32;

CURLM* Multi(void* m) { return static_cast<CURLM*>(m); }

Response Stopped() {
  Response r;
  r.error = "stopped";
  return r;
}

// "scheme://host:port" as the address writes it. Spellings that differ only
// in case count apart here; libcurl's own per-host bound still holds for them.
std::string_view HostOf(std::string_view url) {
  const std::size_t scheme = url.find("://");
  if (scheme == std::string_view::npos) return {};
  return url.substr(0, url.find_first_of("/?#", scheme + 3));
}

}  // namespace

struct ParallelFetcher::Transfer {
  std::string url;
  std::string host;
  std::string body;
  CURL* handle = nullptr;
};

ParallelFetcher::ParallelFetcher(FetchLimits limits, int connections, int per_host)
    : limits_(limits),
      connections_(std::max(1, connections)),
      per_host_(std::clamp(per_host, 1, connections_)) {
  GlobalInit();
  multi_ = curl_multi_init();
  curl_multi_setopt(Multi(multi_), CURLMOPT_MAX_TOTAL_CONNECTIONS, static_cast<long>(connections_));
  curl_multi_setopt(Multi(multi_), CURLMOPT_MAX_HOST_CONNECTIONS, static_cast<long>(per_host_));
  curl_multi_setopt(Multi(multi_), CURLMOPT_PIPELINING, CURLPIPE_MULTIPLEX);
  worker_ = std::thread([this] { Run(); });
}

ParallelFetcher::~ParallelFetcher() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    quit_ = true;
  }
  Wake();
  worker_.join();
  for (auto& t : running_) Remove(*t);
  curl_multi_cleanup(Multi(multi_));
}

void ParallelFetcher::Wake() { curl_multi_wakeup(Multi(multi_)); }

ProbeReport ParallelFetcher::Probe(std::string_view url) { return CurlFetcher(limits_).Probe(url); }

void ParallelFetcher::Prefetch(const std::vector<std::string>& urls) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    for (const std::string& url : urls) {
      if (url.empty() || entries_.count(url) || stopped_.count(url)) continue;
      entries_[url];
      queue_.push_back(url);
    }
  }
  Wake();
}

void ParallelFetcher::CancelUnwanted(bool stopping) {
  auto dropped = [&](const std::string& url) { return stopping || url != waited_for_; };
  for (const std::string& url : queue_) {
    if (!dropped(url)) continue;
    entries_.erase(url);
    if (stopping) stopped_.insert(url);
  }
  std::erase_if(queue_, dropped);
  for (const auto& t : running_) {
    if (!dropped(t->url)) continue;
    cancel_.push_back(t->url);
    if (stopping) stopped_.insert(t->url);
  }
}

void ParallelFetcher::CancelPrefetch() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    // Stop acts now: the transfer the engine waits for is cut too, and the
    // engine sees it as failed.
    CancelUnwanted(true);
  }
  done_.notify_all();
  Wake();
}

void ParallelFetcher::StartJob() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    CancelUnwanted(false);
    // Responses of the last job are forgotten; those still running finish
    // unseen and are dropped.
    std::erase_if(entries_, [](const auto& e) { return e.second.state == Entry::State::Done; });
    buffered_ = 0;
    stopped_.clear();
  }
  Wake();
}

int ParallelFetcher::RequestsSent() const {
  std::lock_guard<std::mutex> lock(mu_);
  return sent_;
}

int ParallelFetcher::ConnectionsOpened() const {
  std::lock_guard<std::mutex> lock(mu_);
  return connects_;
}

Response ParallelFetcher::Get(std::string_view url) { return Await(url, false); }

Response ParallelFetcher::FetchResponse(std::string_view url) { return Await(url, true); }

Response ParallelFetcher::FetchIfChanged(std::string_view url, const Validators& validators) {
  bool ahead = false;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (stopped_.count(url)) return Stopped();
    ahead = entries_.count(std::string(url)) != 0;
    if (!ahead) ++sent_;
  }
  // Fetched ahead already: that answer is the one.
  if (ahead) return Await(url, true);
  return CurlGet(url, limits_, limits_.max_memory_bytes / (2 * std::max(1, connections_)),
                 &validators);
}

Response ParallelFetcher::Await(std::string_view url_view, bool take) {
  const std::string url(url_view);
  if (url.empty()) return {};
  std::unique_lock<std::mutex> lock(mu_);
  // Stop is final for its job: a late request neither takes back what it
  // cut nor sends it again.
  if (stopped_.count(url)) return Stopped();
  auto it = entries_.find(url);
  if (it == entries_.end()) {
    entries_[url];
    queue_.push_front(url);  // asked for now: before what is only fetched ahead
  } else if (it->second.state == Entry::State::Queued) {
    std::erase(queue_, url);
    queue_.push_front(url);
  } else {
    std::erase(cancel_, url);  // dropped by a new job that wants it after all
  }
  waited_for_ = url;
  lock.unlock();
  Wake();
  lock.lock();
  done_.wait(lock, [&] {
    const auto e = entries_.find(url);
    return quit_ || e == entries_.end() || e->second.state == Entry::State::Done ||
           stopped_.count(url);
  });
  waited_for_.clear();
  const auto e = entries_.find(url);
  if (stopped_.count(url)) return Stopped();
  if (e == entries_.end()) return {};
  if (!take) return e->second.response;  // kept: a job asks for its page more than once
  Response r = std::move(e->second.response);
  buffered_ -= std::min(buffered_, r.body.size());
  entries_.erase(e);
  return r;
}

void ParallelFetcher::StartTransfers() {
  // Over HTTP/1.1 a request needs a connection of its own: no more in flight
  // than connections, so that what the engine waits for is never queued
  // inside libcurl behind what is only fetched ahead.
  int single = 0;
  bool any_multiplexes = false;
  for (const auto& [name, h] : hosts_) {
    if (h.multiplexes) any_multiplexes = true;
    else single += h.running;
  }
  for (auto it = queue_.begin(); it != queue_.end();) {
    if (single >= connections_ && !any_multiplexes) break;
    // Past the memory bound only what the engine waits for is fetched.
    // Half the job's memory holds finished bodies, half those under way.
    if (buffered_ > static_cast<std::size_t>(limits_.max_memory_bytes / 2) &&
        *it != waited_for_) {
      ++it;
      continue;
    }
    const std::string_view host = HostOf(*it);
    auto found = hosts_.find(host);
    if (found == hosts_.end()) found = hosts_.emplace(std::string(host), Host{}).first;
    Host& h = found->second;
    if (h.running >= (h.multiplexes ? kStreamsPerHost : per_host_) ||
        (!h.multiplexes && single >= connections_)) {
      ++it;  // its host is busy: a later address may go to another
      continue;
    }
    auto t = std::make_unique<Transfer>();
    t->url = *it;
    t->host = host;
    it = queue_.erase(it);
    t->handle = NewGetHandle(t->url, limits_, &t->body,
                             limits_.max_memory_bytes / (2 * std::max(1, connections_)));
    auto& entry = entries_[t->url];
    if (!t->handle) {
      entry.state = Entry::State::Done;
      done_.notify_all();
      continue;
    }
    // Over TLS the server may offer HTTP/2: the next requests wait for the
    // first connection to say so rather than open connections of their own.
    if (t->host.starts_with("https:")) curl_easy_setopt(t->handle, CURLOPT_PIPEWAIT, 1L);
    entry.state = Entry::State::Running;
    curl_multi_add_handle(Multi(multi_), t->handle);
    ++sent_;
    ++h.running;
    if (!h.multiplexes) ++single;
    running_.push_back(std::move(t));
  }
}

void ParallelFetcher::Remove(Transfer& t) {
  curl_multi_remove_handle(Multi(multi_), t.handle);
  FreeGetHandle(t.handle);
  t.handle = nullptr;
  --hosts_[t.host].running;
}

void ParallelFetcher::Run() {
  while (true) {
    {
      std::lock_guard<std::mutex> lock(mu_);
      if (quit_) break;
      for (const std::string& url : cancel_) {
        const auto it = std::find_if(running_.begin(), running_.end(),
                                     [&](const auto& t) { return t->url == url; });
        if (it == running_.end()) continue;
        Remove(**it);
        running_.erase(it);
        entries_.erase(url);
      }
      if (!cancel_.empty()) done_.notify_all();
      cancel_.clear();
      StartTransfers();
    }
    int still_running = 0;
    curl_multi_perform(Multi(multi_), &still_running);
    int left = 0;
    bool finished_any = false;
    while (CURLMsg* msg = curl_multi_info_read(Multi(multi_), &left)) {
      if (msg->msg != CURLMSG_DONE) continue;
      finished_any = true;
      std::lock_guard<std::mutex> lock(mu_);
      const auto it = std::find_if(running_.begin(), running_.end(),
                                   [&](const auto& t) { return t->handle == msg->easy_handle; });
      if (it == running_.end()) continue;
      std::unique_ptr<Transfer> t = std::move(*it);
      running_.erase(it);
      Response outcome;
      ReadOutcome(t->handle, msg->data.result, limits_, outcome);
      long connects = 0, version = 0;
      curl_easy_getinfo(t->handle, CURLINFO_NUM_CONNECTS, &connects);
      curl_easy_getinfo(t->handle, CURLINFO_HTTP_VERSION, &version);
      connects_ += static_cast<int>(connects);
      if (version >= CURL_HTTP_VERSION_2_0) hosts_[t->host].multiplexes = true;
      Remove(*t);
      const auto e = entries_.find(t->url);
      if (e != entries_.end()) {
        e->second.state = Entry::State::Done;
        e->second.response = std::move(outcome);
        if (e->second.response.complete) {
          buffered_ += t->body.size();
          e->second.response.body = std::move(t->body);
        } else {
          e->second.response.spilled.reset();
        }
      }
      done_.notify_all();
    }
    // A freed connection takes the next address at once, not at the next
    // network event.
    if (!finished_any) curl_multi_poll(Multi(multi_), nullptr, 0, 1000, nullptr);
  }
  std::lock_guard<std::mutex> lock(mu_);
  done_.notify_all();
}

}  // namespace kaplo
