// The core's questions as message boxes, the save dialog as a file dialog,
// page information in the information window.
#pragma once

#include <functional>

#include "engine/ports.h"

class QWidget;

namespace kaplo::gui {

class TInformboxForm;

class MessagePrompter : public Prompter {
 public:
  // information gives the window to show page information in.
  MessagePrompter(QWidget* parent, std::function<TInformboxForm*()> information)
      : parent_(parent), information_(std::move(information)) {}

  Answer Ask(std::string_view question, Buttons buttons) override;
  void Inform(std::string_view message) override;
  void ShowInformation(std::string_view label, std::string_view text) override;
  std::optional<std::string> SaveHtmlDialog(std::string_view suggested_name,
                                            std::string_view folder) override;
  std::optional<std::string> SaveImageDialog(std::string_view suggested_name,
                                             std::string_view folder) override;

 private:
  QWidget* parent_;
  std::function<TInformboxForm*()> information_;
};

}  // namespace kaplo::gui
