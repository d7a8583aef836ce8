// Handing files and addresses to the desktop's own programs.
#pragma once

#include <string>

namespace kaplo::gui {

// Opens an http(s) address or a local file (Shift_JIS) with the system's program.
void OpenExternally(const std::string& target);

}  // namespace kaplo::gui
