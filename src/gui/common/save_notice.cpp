#include "gui/common/save_notice.h"

#include "engine/local_path.h"
#include "text/sjis_literal.h"

namespace kaplo::gui {

std::string SaveAndTell(Prompter& prompter, std::string_view text, const std::string& file) {
  const std::string written = SaveTextFile(text, file);
  if (written.empty()) {
    prompter.Inform(SJ<"ファイルとしての保存に失敗しました">());
  } else {
    prompter.Inform(SJ<"ファイル【 ">() + written + SJ<" 】が保存されました">());
  }
  return written;
}

}  // namespace kaplo::gui
