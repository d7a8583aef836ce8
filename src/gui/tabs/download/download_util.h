// Small helpers shared by the download tab's files.
#pragma once

#include <QString>
#include <filesystem>
#include <string>

#include "gui/common/sjis.h"
#include "text/convert.h"

namespace kaplo::gui::download {

inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }
inline std::string Sj(const char* utf8) { return Utf8ToShiftJIS(utf8); }
inline std::string Trimmed(const QString& text) { return SjisFromQs(text.trimmed()); }

inline bool IsFile(const std::string& sjis_path) {
  std::error_code ec;
  return !sjis_path.empty() &&
         std::filesystem::is_regular_file(std::filesystem::path(ShiftJISToUtf8(sjis_path)), ec);
}

inline bool IsFolder(const std::string& sjis_path) {
  std::error_code ec;
  return !sjis_path.empty() &&
         std::filesystem::is_directory(std::filesystem::path(ShiftJISToUtf8(sjis_path)), ec);
}

}  // namespace kaplo::gui::download
