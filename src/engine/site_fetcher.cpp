#include "engine/site_fetcher.h"

namespace kaplo {

void SiteFetcher::KeepPage(const std::string& url, TextResponse page) {
  std::lock_guard lock(mu_);
  pages_[url] = std::move(page);
}

void SiteFetcher::Forget() {
  std::lock_guard lock(mu_);
  pages_.clear();
  failed_.clear();
  asked_.clear();
}

TextResponse SiteFetcher::FetchTextResponse(std::string_view url) {
  if (stopped_) {
    TextResponse none;
    none.failure = "stopped";
    return none;
  }
  {
    std::lock_guard lock(mu_);
    if (auto it = pages_.find(url); it != pages_.end()) {
      TextResponse page = std::move(it->second);
      pages_.erase(it);
      return page;
    }
  }
  return inner_.FetchTextResponse(url);
}

Response SiteFetcher::FetchResponse(std::string_view url) {
  {
    std::lock_guard lock(mu_);
    if (auto it = failed_.find(url); it != failed_.end()) return it->second;
  }
  if (stopped_) return {};
  Note(url);
  Response r = inner_.FetchResponse(url);
  if (!r.complete || r.status >= 400) {
    Response kept = r;
    kept.body.clear();
    kept.spilled.reset();
    std::lock_guard lock(mu_);
    failed_.emplace(std::string(url), std::move(kept));
  }
  return r;
}

void SiteFetcher::Prefetch(const std::vector<std::string>& urls) {
  std::vector<std::string> wanted;
  {
    std::lock_guard lock(mu_);
    for (const std::string& u : urls) {
      if (!failed_.contains(u)) wanted.push_back(u);
      asked_.insert(u);
    }
  }
  inner_.Prefetch(wanted);
}

void SiteFetcher::PrefetchAhead(const std::vector<std::string>& urls) {
  if (stopped_) return;
  std::vector<std::string> wanted;
  {
    std::lock_guard lock(mu_);
    for (const std::string& u : urls) {
      if (asked_.insert(u).second) wanted.push_back(u);
    }
  }
  if (!wanted.empty()) inner_.Prefetch(wanted);
}

void SiteFetcher::Note(std::string_view url) {
  std::lock_guard lock(mu_);
  if (!asked_.contains(url)) asked_.emplace(url);
}

}  // namespace kaplo
