// The download tab's presets (menu "ﾀﾞｳﾝﾛｰﾄﾞ設定"): pairs of URL and save
// folder kept in the settings file, offered in the URL box's drop-down.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>

#include "gui/common/gui_util.h"
#include "gui/common/settings_bindings.h"
#include "gui/tabs/download/download_tab.h"
#include "shell/settings.h"

namespace kaplo::gui {

void DownloadTab::BuildPresetMenu() {
  QMenu* menu = host_->DownloadSettingsMenu();
  if (!menu) return;
  const auto add = [this, menu](const char* name, const char* caption, void (DownloadTab::*slot)()) {
    QAction* action = Named(menu->addAction(U(caption)), name);
    connect(action, &QAction::triggered, this, slot);
  };
  add("MenuDLSettingsSave", "設定を保存する", &DownloadTab::MenuDLSettingsSaveClick);
  add("MenuDLSettingsAppend", "Url/保存ﾌｫﾙﾀﾞｰに登録・追加する",
      &DownloadTab::MenuDLSettingsAppendClick);
  menu->addSeparator();
  add("MenuDLSettingsRemove", "設定を解除する", &DownloadTab::MenuDLSettingsRemoveClick);
  connect(url_box_, &QComboBox::textActivated, this, &DownloadTab::PresetChosen);
}

void DownloadTab::LoadSettings(const Settings& settings) {
  if (!settings.presets.Empty()) SetComboItems(url_box_, PresetUrls(settings.presets));
}

void DownloadTab::MenuDLSettingsSaveClick() {
  if (!SavePresets(host_->SettingsFile(), settings_->presets)) {
    prompter_->Inform(SettingsWriteError(host_->SettingsFile()));
  }
}

void DownloadTab::MenuDLSettingsAppendClick() {
  std::vector<std::string> items = ComboItems(url_box_);
  switch (AppendPreset(settings_->presets, items, SjisFromQs(url_box_->currentText()),
                       SjisFromQs(save_folder_->text()))) {
    case PresetAppend::kAdded:
      SetComboItems(url_box_, items);
      break;
    case PresetAppend::kFull:
      // The file keeps only this many; one more would be lost at the next start.
      prompter_->Inform(SjisFromQs(U("登録できるのは %1 件までです").arg(kMaxPresets)));
      break;
    default:
      break;
  }
}

void DownloadTab::MenuDLSettingsRemoveClick() {
  std::vector<std::string> items;
  const bool written = RemovePresets(host_->SettingsFile(), settings_->presets, items);
  SetComboItems(url_box_, items);
  if (!written) prompter_->Inform(SettingsWriteError(host_->SettingsFile()));
}

void DownloadTab::PresetChosen(const QString& url) {
  if (Busy()) return;
  if (const auto folder = PresetSaveFolder(settings_->presets, SjisFromQs(url))) {
    save_folder_->setText(QsFromSjis(*folder));
  }
}

}  // namespace kaplo::gui
