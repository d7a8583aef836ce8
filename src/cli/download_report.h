// What `kaplo download` tells about a finished job: the summary of outcome
// marks for people, and one JSON object (--json) for scripts.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "cli/cli.h"
#include "engine/download_request.h"
#include "engine/engine.h"
#include "engine/site_job.h"

namespace kaplo::cli {

// "CSS/JS:  ◎ 1 saved ..." and "images: ..." in the user's language (UTF-8).
std::string OutcomeSummary(const DownloadResult& result);

// The line a refresh ends with, "unchanged N, changed N, gone N", or the
// one that says the folder held no record; empty for other jobs (UTF-8).
std::string RefreshSummary(const RefreshOutcome& refresh);

// The failure of a job that saved no page, in the user's language (UTF-8):
// the engine's text, which carries the reason, in Japanese.
std::string FailureText(const DownloadResult& result);

// A message or question of the engine (Shift_JIS) in the user's language
// (UTF-8): the engine's own text in Japanese, else its English form when
// there is one.
std::string EngineMessage(std::string_view sjis);

// The JSON object of --json (UTF-8); check is null unless --check ran.
std::string DownloadJson(const DownloadResult& result, const PageCheck* check);
// The JSON object of a site job: the start page's job, every page, the
// site report; checks (one per page, or empty) unless --check ran.
std::string SiteJson(const SiteResult& site, const std::vector<PageCheck>& checks);

// One --depth job of kaplo download, with what the command made for it.
struct SiteDownload {
  Fetcher& fetcher;
  Prompter& prompter;
  BrowserPort* browser;
  JobObserver& observer;
  PageChecker* checker;  // null without --check
  const DownloadRequest& request;
  SiteOptions site;
  bool json = false, quiet = false;
  std::string what;  // the address as typed, for messages
  std::function<void()> end_progress;
};
// Standard output: each saved page's path (with --check one line per page:
// OK/NG, depth, address, file; with --json one object); the pages and the
// report on standard error. Exit 1 when the start page was not saved, with
// --check the worst page's status.
int RunSiteDownload(const SiteDownload& d);

}  // namespace kaplo::cli
