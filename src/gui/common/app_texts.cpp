#include "gui/common/app_texts.h"

namespace kaplo::gui {

QFont UiFont(int point_size) {
  QFont font(QString::fromUtf8(kUiFontFamily), point_size);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

QFont MonoFont(int point_size) {
  QFont font(QString::fromUtf8(kMonoFontFamily), point_size);
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  return font;
}

}  // namespace kaplo::gui
