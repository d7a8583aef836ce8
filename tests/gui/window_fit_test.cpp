// The main window on a laptop screen: where it opens, and every tab's
// controls inside the window at its minimum size and at 1366x768.
#include "gui/window/window_geometry.h"

#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QScreen>
#include <QScrollArea>
#include <QApplication>
#include <QDir>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "gui/window/main_form.h"
#include "support/window_support.h"

namespace kaplo::gui {
namespace {

TEST(StartGeometryTest, FirstStartSavedSizeAndScreens) {
  const QRect laptop(0, 0, 1366, 740);  // a panel takes the bottom 28 pixels
  const QSize minimum(1000, 560);
  struct Case {
    const char* what;
    QRect available;
    WindowBounds saved;
    QRect expected;
  };
  const Case cases[] = {
      {"first start: 90% centred", laptop, {}, QRect(68, 37, 1229, 666)},
      {"a second screen to the right", QRect(1366, 0, 1920, 1050), {}, QRect(1462, 52, 1728, 945)},
      {"saved size and place kept", laptop, {10, 20, 1100, 650}, QRect(20, 10, 1100, 650)},
      {"saved on a larger screen: clamped and moved on", laptop, {300, 900, 1900, 1000},
       QRect(0, 0, 1366, 740)},
      {"saved off the screen: moved back", laptop, {-50, 2000, 1100, 650},
       QRect(266, 0, 1100, 650)},
      {"never below the minimum", QRect(0, 0, 800, 600), {}, QRect(-100, 20, 1000, 560)},
      {"half a saved size is none", laptop, {0, 0, 1200, 0}, QRect(68, 37, 1229, 666)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StartGeometry(c.available, c.saved, minimum), c.expected) << c.what;
  }
}

// Every visible control lies inside its parent, except where a scroll area
// shows part of its contents: nothing is cut or drawn outside the window. A
// style may lay a frame one pixel over its neighbour (the tab bar's corner).
QStringList CutControls(QWidget* window) {
  QStringList cut;
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->isVisible() || w->isWindow()) continue;
    QWidget* parent = w->parentWidget();
    if (!parent) continue;
    if (auto* area = qobject_cast<QAbstractScrollArea*>(parent->parentWidget());
        area && area->viewport() == parent) {
      continue;
    }
    if (!parent->rect().adjusted(-1, -1, 1, 1).contains(w->geometry())) {
      QString where;
      for (QWidget* up = w; up && up != window; up = up->parentWidget()) {
        if (!up->objectName().isEmpty()) {
          where = up->objectName();
          break;
        }
      }
      cut << QStringLiteral("%1 (%2 in %3) %4x%5+%6+%7 outside %8x%9")
                 .arg(QString::fromLatin1(w->metaObject()->className()), where,
                      parent->objectName())
                 .arg(w->width())
                 .arg(w->height())
                 .arg(w->x())
                 .arg(w->y())
                 .arg(parent->width())
                 .arg(parent->height());
    }
  }
  return cut;
}

class WindowFitTest : public ::testing::Test {
 protected:
  std::unique_ptr<TAMainForm> Open() { return OpenTestWindow(dir_ / "KAPLO.inf"); }

  TestFolder dir_{"window-fit"};
};

TEST_F(WindowFitTest, EveryTabFitsALaptopScreen) {
  auto form = Open();
  form->show();
  const QSize minimum = form->minimumSize();
  EXPECT_LE(minimum.width(), 1024);
  EXPECT_LE(minimum.height(), 600);
  // Screenshots for a person to look at, when asked for.
  const char* shots = std::getenv("KAPLO_WINDOW_SHOTS");
  auto* tabs = form->findChild<QTabWidget*>("PGMain");
  ASSERT_NE(tabs, nullptr);
  for (const QSize size : {minimum, QSize(1366, 768), QSize(1280, 720)}) {
    form->resize(size);
    for (int i = 0; i < tabs->count(); ++i) {
      if (!tabs->isTabVisible(i)) continue;
      tabs->setCurrentIndex(i);
      QTest::qWait(50);
      QApplication::processEvents();
      const QString name = tabs->widget(i)->objectName();
      const std::string at =
          name.toStdString() + " at " + std::to_string(size.width()) + "x" + std::to_string(size.height());
      EXPECT_GE(form->width(), size.width());
      EXPECT_EQ(CutControls(form.get()).join(QLatin1Char('\n')).toStdString(), "") << at;
      // On a laptop's screen a tab shows all its controls without scrolling.
      auto* scroll =
          tabs->widget(i)->findChild<QScrollArea*>(name + QStringLiteral("ContentScroll"));
      ASSERT_NE(scroll, nullptr) << at;
      const QSize needed = scroll->widget()->minimumSizeHint();
      const QSize shown = scroll->viewport()->size();
      if (size != minimum) {
        EXPECT_TRUE(needed.width() <= shown.width() && needed.height() <= shown.height())
            << at << ": needs " << needed.width() << "x" << needed.height() << ", has "
            << shown.width() << "x" << shown.height();
      }
      if (shots) {
        QDir().mkpath(QString::fromLocal8Bit(shots));
        form->grab().save(QStringLiteral("%1/%2x%3-%4-%5.png")
                              .arg(QString::fromLocal8Bit(shots))
                              .arg(size.width())
                              .arg(size.height())
                              .arg(i, 2, 10, QLatin1Char('0'))
                              .arg(name));
      }
    }
  }
  // The size the window had is the size the next start opens at.
  form->resize(1100, 650);
  form->close();
  std::ifstream in(dir_ / "KAPLO.inf", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("[AMainForm]"), std::string::npos);
  EXPECT_NE(text.str().find("Width=1100"), std::string::npos) << text.str();
  auto again = Open();
  again->show();
  // On a screen narrower than the saved size the window would be fitted to
  // it; the test's screen is the laptop's (gui_main_support.cpp).
  ASSERT_EQ(again->screen()->availableGeometry().size(), QSize(1366, 768));
  EXPECT_EQ(again->size(), QSize(1100, 650));
}

}  // namespace
}  // namespace kaplo::gui
