// The resource stage's side of a refresh: a resource an earlier job saved is
// asked for with the validators it came with; a 304 keeps its file, a new
// answer replaces it, an error leaves it and counts it gone.
#include "engine/folder_names.h"
#include "engine/local_path.h"
#include "engine/resource_stage.h"
#include "engine/safe_write.h"

namespace kaplo {

void ResourceStage::Record(JobRecord& record, bool refresh, RefreshOutcome& outcome) {
  record_ = &record;
  refresh_ = refresh;
  outcome_ = &outcome;
}

std::string ResourceStage::SentCopyOf(const MappedResource& r, const RecordLine& line) const {
  if (r.role != RefRole::kStylesheet && r.role != RefRole::kScript) return r.local;
  std::string copy = PrefixedName(r.local, SentCopyPrefix(r.depth));
  if (LocalFileExists(copy)) return copy;
  // A stylesheet that was an image has no copy of its own; any other
  // without its copy is fetched whole.
  return line.content_type.starts_with("image/") ? r.local : std::string();
}

bool ResourceStage::Obtain(MappedResource& r, Response& response) {
  const RecordLine* earlier = refresh_ ? record_->Earlier(r.url) : nullptr;
  const std::string copy = earlier ? SentCopyOf(r, *earlier) : std::string();
  std::string before;
  if (copy.empty() || !LocalFileExists(r.local) || !ReadSavedFile(copy, before)) {
    if (Existing(r)) return false;
    response = fetcher_.FetchResponse(r.url);
    if (record_) record_->Answered(r.url, response);
    // On a refresh a file written anew is a change.
    if (refresh_ && response.complete && response.status < 400) ++outcome_->changed;
    return true;
  }
  const bool text = r.role == RefRole::kStylesheet || r.role == RefRole::kScript;
  response = fetcher_.FetchIfChanged(r.url, earlier->validators);
  if (!response.complete || response.status >= 400) {
    // Gone from the server (or out of reach): the saved file stays.
    ++outcome_->gone;
    Mark(r, text ? OutcomeMark::Existed : OutcomeMark::Present,
         response.complete ? "HTTP " + std::to_string(response.status) : response.error);
    return false;
  }
  record_->Answered(r.url, response);
  if (response.status != 304) {
    // A server that ignores validators sends the same bytes again: unchanged.
    const bool same = !response.spilled && response.body == before;
    ++(same ? outcome_->unchanged : outcome_->changed);
    return true;
  }
  ++outcome_->unchanged;
  if (copy == r.local) {
    // A file saved without the ending of its type gets a copy that has it.
    const std::string was = r.local;
    Typed(r, FileType(r, earlier->content_type, before));
    std::string why;
    if (r.local != was && !WriteFileBelow(map_.SaveFolder(), r.local, before, &why)) {
      Mark(r, OutcomeMark::Failed, why);
      return false;
    }
    if (text) lists_.found_images.push_back(r.url);
    Mark(r, text ? OutcomeMark::WasImage : OutcomeMark::Saved);
    return false;
  }
  // A stylesheet or script is read again from its copy as sent, so that
  // what it names is entered and refreshed too; the files it gives are the
  // ones saved before, and stay as they are.
  response.status = 200;
  response.body = std::move(before);
  response.body_size = static_cast<std::int64_t>(response.body.size());
  response.content_type = earlier->content_type;
  return true;
}

}  // namespace kaplo
