// The fetcher a site job puts between its page jobs and the real one. A
// page the site job fetched to read its type and links is handed to the
// page's own job instead of being asked for again, and a resource that
// failed for one page is not asked for again for the next. A resource that
// was saved needs no memory here: the resource stage keeps a file that is
// already in the folder, so each file is fetched and written once.
// While one page's job runs, what the next pages load is fetched ahead into
// the inner fetcher, over the same connections and within its bounds.
// On a refresh every address is asked for once for the whole site, with its
// validators: a page's answer is handed to its job, and a resource answered
// for one page answers 304 for the next ones (its file is up to date then).
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "engine/fetch.h"

namespace kaplo {

class SiteFetcher : public Fetcher {
 public:
  explicit SiteFetcher(Fetcher& inner) : inner_(inner) {}

  // The answer handed to the next FetchTextResponse of url (once); with
  // answer, the one handed to the next FetchIfChanged of url instead.
  void KeepPage(const std::string& url, TextResponse page,
                std::optional<Response> answer = std::nullopt);
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
  Response FetchIfChanged(std::string_view url, const Validators& validators) override;
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
  // What came for url, without its body: an error answer is given again to
  // later asks, after a usable one a conditional ask is answered 304.
  void Remember(std::string_view url, const Response& r);

  struct KeptPage {
    TextResponse text;
    std::optional<Response> answer;
  };
  Fetcher& inner_;
  std::mutex mu_;
  std::map<std::string, KeptPage, std::less<>> pages_;
  std::map<std::string, Response, std::less<>> answered_;  // 304s to give, without bodies
  std::map<std::string, Response, std::less<>> failed_;  // error answers
  std::set<std::string, std::less<>> asked_;  // every resource asked for or fetched ahead
  bool hold_ = false;
  std::atomic<bool> stopped_{false};
};

}  // namespace kaplo
