// The record a job leaves beside its page: each saved file with the address
// it came from and the validators it was sent with, so that a later refresh
// asks the server only for what changed. One line per file, tab-separated:
//   address TAB local file TAB ETag TAB Last-Modified TAB content type
// The page's line names its copy as fetched; the local file is relative to
// the record's folder (Shift_JIS, as every local path). A tab, a line break
// or a backslash in a value is written \t, \n, \r, \\.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/fetch.h"

namespace kaplo {

struct RecordLine {
  std::string url;
  std::string local;  // absolute (Shift_JIS) in memory
  Validators validators;
  std::string content_type;
};

// A saved file's bytes as they are; false when it cannot be read.
bool ReadSavedFile(std::string_view file, std::string& bytes);

// The record beside a page file: "a/ZV_index.tsv" for "a/index.html".
std::string RecordFileOf(std::string_view page_file);

// Reads the record beside page_file into record; false when there is none.
// A record an earlier version named after the page without the ".html" its
// name now carries is read too.
class JobRecord;
bool LoadPageRecord(JobRecord& record, std::string_view page_file);

// The record's text for lines, their files made relative to folder; and back.
std::string RecordText(const std::vector<RecordLine>& lines, std::string_view folder);
std::vector<RecordLine> ParseRecord(std::string_view text, std::string_view folder);

// What one job knows of validators: the record an earlier job left (on a
// refresh) and what this job's answers said.
class JobRecord {
 public:
  void Reset();
  // Reads the record file (absolute, Shift_JIS); false when there is none.
  bool Load(std::string_view file);
  // The earlier job's line for url; null when it saved none.
  const RecordLine* Earlier(std::string_view url) const;
  const std::map<std::string, RecordLine, std::less<>>& EarlierLines() const { return earlier_; }
  // An answer for url came: a full answer's validators replace the earlier
  // ones, a 304 keeps them unless it sends new ones.
  void Answered(const std::string& url, const Response& response);
  // A full answer for url came with these validators.
  void Sent(const std::string& url, const Validators& validators, std::string content_type);
  // The line to record for url saved as local: this job's answer, else the
  // earlier line.
  RecordLine LineOf(const std::string& url, const std::string& local) const;

 private:
  std::map<std::string, RecordLine, std::less<>> earlier_, now_;
};

}  // namespace kaplo
