// The window tests' main: an application object without a display, on one
// screen of a common laptop's size.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gui/common/web_engine_flags.h"

#include "gui/widgets/local_page_scheme.h"

int main(int argc, char** argv) {
  // The offscreen platform reads its screens from a file when it starts.
  // Asked for by name too (QT_QPA_PLATFORM=offscreen): its own screen would
  // be 800x800, and the tests that place the window mean the laptop's. A
  // platform given with options of its own, or another one (xcb on Xvfb),
  // is left as given.
  const char* asked = std::getenv("QT_QPA_PLATFORM");
  const std::string screen_file = "/tmp/kaplo-gui-tests-screen-" + std::to_string(getpid()) + ".json";
  if (!asked || std::string(asked).empty() || std::string(asked) == "offscreen") {
    if (std::FILE* f = std::fopen(screen_file.c_str(), "w")) {
      std::fputs(
          R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1366, "height": 768,)"
          R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})",
          f);
      std::fclose(f);
      setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screen_file).c_str(), 1);
    }
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  // The window's panes share their processes so in the tests too.
  kaplo::gui::ShareRendererProcesses();
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  kaplo::gui::PrepareLocalPages();
  QApplication app(argc, argv);
  std::remove(screen_file.c_str());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
