// Small helpers shared by the local page tab's files.
#pragma once

#include <string>

#include "gui/common/gui_util.h"

namespace kaplo::gui::local_page {

// A page name as the tab accepts it: names holding ".htm" or ".mht" as they
// are, others with ".html" added when that file exists; empty otherwise.
inline std::string PageFileName(const std::string& name, bool mht_too) {
  if (name.find(".htm") != std::string::npos) return name;
  if (mht_too && name.find(".mht") != std::string::npos) return name;
  if (IsFile(name + ".html")) return name + ".html";
  return {};
}

}  // namespace kaplo::gui::local_page
