// The check of a saved page: the saved copy is opened from its folder through
// the local page scheme in an offscreen Qt WebEngine page whose requests and
// refused attempts are recorded (and those to the network refused), and it is
// rendered, whole, beside the live page, and their texts compared.
#pragma once

#include "workspace/page_check.h"

namespace kaplo::gui {

class QtPageChecker : public PageChecker {
 public:
  // Starts the offscreen application when there is none yet.
  QtPageChecker(int& argc, char** argv);
  // In the window: the application is there.
  QtPageChecker() = default;

  PageCheck Check(const std::string& saved_file, const std::string& live_url,
                       const std::string& folder) override;

  // The width pages are most often laid out for, and the first screen's
  // height: the least height both pages are rendered at.
  int width = 1024, height = 768;
  // Longer pages are rendered whole up to this height.
  int max_height = 16384;
  // How long each page may take to load, and to be drawn at its full height.
  int load_timeout_ms = 20000;
  int draw_timeout_ms = 15000;
};

}  // namespace kaplo::gui
