// One map per job from the address of each resource (fragment removed) to
// the file it is saved under. Every writer saves where the map says, and
// every rewriter writes a reference as the path from the referring file's
// folder to that file, so a name and the references to it cannot disagree.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/job_record.h"
#include "engine/outcome_marks.h"
#include "engine/references.h"
#include "engine/saved_names.h"

namespace kaplo {

struct MappedResource {
  std::string url;        // the address as sent
  // The file below the save folder (Shift_JIS): named by the address, then
  // by the type its answer has.
  std::string local;
  RefRole role = RefRole::kImage;
  std::string reference;  // as first written (Shift_JIS)
  int depth = 0;          // 0: named by the page; 1: by one of its stylesheets...
  // What became of it; a resource not yet handled has no outcome.
  bool handled = false;
  OutcomeMark mark = OutcomeMark::Failed;
  std::string reason;     // why it failed (UTF-8)
  bool Saved() const {
    return handled && (mark == OutcomeMark::Saved || mark == OutcomeMark::Existed ||
                       mark == OutcomeMark::Present || mark == OutcomeMark::WasImage);
  }
};

// What earlier jobs saved into a save folder, by address: the file's name
// (a name an answer's type gave is found again without asking) and the
// validators it came with, from their answers and the records they left.
class NameBook {
 public:
  // The book of folder: what another folder's jobs saved is forgotten.
  void Open(const std::string& folder);
  void Note(RecordLine line);
  // The name noted for url while it is still url's own (base, or base with
  // a type's ending) and its file is there; empty otherwise.
  std::string Find(std::string_view url, std::string_view base) const;
  // The line noted for url saved as local; null when there is none.
  const RecordLine* Line(std::string_view url, std::string_view local) const;

 private:
  std::string folder_;
  std::map<std::string, RecordLine, std::less<>> lines_;
};

class ResourceMap {
 public:
  // known: names of earlier jobs in the folder; may be null.
  explicit ResourceMap(NameRules rules, const NameBook* known = nullptr);

  // The entry of url, made with its local file the first time. A resource
  // first met as something else and then named by @import or
  // <link rel=stylesheet> becomes a stylesheet while it is not yet handled.
  MappedResource& Enter(const std::string& url, RefRole role, std::string_view reference,
                        int depth);
  MappedResource* Find(std::string_view url);
  const MappedResource* Find(std::string_view url) const;
  std::size_t size() const { return entries_.size(); }
  // Every entry, in the order they were entered.
  const std::deque<MappedResource>& Entries() const { return entries_; }
  std::deque<MappedResource>& Entries() { return entries_; }

  const std::string& SaveFolder() const { return rules_.save_folder; }
  const NameRules& Rules() const { return rules_; }
  // The file an address is saved under before an answer tells its type.
  std::string LocalFileOf(std::string_view url) const;
  // r's file named for the media type its answer has; true when it changed.
  bool Name(MappedResource& r, std::string_view type) const;
  // The file a link leads to when its target is saved: the name a job gives
  // a page for the address of a page, the name of a resource for any other
  // file (a PDF, an image).
  std::string LinkFileOf(std::string_view url) const;

 private:
  NameRules rules_;
  const NameBook* known_;
  std::deque<MappedResource> entries_;
  std::map<std::string, std::size_t, std::less<>> index_;
  mutable std::map<std::string, std::string, std::less<>> link_files_;  // LinkFileOf's answers
};

// The path of file as seen from the folder from_folder (both absolute, "/"
// separated): "../img/a.png".
std::string RelativePath(std::string_view from_folder, std::string_view file);

// A relative path written into a reference so that a browser opening the
// referring file from disk finds the file: "%", "#", "?", blanks, quotes,
// parentheses and control bytes escaped; in an HTML attribute "&" as "&amp;".
std::string EscapeReference(std::string_view path, bool html_attribute);

// The relative path a reference written by EscapeReference names: its
// escapes read, its query and fragment cut (the one-file page reads the
// saved folder back this way).
std::string ReadReference(std::string_view reference);

// The reference to write in a file of from_folder for local, fragment (as
// written, "#" included) put back. A reference written from the site's root
// (or with the site's address) climbs to the save folder and down again:
// "/a/d.html" seen from a/b/ is "../../a/d.html".
std::string ReferenceTo(std::string_view from_folder, std::string_view local,
                        std::string_view fragment, bool html_attribute,
                        std::string_view save_folder = {});

}  // namespace kaplo
