// The resources of a page: entered into the job's resource map from the
// page's references, fetched (stylesheets first, what they import and show
// followed), saved where the map says, each marked in the job's lists.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/download_job.h"
#include "engine/download_request.h"
#include "engine/fetch.h"
#include "engine/job_record.h"
#include "engine/references.h"
#include "engine/resource_map.h"
#include "text/convert.h"

namespace kaplo {

// A text's edit: bytes [begin, end) become text.
struct TextEdit {
  std::size_t begin = 0, end = 0;
  std::string text;
};
// The prefix of the copy of a stylesheet or script as the server sent it:
// "ZYOrg_" for what the page names and what its own stylesheets import,
// "ZXOrg_" for what is imported further down.
std::string_view SentCopyPrefix(int depth);

// The text with its edits made; an edit overlapping an earlier one is dropped.
std::string ApplyEdits(std::string_view text, std::vector<TextEdit> edits);

// How a text that is saved is read: the chosen code, else a byte-order mark,
// else its own declaration, the HTTP charset, the bytes. The text comes back
// without its byte-order mark.
struct ReadText {
  std::string text;  // Shift_JIS, every line kept
  int code = 0;      // the code it was read in
};
ReadText ReadSavedText(std::string_view bytes, int chosen, std::string_view content_type,
                       bool page);
// The same, what Shift_JIS lacks written as `how` says (a page: SavedPage).
ReadText ReadSavedText(std::string_view bytes, int chosen, std::string_view content_type,
                       Unmappable how);

// The media type r's file is named for by an answer: what its Content-Type
// says (a page's label aside), else what the ending of its address's path
// names, else what its first bytes are; empty when nothing tells.
std::string FileType(const MappedResource& r, std::string_view content_type,
                     std::string_view first_bytes);

class ResourceStage {
 public:
  struct Hooks {
    std::function<bool()> running;  // false once the job was stopped
    std::function<void(std::string_view local, int total, int index)> progress;
    std::function<void()> lists_changed;
  };
  ResourceStage(Fetcher& fetcher, ResourceMap& map, JobLists& lists,
                const DownloadOptions& options, Hooks hooks);

  // Enters every address the page names (urls: ResolvePage's) and fills the
  // job's lists of the page: stylesheets and scripts, images, frames, link
  // hosts. base is the page's address for its references, page_file where
  // the page is saved: markup its scripts write is read from there.
  void EnterPage(const PageScan& scan, const std::vector<std::string>& urls,
                 const std::string& base, const std::string& page_file);
  // The addresses of the images the browser showed for the page.
  void EnterBrowserImages(const std::vector<std::string>& urls);
  // Fetches and saves every entered resource, and what stylesheets name and
  // scripts write.
  void Run();
  // Every answer's validators go into record; on a refresh a resource the
  // record names, with its files still there, is asked for only if it
  // changed, and outcome counts what came of it.
  void Record(JobRecord& record, bool refresh, RefreshOutcome& outcome);

  // The address each reference of the page asks for (as read from base, its
  // query in query_code); empty for none. A value written many times is
  // resolved once.
  static std::vector<std::string> ResolvePage(const PageScan& scan, const std::string& base,
                                              int query_code);

 private:
  // A stylesheet or script whose references are written once every file it
  // names has its name (a name waits for its answer's type).
  struct PendingEdit {
    std::size_t begin = 0, end = 0;
    const MappedResource* target = nullptr;  // null: text is written as it is
    std::string text;        // the fragment as written, or the whole text
    bool html = false;       // a value in markup ("&" as "&amp;")
    bool from_root = false;  // written from the site's root or with a scheme
  };
  struct PendingText {
    MappedResource* r = nullptr;
    std::string text;
    std::string from_folder;  // where its references are read from
    std::vector<PendingEdit> edits;
  };

  void Prefetch(std::size_t from);
  void Stylesheet(MappedResource& r, const Response& response, const ReadText& read);
  void Script(MappedResource& r, const ReadText& read);
  // Names r for its answer's type, and every list line that names its file.
  void Typed(MappedResource& r, std::string_view type);
  // The pending texts written, their references pointed at the names now known.
  void WritePending();
  void HandleText(MappedResource& r);
  void HandleBinary(MappedResource& r);
  bool Skip(const MappedResource& r) const;
  bool Existing(MappedResource& r);
  // Enters what a stylesheet kept in the folder names.
  void EnterNamedBy(const MappedResource& r);
  // The answer to save r from; false when r is settled without one (kept
  // from an earlier job, unchanged or gone).
  bool Obtain(MappedResource& r, Response& response);
  // The file holding r as the server sent it (recorded as line); empty when
  // there is none.
  std::string SentCopyOf(const MappedResource& r, const RecordLine& line) const;
  // Enters a resource named by a stylesheet and lists it.
  MappedResource* EnterNested(const FoundReference& ref, const std::string& base, int depth);
  void ListImage(const std::string& reference, const MappedResource& r);
  void Mark(MappedResource& r, OutcomeMark mark, std::string reason = {});
  bool Write(MappedResource& r, std::string_view bytes);

  Fetcher& fetcher_;
  ResourceMap& map_;
  JobLists& lists_;
  std::set<std::string> listed_scripts_, listed_images_;  // each address once in the lists
  const DownloadOptions& options_;
  Hooks hooks_;
  std::set<std::string> written_;  // files this job wrote
  std::size_t prefetched_ = 0;     // entries handed to the fetcher so far
  JobRecord* record_ = nullptr;
  bool refresh_ = false;
  RefreshOutcome* outcome_ = nullptr;
  std::string page_base_;    // the address the page's references are read from
  std::string page_folder_;  // the folder of the saved page
  std::vector<PendingText> pending_;
};

}  // namespace kaplo
