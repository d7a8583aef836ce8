// Small helpers shared by the local page tab's files.
#pragma once

#include <QString>
#include <filesystem>
#include <string>

#include "gui/common/sjis.h"
#include "text/convert.h"

namespace kaplo::gui::local_page {

inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }
inline QString L(const char* latin1) { return QString::fromLatin1(latin1); }

inline std::filesystem::path FsPath(const std::string& sjis) {
  return std::filesystem::path(ShiftJISToUtf8(sjis));
}

inline bool IsFile(const std::string& sjis_path) {
  std::error_code ec;
  return !sjis_path.empty() && std::filesystem::is_regular_file(FsPath(sjis_path), ec);
}

// A page name as the tab accepts it: names holding ".htm" or ".mht" as they
// are, others with ".html" added when that file exists; empty otherwise.
inline std::string PageFileName(const std::string& name, bool mht_too) {
  if (name.find(".htm") != std::string::npos) return name;
  if (mht_too && name.find(".mht") != std::string::npos) return name;
  if (IsFile(name + ".html")) return name + ".html";
  return {};
}

}  // namespace kaplo::gui::local_page
