// A job's record of validators, and the page's side of a refresh: the page
// asked for only if it changed, its saved files kept when it did not.
#include <filesystem>

#include "engine/engine.h"
#include "engine/local_path.h"
#include "engine/reports.h"
#include "engine/safe_write.h"
#include "engine/saved_names.h"
#include "engine/url.h"
#include "text/fsname.h"
#include "text/sjis.h"

namespace kaplo {

void DownloadEngine::OpenRecord(const std::string& url, const std::string& save_folder) {
  record_.Reset();
  refreshing_ = false;
  page_unchanged_ = false;
  refresh_outcome_ = {};
  refresh_outcome_.asked = options_.refresh;
  if (save_folder.empty()) return;
  const NameRules rules = NameRulesOf(options_, save_folder);
  names_.Open(rules.save_folder);
  const BasePageNames names = MakeBasePageNames(url, rules);
  if (names.local_file.empty()) return;
  // A normal job reads it too: validators of files it keeps carry over, and
  // the names they were saved under.
  refresh_outcome_.had_record = LoadPageRecord(record_, names.local_file);
  for (const auto& [address, line] : record_.EarlierLines()) names_.Note(line);
  refreshing_ = options_.refresh && refresh_outcome_.had_record && !options_.download_inner_html;
}

TextResponse DownloadEngine::RefreshPage(const std::string& wire_url) {
  const RecordLine* earlier = refreshing_ ? record_.Earlier(wire_url) : nullptr;
  std::string copy;
  if (!earlier || !ReadSavedFile(earlier->local, copy)) {
    TextResponse page = fetcher_.FetchTextResponse(wire_url);
    if (page.failure.empty()) record_.Sent(wire_url, page.validators, page.content_type);
    return page;
  }
  Response response = fetcher_.FetchIfChanged(wire_url, earlier->validators);
  record_.Answered(wire_url, response);
  if (response.complete && response.status == 304) {
    page_unchanged_ = true;
    ++refresh_outcome_.unchanged;
    return {std::move(copy), earlier->content_type, {}, response.final_url, {}};
  }
  TextResponse page = TextOf(std::move(response));
  if (page.failure.empty()) {
    // The copy as fetched is kept with one edit (see the base page stage).
    ++(Replace(page.text, "\"/*", "\" /*") == copy ? refresh_outcome_.unchanged
                                                   : refresh_outcome_.changed);
  }
  return page;
}

void DownloadEngine::WriteRecord(const std::string& save_folder) {
  if (job_.LocalPageFile.empty() || job_.FetchedCopyFile.empty()) return;
  const std::string wire = WireUrl(job_.PageUrl).empty() ? job_.PageUrl : WireUrl(job_.PageUrl);
  std::vector<RecordLine> lines{record_.LineOf(wire, job_.FetchedCopyFile)};
  for (const MappedResource& m : last_resources_) {
    if (m.Saved()) lines.push_back(RecordLineOf(m));
  }
  const std::string file = RecordFileOf(job_.LocalPageFile);
  WriteFileBelow(save_folder, file, RecordText(lines, FolderOf(file)));
}


RecordLine DownloadEngine::RecordLineOf(const MappedResource& m) const {
  RecordLine line = record_.LineOf(m.url, m.local);
  // A file kept from an earlier job keeps what that job knew of it.
  if (line.validators.empty()) {
    if (const RecordLine* known = names_.Line(m.url, m.local)) {
      line.validators = known->validators;
      if (line.content_type.empty()) line.content_type = known->content_type;
    }
  }
  return line;
}

void DownloadEngine::DropStaleReports() {
  const RefreshOutcome& r = refresh_outcome_;
  if (!refreshing_ || !page_saved_ || (r.changed == 0 && r.gone == 0)) return;
  const ReportFileNames names = MakeReportFileNames(labels_.local_file);
  std::error_code ec;
  for (const std::string* file : {&names.css_js_list, &names.css_js_merged, &names.image_list}) {
    std::filesystem::remove(FsPath(*file), ec);
  }
}

}  // namespace kaplo
