#include "cli/cli.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "cli/help.h"
#include "cli/input_file.h"
#include "cli/terminal.h"

namespace kaplo::cli {
namespace {

Services g_services;
std::span<const Option> g_table;  // the running command's own options

constexpr Alias kAliases[] = {
    {"colors", "colours"},
    {"analyze", "analyse"},
    {"normalize", "normalise"},
};

bool WantsHelp(std::span<const std::string> args) {
  for (const std::string& a : args) {
    if (a == "--") return false;
    if (a == "--help" || a == "-h") return true;
  }
  return false;
}

std::string Concat(std::initializer_list<std::string_view> parts) {
  std::string s;
  for (std::string_view p : parts) s += p;
  return s;
}

}  // namespace

std::span<const Alias> Aliases() { return kAliases; }

std::vector<std::span<const Command>> AllCommands() {
  return {
      DownloadCommands(),
      FrameCommands(),
      GetCommands(),
      TextCommands(),
      WebCommands(),
      ViewCommands(),
      BrowseCommands(),
      DiffCommands(),
      WarcCommands(),
      NetCommands(),
      FindCommands(),
      AnalyseCommands(),
  };
}

const Command* FindCommand(std::string_view name) {
  for (const auto& [alias, real] : kAliases) {
    if (name == alias) name = real;
  }
  for (auto group : AllCommands()) {
    for (const Command& c : group) {
      if (c.name == name) return &c;
    }
  }
  return nullptr;
}

const Services& CurrentServices() { return g_services; }

std::string NoDisplayMessage() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* v = std::getenv(name);
    if (v && *v) return {};
  }
  return std::string(Tr("the window needs a display: neither DISPLAY nor WAYLAND_DISPLAY is set "
                        "(QT_QPA_PLATFORM=offscreen runs it without one); kaplo --help lists the "
                        "commands that need none",
                        "ウィンドウには画面が要ります: DISPLAY も WAYLAND_DISPLAY もありません"
                        "（QT_QPA_PLATFORM=offscreen なら画面なしで動きます）。画面の要らない"
                        "コマンドは kaplo --help で一覧できます"));
}

int Run(std::span<const std::string> args, const Services& services) {
  if (args.empty()) return -1;
  g_services = services;
  const std::string& name = args[0];
  if (name == "--help" || name == "-h" || name == "help") {
    if (args.size() > 1 && name == "help") {
      if (const Command* c = FindCommand(args[1])) return PrintCommandHelp(*c), 0;
    }
    PrintProgramHelp();
    return 0;
  }
  if (name == "--version" || name == "-V") {
    PrintVersion();
    return 0;
  }
  if (name == "--help-markdown") {
    PrintMarkdown();
    return 0;
  }
  const Command* cmd = FindCommand(name);
  SetCommandName(cmd ? std::string_view(cmd->name) : std::string_view());
  if (!cmd) {
    Complain(Concat({Tr("unknown command \"", "コマンド「"), ArgForMessage(name),
                     Tr("\" (kaplo --help lists them)", "」はありません（kaplo --help で一覧できます）")}));
    return 2;
  }
  if (WantsHelp(args.subspan(1))) {
    PrintCommandHelp(*cmd);
    return 0;
  }
  g_table = cmd->options;
  try {
    return cmd->run(args.subspan(1));
  } catch (const UsageError& e) {
    Complain(Concat({e.what(), Tr(" (kaplo ", "（kaplo "), cmd->name,
                     Tr(" --help shows the options)", " --help で使い方を表示します）")}));
    return 2;
  } catch (const InputError& e) {
    Complain(e.what());
    return 2;
  } catch (const std::bad_alloc&) {
    Complain(Tr("out of memory", "メモリーが足りません"));
    return 2;
  } catch (const std::exception& e) {
    Complain(Concat({Tr("internal error: ", "内部エラー: "), e.what()}));
    return 2;
  }
}

std::string ReadAllStdin() { return ReadStandardInput(kMaxInputBytes); }

void WriteStdout(std::string_view bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

Args::Args(std::span<const std::string> args) : Args(args, g_table) {}

Args::Args(std::span<const std::string> args, std::span<const Option> table) : table_(table) {
  auto end = std::find(args.begin(), args.end(), std::string("--"));
  rest_.assign(args.begin(), end);
  if (end != args.end()) operands_.assign(end + 1, args.end());
}

void Args::Known(std::string_view name, bool takes_value) {
  if (table_.empty()) return;
  const auto it = std::find_if(table_.begin(), table_.end(),
                               [&](const Option& o) { return o.name == name; });
  if (it == table_.end() || it->value.empty() == takes_value) {
    throw std::logic_error("option " + std::string(name) + " and the option table disagree");
  }
  read_.push_back(name);
}

bool Args::Flag(std::string_view name) {
  Known(name, false);
  for (auto it = rest_.begin(); it != rest_.end(); ++it) {
    if (*it == name) {
      rest_.erase(it);
      return true;
    }
  }
  return false;
}

bool Args::Value(std::string_view name, std::string& out) {
  Known(name, true);
  for (auto it = rest_.begin(); it != rest_.end(); ++it) {
    if (*it == name) {
      if (it + 1 == rest_.end()) {
        throw UsageError(Concat({name, Tr(" needs a value", " には値が要ります")}));
      }
      out = *(it + 1);
      rest_.erase(it, it + 2);
      return true;
    }
    // --name=value
    if (it->size() > name.size() && it->compare(0, name.size(), name) == 0 &&
        (*it)[name.size()] == '=') {
      out = it->substr(name.size() + 1);
      rest_.erase(it);
      return true;
    }
  }
  return false;
}

bool Args::IntValue(std::string_view name, long long min, long long max, long long& out) {
  std::string text;
  if (!Value(name, text)) return false;
  long long v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < min || v > max) {
    const std::string lo = std::to_string(min), hi = std::to_string(max);
    throw UsageError(Concat({name, Tr(" takes a whole number from ", " の値は "), lo,
                             Tr(" to ", " から "), hi, Tr("", " までの整数です")}));
  }
  out = v;
  return true;
}

std::vector<std::string> Args::Positionals(std::size_t min, std::size_t max) {
  for (const Option& o : table_) {
    if (std::find(read_.begin(), read_.end(), o.name) == read_.end()) {
      throw std::logic_error("option " + std::string(o.name) + " of the table is never read");
    }
  }
  for (const std::string& a : rest_) {
    if (a.size() > 1 && a[0] == '-') {
      throw UsageError(Concat({Tr("unknown option ", "知らないオプションです: "), ArgForMessage(a)}));
    }
  }
  std::vector<std::string> all = rest_;
  all.insert(all.end(), operands_.begin(), operands_.end());
  if (all.size() < min) throw UsageError(std::string(Tr("missing argument", "引数が足りません")));
  if (all.size() > max) throw UsageError(std::string(Tr("too many arguments", "引数が多すぎます")));
  return all;
}

std::vector<std::string> Args::Rest() const {
  std::vector<std::string> all = rest_;
  if (!operands_.empty()) {
    all.push_back("--");
    all.insert(all.end(), operands_.begin(), operands_.end());
  }
  return all;
}

}  // namespace kaplo::cli
