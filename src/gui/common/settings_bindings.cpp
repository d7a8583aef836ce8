#include "gui/common/settings_bindings.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QPlainTextEdit>
#include <algorithm>

#include "gui/common/sjis.h"

namespace kaplo::gui {

namespace {

int PanelHeight(QWidget* w) {
  const QVariant v = w->property("panelHeight");
  if (v.isValid()) return v.toInt();
  if (w->minimumHeight() == w->maximumHeight()) return w->maximumHeight();
  return w->height();
}

}  // namespace

QString ControlText(QWidget* w) {
  if (auto* box = qobject_cast<QComboBox*>(w)) return box->currentText();
  if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) return edit->toPlainText();
  return w->property("text").toString();
}

void SetControlText(QWidget* w, const QString& text) {
  if (auto* box = qobject_cast<QComboBox*>(w)) {
    if (box->isEditable()) {
      box->setEditText(text);
    } else {
      box->setCurrentText(text);
    }
  } else if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) {
    edit->setPlainText(text);
  } else {
    w->setProperty("text", text);
  }
}

void SetPanelHeight(QWidget* w, int height) {
  if (w->property("panelHeight").isValid()) {
    w->setProperty("panelHeight", height);
  } else {
    w->setFixedHeight(height);
  }
}

std::vector<std::string> ComboItems(QComboBox* box) {
  std::vector<std::string> items;
  for (int i = 0; i < box->count(); ++i) items.push_back(SjisFromQs(box->itemText(i)));
  return items;
}

void SetComboItems(QComboBox* box, const std::vector<std::string>& items) {
  const QString text = box->currentText();
  box->clear();
  for (const std::string& item : items) box->addItem(QsFromSjis(item));
  SetControlText(box, text);
}

void SettingsBindings::Add(Kind kind, QWidget* control, void* value, int choices) {
  bindings_.push_back({kind, control, value, choices});
}

void SettingsBindings::Text(QWidget* control, std::string& value) {
  Add(Kind::Text, control, &value);
}

void SettingsBindings::SavedOnly(QWidget* control, std::string& value) {
  Add(Kind::SavedOnly, control, &value);
}

void SettingsBindings::Choice(QWidget* control, int& value, int choices) {
  Add(Kind::Choice, control, &value, choices);
}

void SettingsBindings::Check(QAbstractButton* control, bool& value) {
  Add(Kind::Check, control, &value);
}

void SettingsBindings::Height(QWidget* control, int& value) { Add(Kind::Height, control, &value); }

void SettingsBindings::Number(QWidget* control, int& value) { Add(Kind::Number, control, &value); }

void SettingsBindings::LoadOne(const Binding& b) {
  QWidget* w = b.control;
  if (!w) return;
  switch (b.kind) {
    case Kind::Text:
      SetControlText(w, QsFromSjis(*static_cast<std::string*>(b.value)));
      break;
    case Kind::SavedOnly:
      break;
    case Kind::Choice:
      w->setProperty("itemIndex", *static_cast<int*>(b.value));
      break;
    case Kind::Check:
      static_cast<QAbstractButton*>(w)->setChecked(*static_cast<bool*>(b.value));
      break;
    case Kind::Height:
      // A missing key reads as 0; a panel of no height would vanish.
      if (const int v = *static_cast<int*>(b.value); v > 0) SetPanelHeight(w, v);
      break;
    case Kind::Number:
      w->setProperty("value", *static_cast<int*>(b.value));
      break;
  }
}

void SettingsBindings::Load() const {
  for (const Binding& b : bindings_) LoadOne(b);
}

void SettingsBindings::Reload(const void* value) const {
  for (const Binding& b : bindings_) {
    if (b.value == value) LoadOne(b);
  }
}

void SettingsBindings::Store() const {
  for (const Binding& b : bindings_) {
    QWidget* w = b.control;
    if (!w) continue;
    switch (b.kind) {
      case Kind::Text:
      case Kind::SavedOnly:
        *static_cast<std::string*>(b.value) = SjisFromQs(ControlText(w));
        break;
      case Kind::Choice:
        if (const QVariant index = w->property("itemIndex"); index.isValid()) {
          *static_cast<int*>(b.value) = std::clamp(index.toInt(), -1, b.choices - 1);
        }
        break;
      case Kind::Check:
        *static_cast<bool*>(b.value) = static_cast<QAbstractButton*>(w)->isChecked();
        break;
      case Kind::Height:
        *static_cast<int*>(b.value) = std::max(0, PanelHeight(w));
        break;
      case Kind::Number:
        if (const QVariant v = w->property("value"); v.isValid()) {
          *static_cast<int*>(b.value) = v.toInt();
        }
        break;
    }
  }
}

}  // namespace kaplo::gui
