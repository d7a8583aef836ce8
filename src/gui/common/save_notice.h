// Saving a text the user named, and telling what became of it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "engine/ports.h"

namespace kaplo::gui {

// Writes text under file (Shift_JIS path) and says so: the file named as it
// was written (the save path may have changed the name: ":" to ";" ...), or
// that nothing was written (an empty text, a refused name such as one with
// "+", a folder that cannot be made). Returns the path written, empty for none.
std::string SaveAndTell(Prompter& prompter, std::string_view text, const std::string& file);
// The same, the notice (Shift_JIS) going to tell.
std::string SaveAndTell(const std::function<void(const std::string&)>& tell,
                        std::string_view text, const std::string& file);

}  // namespace kaplo::gui
