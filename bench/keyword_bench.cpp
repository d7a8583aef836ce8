// Eight-keyword search of a 10 MB Shift_JIS source with about 100 000
// hits, and the result list entries made from them.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "text/sjis_literal.h"
#include "view/keyword_search.h"

namespace {

using kaplo::SJ;

const std::vector<std::string>& Keywords() {
  static const std::vector<std::string> kw = {
      "color", "href", SJ<"検索">(), "border", SJ<"表示">(), "function", "#fff", "width"};
  return kw;
}

// Lines of filler that hold none of the keywords, with one keyword put in
// about every 100 bytes.
std::string Source(std::size_t size) {
  const std::string filler[] = {
      "<div class=\"box\" style=\"margin:0 auto\">",
      SJ<"東京都内では朝から雨が降り、交通機関に遅れが出ています。">(),
      "<span id=note>", "var total = count + 1;",
      SJ<"詳しくは交通情報をご覧ください。">(),
      "</span></div>",
  };
  std::string text;
  text.reserve(size + 256);
  std::size_t i = 0;
  while (text.size() < size) {
    text += filler[i % 6];
    text += ' ';
    text += filler[(i + 2) % 6];
    text += ' ';
    text += filler[(i + 4) % 6];
    text += ' ';
    text += Keywords()[i % 8];
    text += (i % 3 == 0) ? "\r\n" : " ";
    ++i;
  }
  return text;
}

void BM_EightKeywords10MB(benchmark::State& state) {
  static const std::string text = Source(10 << 20);
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
