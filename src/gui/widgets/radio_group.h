// A titled group of radio buttons read and set by item index, as the
// settings file stores it: -1 is no choice, 0 the first item.
#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;

namespace kaplo::gui {

class TRadioGroup : public QGroupBox {
  Q_OBJECT
  // The window's settings binding reads and writes this property by name.
  Q_PROPERTY(int itemIndex READ ItemIndex WRITE SetItemIndex NOTIFY ItemIndexChanged)

 public:
  // name becomes the objectName; columns > 1 lays the items out in a grid.
  TRadioGroup(const QString& name, const QString& caption, const QStringList& items,
              int columns = 1, QWidget* parent = nullptr);

  int ItemIndex() const;
  // Out of range: below 0 clears the choice, past the end picks the last item.
  void SetItemIndex(int index);
  int Count() const;

 signals:
  // Only for the user's choices and SetItemIndex calls that change the index.
  void ItemIndexChanged(int index);

 private:
  QButtonGroup* buttons_;
};

}  // namespace kaplo::gui
