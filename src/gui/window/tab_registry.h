// Every tab of the main window, one line each, in PGMain's order.
#pragma once

#include <memory>
#include <span>

#include "gui/common/tab.h"

namespace kaplo::gui {

struct TabEntry {
  TabId id;
  // The page's objectName ("PGMainTab02Dowload").
  const char* object_name;
  // The tab caption, UTF-8, blanks included.
  const char* caption;
  bool hidden;
  std::unique_ptr<Tab> (*make)();
};

std::span<const TabEntry> TabRegistry();

}  // namespace kaplo::gui
