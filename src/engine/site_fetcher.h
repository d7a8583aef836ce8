// The fetcher a site job puts between its page jobs and the real one. A
// page the site job fetched to read its type and links is handed to the
// page's own job instead of being asked for again, and a resource that
// failed for one page is not asked for again for the next. A resource that
// was saved needs no memory here: the resource stage keeps a file that is
// already in the folder, so each file is fetched and written once.
#pragma once

#include <map>
#include <mutex>
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

  std::string FetchText(std::string_view url) override { return FetchTextResponse(url).text; }
  TextResponse FetchTextResponse(std::string_view url) override;
  Response FetchResponse(std::string_view url) override;
  bool FetchToFile(std::string_view url, std::string_view file_name) override {
    return inner_.FetchToFile(url, file_name);
  }
  bool FetchResourceToFile(std::string_view url, std::string_view file_name, int kind) override {
    return inner_.FetchResourceToFile(url, file_name, kind);
  }
  ProbeReport Probe(std::string_view url) override { return inner_.Probe(url); }
  void Prefetch(const std::vector<std::string>& urls) override;
  void CancelPrefetch() override { inner_.CancelPrefetch(); }
  void StartJob() override { inner_.StartJob(); }

 private:
  Fetcher& inner_;
  std::mutex mu_;
  std::map<std::string, TextResponse, std::less<>> pages_;
  std::map<std::string, Response, std::less<>> failed_;  // error answers, without their bodies
};

}  // namespace kaplo
