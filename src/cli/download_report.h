// What `kaplo download` tells about a finished job: the summary of outcome
// marks for people, and one JSON object (--json) for scripts.
#pragma once

#include <string>
#include <string_view>

#include "cli/cli.h"
#include "engine/download_request.h"
#include "engine/engine.h"

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

}  // namespace kaplo::cli
