#include "cli/help.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "cli/terminal.h"

#ifndef KAPLO_VERSION
#error "KAPLO_VERSION comes from the project version in CMakeLists.txt"
#endif

namespace kaplo::cli {
namespace {

constexpr std::size_t kWidth = 79;

std::span<const Option> OptionsOf(const Command& c) {
  return c.options.empty() ? PipelineOptions(c.name) : c.options;
}

std::string_view SummaryOf(const Command& c) {
  if (!Japanese()) return c.summary;
  if (!c.summary_ja.empty()) return c.summary_ja;
  const std::string_view ja = PipelineSummaryJa(c.name);
  return ja.empty() ? c.summary : ja;
}

// Columns a character takes on a terminal: two for the wide East Asian ones.
std::size_t Columns(char32_t c) {
  if (c < 0x1100) return 1;
  if (c >= 0xFF61 && c <= 0xFF9F) return 1;  // half-width katakana
  return 2;
}

// Decodes the UTF-8 character at s[i]; i moves past it.
char32_t Next(std::string_view s, std::size_t& i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  const int n = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
  char32_t cp = n == 0 ? c : c & (0x3F >> n);
  ++i;
  for (int k = 0; k < n && i < s.size(); ++k, ++i) {
    cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
  }
  return cp;
}

// Japanese punctuation that never begins a line, and brackets that never end one.
bool NoBreakBefore(char32_t c) {
  return std::u32string_view(U"、。，．）」』：；！？ー").find(c) != std::u32string_view::npos;
}
bool NoBreakAfter(char32_t c) { return std::u32string_view(U"（「『").find(c) != std::u32string_view::npos; }

// Fills lines of at most kWidth columns, each begun with indent; a line may
// break at a blank or next to a wide character.
std::string Wrap(std::string_view text, std::size_t indent) {
  std::string out;
  const std::string pad(indent, ' ');
  std::string line;
  std::size_t cols = 0;
  std::size_t cut = std::string::npos, cut_cols = 0;  // where the line may break
  char32_t prev = 0;
  auto flush = [&](std::size_t upto, std::size_t upto_cols) {
    std::string head = line.substr(0, upto);
    while (head.ends_with(' ')) head.pop_back();
    out += pad + head + "\n";
    std::size_t from = upto;
    while (from < line.size() && line[from] == ' ') ++from;
    line.erase(0, from);
    cols -= upto_cols + (from - upto);
    cut = std::string::npos;
  };
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\n') {
      flush(line.size(), cols);
      ++i;
      prev = 0;
      continue;
    }
    const std::size_t start = i;
    const char32_t c = Next(text, i);
    const std::size_t w = Columns(c);
    const bool may_break = prev == U' ' || ((w == 2 || Columns(prev) == 2) && prev != 0);
    if (!line.empty() && may_break && !NoBreakBefore(c) && !NoBreakAfter(prev)) {
      cut = line.size();
      cut_cols = cols;
    }
    if (indent + cols + w > kWidth && cut != std::string::npos && cut > 0) flush(cut, cut_cols);
    line.append(text.substr(start, i - start));
    cols += w;
    prev = c;
  }
  if (!line.empty()) flush(line.size(), cols);
  return out;
}

std::string Synopsis(const Command& c) {
  std::string s = "kaplo " + std::string(c.name);
  if (!c.usage.empty()) s += " " + std::string(c.usage);
  return s;
}

std::string DefaultText(const Option& o) {
  if (o.fallback.empty()) return {};
  return std::string(Tr(" (default ", "（既定値 ")) + std::string(o.fallback) +
         std::string(Tr(")", "）"));
}

std::string AliasesOf(std::string_view name) {
  std::string names;
  for (const Alias& a : Aliases()) {
    if (a.name == name) names += (names.empty() ? "" : ", ") + std::string(a.alias);
  }
  return names;
}

// Markdown text: pipes kept inside table cells, angle brackets shown as written.
std::string Cell(std::string_view text) {
  std::string s;
  for (char c : text) {
    if (c == '<') s += "&lt;";
    else if (c == '>') s += "&gt;";
    else if (c == '|') s += "\\|";
    else s += c == '\n' ? ' ' : c;
  }
  return s;
}

// A summary as a sentence of its own.
std::string Sentence(std::string_view text) {
  std::string s = Cell(text);
  if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') s[0] = static_cast<char>(s[0] - 'a' + 'A');
  if (!s.empty() && s.back() != '.') s += '.';
  return s;
}

}  // namespace

std::string CommandHelp(const Command& c) {
  std::string out = std::string(Tr("usage: ", "使い方: ")) + Synopsis(c) + "\n";
  if (const std::string aliases = AliasesOf(c.name); !aliases.empty()) {
    out += std::string(Tr("also: kaplo ", "別名: kaplo ")) + aliases + "\n";
  }
  out += "\n" + Wrap(SummaryOf(c), 0);
  const std::string_view details = Japanese() ? c.details_ja : c.details;
  if (!details.empty()) out += "\n" + Wrap(details, 0);
  out += std::string(Tr("\noptions:\n", "\nオプション:\n"));
  for (const Option& o : OptionsOf(c)) {
    std::string head = "  " + std::string(o.name);
    if (!o.value.empty()) head += " " + std::string(o.value);
    out += head + DefaultText(o) + "\n";
    out += Wrap(Japanese() ? o.ja : o.en, 6);
  }
  out += "  -h, --help\n";
  out += Wrap(Tr("this help", "この説明"), 6);
  return out;
}

void PrintCommandHelp(const Command& c) { std::fputs(Utf8ToTerminal(CommandHelp(c)).c_str(), stdout); }

void PrintVersion() { std::fputs("kaplo " KAPLO_VERSION "\n", stdout); }

void PrintProgramHelp() {
  std::string out = std::string("kaplo " KAPLO_VERSION ": ") +
                    std::string(Tr("save, read and search web pages",
                                   "ウェブページを保存し、読み、検索します")) +
                    "\n\n";
  out += std::string(Tr("usage: kaplo                  open the window\n"
                        "       kaplo COMMAND [ARGS]   run a command without a window\n"
                        "       kaplo COMMAND --help   the command's arguments and options\n"
                        "       kaplo --version\n",
                        "使い方: kaplo                  ウィンドウを開きます\n"
                        "        kaplo COMMAND [ARGS]   ウィンドウなしでコマンドを実行します\n"
                        "        kaplo COMMAND --help   コマンドの引数とオプション\n"
                        "        kaplo --version\n"));
  out += std::string(Tr("\ncommands:\n", "\nコマンド:\n"));
  // One line a command, whatever its length: greppable.
  for (auto group : AllCommands()) {
    for (const Command& c : group) {
      std::string name = "  " + std::string(c.name);
      name.resize(std::max<std::size_t>(name.size() + 2, 14), ' ');
      out += name + std::string(SummaryOf(c)) + "\n";
    }
  }
  out += std::string(Tr("\nalso:", "\n別名:"));
  for (const Alias& a : Aliases()) {
    out += " " + std::string(a.alias) + " = " + std::string(a.name);
  }
  out += "\n";
  std::fputs(Utf8ToTerminal(out).c_str(), stdout);
}

void PrintMarkdown() {
  std::string out;
  for (auto group : AllCommands()) {
    for (const Command& c : group) {
      out += "### `" + Synopsis(c) + "`\n\n";
      if (const std::string aliases = AliasesOf(c.name); !aliases.empty()) {
        out += "Also `kaplo " + aliases + "`. ";
      }
      out += Sentence(c.summary);
      if (!c.details.empty()) out += "\n\n" + Cell(c.details);
      out += "\n\n";
      const std::span<const Option> options = OptionsOf(c);
      if (options.empty()) continue;
      out += "| option | default | |\n|---|---|---|\n";
      for (const Option& o : options) {
        std::string name(o.name);
        if (!o.value.empty()) name += " " + std::string(o.value);
        out += "| `" + Cell(name) + "` | " + Cell(o.fallback) + " | " + Cell(o.en) + " |\n";
      }
      out += "\n";
    }
  }
  std::fputs(out.c_str(), stdout);
}

}  // namespace kaplo::cli
