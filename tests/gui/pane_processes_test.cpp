// The processes of the window's panes: a pane closed leaves none behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/http_server_support.h"
#include "gui/tabs/search/browse_helpers.h"
#include "gui/widgets/browser_pane.h"
#include "gui/window/main_form.h"
#include "support/window_support.h"

namespace kaplo::gui {
namespace {

namespace fs = std::filesystem;

// Processes below this one: Qt WebEngine's helpers. Renderers are forked from
// a zygote, so their command line does not tell them apart; their number does.
int Helpers() {
  std::map<int, int> parent;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    std::getline(stat, line);
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    int ppid = 0;
    std::istringstream(line.substr(close + 2)) >> state >> ppid;
    parent[std::stoi(name)] = ppid;
  }
  int count = 0;
  for (const auto& [pid, up] : parent) {
    bool mine = false;
    for (int p = up; p > 1 && !mine; p = parent.count(p) ? parent[p] : 0) mine = p == getpid();
    if (mine) ++count;
  }
  return count;
}

TEST(PaneProcessesTest, AClosedPaneLeavesNoRendererBehind) {
  const TestFolder dir("pane-processes");
  test::LocalServer server;
  server.server().Get("/page.html", [](const httplib::Request&, httplib::Response& r) {
    r.set_content("<html><body>a page of its own site</body></html>", "text/html");
  });
  server.Start();
  auto form = OpenTestWindow(dir / "KAPLO.inf");
  form->show();
  const auto settled = [&form] {
    for (BrowserPane* pane : form->Browsers()) {
      if (pane->ReadyState() != BrowserPane::kComplete) return false;
    }
    return true;
  };
  ASSERT_TRUE(QTest::qWaitFor(settled, 30000));
  const int before = Helpers();
  EXPECT_GE(before, 1);

  auto* tabs = form->findChild<QTabWidget*>("PGTab01R");
  ASSERT_NE(tabs, nullptr);
  BrowserPane* pane = AddNumberedPaneTab(*form, tabs, QString::fromStdString(server.Url("/page.html")),
                                         QStringLiteral("page"), 1);
  ASSERT_NE(pane, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([pane] { return pane->ReadyState() == BrowserPane::kComplete; }, 30000));
  // A site of its own has a renderer process of its own.
  EXPECT_TRUE(QTest::qWaitFor([before] { return Helpers() > before; }, 10000)) << Helpers();

  CloseNumberedPaneTabs(tabs);
  EXPECT_TRUE(QTest::qWaitFor([before] { return Helpers() <= before; }, 20000))
      << Helpers() << " processes, " << before << " before";
  form.reset();
}

}  // namespace
}  // namespace kaplo::gui
