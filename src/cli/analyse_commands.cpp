// kaplo analyse: the page analysis tab's lists and combined texts without a
// window.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "cli/cli.h"
#include "engine/url.h"
#include "text/charset.h"
#include "text/convert.h"
#include "workspace/page_analysis.h"

namespace kaplo::cli {
namespace {

namespace fs = std::filesystem;

std::string FromTerminal(const std::string& utf8) {
  std::string s = Utf8ToShiftJIS(utf8);
  return s.empty() ? utf8 : s;
}

void PrintList(const char* heading, const std::vector<std::string>& list, bool headed) {
  std::string out;
  if (headed) out += std::string("[") + heading + "]\n";
  for (const std::string& line : list) out += ShiftJISToUtf8(line) + "\n";
  WriteStdout(out);
}

// "-" is standard output (UTF-8, as every text shown on a terminal); a file
// gets the Shift_JIS bytes, as the tab's save button writes them.
bool WriteText(const std::string& target, const std::string& sjis) {
  if (target == "-") {
    // Ends with a line end, so two texts on standard output stay apart.
    WriteStdout(ShiftJISToUtf8(sjis) + (sjis.empty() || sjis.back() == '\n' ? "" : "\n"));
    return true;
  }
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out.write(sjis.data(), static_cast<std::streamsize>(sjis.size()));
  out.close();
  if (!out) std::cerr << "kaplo analyse: cannot write " << target << "\n";
  return static_cast<bool>(out);
}

int Analyse(std::span<const std::string> argv) {
  Args args(argv);
  AnalysisOptions options;
  long long code = kCharsetAuto, css_code = kCharsetAuto;
  args.IntValue("--code", 0, 5, code);
  args.IntValue("--css-code", 0, 5, css_code);
  bool css_list = args.Flag("--css-list");
  bool js_list = args.Flag("--js-list");
  const bool import_list = args.Flag("--imports");
  std::string css_out, js_out;
  const bool want_css = args.Value("--combined-css", css_out);
  const bool want_js = args.Value("--combined-js", js_out);
  const std::vector<std::string> pos = args.Positionals(1, 1);
  if (!css_list && !js_list && !import_list && !want_css && !want_js) css_list = js_list = true;
  options.html_code = static_cast<int>(code);
  options.css_js_code = static_cast<int>(css_code);
  options.combine = import_list || want_css || want_js;

  std::string address = pos[0];
  if (!IsHttpUrl(address) && !address.starts_with("file://")) {
    std::error_code ec;
    address = fs::absolute(address, ec).lexically_normal().string();
  }
  CurlFetcher fetcher;
  const PageAnalysis a = AnalysePage(fetcher, FromTerminal(address), options);
  if (!a.read) {
    std::cerr << "kaplo analyse: nothing could be read from " << pos[0] << "\n";
    return 1;
  }
  const bool headed = (css_list + js_list + import_list) > 1;
  if (css_list) PrintList("stylesheets", a.css_list, headed);
  if (import_list) PrintList("imported stylesheets", a.css_import_list, headed);
  if (js_list) PrintList("scripts", a.js_list, headed);
  bool ok = true;
  if (want_css) ok = WriteText(css_out, a.combined_css) && ok;
  if (want_js) ok = WriteText(js_out, a.combined_js) && ok;
  return ok ? 0 : 1;
}

constexpr Command kCommands[] = {
    {"analyse",
     "URL|FILE [--css-list] [--js-list] [--imports] [--combined-css OUT] [--combined-js OUT] "
     "[--code N] [--css-code N]",
     "the page analysis tab: a page's stylesheet and script lists (ref TAB address), the "
     "stylesheets they import, and the combined CSS and JS texts (OUT - is stdout)",
     Analyse},
};

}  // namespace

std::span<const Command> AnalyseCommands() { return kCommands; }

}  // namespace kaplo::cli
