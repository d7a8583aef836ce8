// The check of a saved page: the saved copy is opened from
// its folder in an offscreen Qt WebEngine page whose requests are recorded
// (and those to the network refused), and it is rendered beside the live page.
#pragma once

#include "cli/cli.h"

namespace kaplo::gui {

class QtPageChecker : public cli::PageChecker {
 public:
  // Starts the offscreen application when there is none yet.
  QtPageChecker(int& argc, char** argv);
  // In the window: the application is there.
  QtPageChecker() = default;

  cli::PageCheck Check(const std::string& saved_file, const std::string& live_url) override;

  // One screen at the width pages are most often laid out for.
  int width = 1024, height = 768;
  // How long each page may take to load.
  int load_timeout_ms = 20000;
};

}  // namespace kaplo::gui
