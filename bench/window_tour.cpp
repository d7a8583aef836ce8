// The window as a user first meets it, measured: opens the main window as
// kaplo-window does, reports the time to its first paint and the memory of
// the process with its Qt WebEngine helpers (proportional set size), then
// visits every tab, shows one saved page in the local page tab and reports
// the memory again. Run by bench/window_memory.sh under Xvfb.
//
//   window_tour SAVED_PAGE.html
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "gui/common/app_texts.h"
#include "gui/common/web_engine_flags.h"
#include "gui/widgets/browser_pane.h"
#include "gui/window/main_form.h"

namespace {

// Pss of pid and every process below it, in kB, and how many processes.
std::pair<long, int> TreePss(pid_t root) {
  std::map<pid_t, pid_t> parent;
  std::vector<pid_t> all;
  if (FILE* ps = popen("ps -e -o pid= -o ppid=", "r")) {
    long pid = 0, ppid = 0;
    while (std::fscanf(ps, "%ld %ld", &pid, &ppid) == 2) parent[pid] = ppid;
    pclose(ps);
  }
  std::vector<pid_t> todo{root};
  while (!todo.empty()) {
    const pid_t p = todo.back();
    todo.pop_back();
    all.push_back(p);
    for (const auto& [child, up] : parent) {
      if (up == p) todo.push_back(child);
    }
  }
  long total = 0;
  int count = 0;
  for (pid_t p : all) {
    std::ifstream in("/proc/" + std::to_string(p) + "/smaps_rollup");
    std::string key;
    long value = 0;
    while (in >> key) {
      if (key == "Pss:") {
        in >> value;
        total += value;
        ++count;
        break;
      }
    }
  }
  return {total, count};
}

void Report(const char* moment) {
  const auto [kb, processes] = TreePss(getpid());
  std::printf("%s: %.1f MB Pss in %d processes\n", moment, kb / 1024.0, processes);
  std::fflush(stdout);
}

// Waits until every pane the window made has finished loading (bounded).
void Settle(kaplo::gui::TAMainForm& form, int quiet_ms) {
  const bool idle = QTest::qWaitFor(
      [&form] {
        for (kaplo::gui::BrowserPane* pane : form.Browsers()) {
          if (pane->Busy()) return false;
        }
        return true;
      },
      60000);
  if (!idle) std::fprintf(stderr, "window_tour: a pane was still loading after a minute\n");
  QTest::qWait(quiet_ms);
}

class FirstPaint : public QObject {
 public:
  explicit FirstPaint(QWidget* window) : window_(window) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!painted_ && event->type() == QEvent::Paint) {
      auto* w = qobject_cast<QWidget*>(watched);
      if (w && w->window() == window_) painted_ = true;
    }
    return false;
  }
  bool painted_ = false;

 private:
  QWidget* window_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: window_tour SAVED_PAGE.html\n");
    return 2;
  }
  const QElapsedTimer started = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  kaplo::gui::ShareRendererProcesses();
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  QApplication::setFont(kaplo::gui::UiFont());
  kaplo::gui::MainFormOptions options;
  options.initial_navigation = false;
  options.message_boxes = false;
  kaplo::gui::TAMainForm form(options);
  FirstPaint paint(&form);
  app.installEventFilter(&paint);
  form.show();
  if (!QTest::qWaitFor([&paint] { return paint.painted_; }, 60000)) {
    std::fprintf(stderr, "window_tour: the window was not painted within a minute\n");
    return 1;
  }
  std::printf("painted after %lld ms\n", static_cast<long long>(started.elapsed()));
  std::printf("window %dx%d, minimum %dx%d\n", form.width(), form.height(),
              form.minimumSize().width(), form.minimumSize().height());
  Settle(form, 3000);
  Report("after start");

  auto* tabs = form.findChild<QTabWidget*>(QStringLiteral("PGMain"));
  for (int i = 0; tabs && i < tabs->count(); ++i) {
    if (!tabs->isTabVisible(i)) continue;
    tabs->setCurrentIndex(i);
    Settle(form, 500);
  }
  tabs->setCurrentWidget(form.Page(kaplo::gui::TabId::LocalPage));
  auto* box = form.Page(kaplo::gui::TabId::LocalPage)
                  ->findChild<QLineEdit*>(QStringLiteral("BtnEditConfirmLocalHTMLFile"));
  auto* go = form.Page(kaplo::gui::TabId::LocalPage)
                 ->findChild<QAbstractButton*>(QStringLiteral("sbConfirmLocaHTMLGo"));
  if (!box || !go) {
    std::fprintf(stderr, "window_tour: the local page tab has no path box\n");
    return 1;
  }
  box->setText(QString::fromLocal8Bit(argv[1]));
  go->click();
  Settle(form, 3000);
  Report("after every tab and a saved page");
  form.close();
  return 0;
}
