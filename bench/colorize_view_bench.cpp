// A 5 MB page from Shift_JIS text to a coloured source view, offscreen: the
// whole road (text into the view, colours worked out on a worker thread,
// laid over the view, first paint), and its two halves. The whole-road run
// also reports the longest time the UI thread went without handling events
// while the page was coloured: the window's worst stall.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <string>

#include "gui/widgets/colorize_view.h"
#include "gui/widgets/rich_edit_ex.h"
#include "gui/widgets/view_text.h"
#include "text/sjis_literal.h"

namespace {

using kaplo::SJ;
using kaplo::gui::TRichEditEx;

constexpr std::size_t kPageSize = 5u << 20;

// A news-list page: head with a style sheet, rows of a table with Japanese
// text, links, entities and comments, and a script at the end of each part.
std::string NewsPage(std::size_t size) {
  const std::string head =
      "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n<HTML>\r\n<HEAD>\r\n"
      "<META http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\r\n<TITLE>" +
      SJ<"地域の話題・一覧">() +
      "</TITLE>\r\n<STYLE type=\"text/css\">\r\n<!--\r\ntd.t { font-size:12px; color:#336 }\r\n"
      "-->\r\n</STYLE>\r\n</HEAD>\r\n<BODY bgcolor=#FFFFFF>\r\n";
  std::string part = "<TABLE width=\"100%\" border=0 cellpadding=2>\r\n";
  for (int row = 0; row < 30; ++row) {
    const std::string r = std::to_string(row);
    part += "<TR><TD class=t nowrap>" + r + "</TD><TD><A href=\"./topics/" + r + ".htm\">" +
            SJ<"市内の公園で桜が見頃に　週末は混雑の見込み">() + "</A>&nbsp;<FONT color=red>" +
            SJ<"新着">() + "</FONT></TD></TR><!-- row " + r + " -->\r\n";
  }
  part +=
      "</TABLE>\r\n<SCRIPT language=\"JavaScript\">\r\n// rows {open, close}\r\n"
      "function open(n) { if (n > 0) { return \"t\" + n; } }\r\n</SCRIPT>\r\n";
  std::string page = head;
  while (page.size() < size) page += part;
  page.resize(size);
  return page;
}

const std::string& Page() {
  static const std::string page = NewsPage(kPageSize);
  return page;
}

// A shown view of a usual pane size with line numbers, as the panes have.
struct PaneView {
  PaneView() {
    view.SetLineNumbers(true);
    view.setLineWrapMode(QPlainTextEdit::NoWrap);
    view.resize(1000, 700);
    view.show();
    QApplication::processEvents();
  }
  TRichEditEx view;
};

// Shows text coloured in the pane, waits for the colours and paints them;
// returns the longest time the UI thread went without handling events.
qint64 ShowColouredWatched(PaneView& pane, const std::string& text) {
  pane.view.clear();
  QApplication::processEvents();
  qint64 worst = 0;
  QElapsedTimer since_tick;
  QTimer ticker;
  ticker.setInterval(5);
  QObject::connect(&ticker, &QTimer::timeout,
                   [&] { worst = std::max(worst, since_tick.restart()); });
  QEventLoop loop;
  QObject::connect(&pane.view, &TRichEditEx::colorized, &loop, &QEventLoop::quit);
  since_tick.start();
  ticker.start();
  kaplo::gui::ShowColored(&pane.view, text);
  worst = std::max(worst, since_tick.restart());  // putting the text in
  loop.exec();
  pane.view.viewport()->repaint();
  QApplication::processEvents();
  return std::max(worst, since_tick.restart());
}

void BM_TextToColouredView(benchmark::State& state) {
  PaneView pane;
  qint64 worst_gap_ms = 0;
  for (auto _ : state) worst_gap_ms = std::max(worst_gap_ms, ShowColouredWatched(pane, Page()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Page().size()));
  state.counters["ui_stall_ms"] = static_cast<double>(worst_gap_ms);
}
BENCHMARK(BM_TextToColouredView)->Unit(benchmark::kMillisecond)->UseRealTime();

// The worker's share: the view's text to Shift_JIS, the scan, line formats.
void BM_WorkerColours(benchmark::State& state) {
  const QString text = kaplo::gui::SjisToViewText(Page());
  for (auto _ : state) {
    auto lines = kaplo::gui::HtmlLineFormats(text);
    benchmark::DoNotOptimize(lines.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Page().size()));
}
BENCHMARK(BM_WorkerColours)->Unit(benchmark::kMillisecond);

// The UI thread's share: laying the finished formats over the view.
void BM_LayFormatsOverView(benchmark::State& state) {
  PaneView pane;
  pane.view.SetSjisText(Page());
  const auto lines = kaplo::gui::HtmlLineFormats(pane.view.toPlainText());
  std::size_t ranges = 0;
  for (const auto& l : lines) ranges += static_cast<std::size_t>(l.size());
  state.counters["ranges"] = static_cast<double>(ranges);
  for (auto _ : state) {
    pane.view.ClearLineFormats();
    pane.view.SetLineFormats(lines);
    pane.view.viewport()->repaint();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Page().size()));
}
BENCHMARK(BM_LayFormatsOverView)->Unit(benchmark::kMillisecond);

// Putting 5 MB of text into a view, which the colouring does not do.
void BM_TextIntoView(benchmark::State& state) {
  PaneView pane;
  for (auto _ : state) {
    pane.view.SetSjisText(Page());
    pane.view.viewport()->repaint();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Page().size()));
}
BENCHMARK(BM_TextIntoView)->Unit(benchmark::kMillisecond);

// A 10 MB page on one line (minified markup): the view's own cost of such a
// line (put_ms, paint_ms) and the colouring's (colour_ms, paint2_ms), which
// lays one slice of the line's colours at a time.
void BM_OneLongLine(benchmark::State& state) {
  PaneView pane;
  std::string line;
  while (line.size() < (10u << 20))
    line += "<td class=x><a href=\"/p.html\">text &amp; more</a></td>";
  for (auto _ : state) {
    pane.view.clear();
    QEventLoop loop;
    QObject::connect(&pane.view, &TRichEditEx::colorized, &loop, &QEventLoop::quit);
    QElapsedTimer t;
    t.start();
    kaplo::gui::ShowColored(&pane.view, line);
    state.counters["put_ms"] = static_cast<double>(t.restart());
    pane.view.viewport()->repaint();
    state.counters["paint_ms"] = static_cast<double>(t.restart());
    loop.exec();
    state.counters["colour_ms"] = static_cast<double>(t.restart());
    pane.view.viewport()->repaint();
    state.counters["paint2_ms"] = static_cast<double>(t.restart());
  }
}
BENCHMARK(BM_OneLongLine)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// A minified script of N MB on one line, coloured whole: the time to the
// coloured view (total_ms), the window's worst stall meanwhile
// (ui_stall_ms), the colours kept and laid (ranges, laid), and a look at the
// middle of the line: scrolling there and painting it (middle_ms), coloured
// there (middle_coloured 1). Qt lays a line out to some 33 million pixels
// wide: 5 MB is past that (its scroll bar stays at 0), 1 MB is not.
void BM_OneLongScript(benchmark::State& state) {
  PaneView pane;
  const std::size_t size = static_cast<std::size_t>(state.range(0)) << 20;
  std::string line;
  for (int i = 0; line.size() < size; ++i) {
    line += "function f" + std::to_string(i) + "(a,b){var s=\"<b class='k'>\"+a;if(b>" +
            std::to_string(i % 97) + "){return s.replace(/x/g,'y')}return '<i>'+b+'</i>';}";
  }
  qint64 worst_gap_ms = 0;
  for (auto _ : state) {
    QElapsedTimer t;
    t.start();
    worst_gap_ms = std::max(worst_gap_ms, ShowColouredWatched(pane, line));
    state.counters["total_ms"] = static_cast<double>(t.restart());
    QScrollBar* bar = pane.view.horizontalScrollBar();
    if (bar->maximum() == 0) continue;  // too wide for Qt to scroll
    bar->setValue(bar->maximum() / 2);
    // The view lays the slice once the scrolling has settled.
    const auto laid_from = [&pane] {
      const auto f = pane.view.document()->firstBlock().layout()->formats();
      return f.isEmpty() ? 0 : f.first().start;
    };
    for (QElapsedTimer wait; !wait.isValid() || (laid_from() == 0 && wait.elapsed() < 3000);) {
      if (!wait.isValid()) wait.start();
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    pane.view.viewport()->repaint();
    state.counters["middle_ms"] = static_cast<double>(t.restart());
    // The colours laid where the view now is: 1 when the middle shows coloured.
    const int shown = pane.view.cursorForPosition(QPoint(10, 10)).position();
    bool coloured = false;
    for (const auto& r : pane.view.document()->firstBlock().layout()->formats()) {
      coloured = coloured || (r.start <= shown && shown < r.start + r.length + 200);
    }
    state.counters["middle_coloured"] = coloured ? 1 : 0;
  }
  state.counters["ranges"] = static_cast<double>(pane.view.LineFormatsOf(0).size());
  state.counters["laid"] =
      static_cast<double>(pane.view.document()->firstBlock().layout()->formats().size());
  state.counters["ui_stall_ms"] = static_cast<double>(worst_gap_ms);
}
BENCHMARK(BM_OneLongScript)->Arg(5)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
