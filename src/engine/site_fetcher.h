// The fetcher a site job puts between its page jobs and the real one. A
// page the site job fetched to read its type and links is handed to the
// page's own job instead of being asked for again, and a resource that
// failed for one page is not asked for again for the next. A resource that
// was saved needs no memory here: the resource stage keeps a file that is
// already in the folder, so each file is fetched and written once.
// While one page's job runs, what the next pages load is fetched ahead into
// the inner fetcher, over the same connections and within its bounds.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "engine/fetch.h"

namespace kaplo {

class SiteFetcher : public Fetcher {
 public:
  explicit SiteFetcher(Fetcher& inner) : inner_(inner) {}

  // The answer handed to the next FetchTextResponse of url (once).
  void KeepPage(const std::string& url, TextResponse page);
  // A new site job: what the last one kept is forgotten.
  void Forget();
  Fetcher& Inner() { return inner_; }
  // Fetches ahead what a coming page loads; an address asked for or fetched
  // ahead before in this site job is not asked for again.
  void PrefetchAhead(const std::vector<std::string>& urls);
  // While held, a page's job starting does not drop what was fetched ahead
  // for it; the site job then starts the inner fetcher's jobs itself.
  void HoldAcrossPages(bool hold) { hold_ = hold; }

  std::string FetchText(std::string_view url) override { return FetchTextResponse(url).text; }
  TextResponse FetchTextResponse(std::string_view url) override;
  Response FetchResponse(std::string_view url) override;
  bool FetchToFile(std::string_view url, std::string_view file_name) override {
    return inner_.FetchToFile(url, file_name);
  }
  bool FetchResourceToFile(std::string_view url, std::string_view file_name, int kind) override {
    if (stopped_) return false;
    Note(url);
    return inner_.FetchResourceToFile(url, file_name, kind);
  }
  ProbeReport Probe(std::string_view url) override { return inner_.Probe(url); }
  void Prefetch(const std::vector<std::string>& urls) override;
  // After Stop nothing more is asked for: a late request would otherwise
  // take back a transfer Stop just cut and wait for it.
  void CancelPrefetch() override {
    stopped_ = true;
    inner_.CancelPrefetch();
  }
  void StartJob() override {
    if (!hold_) inner_.StartJob();
  }

 private:
  void Note(std::string_view url);

  Fetcher& inner_;
  std::mutex mu_;
  std::map<std::string, TextResponse, std::less<>> pages_;
  std::map<std::string, Response, std::less<>> failed_;  // error answers, without their bodies
  std::set<std::string, std::less<>> asked_;  // every resource asked for or fetched ahead
  bool hold_ = false;
  std::atomic<bool> stopped_{false};
};

}  // namespace kaplo
