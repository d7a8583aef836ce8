#include "engine/site_fetcher.h"

namespace kaplo {

void SiteFetcher::KeepPage(const std::string& url, TextResponse page,
                           std::optional<Response> answer) {
  std::lock_guard lock(mu_);
  pages_[url] = {std::move(page), std::move(answer)};
}

void SiteFetcher::Forget() {
  std::lock_guard lock(mu_);
  pages_.clear();
  failed_.clear();
  asked_.clear();
  answered_.clear();
}

void SiteFetcher::Remember(std::string_view url, const Response& r) {
  Response kept;
  kept.complete = r.complete;
  kept.status = r.status;
  kept.error = r.error;
  kept.final_url = r.final_url;
  kept.etag = r.etag;
  kept.last_modified = r.last_modified;
  kept.content_type = r.content_type;
  std::lock_guard lock(mu_);
  if (!r.complete || r.status >= 400) {
    failed_.emplace(std::string(url), std::move(kept));
  } else {
    kept.status = 304;  // the file is up to date after this answer
    answered_.insert_or_assign(std::string(url), std::move(kept));
  }
}

Response SiteFetcher::FetchIfChanged(std::string_view url, const Validators& validators) {
  if (stopped_) return {};
  {
    std::lock_guard lock(mu_);
    if (auto it = pages_.find(url); it != pages_.end() && it->second.answer) {
      Response page = std::move(*it->second.answer);
      pages_.erase(it);
      return page;
    }
    if (auto it = failed_.find(url); it != failed_.end()) return it->second;
    if (auto it = answered_.find(url); it != answered_.end()) return it->second;
  }
  Note(url);
  Response r = inner_.FetchIfChanged(url, validators);
  Remember(url, r);
  return r;
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
      TextResponse page = std::move(it->second.text);
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
  Remember(url, r);
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
