// Our converters against glibc iconv on the same 20 MB Japanese text, in one
// process. Prints MB/s of both and the ratio (ours / iconv) for each route,
// and the rate of the detection from the bytes, which has no iconv peer.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>

#include "text/convert.h"
#include "text/cp932.h"
#include "text/detect.h"

namespace {

// Japanese prose shaped like a web page's text: hiragana, katakana and kanji
// with ASCII markup, some half-width katakana and CRLF line ends.
std::string MakeJapaneseText(std::size_t size) {
  std::mt19937 rng(932);
  std::string s;
  s.reserve(size + 64);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::size_t line = 0;
  while (s.size() < size) {
    const int kind = pick(0, 99);
    if (kind < 45) {  // hiragana 82 9F..82 F1
      s += '\x82';
      s += static_cast<char>(pick(0x9F, 0xF1));
    } else if (kind < 60) {  // katakana 83 40..83 93 (no 7F)
      int t = pick(0x40, 0x93);
      if (t == 0x7F) t = 0x80;
      s += '\x83';
      s += static_cast<char>(t);
    } else if (kind < 85) {  // JIS level 1 kanji, lead 88..98
      const int lead = pick(0x89, 0x97);
      int t = pick(0x40, 0xFC);
      if (t == 0x7F) t = 0x80;
      s += static_cast<char>(lead);
      s += static_cast<char>(t);
    } else if (kind < 88) {  // half-width katakana
      s += static_cast<char>(pick(0xA6, 0xDD));
    } else {  // markup and words
      static const char* kWords[] = {"<p>", "</p>", "<a href=\"/x.html\">", "</a>", " ", "2026",
                                     "KAPLO", ", "};
      s += kWords[pick(0, 7)];
    }
    if (s.size() - line > 80) {
      s += "\r\n";
      line = s.size();
    }
  }
  return s;
}

const std::string& Sjis() {
  static const std::string s = MakeJapaneseText(20u << 20);
  return s;
}

std::string IconvAll(const char* to, const char* from, const std::string& in) {
  iconv_t cd = iconv_open(to, from);
  std::string out(in.size() * 2 + 16, '\0');
  char* ip = const_cast<char*>(in.data());
  char* op = out.data();
  std::size_t il = in.size(), ol = out.size();
  if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1)) {
    std::fprintf(stderr, "iconv %s->%s stopped at byte %zu\n", from, to, in.size() - il);
  }
  iconv_close(cd);
  out.resize(out.size() - ol);
  return out;
}

const std::string& Euc() {
  static const std::string s = kaplo::ShiftJISToEuc(Sjis());
  return s;
}
const std::string& Utf8() {
  static const std::string s = kaplo::ShiftJISToUtf8(Sjis());
  return s;
}

template <std::string (*Convert)(std::string_view)>
void Ours(benchmark::State& state, const std::string& (*input)()) {
  const std::string& in = input();
  for (auto _ : state) benchmark::DoNotOptimize(Convert(in));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size()));
}

void Iconv(benchmark::State& state, const char* to, const char* from,
           const std::string& (*input)()) {
  const std::string& in = input();
  iconv_t cd = iconv_open(to, from);
  std::string out(in.size() * 2 + 16, '\0');
  for (auto _ : state) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* ip = const_cast<char*>(in.data());
    char* op = out.data();
    std::size_t il = in.size(), ol = out.size();
    iconv(cd, &ip, &il, &op, &ol);
    benchmark::DoNotOptimize(op);
  }
  iconv_close(cd);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size()));
}

std::string Utf8ToSjisStrict(std::string_view s) { return kaplo::Utf8ToShiftJIS(s); }
std::string Utf8ToSjisLenient(std::string_view s) { return kaplo::Utf8ToShiftJISLenient(s); }

// The detection of a text that declares nothing (its whole pass over the text).
void Detect(benchmark::State& state, const std::string& (*input)()) {
  const std::string& in = input();
  for (auto _ : state) benchmark::DoNotOptimize(kaplo::DetectCharsetFromBytes(in));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size()));
}

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      const auto it = r.counters.find("bytes_per_second");
      if (it != r.counters.end()) rate_[r.benchmark_name()] = it->second;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatios() const {
    std::printf("\n%-22s %12s %12s %8s\n", "route", "ours MB/s", "iconv MB/s", "ratio");
    for (const char* route : {"EucToShiftJIS", "ShiftJISToEuc", "Utf8ToShiftJIS",
                              "Utf8ToShiftJISLenient", "ShiftJISToUtf8", "DetectEuc",
                              "DetectShiftJIS", "DetectUtf8"}) {
      const auto ours = rate_.find(std::string("ours/") + route);
      if (ours == rate_.end()) continue;
      // The lenient decoder is set against the same iconv route as the strict one.
      const std::string peer = std::string(route) == "Utf8ToShiftJISLenient" ? "Utf8ToShiftJIS"
                                                                             : route;
      const auto theirs = rate_.find("iconv/" + peer);
      if (theirs == rate_.end()) {
        std::printf("%-22s %12.0f %12s %8s\n", route, ours->second / 1e6, "-", "-");
        continue;
      }
      std::printf("%-22s %12.0f %12.0f %7.1fx\n", route, ours->second / 1e6,
                  theirs->second / 1e6, ours->second / theirs->second);
    }
  }

 private:
  std::map<std::string, double> rate_;  // input bytes per second
};

}  // namespace

int main(int argc, char** argv) {
  kaplo::cp932::Get();
  // Check once that both sides agree before timing them.
  if (IconvAll("CP932", "EUC-JP", Euc()) != Sjis() || IconvAll("CP932", "UTF-8", Utf8()) != Sjis()) {
    std::fprintf(stderr, "our output differs from iconv's\n");
    return 1;
  }
  if (kaplo::DetectCharsetFromBytes(Euc()) != 1 || kaplo::DetectCharsetFromBytes(Sjis()) != 3 ||
      kaplo::DetectCharsetFromBytes(Utf8()) != 2) {
    std::fprintf(stderr, "the detection takes the text for another code\n");
    return 1;
  }
  benchmark::RegisterBenchmark("ours/EucToShiftJIS", Ours<kaplo::EucToShiftJIS>, Euc)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("iconv/EucToShiftJIS", Iconv, "CP932", "EUC-JP", Euc)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("ours/ShiftJISToEuc", Ours<kaplo::ShiftJISToEuc>, Sjis)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("iconv/ShiftJISToEuc", Iconv, "EUC-JP", "CP932", Sjis)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("ours/Utf8ToShiftJIS", Ours<Utf8ToSjisStrict>, Utf8)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("iconv/Utf8ToShiftJIS", Iconv, "CP932", "UTF-8", Utf8)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("ours/Utf8ToShiftJISLenient", Ours<Utf8ToSjisLenient>, Utf8)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("ours/ShiftJISToUtf8", Ours<kaplo::ShiftJISToUtf8>, Sjis)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("iconv/ShiftJISToUtf8", Iconv, "UTF-8", "CP932", Sjis)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("ours/DetectEuc", Detect, Euc)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("ours/DetectShiftJIS", Detect, Sjis)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("ours/DetectUtf8", Detect, Utf8)->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
