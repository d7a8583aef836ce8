#include "gui/common/web_engine_flags.h"

#include <cstdlib>
#include <string>

namespace kaplo::gui {

namespace {

constexpr const char* kFlags[] = {"--process-per-site"};

}  // namespace

void ShareRendererProcesses() {
  const char* current = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS");
  std::string flags = current ? current : "";
  for (const char* flag : kFlags) {
    if (flags.find(flag) != std::string::npos) continue;
    if (!flags.empty()) flags += ' ';
    flags += flag;
  }
  setenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.c_str(), 1);
}

}  // namespace kaplo::gui
