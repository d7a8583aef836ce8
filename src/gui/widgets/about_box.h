// "このプログラムについて": the program's name, version and build.
#pragma once

#include <QDialog>
#include <QIcon>

namespace kaplo::gui {

// The program icon (data/kaplo.svg drawn with QPainter: Qt here reads no SVG).
QIcon ProgramIcon();

class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget* parent = nullptr);
};

}  // namespace kaplo::gui
