// The headless commands of the kaplo program.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/download_request.h"
#include "engine/ports.h"
#include "workspace/page_check.h"

namespace kaplo::cli {

// Thrown for bad arguments: main prints the message and how to get help, exit 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Thrown when an input cannot be read (a folder, a device, too large...):
// the message names the input and the cause, exit 2.
struct InputError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// One option of a command, as --help and the README show it and as Args
// accepts it: a command's table and its parsing cannot drift apart.
struct Option {
  std::string_view name;      // "--code"
  std::string_view value;     // what follows it ("N", "DIR"); empty for a flag
  std::string_view fallback;  // the default as shown; empty when there is none
  std::string_view en, ja;    // what it does, every value explained
};

struct Command {
  std::string_view name;
  std::string_view usage;    // arguments after the name
  std::string_view summary;  // one line for --help
  int (*run)(std::span<const std::string> args);
  // Every option the command reads. When set, Args refuses to read an
  // option the table lacks and checks that each one was read.
  std::span<const Option> options = {};
  std::string_view summary_ja = {};
  // Further paragraphs of the command's --help (exit status, output).
  std::string_view details = {}, details_ja = {};
};

// Each group of commands lives in its own file and lists itself here.
std::span<const Command> TextCommands();
std::span<const Command> WebCommands();
std::span<const Command> ViewCommands();
std::span<const Command> DownloadCommands();
std::span<const Command> FrameCommands();
std::span<const Command> GetCommands();
std::span<const Command> BrowseCommands();
std::span<const Command> NetCommands();
std::span<const Command> FindCommands();
std::span<const Command> AnalyseCommands();
std::span<const Command> DiffCommands();
std::span<const Command> WarcCommands();

// Every group, in the order --help lists them.
std::vector<std::span<const Command>> AllCommands();
// Other names users type: US spellings.
struct Alias {
  std::string_view alias, name;
};
std::span<const Alias> Aliases();
// The command of that name or alias ("colors" is "colours"); null when none.
const Command* FindCommand(std::string_view name);
// The options of kaplo download, which kaplo frame's jobs take too.
std::span<const Option> DownloadOptionTable();
// The options of a command whose own file gives none (the byte pipelines).
std::span<const Option> PipelineOptions(std::string_view command);
std::string_view PipelineSummaryJa(std::string_view command);

// What the program offers commands beyond the core: a rendering browser page
// for --render and the saved page check of --check, which need Qt and so come
// from the program itself. Commands ask for them before they do any work.
struct Services {
  std::function<std::unique_ptr<BrowserPort>()> make_browser;
  std::function<std::unique_ptr<PageChecker>()> make_checker;
};
const Services& CurrentServices();

// Runs the command named by args[0]; returns the exit status. Returns -1 when
// args is empty (no command: the caller opens the window).
int Run(std::span<const std::string> args, const Services& services = {});

// The window needs a display (or QT_QPA_PLATFORM): without one, the message
// that says so (UTF-8, one line), else empty.
std::string NoDisplayMessage();

// Helpers for commands. Standard input is read whole, at most
// kMaxInputBytes; a folder or a longer stream throws InputError.
std::string ReadAllStdin();
void WriteStdout(std::string_view bytes);

// Option parsing over args (the command name already removed): options are
// taken out as they are read, and Positionals() complains about what is
// left. "--" ends the options; "--name=value" is "--name value".
class Args {
 public:
  // The running command's own option table applies.
  explicit Args(std::span<const std::string> args);
  // That table applies (a command that runs another's parser).
  Args(std::span<const std::string> args, std::span<const Option> table);
  bool Flag(std::string_view name);
  // The value after --name; false when the option is absent.
  bool Value(std::string_view name, std::string& out);
  bool IntValue(std::string_view name, long long min, long long max, long long& out);
  // Remaining positional arguments, in order; throws on a leftover "--x".
  std::vector<std::string> Positionals(std::size_t min, std::size_t max);
  // What is left, unchecked (for a command that hands it on).
  std::vector<std::string> Rest() const;

 private:
  void Known(std::string_view name, bool takes_value);

  std::vector<std::string> rest_;
  std::vector<std::string> operands_;  // after "--"
  std::span<const Option> table_;
  std::vector<std::string_view> read_;
};

}  // namespace kaplo::cli
