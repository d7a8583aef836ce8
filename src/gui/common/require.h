// The one way a tab finds a named control: once, while it builds, failing
// loudly when the name is wrong, so handlers only ever hold typed pointers.
#pragma once

#include <QObject>
#include <QString>
#include <stdexcept>
#include <string>

namespace kaplo::gui {

class MissingControl : public std::logic_error {
 public:
  explicit MissingControl(const std::string& name) : std::logic_error("no control named " + name) {}
};

// The child of root named name, of type T; throws MissingControl otherwise.
template <typename T>
T* Require(const QObject* root, const char* name) {
  T* found = root ? root->findChild<T*>(QString::fromLatin1(name)) : nullptr;
  if (!found) throw MissingControl(name);
  return found;
}

}  // namespace kaplo::gui
