#include "gui/common/save_notice.h"

#include "engine/local_path.h"
#include "text/sjis_literal.h"

namespace kaplo::gui {

std::string SaveAndTell(const std::function<void(const std::string&)>& tell,
                        std::string_view text, const std::string& file) {
  const std::string written = SaveTextFile(text, file);
  if (written.empty()) {
    tell(SJ<"ファイルとしての保存に失敗しました">());
  } else {
    tell(SJ<"ファイル【 ">() + written + SJ<" 】が保存されました">());
  }
  return written;
}

std::string SaveAndTell(Prompter& prompter, std::string_view text, const std::string& file) {
  return SaveAndTell([&prompter](const std::string& notice) { prompter.Inform(notice); }, text,
                     file);
}

}  // namespace kaplo::gui
