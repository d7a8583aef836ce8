// A layout that lays its items left to right and starts a new line where the
// next one would not fit, so a row of buttons or option groups wraps in a
// narrow window instead of forcing the window wider. Its height follows its
// width (heightForWidth).
#pragma once

#include <QLayout>
#include <QList>

namespace kaplo::gui {

class FlowLayout : public QLayout {
 public:
  explicit FlowLayout(QWidget* parent = nullptr, int spacing = 4);
  ~FlowLayout() override;

  void addItem(QLayoutItem* item) override;
  int count() const override { return static_cast<int>(items_.size()); }
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;

  Qt::Orientations expandingDirections() const override { return {}; }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  // As wide as the widest item: everything else can wrap.
  QSize minimumSize() const override;
  // Everything on one line.
  QSize sizeHint() const override;
  void setGeometry(const QRect& rect) override;

 private:
  // Places the items in rect (or only measures); the height used.
  int Arrange(const QRect& rect, bool place) const;

  QList<QLayoutItem*> items_;
};

}  // namespace kaplo::gui
