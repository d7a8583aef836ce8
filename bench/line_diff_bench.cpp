// Line differences of a saved page and its as-fetched copy (50 000 lines,
// a few dozen changed), of two pages with scattered changes, of two wholly
// different texts (no line in common), and of the same lines in another
// order, where every line can match and the search settles at its cost
// limit. bench/diff_vs_tools.sh times `kaplo diff` beside `diff -u`.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "view/line_diff.h"

namespace {

std::vector<std::string> Page(std::size_t lines, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<std::string> page;
  page.reserve(lines);
  for (std::size_t i = 0; i < lines; ++i) {
    page.push_back("<li class=\"item\"><a href=\"/p/" + std::to_string(rng() % 100000) +
                   ".html\">" + std::to_string(i) + "</a></li>");
  }
  return page;
}

std::vector<std::string_view> Views(const std::vector<std::string>& lines) {
  return {lines.begin(), lines.end()};
}

void Run(benchmark::State& state, std::size_t changes) {
  const std::vector<std::string> a = Page(50000, 1);
  std::vector<std::string> b = a;
  std::mt19937 rng(2);
  for (std::size_t k = 0; k < changes; ++k) b[rng() % b.size()] = "changed " + std::to_string(k);
  const auto va = Views(a), vb = Views(b);
  std::size_t hunks = 0;
  for (auto _ : state) {
    const kaplo::LineDiff diff = kaplo::DiffLines(va, vb);
    hunks = diff.hunks.size();
    benchmark::DoNotOptimize(hunks);
  }
  state.counters["hunks"] = static_cast<double>(hunks);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 2 * 50000 * 40);
}

void BM_DiffFewChanges(benchmark::State& state) { Run(state, 30); }
void BM_DiffScatteredChanges(benchmark::State& state) { Run(state, 2000); }

void BM_DiffWhollyDifferent(benchmark::State& state) {
  const std::vector<std::string> a = Page(50000, 1), b = Page(50000, 3);
  const auto va = Views(a), vb = Views(b);
  for (auto _ : state) {
    const kaplo::LineDiff diff = kaplo::DiffLines(va, vb, {.like_diff = true});
    benchmark::DoNotOptimize(diff.hunks.size());
    state.counters["minimal"] = diff.minimal;
  }
}

void BM_DiffShuffled(benchmark::State& state) {
  const std::vector<std::string> a = Page(20000, 1);
  std::vector<std::string> b = a;
  std::shuffle(b.begin(), b.end(), std::mt19937(4));
  const auto va = Views(a), vb = Views(b);
  for (auto _ : state) {
    const kaplo::LineDiff diff = kaplo::DiffLines(va, vb);
    benchmark::DoNotOptimize(diff.hunks.size());
    state.counters["minimal"] = diff.minimal;
  }
}

BENCHMARK(BM_DiffFewChanges)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiffScatteredChanges)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiffWhollyDifferent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiffShuffled)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
