// What the user's terminal speaks: the language of messages (LANG) and the
// code of text shown on it (the locale's codeset). Human-readable output
// goes through here; byte pipelines keep their bytes.
#pragma once

#include <string>
#include <string_view>

namespace kaplo::cli {

// Japanese when LC_ALL, else LC_MESSAGES, else LANG begins with "ja".
bool Japanese();
// One of two texts (UTF-8) by the user's language.
std::string Tr(std::string_view en, std::string_view ja);

// The locale's codeset as a CharsetCode: EUC-JP, Shift_JIS or UTF-8N. A
// locale that names another codeset, or none (C, POSIX), gets UTF-8: the
// texts are Japanese and have no ASCII form.
int TerminalCode();
std::string SjisToTerminal(std::string_view sjis);
std::string Utf8ToTerminal(std::string_view utf8);
// A command-line argument (terminal code) as Shift_JIS, or as UTF-8 for
// messages; kept as given when it does not decode.
std::string ArgToSjis(std::string_view arg);
std::string ArgForMessage(std::string_view arg);

// The command that is running, named in messages ("kaplo diff: ...").
void SetCommandName(std::string_view name);
// One line on standard error: "kaplo COMMAND: message", line ends inside the
// message made blanks, in the terminal's code. message is UTF-8.
void Complain(std::string_view message);

// The cause of a failed system call in the user's language, without its number.
std::string CauseText(int err);
// "1 MiB", "512 MiB", "2 GiB", "900 bytes".
std::string SizeText(unsigned long long bytes);

}  // namespace kaplo::cli
