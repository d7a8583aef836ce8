// Several pages in one job: the start page and the pages it links to on the
// same site, breadth first, each saved by the engine as a single job saves
// it, into one folder tree. The site job only chooses pages and collects
// links; the pages' jobs go through the engine's front door. A resource
// shared by pages is fetched and written once (see site_fetcher.h); on a
// refresh every page and resource is asked for once, with the validators of
// the records beside the pages. When every page is saved, the links between
// them are pointed at the copies and the site report is written beside the
// start page.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/download_request.h"
#include "engine/fetch.h"
#include "engine/outcome_marks.h"
#include "engine/ports.h"

namespace kaplo {

struct SiteOptions {
  int depth = 0;          // 0: the start page only
  int max_pages = 100;    // pages in all, the start page included
  bool robots = true;     // honour the site's robots.txt
  bool any_folder = false;  // also pages outside the start page's folder
};

struct SitePage {
  int depth = 0;
  std::string url;         // the address it was saved from, after redirects
  std::string local_file;  // the saved page (Shift_JIS); empty when none
  OutcomeMark mark = OutcomeMark::Failed;  // Saved, NotFound404 or Failed
  std::string reason;      // why not (UTF-8)
  std::vector<FailedResource> failed;  // its resources the server did not deliver
};

struct SiteResult {
  DownloadResult start;          // the start page's job
  std::vector<SitePage> pages;   // in the order saved, the start page first
  std::string report;            // the site report file (Shift_JIS); empty when none
  int skipped_by_robots = 0;     // links robots.txt ruled out
  bool stopped = false;
};

// The site report beside the start page: "ZU_" + its base name + "_サイト一覧.txt".
std::string SiteReportName(const std::string& start_page_file);
// "【ページ 2 / 7】" (Shift_JIS) for page index 1 of 7.
std::string SitePageLabel(int index, int total);

class DownloadEngine;

class SiteJob {
 public:
  // fetcher: the one the engine below uses is put in front of it.
  SiteJob(Fetcher& fetcher, Prompter& prompter, BrowserPort* browser, JobObserver& observer);

  // The start page's questions go to the prompter; linked pages take the
  // answers a job without a window takes.
  SiteResult Run(const DownloadRequest& request, const SiteOptions& site);
  // From the job's own thread (the window's worker) or any other.
  void Stop();

 private:
  void SetEngine(DownloadEngine* engine);

  Fetcher& fetcher_;
  Prompter& prompter_;
  BrowserPort* browser_;
  JobObserver& observer_;
  std::atomic<bool> stop_{false};
  std::mutex engine_mu_;
  DownloadEngine* engine_ = nullptr;  // the engine running a page now
  std::thread::id runner_;            // the thread that runs the job
};

}  // namespace kaplo
