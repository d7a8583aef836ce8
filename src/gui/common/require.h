// The one way a tab finds a named control: once, while it builds, failing
// loudly when the name is wrong, so handlers only ever hold typed pointers.
// A pane that is made when first shown (gui/common/lazy_widget.h) is made
// when it is asked for here.
#pragma once

#include <QObject>
#include <QString>
#include <stdexcept>
#include <string>

#include "gui/common/lazy_widget.h"

namespace kaplo::gui {

class MissingControl : public std::logic_error {
 public:
  explicit MissingControl(const std::string& name) : std::logic_error("no control named " + name) {}
};

// The child of root named name, of type T, or null. A pane made when first
// shown is made now.
template <typename T>
T* FindControl(const QObject* root, const QString& name) {
  T* found = root ? root->findChild<T*>(name) : nullptr;
  if (!found) {
    if (LazySlot* slot = LazySlot::Find(root, name)) found = qobject_cast<T*>(slot->Widget());
  }
  return found;
}

// The child of root named name, of type T; throws MissingControl otherwise.
template <typename T>
T* Require(const QObject* root, const char* name) {
  T* found = FindControl<T>(root, QString::fromLatin1(name));
  if (!found) throw MissingControl(name);
  return found;
}

}  // namespace kaplo::gui
