#include "text/fsname.h"

#include <stdexcept>

#include "text/convert.h"
#include "text/sjis_literal.h"

namespace kaplo {

std::string SjisFromUtf8Literal(std::string_view utf8) {
  std::string out = Utf8ToShiftJIS(utf8);
  if (out.empty() && !utf8.empty()) throw std::logic_error("literal is not UTF-8");
  return out;
}

std::filesystem::path FsPath(std::string_view sjis_path) {
  return std::filesystem::path(ShiftJISToUtf8(sjis_path));
}

std::string SjisFromFsPath(const std::filesystem::path& path) {
  return Utf8ToShiftJISLenient(path.native());
}

}  // namespace kaplo
