#include "gui/common/window_ports.h"

#include "gui/common/desktop.h"
#include "gui/common/worker_host.h"

namespace kaplo::gui {

Prompter::Answer WindowPorts::Ask(std::string_view question, Buttons buttons) {
  Answer a = buttons == Buttons::YesNoCancel ? Answer::Cancel : Answer::No;
  const std::string q(question);
  host_.OnWindow([&] { a = prompter_.Ask(q, buttons); });
  return a;
}

void WindowPorts::Inform(std::string_view message) {
  const std::string m(message);
  host_.OnWindow([&] { prompter_.Inform(m); });
}

void WindowPorts::ShowInformation(std::string_view label, std::string_view text) {
  const std::string l(label), t(text);
  host_.OnWindow([&] { prompter_.ShowInformation(l, t); });
}

std::optional<std::string> WindowPorts::SaveHtmlDialog(std::string_view suggested_name,
                                                       std::string_view folder) {
  return OnWindowDialog(&Prompter::SaveHtmlDialog, suggested_name, folder);
}

std::optional<std::string> WindowPorts::SaveImageDialog(std::string_view suggested_name,
                                                        std::string_view folder) {
  return OnWindowDialog(&Prompter::SaveImageDialog, suggested_name, folder);
}

std::optional<std::string> WindowPorts::OnWindowDialog(Dialog dialog,
                                                       std::string_view suggested_name,
                                                       std::string_view folder) {
  std::optional<std::string> chosen;
  const std::string n(suggested_name), f(folder);
  host_.OnWindow([&] { chosen = (prompter_.*dialog)(n, f); });
  return chosen;
}

void WindowPorts::Navigate(kaplo::BrowserPane pane, std::string_view url) {
  const std::string u(url);
  host_.OnWindow([&] {
    if (browser_) browser_->Navigate(pane, u);
  });
}

std::string WindowPorts::OuterHtml() {
  std::string html;
  host_.OnWindow([&] {
    if (browser_) html = browser_->OuterHtml();
  });
  return html;
}

std::vector<std::string> WindowPorts::ImageUrls() {
  std::vector<std::string> urls;
  host_.OnWindow([&] {
    if (browser_) urls = browser_->ImageUrls();
  });
  return urls;
}

std::string WindowPorts::LocationUrl() {
  std::string url;
  host_.OnWindow([&] {
    if (browser_) url = browser_->LocationUrl();
  });
  return url;
}

void WindowPorts::OpenInSystemBrowser(std::string_view file_name) {
  const std::string f(file_name);
  host_.OnWindow([&] { OpenExternally(f); });
}

}  // namespace kaplo::gui
