#include "archive/inline_sinks.h"

#include <cerrno>
#include <cstring>

#include "text/urlcode.h"

namespace kaplo {

FileSink::~FileSink() {
  if (file_) std::fclose(file_);
}

bool FileSink::Open() {
  file_ = std::fopen(path_.c_str(), "wb");
  if (!file_) error_ = std::strerror(errno);
  return file_ != nullptr;
}

void FileSink::Write(std::string_view bytes) {
  if (!file_ || !error_.empty() || bytes.empty()) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    error_ = std::strerror(errno);
  }
}

bool FileSink::Close() {
  if (!file_) return false;
  if (std::fflush(file_) != 0 && error_.empty()) error_ = std::strerror(errno);
  if (std::fclose(file_) != 0 && error_.empty()) error_ = std::strerror(errno);
  file_ = nullptr;
  return error_.empty();
}

void AttributeSink::Write(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    if (c == '&') out += "&amp;";
    else if (c == '"') out += "&quot;";
    else out += c;
  }
  next_.Write(out);
}

void Base64Sink::Write(std::string_view bytes) {
  pending_.append(bytes);
  const std::size_t whole = pending_.size() / 3 * 3;
  if (whole == 0) return;
  next_.Write(Base64Encode(std::string_view(pending_).substr(0, whole)));
  pending_.erase(0, whole);
}

void Base64Sink::Finish() {
  if (!pending_.empty()) next_.Write(Base64Encode(pending_));
  pending_.clear();
}

}  // namespace kaplo
