// The ports a worker's core work calls, each call run on the window thread
// (WebEngine and dialogs live there) and waited for.
#pragma once

#include "engine/fetch.h"
#include "engine/ports.h"

namespace kaplo::gui {

class WorkerHost;

class WindowPorts : public Prompter, public BrowserPort, public SystemBrowser {
 public:
  // browser may be null: navigation does nothing and the page reads empty.
  WindowPorts(WorkerHost& host, Prompter& prompter, BrowserPort* browser)
      : host_(host), prompter_(prompter), browser_(browser) {}

  Answer Ask(std::string_view question, Buttons buttons) override;
  void Inform(std::string_view message) override;
  void ShowInformation(std::string_view label, std::string_view text) override;
  std::optional<std::string> SaveHtmlDialog(std::string_view suggested_name,
                                            std::string_view folder) override;
  std::optional<std::string> SaveImageDialog(std::string_view suggested_name,
                                             std::string_view folder) override;

  void Navigate(kaplo::BrowserPane pane, std::string_view url) override;
  std::string OuterHtml() override;
  std::vector<std::string> ImageUrls() override;
  std::string LocationUrl() override;

  void OpenInSystemBrowser(std::string_view file_name) override;

 private:
  using Dialog = std::optional<std::string> (Prompter::*)(std::string_view, std::string_view);
  // The prompter's dialog, run on the window thread.
  std::optional<std::string> OnWindowDialog(Dialog dialog, std::string_view suggested_name,
                                            std::string_view folder);

  WorkerHost& host_;
  Prompter& prompter_;
  BrowserPort* browser_;
};

}  // namespace kaplo::gui
