// The engine's browser port on a Qt WebEngine page: the download pane of the
// window, or an offscreen page for the command line's --render.
#pragma once

#include <QObject>
#include <QPointer>
#include <memory>

#include "engine/ports.h"

class QWebEnginePage;

namespace kaplo::gui {

class WebPagePort : public BrowserPort {
 public:
  // download is the page the engine reads; result (may be null) shows the
  // finished page. Neither is owned.
  WebPagePort(QWebEnginePage* download, QWebEnginePage* result);

  void Navigate(kaplo::BrowserPane pane, std::string_view url) override;
  std::string OuterHtml() override;
  std::vector<std::string> ImageUrls() override;
  std::string LocationUrl() override;

  // How long a navigation or a script may take before the engine goes on.
  int timeout_ms = 30000;

 private:
  QPointer<QWebEnginePage> download_;
  QPointer<QWebEnginePage> result_;
};

// An offscreen page with its own application object, for headless use.
// Creates the QApplication on first use; the page lives until the process ends.
std::unique_ptr<BrowserPort> MakeOffscreenBrowser(int& argc, char** argv);

}  // namespace kaplo::gui
