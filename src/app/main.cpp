#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "gui/web_page_port.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  kaplo::cli::Services services;
  services.make_browser = [&argc, argv] { return kaplo::gui::MakeOffscreenBrowser(argc, argv); };
  const int status = kaplo::cli::Run(args, services);
  if (status >= 0) return status;
  // The window arrives with the GUI; until then there is only the command line.
  std::fputs("kaplo: the window is not built yet; kaplo --help lists the commands\n", stderr);
  return 2;
}
