// kaplo-window: the window, and the headless commands that need a browser
// (--render, --inner-html, --check). The kaplo program starts it for those.
#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/terminal.h"
#include "gui/common/app_texts.h"
#include "gui/common/web_engine_flags.h"
#include "gui/widgets/about_box.h"
#include "gui/widgets/local_page_scheme.h"
#include "gui/widgets/page_check.h"
#include "gui/widgets/web_page_port.h"
#include "gui/window/main_form.h"

namespace {

int RunWindow(int& argc, char** argv) {
  if (const std::string no_display = kaplo::cli::NoDisplayMessage(); !no_display.empty()) {
    kaplo::cli::Complain(no_display);
    return 2;
  }
  // Chromium refuses its sandbox to root.
  if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  kaplo::gui::ShareRendererProcesses();
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("kaplo"));
  QApplication::setDesktopFileName(QStringLiteral("kaplo"));
  QApplication::setWindowIcon(kaplo::gui::ProgramIcon());
  QApplication::setFont(kaplo::gui::UiFont());
  kaplo::gui::MainFormOptions options;
  // For scripted runs: start without loading any page from the network.
  if (const char* v = std::getenv("KAPLO_NO_INITIAL_LOAD"); v && *v && std::string(v) != "0") {
    options.initial_navigation = false;
  }
  // The window makes its secondary windows (the information and source
  // windows) itself; they belong to the desktop and live as long as it.
  kaplo::gui::TAMainForm form(options);
  form.show();
  return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
  // Before any QApplication: the window's and the commands' browsers show
  // pages from disk through a scheme of their own.
  kaplo::gui::PrepareLocalPages();
  std::vector<std::string> args(argv + 1, argv + argc);
  kaplo::cli::Services services;
  services.make_browser = [&argc, argv] { return kaplo::gui::MakeOffscreenBrowser(argc, argv); };
  services.make_checker = [&argc, argv] {
    return std::make_unique<kaplo::gui::QtPageChecker>(argc, argv);
  };
  const int status = kaplo::cli::Run(args, services);
  if (status >= 0) return status;
  return RunWindow(argc, argv);
}
