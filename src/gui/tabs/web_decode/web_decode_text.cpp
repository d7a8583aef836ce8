#include "gui/tabs/web_decode/web_decode_text.h"

#include "gui/widgets/view_text.h"

namespace kaplo::gui {

std::string MemoTextToSjis(const QString& text) {
  const std::string bytes = ViewTextToSjis(text).bytes;
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 16);
  for (char c : bytes) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

QString SjisToMemoText(std::string_view sjis) {
  std::string bytes;
  bytes.reserve(sjis.size());
  for (std::size_t i = 0; i < sjis.size(); ++i) {
    if (sjis[i] != '\r') {
      bytes += sjis[i];
      continue;
    }
    std::size_t j = i;
    while (j < sjis.size() && sjis[j] == '\r') ++j;
    // A run of CR that ends in LF is one line end; a run that does not is
    // one line end per CR.
    if (j < sjis.size() && sjis[j] == '\n') {
      bytes += '\n';
      i = j;
    } else {
      bytes += '\n';
    }
  }
  QString text = SjisToViewText(bytes);
  text.replace(QChar(0), QChar(QChar::ReplacementCharacter));
  return text;
}

}  // namespace kaplo::gui
