// TFormWatchRoot: the window meant to list the stylesheets and scripts a
// site's root uses. It is made at start-up like the other secondary windows
// and kept hidden: nothing fills it yet, and no command shows it.
#pragma once

#include <QWidget>

namespace kaplo::gui {

class TFormWatchRoot : public QWidget {
  Q_OBJECT

 public:
  explicit TFormWatchRoot(QWidget* parent = nullptr);

  // The empty panel below the close button.
  QWidget* Body() const { return body_; }

 private:
  QWidget* body_;
};

}  // namespace kaplo::gui
