// The kaplo program: headless commands with the core and libcurl only. The
// window and the commands that need a browser run in kaplo-window, which this
// program starts in its own place (exec) when they are asked for, so a pipe of
// `kaplo tosjis` never maps Qt.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/terminal.h"

namespace {

// kaplo-window from the folder this program was started from.
std::string WindowProgram() {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "kaplo-window";
  std::string path(self, static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1) + "kaplo-window";
}

// Hands the whole command line to kaplo-window; returns only on failure.
[[noreturn]] void ExecWindow(char** argv) {
  std::fflush(stdout);
  std::fflush(stderr);
  const std::string program = WindowProgram();
  std::vector<char*> args{const_cast<char*>(program.c_str())};
  for (char** a = argv + 1; *a; ++a) args.push_back(*a);
  args.push_back(nullptr);
  execv(program.c_str(), args.data());
  std::fprintf(stderr, "kaplo: cannot start %s: %s\n", program.c_str(), std::strerror(errno));
  _exit(127);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  kaplo::cli::Services services;
  // A command asks for a browser only when its options need one, before it
  // has done any work: the same command line then runs again in kaplo-window.
  services.make_browser = [argv]() -> std::unique_ptr<kaplo::BrowserPort> { ExecWindow(argv); };
  services.make_checker = [argv]() -> std::unique_ptr<kaplo::PageChecker> {
    ExecWindow(argv);
  };
  const int status = kaplo::cli::Run(args, services);
  if (status >= 0) return status;
  // Without a display Qt would abort with its own message. (A missing
  // kaplo-window is said by ExecWindow first.)
  const std::string no_display = kaplo::cli::NoDisplayMessage();
  if (!no_display.empty() && access(WindowProgram().c_str(), X_OK) == 0) {
    kaplo::cli::Complain(no_display);
    return 2;
  }
  ExecWindow(argv);
}
