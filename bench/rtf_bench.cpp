// HTML to RTF throughput of the source view colouring, on a page-like
// Shift_JIS text (tags, attributes, Japanese text, entities, comments, a
// script and a stylesheet), and on tag-dense markup.
#include <benchmark/benchmark.h>

#include <string>

#include "text/sjis_literal.h"
#include "view/html_rtf.h"
#include "view/html_tokenizer.h"

namespace {

using kaplo::SJ;

std::string PageLikeHtml(std::size_t size) {
  std::string page =
      "<!DOCTYPE html>\r\n<html lang=\"ja\">\r\n<head>\r\n<meta charset=\"Shift_JIS\">\r\n<title>" +
      SJ<"ニュース一覧 | 天気と交通の情報">() +
      "</title>\r\n<link rel=\"stylesheet\" href=\"/css/main.css\" type=\"text/css\">\r\n"
      "<style>\r\nbody { color:#333; background:#fff url(bg.gif); }\r\n"
      "h1,h2 { color:#c00 }\r\n</style>\r\n</head>\r\n<body class=main>\r\n";
  std::string block;
  for (int i = 0; i < 40; ++i) {
    const std::string n = std::to_string(i);
    block += "<div class=\"item item-" + n + "\" id=i" + n + ">\r\n  <h2><a href=\"/news/2024/" + n +
             ".html\" target=_blank>" + SJ<"本日の主な出来事と詳しい解説">() + " " + n +
             "</a></h2>\r\n  <p>" +
             SJ<"東京都内では朝から雨が降り、交通機関に遅れが出ています。詳しくは">() +
             "&quot;" + SJ<"交通情報">() + "&quot;&nbsp;" +
             SJ<"をご覧ください。">() + "</p>\r\n  <!-- item " + n +
             " -->\r\n  <img src=\"/img/p" + n + ".jpg\" width=120 height=80 alt=\"" +
             SJ<"写真">() + "\"><br>\r\n</div>\r\n";
  }
  block +=
      "<script type=\"text/javascript\">\r\n// counts the clicks {per item}\r\n"
      "var n = 0; function f(a, b) { if (a < b) { n++; } return n; }\r\n</script>\r\n";
  while (page.size() < size) page += block;
  page.resize(size);
  return page;
}

std::string TagDenseHtml(std::size_t size) {
  const std::string row = "<tr><td align=right><b>1</b></td><td><a href=x.html>y</a></td></tr>\r\n";
  std::string html;
  while (html.size() < size) html += row;
  html.resize(size);
  return html;
}

void Convert(benchmark::State& state, const std::string& html) {
  std::string out;
  for (auto _ : state) {
    kaplo::THtmlRtf rtf;
    rtf.SetText(html);
    out.clear();
    rtf.SaveToStream(out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * html.size()));
  state.counters["rtf_bytes_per_input_byte"] =
      static_cast<double>(out.size()) / static_cast<double>(html.size());
}

void BM_HtmlToRtf_Page(benchmark::State& state) {
  static const std::string html = PageLikeHtml(10 << 20);
  Convert(state, html);
}
BENCHMARK(BM_HtmlToRtf_Page)->Unit(benchmark::kMillisecond);

void BM_HtmlToRtf_TagDense(benchmark::State& state) {
  static const std::string html = TagDenseHtml(10 << 20);
  Convert(state, html);
}
BENCHMARK(BM_HtmlToRtf_TagDense)->Unit(benchmark::kMillisecond);

// The scan alone, as a view that applies character formats would use it.
void BM_HtmlSpans_Page(benchmark::State& state) {
  static const std::string html = PageLikeHtml(10 << 20);
  for (auto _ : state) {
    auto spans = kaplo::HtmlColorSpans(html);
    benchmark::DoNotOptimize(spans.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * html.size()));
}
BENCHMARK(BM_HtmlSpans_Page)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
