// A place in a layout for a costly widget (a browser pane, a source view)
// that is made only when the place is first shown or first asked for. A tab
// that was never shown costs nothing for its panes: no web view, no
// renderer process, no text document.
//
// The tab keeps a Lazy<T> handle; handle->... makes the widget on first use,
// IfMade() answers without making it. Code outside the tab finds a pane by
// its name through Require (gui/common/require.h), which makes it too.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

namespace kaplo::gui {

class LazySlot : public QWidget {
  Q_OBJECT

 public:
  // make builds the widget as a child of its parent argument; name becomes
  // the widget's objectName (the slot itself is name + "Slot").
  using Maker = std::function<QWidget*(QWidget* parent)>;
  LazySlot(const QString& name, Maker make, QWidget* parent);

  // The widget, made now if it was not yet.
  QWidget* Widget();
  QWidget* IfMade() const { return widget_; }
  const QString& Name() const { return name_; }

  // The slot in root (or below) that makes the widget named name; null if none.
  static LazySlot* Find(const QObject* root, const QString& name);

 signals:
  void Made(QWidget* widget);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QString name_;
  Maker make_;
  QPointer<QWidget> widget_;
  bool making_ = false;
};

// A handle on a widget made by a slot, or on one that already exists.
template <typename T>
class Lazy {
 public:
  Lazy() = default;
  explicit Lazy(LazySlot* slot) : slot_(slot) {}
  // NOLINTNEXTLINE(google-explicit-constructor): a made widget is a handle too
  Lazy(T* made) : made_(made) {}

  // The widget, made on first use; null only for an empty handle.
  T* get() const {
    if (made_) return static_cast<T*>(made_.data());
    return slot_ ? static_cast<T*>(slot_->Widget()) : nullptr;
  }
  T* operator->() const { return get(); }
  // The widget if it was made; never makes it.
  T* IfMade() const {
    if (made_) return static_cast<T*>(made_.data());
    return slot_ ? static_cast<T*>(slot_->IfMade()) : nullptr;
  }
  // What goes into a layout: the slot, or the widget itself.
  QWidget* Place() const { return slot_ ? static_cast<QWidget*>(slot_) : made_.data(); }
  explicit operator bool() const { return slot_ || made_; }

 private:
  QPointer<LazySlot> slot_;
  QPointer<QWidget> made_;
};

// A slot in parent that makes a T with make; the slot goes where the
// widget would have gone.
template <typename T, typename F>
Lazy<T> MakeLazy(const QString& name, QWidget* parent, F make) {
  return Lazy<T>(new LazySlot(
      name, [make = std::move(make)](QWidget* p) -> QWidget* { return make(p); }, parent));
}

}  // namespace kaplo::gui
