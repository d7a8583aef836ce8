// Speed of the HTML normaliser on a page shaped like real ones and on
// pathological texts, and of the percent decoder on pathological texts.
// Prints MB/s (10^6 bytes per second) for each.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <string_view>

#include "text/convert.h"
#include "text/normalise.h"
#include "text/urlcode.h"
#include "text/webcode.h"

namespace {

constexpr std::size_t kPageBytes = 10 * 1000 * 1000;

std::string Sjis(std::string_view utf8) { return kaplo::Utf8ToShiftJIS(utf8); }

// A portal-like page: a head with a declaration, styles and scripts, then
// navigation lists, tables, paragraphs of Japanese text with line breaks,
// forms and comments; indented with tabs, some tags in upper case, some
// blank lines.
std::string RealisticPage(std::size_t size) {
  std::mt19937 rng(20240601);
  const std::string words[] = {
      Sjis("日本語のページ"),
      Sjis("ニュース"),
      Sjis("天気予報"),
      Sjis("東京都"),
      Sjis("ソフトウェア開発"),
      Sjis("表示"),
      Sjis("お問い合わせ"),
      Sjis("検索結果"),
      "Web",
      "2024",
      Sjis("、"),
      Sjis("。"),
      " ",
      "KAPLO",
      Sjis("ダウンロード"),
  };
  auto text = [&](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += words[rng() % std::size(words)];
    return s;
  };
  auto pick = [&](std::string_view lower, std::string_view upper) {
    return std::string(rng() % 4 == 0 ? upper : lower);
  };
  std::string page =
      "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n"
      "<HTML lang=\"ja\">\n<HEAD>\n"
      "<META http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">\n"
      "<TITLE>" +
      text(3) +
      "</TITLE>\n"
      "<LINK REL=\"stylesheet\" TYPE=\"text/css\" HREF=\"/css/main.css\">\n"
      "<STYLE TYPE=\"text/css\">\n\tbody { margin: 0; color: #0CF7A0; }\n\t@IMPORT url(x.css);\n"
      "</STYLE>\n<SCRIPT TYPE=\"text/JavaScript\">\n<!--\n"
      "function go(u) { if (a < b && c > 0) { location.href = u; } }\n// -->\n</SCRIPT>\n"
      "</HEAD>\n<BODY BGCOLOR=\"#FFFFFF\" TEXT=\"#000000\">\n";
  while (page.size() < size) {
    switch (rng() % 6) {
      case 0: {  // navigation
        page += "\t" + pick("<div class=\"nav\">", "<DIV CLASS=\"nav\">") + "<ul>\n";
        for (int i = 0; i < 8; ++i) {
          page += "\t\t<li><a href=\"/news/" + std::to_string(rng() % 100000) + ".html\">" +
                  text(2) + "</a></li>\n";
        }
        page += "\t</ul></div>\n\n";
        break;
      }
      case 1: {  // table
        page += pick("<table width=\"100%\" border=\"0\" cellpadding=\"2\">",
                     "<TABLE WIDTH=\"100%\" BORDER=\"0\" CELLPADDING=\"2\">");
        for (int r = 0; r < 6; ++r) {
          page += pick("<tr>", "<TR>");
          for (int c = 0; c < 4; ++c) {
            page += rng() % 5 == 0
                        ? pick("<td></td>", "<TD></TD>")
                        : pick("<td align=\"left\">", "<TD ALIGN=\"left\">") + text(2) + "</td>";
          }
          page += "</tr>\n";
        }
        page += "</table>\n";
        break;
      }
      case 2: {  // paragraph
        page += pick("<p>", "<P>") + text(12) + pick("<br>", "<BR>") + "\n" + text(10) +
                "<br />\n" + text(6) + "</p>\n\t\n";
        break;
      }
      case 3: {  // image and link
        page += "<a href=\"http://www.example.co.jp/" + std::to_string(rng() % 1000) +
                "/\" target=\"_blank\"><img src=\"/img/" + std::to_string(rng() % 1000) +
                ".gif\" width=\"88\" height=\"31\" alt=\"" + text(1) + "\" border=\"0\"></a>\n";
        break;
      }
      case 4: {  // form
        page += pick("<form action=\"/search\" method=\"get\">",
                     "<FORM ACTION=\"/search\" METHOD=\"get\">") +
                "<input type=\"text\" name=\"q\" size=\"20\" value=\"\">"
                "<input type=\"submit\" value=\"" +
                text(1) + "\"></form>\n";
        break;
      }
      default: {  // comment and script
        page += "<!-- " + text(3) + " -->\n<script type=\"text/javascript\" src=\"/js/" +
                std::to_string(rng() % 50) + ".js\"></script>\n";
        break;
      }
    }
  }
  page += "</BODY>\n</HTML>\n";
  return page;
}

void Measure(benchmark::State& state, std::string_view input, std::string (*fn)(std::string_view)) {
  for (auto _ : state) {
    std::string out = fn(input);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(input.size()));
}

const std::string& Page() {
  static const std::string page = RealisticPage(kPageBytes);
  return page;
}

const std::string& Repeated(std::string_view unit) {
  static std::string cache[8];
  static std::string_view keys[8];
  for (int i = 0; i < 8; ++i) {
    if (keys[i] == unit) return cache[i];
    if (keys[i].empty()) {
      keys[i] = unit;
      while (cache[i].size() < kPageBytes) cache[i] += unit;
      return cache[i];
    }
  }
  std::abort();
}

std::string Normalise(std::string_view s) { return kaplo::NormaliseHtml(s); }
std::string Break(std::string_view s) { return kaplo::BreakHtmlLines(s); }
std::string Decode(std::string_view s) { return kaplo::WebCodeDecode(s, kaplo::kWebCodeUtf8Hex); }
std::string DecodeSjis(std::string_view s) {
  return kaplo::WebCodeDecode(s, kaplo::kWebCodeSjisHex);
}

void BM_NormaliseRealPage(benchmark::State& s) { Measure(s, Page(), Normalise); }
void BM_BreakLinesRealPage(benchmark::State& s) { Measure(s, Page(), Break); }
void BM_NormaliseOpeners(benchmark::State& s) { Measure(s, Repeated("<"), Normalise); }
void BM_NormaliseLeadBytes(benchmark::State& s) { Measure(s, Repeated("\x82"), Normalise); }
void BM_NormaliseBlankLines(benchmark::State& s) { Measure(s, Repeated("\r\n"), Normalise); }
void BM_BreakLinesListItems(benchmark::State& s) { Measure(s, Repeated("<li>\r\n"), Break); }
void BM_BreakLinesEmptyCells(benchmark::State& s) { Measure(s, Repeated("td></td>"), Break); }
void BM_BreakLinesBreaks(benchmark::State& s) { Measure(s, Repeated("<br>\r\n\r\n"), Break); }
void BM_DecodePercents(benchmark::State& s) { Measure(s, Repeated("%"), Decode); }
void BM_DecodeLeadBytes(benchmark::State& s) { Measure(s, Repeated("%82"), DecodeSjis); }

BENCHMARK(BM_NormaliseRealPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BreakLinesRealPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NormaliseOpeners)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NormaliseLeadBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NormaliseBlankLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BreakLinesListItems)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BreakLinesEmptyCells)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BreakLinesBreaks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodePercents)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeLeadBytes)->Unit(benchmark::kMillisecond);

// Adds one "MB/s" line per benchmark after the usual table.
class MegabytesReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto it = run.counters.find("bytes_per_second");
      if (it == run.counters.end()) continue;
      summary_ += "  " + run.benchmark_name() + ": " +
                  std::to_string(static_cast<int>(it->second.value / 1e6 + 0.5)) + " MB/s\n";
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nThroughput (10 MB inputs):\n%s", summary_.c_str());
  }

 private:
  std::string summary_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  MegabytesReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
