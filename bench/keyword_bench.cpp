// Eight-keyword search of a 10 MB Shift_JIS source with about 100 000
// hits, and the result list entries made from them.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "keyword_source.h"
#include "view/keyword_search.h"

namespace {

using kaplo::bench::Keywords;

void BM_EightKeywords10MB(benchmark::State& state) {
  static const std::string text = kaplo::bench::KeywordSource(10 << 20);
  std::size_t hits = 0;
  for (auto _ : state) {
    const auto found = kaplo::FindKeywords(text, Keywords());
    const auto entries = kaplo::ResultEntries(text, found);
    hits = found.size();
    benchmark::DoNotOptimize(entries.data());
  }
  state.counters["hits"] = static_cast<double>(hits);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_EightKeywords10MB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
