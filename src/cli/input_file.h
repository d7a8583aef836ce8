// How every command reads an input: a regular file only (a folder, a
// device, a FIFO or a socket is refused before a byte is read, so nothing
// blocks or grows without end), at most a size cap, and a text read in its
// own code. Failures throw InputError with one line that names the input
// and the cause.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kaplo::cli {

inline constexpr std::uint64_t kMaxInputBytes = std::uint64_t{512} << 20;

// The bytes of the regular file at path (as given on the command line).
std::string ReadInputFile(const std::string& path, std::uint64_t max_bytes = kMaxInputBytes);
// Throws unless path is a regular file that may be read and is within the
// cap: for files that a library opens itself.
void CheckInputFile(const std::string& path, std::uint64_t max_bytes = kMaxInputBytes);
// Standard input whole, at most max_bytes.
std::string ReadStandardInput(std::uint64_t max_bytes);

// The code a text is read in: `chosen` (1 to 5) when given, else the code
// it declares, else the code its bytes show (ISO-2022-JP escapes, valid
// UTF-8 with or without a byte-order mark, else EUC-JP or Shift_JIS).
int InputTextCode(std::string_view bytes, int chosen);
// The text as Shift_JIS, every line and line end kept (line numbers stay
// those of grep and diff).
std::string InputToShiftJis(std::string bytes, int code);
// The text in the terminal's code: unchanged when it is already in it.
std::string InputToTerminal(std::string bytes, int code);

}  // namespace kaplo::cli
