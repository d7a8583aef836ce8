#include "cli/cli.h"

#include <charconv>
#include <cstdio>
#include <iostream>

namespace kaplo::cli {
std::span<const Command> NetCommands();  // net_commands.cpp
namespace {

// Every group of commands, in the order --help lists them.
std::vector<std::span<const Command>> Groups() {
  return {
      DownloadCommands(),
      FrameCommands(),
      GetCommands(),
      TextCommands(),
      WebCommands(),
      ViewCommands(),
      NetCommands(),
  };
}

const Command* Find(std::string_view name) {
  for (auto group : Groups()) {
    for (const Command& c : group) {
      if (c.name == name) return &c;
    }
  }
  return nullptr;
}

void PrintHelp() {
  std::string text =
      "kaplo: save, read and search web pages\n"
      "usage: kaplo                 open the window\n"
      "       kaplo COMMAND [ARGS]  run without a window\n\ncommands:\n";
  for (auto group : Groups()) {
    for (const Command& c : group) {
      std::string line = "  kaplo " + std::string(c.name);
      if (!c.usage.empty()) line += " " + std::string(c.usage);
      if (line.size() < 40) line.resize(40, ' ');
      text += line + "  " + std::string(c.summary) + "\n";
    }
  }
  std::fputs(text.c_str(), stdout);
}

}  // namespace

namespace {
Services g_services;
}  // namespace

const Services& CurrentServices() { return g_services; }

int Run(std::span<const std::string> args, const Services& services) {
  if (args.empty()) return -1;
  g_services = services;
  const std::string& name = args[0];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintHelp();
    return 0;
  }
  const Command* cmd = Find(name);
  if (!cmd) {
    std::fprintf(stderr, "kaplo: unknown command \"%s\" (kaplo --help lists them)\n",
                 name.c_str());
    return 2;
  }
  try {
    return cmd->run(args.subspan(1));
  } catch (const UsageError& e) {
    std::fprintf(stderr, "kaplo %s: %s; usage: kaplo %s %s\n", name.c_str(), e.what(),
                 name.c_str(), std::string(cmd->usage).c_str());
    return 2;
  }
}

std::string ReadAllStdin() {
  std::string data;
  char buf[1 << 16];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, stdin)) > 0) data.append(buf, n);
  return data;
}

void WriteStdout(std::string_view bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

bool Args::Flag(std::string_view name) {
  for (auto it = rest_.begin(); it != rest_.end(); ++it) {
    if (*it == name) {
      rest_.erase(it);
      return true;
    }
  }
  return false;
}

bool Args::Value(std::string_view name, std::string& out) {
  for (auto it = rest_.begin(); it != rest_.end(); ++it) {
    if (*it == name) {
      if (it + 1 == rest_.end()) throw UsageError(std::string(name) + " needs a value");
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
    throw UsageError(std::string(name) + " takes a whole number from " + std::to_string(min) +
                     " to " + std::to_string(max));
  }
  out = v;
  return true;
}

std::vector<std::string> Args::Positionals(std::size_t min, std::size_t max) {
  for (const std::string& a : rest_) {
    if (a.size() > 1 && a[0] == '-') throw UsageError("unknown option " + a);
  }
  if (rest_.size() < min) throw UsageError("missing argument");
  if (rest_.size() > max) throw UsageError("too many arguments");
  return rest_;
}

}  // namespace kaplo::cli
