// A panel whose controls scroll inside it where they need more room than it
// has (a fixed height, a narrow window), so none is ever cut off.
#pragma once

#include <QString>

class QWidget;

namespace kaplo::gui {

// Gives panel a frameless scroll area filling it and returns the widget in
// it, named name, for the panel's controls and their layout.
QWidget* ScrolledContent(QWidget* panel, const QString& name);

}  // namespace kaplo::gui
