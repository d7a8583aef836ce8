// The small window that suggests another whois server when an answer found
// nothing: shown for two seconds above the other windows, then hidden.
#pragma once

#include <QWidget>

class QLabel;
class QTimer;

namespace kaplo::gui {

class TWhoisForm : public QWidget {
  Q_OBJECT

 public:
  TWhoisForm();

  // Shows the window naming server and starts the timer that hides it.
  void ShowFor(const QString& server);
  QTimer* Timer() const { return timer_; }

 private:
  QLabel* server_ = nullptr;
  QTimer* timer_ = nullptr;
};

}  // namespace kaplo::gui
