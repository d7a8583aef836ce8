// The small helpers every tab's code uses: literals as QString, named
// widgets, a box's text for the core, and file tests on Shift_JIS paths.
#pragma once

#include <QString>
#include <QStringList>
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

// The items of a character code group (CharsetCode order); the local page
// and folder tree groups spell item 4 "ISO-2022".
inline QStringList CharsetChoices(const char* iso2022 = "ISO-2022-JP") {
  return {U("自動"), U("EUC-JP"), U("UTF-8"), U("Shift_JIS"), L(iso2022), U("UTF-8N")};
}

// The rule of every keyword input, as its help label says it.
inline QString KeywordHelpText() {
  return U("検索ｷｰﾜｰﾄﾞは【 8 】個を、” 一括 ”検索できます。\u3000「 半角ｽﾍﾟｰｽ 」で区切ってください。  ");
}

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
