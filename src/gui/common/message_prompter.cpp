#include "gui/common/message_prompter.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include "gui/common/app_texts.h"
#include "gui/common/sjis.h"
#include "gui/widgets/informbox_form.h"

namespace kaplo::gui {

Prompter::Answer MessagePrompter::Ask(std::string_view question, Buttons buttons) {
  QMessageBox::StandardButtons set = QMessageBox::Yes | QMessageBox::No;
  if (buttons == Buttons::YesNoCancel) set |= QMessageBox::Cancel;
  const auto b =
      QMessageBox::question(parent_, QString::fromUtf8(kAppTitle), QsFromSjis(question), set);
  if (b == QMessageBox::Yes) return Answer::Yes;
  if (b == QMessageBox::No) return Answer::No;
  return buttons == Buttons::YesNoCancel ? Answer::Cancel : Answer::No;
}

void MessagePrompter::Inform(std::string_view message) {
  QMessageBox::information(parent_, QString::fromUtf8(kAppTitle), QsFromSjis(message));
}

void MessagePrompter::ShowInformation(std::string_view label, std::string_view text) {
  information_()->ShowInformation(label, text);
}

namespace {

std::optional<std::string> SaveDialog(QWidget* parent, std::string_view suggested_name,
                                      std::string_view folder, const char* filter) {
  const QString start = QDir(QsFromSjis(folder)).filePath(QsFromSjis(suggested_name));
  const QString file =
      QFileDialog::getSaveFileName(parent, QString(), start, QString::fromUtf8(filter));
  if (file.isEmpty()) return std::nullopt;
  return SjisFromQs(file);
}

}  // namespace

std::optional<std::string> MessagePrompter::SaveHtmlDialog(std::string_view suggested_name,
                                                           std::string_view folder) {
  return SaveDialog(parent_, suggested_name, folder,
                    "HTMLﾌｧｲﾙ（*.html/htm）(*.html *htm);;すべてのﾌｧｲﾙ（ *.* ）(*)");
}

std::optional<std::string> MessagePrompter::SaveImageDialog(std::string_view suggested_name,
                                                            std::string_view folder) {
  return SaveDialog(parent_, suggested_name, folder,
                    "画像ﾌｧｲﾙ（*.gif/jpg/png）(*.gif *.jpg *.jpeg *.png *.bmp *.webp *.svg);;"
                    "すべてのﾌｧｲﾙ（ *.* ）(*)");
}

}  // namespace kaplo::gui
