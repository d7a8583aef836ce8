// The layout most tabs share: a top panel of controls over two sides that
// the user can widen against each other.
#pragma once

class QSplitter;
class QWidget;

namespace kaplo::gui {

// Lays owner out as top over a horizontal splitter of left and right
// (objectName splitter_name, widths shared left_stretch : right_stretch);
// the splitter takes the height the panel leaves.
QSplitter* TopOverSplit(QWidget* owner, QWidget* top, QWidget* left, QWidget* right,
                        const char* splitter_name, int left_stretch = 1, int right_stretch = 1);

}  // namespace kaplo::gui
