// The check of a saved page: what it does when it is opened from its folder,
// how far it looks unlike the live page, and the report of both. The command
// line's --check and the download tab's "保存ﾍﾟｰｼﾞの確認" share it; the
// checker itself needs a browser and comes from the program.
#pragma once

#include <string>
#include <vector>

#include "engine/download_request.h"

namespace kaplo {

// What a saved page does when it is opened from its folder (UTF-8 texts).
struct PageCheck {
  std::vector<std::string> network_requests;  // each one a resource that was not saved
  std::vector<std::string> missing_files;     // local files it asks for that are not there
  // Of those (and of the requests), the ones the server did not deliver either (the live
  // page misses them too).
  std::vector<std::string> missing_on_server;
  // Every other way out it tried, refused: "file: ADDRESS", "WebRTC: SERVERS",
  // "outside the folder: PATH".
  std::vector<std::string> refused;
  double differing_pixels_percent = -1;       // live page against saved copy; -1: not rendered
  int width = 0, height = 0;                  // the size both were rendered at (whole pages)
  // The rendered texts (innerText) by lines: the share that differs, -1 when
  // not compared, and the first differing lines ("- " live, "+ " saved).
  double differing_text_percent = -1;
  std::vector<std::string> text_differences;
  std::string error;                          // why the check could not run
};

// The report (UTF-8): the requests, the missing files, the refused attempts,
// the pixels and the text.
std::string PageCheckReport(const PageCheck& check);
// Moves the missing files whose resources the server itself failed to
// deliver (the live page misses them too), and the requests for their
// addresses, to missing_on_server.
void SetAsideServerFailures(PageCheck& check, const std::vector<FailedResource>& failed);
// The saved copy is whole: it asks for nothing it lacks (but what the server
// failed to deliver), tries no way out and says what the live page says.
bool PageCheckPassed(const PageCheck& check);

class PageChecker {
 public:
  virtual ~PageChecker() = default;
  // folder bounds what the saved copy may read (the save folder); empty: the
  // page's own folder, or the save folder its mark names.
  virtual PageCheck Check(const std::string& saved_file, const std::string& live_url,
                          const std::string& folder) = 0;
};

}  // namespace kaplo
