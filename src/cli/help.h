// --help, --version and the README's command reference, all made from the
// commands' own tables.
#pragma once

#include <string>

#include "cli/cli.h"

namespace kaplo::cli {

void PrintProgramHelp();
void PrintCommandHelp(const Command& command);
void PrintVersion();
// The README's command reference (English Markdown).
void PrintMarkdown();

// The help of a command as text (UTF-8), in the user's language.
std::string CommandHelp(const Command& command);

}  // namespace kaplo::cli
