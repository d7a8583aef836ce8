// Eight keywords searched in a 10 MB source pane with about 100 000 hits,
// from the window: the bar's whole search (hits found, coloured in one batch
// of formats, listed, caret moved, pane repainted), and the part that lays
// the colours over the pane. The window is blocked for the whole search, so
// its time is the stall the user sees.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>
#include <QVBoxLayout>
#include <cstdlib>
#include <string>
#include <vector>

#include "gui/widgets/keyword_bar.h"
#include "gui/widgets/rich_edit_ex.h"
#include "text/convert.h"
#include "keyword_source.h"

namespace {

using kaplo::bench::Keywords;
using kaplo::gui::TRichEditEx;

const std::string& Text() {
  static const std::string text = kaplo::bench::KeywordSource(10u << 20);
  return text;
}

struct Pane {
  Pane() {
    page.setLayout(new QVBoxLayout);
    view = new TRichEditEx(&page);
    view->SetLineNumbers(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    bar = kaplo::gui::AddPaneWithBar(&page, view, "ComboBoxDLHTMLSearch");
    page.resize(1200, 800);
    page.show();
    view->SetSjisText(Text());
    QApplication::processEvents();
  }
  QWidget page;
  TRichEditEx* view;
  kaplo::gui::KeywordBar* bar;
};

std::string Input() {
  std::string input;
  for (const std::string& k : Keywords()) input += k + ' ';
  return input;
}

void BM_BarSearch10MB(benchmark::State& state) {
  Pane pane;
  const QString input = QString::fromStdString(kaplo::ShiftJISToUtf8(Input()));
  for (auto _ : state) {
    pane.bar->SearchFor(input);
    pane.view->viewport()->repaint();
  }
  state.counters["hits"] = static_cast<double>(pane.bar->Results()->count());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Text().size()));
}
BENCHMARK(BM_BarSearch10MB)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MarkKeywords10MB(benchmark::State& state) {
  Pane pane;
  std::size_t hits = 0;
  for (auto _ : state) {
    hits = static_cast<std::size_t>(kaplo::gui::MarkKeywords(pane.view, Keywords()).entries.size());
  }
  state.counters["hits"] = static_cast<double>(hits);
}
BENCHMARK(BM_MarkKeywords10MB)->Unit(benchmark::kMillisecond)->UseRealTime();

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
