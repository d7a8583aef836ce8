// The small helpers every tab's code uses: literals as QString, named
// widgets, a box's text for the core, and file tests on Shift_JIS paths.
#pragma once

#include <QString>
#include <filesystem>
#include <string>
#include <system_error>

#include "gui/common/sjis.h"
#include "text/convert.h"
#include "text/fsname.h"

namespace kaplo::gui {

// A UTF-8 literal (Japanese captions) as QString.
inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }
// A Latin-1 literal (object names) as QString.
inline QString L(const char* latin1) { return QString::fromLatin1(latin1); }
// A UTF-8 literal as the core's Shift_JIS.
inline std::string Sj(const char* utf8) { return Utf8ToShiftJIS(utf8); }
// A box's text, trimmed, as the core's Shift_JIS.
inline std::string Trimmed(const QString& text) { return SjisFromQs(text.trimmed()); }

// w with the objectName name, for building a control in one expression.
template <typename W>
W* Named(W* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

// Whether a Shift_JIS path names a file, or a folder, on disk.
inline bool IsFile(const std::string& sjis_path) {
  std::error_code ec;
  return !sjis_path.empty() && std::filesystem::is_regular_file(FsPath(sjis_path), ec);
}

inline bool IsFolder(const std::string& sjis_path) {
  std::error_code ec;
  return !sjis_path.empty() && std::filesystem::is_directory(FsPath(sjis_path), ec);
}

}  // namespace kaplo::gui
