// Controls that mirror values of the settings file. Each tab declares its own
// (Tab::BindSettings); the window loads them all at first showing and stores
// them all before the file is written. A control takes its value as:
//   text      QComboBox (its edit text), QPlainTextEdit, or any widget with a
//             "text" property (QLineEdit, QLabel ...);
//   choice    a widget with an int "itemIndex" property (TRadioGroup);
//   check     a checkable QAbstractButton;
//   height    any widget: its fixed height (a "panelHeight" property wins);
//   number    a widget with an int "value" property (QSpinBox).
#pragma once

#include <QPointer>
#include <QWidget>
#include <string>
#include <vector>

class QAbstractButton;
class QComboBox;

namespace kaplo::gui {

class SettingsBindings {
 public:
  void Text(QWidget* control, std::string& value);
  // Stored, never loaded: the control keeps its initial text.
  void SavedOnly(QWidget* control, std::string& value);
  void Choice(QWidget* control, int& value, int choices);
  void Check(QAbstractButton* control, bool& value);
  void Height(QWidget* control, int& value);
  void Number(QWidget* control, int& value);

  void Load() const;
  void Store() const;
  // Loads only the controls bound to value (a member of the bound record).
  void Reload(const void* value) const;

 private:
  enum class Kind { Text, SavedOnly, Choice, Check, Height, Number };
  struct Binding {
    Kind kind;
    QPointer<QWidget> control;
    void* value;
    int choices;
  };
  static void LoadOne(const Binding& b);
  void Add(Kind kind, QWidget* control, void* value, int choices = 0);

  std::vector<Binding> bindings_;
};

// ---- values of controls ----

QString ControlText(QWidget* w);
void SetControlText(QWidget* w, const QString& text);
void SetPanelHeight(QWidget* w, int height);
// A combo box's drop-down items, as Shift_JIS.
std::vector<std::string> ComboItems(QComboBox* box);
// Replaces the drop-down items and keeps the edit text.
void SetComboItems(QComboBox* box, const std::vector<std::string>& items);

}  // namespace kaplo::gui
