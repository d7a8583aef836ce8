#include "cli/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "cli/cli.h"
#include "cli/terminal.h"
#include "text/charset.h"
#include "text/convert.h"

namespace kaplo::cli {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

class Fd {
 public:
  Fd() = default;
  ~Fd() { reset(-1); }
  void reset(int fd) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_ = -1;
};

[[noreturn]] void Refuse(std::string_view what, std::string_view cause) {
  std::string m = std::string(Tr("cannot read ", "読めません: ")) + std::string(what);
  m += ": ";
  m += cause;
  throw InputError(m);
}

std::string FileLabel(const std::string& path) {
  return std::string(Tr("file ", "ファイル ")) + ArgForMessage(path);
}

std::string TypeCause(mode_t mode) {
  if (S_ISDIR(mode)) return std::string(Tr("it is a folder", "フォルダーです"));
  if (S_ISCHR(mode) || S_ISBLK(mode)) return std::string(Tr("it is a device", "デバイスです"));
  if (S_ISFIFO(mode)) return std::string(Tr("it is a FIFO (named pipe)", "FIFO（名前付きパイプ）です"));
  if (S_ISSOCK(mode)) return std::string(Tr("it is a socket", "ソケットです"));
  return std::string(Tr("it is not a regular file", "通常のファイルではありません"));
}

std::string TooLarge(std::uint64_t max_bytes) {
  return std::string(Tr("larger than ", "")) + SizeText(max_bytes) +
         std::string(Tr("", " を超えています"));
}

// Opens path for reading without blocking (a FIFO without a writer would
// block in open) and checks what it is; the descriptor is fd's.
void OpenRegular(const std::string& path, std::uint64_t max_bytes, Fd& fd, struct stat& st) {
  fd.reset(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.get() < 0) {
    const int err = errno;
    // A socket cannot be opened at all; say what it is.
    if (err == ENXIO && stat(path.c_str(), &st) == 0) Refuse(FileLabel(path), TypeCause(st.st_mode));
    Refuse(FileLabel(path), CauseText(err));
  }
  if (fstat(fd.get(), &st) != 0) Refuse(FileLabel(path), CauseText(errno));
  if (!S_ISREG(st.st_mode)) Refuse(FileLabel(path), TypeCause(st.st_mode));
  if (static_cast<std::uint64_t>(st.st_size) > max_bytes) {
    Refuse(FileLabel(path), TooLarge(max_bytes));
  }
}

// Reads fd to its end, refusing more than max_bytes.
std::string ReadAll(int fd, std::uint64_t max_bytes, std::size_t expected,
                    const std::string& label) {
  std::string data;
  data.reserve(expected);
  char buf[1 << 16];
  while (true) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) {
        // A non-blocking standard input: wait until it has data.
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        select(fd + 1, &set, nullptr, nullptr, nullptr);
        continue;
      }
      Refuse(label, CauseText(errno));
    }
    if (data.size() + static_cast<std::size_t>(n) > max_bytes) Refuse(label, TooLarge(max_bytes));
    data.append(buf, static_cast<std::size_t>(n));
  }
  return data;
}

bool IsValidUtf8(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const auto* end = p + s.size();
  while (p < end) {
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int n;
    unsigned min;
    unsigned cp;
    if (c >= 0xC2 && c <= 0xDF) n = 1, min = 0x80, cp = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF) n = 2, min = 0x800, cp = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4) n = 3, min = 0x10000, cp = c & 0x07;
    else return false;
    if (end - p <= n) return false;
    for (int i = 1; i <= n; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    p += n + 1;
  }
  return true;
}

bool HasJisEscapes(std::string_view s) {
  if (s.find('\x1B') == std::string_view::npos) return false;
  for (std::string_view esc : {"\x1B$B", "\x1B$@", "\x1B(J", "\x1B(I", "\x1B$(D"}) {
    if (s.find(esc) != std::string_view::npos) return true;
  }
  return false;
}

bool AllAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// EUC-JP or Shift_JIS, as the text library's own detection reads the bytes.
// Its reading squashes blank lines, so it is asked about a sample without
// line ends and only its choice is kept.
int EucOrShiftJis(std::string_view bytes) {
  const std::string_view head = bytes.substr(0, 64 << 10);
  if (const int code = TextReadingCode(head, kCharsetAuto); code != kCharsetAuto) return code;
  std::string sample(head);
  for (char& c : sample) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  const std::string read = AnyCodeToShiftJIS(sample, kCharsetAuto);
  return read != sample && read == EucToShiftJIS(sample) ? kCharsetEucJp : kCharsetShiftJis;
}

std::string_view WithoutBom(std::string_view s) {
  return s.starts_with(kBom) ? s.substr(kBom.size()) : s;
}

}  // namespace

std::string ReadInputFile(const std::string& path, std::uint64_t max_bytes) {
  struct stat st;
  Fd fd;
  OpenRegular(path, max_bytes, fd, st);
  return ReadAll(fd.get(), max_bytes, static_cast<std::size_t>(st.st_size), FileLabel(path));
}

void CheckInputFile(const std::string& path, std::uint64_t max_bytes) {
  struct stat st;
  Fd fd;
  OpenRegular(path, max_bytes, fd, st);
}

std::string ReadStandardInput(std::uint64_t max_bytes) {
  const std::string label(Tr("standard input", "標準入力"));
  struct stat st;
  if (fstat(0, &st) != 0) return {};  // closed: nothing to read
  if (S_ISDIR(st.st_mode)) Refuse(label, TypeCause(st.st_mode));
  if (S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) > max_bytes) {
    Refuse(label, TooLarge(max_bytes));
  }
  const std::size_t expected = S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) : 0;
  return ReadAll(0, max_bytes, expected, label);
}

int InputTextCode(std::string_view bytes, int chosen) {
  if (chosen >= kCharsetEucJp && chosen <= kCharsetUtf8N) return chosen;
  // A declaration stands near the start (browsers look at the first
  // kilobytes): a huge text is not read through for one.
  if (int declared = DetectDeclaredCharset(bytes.substr(0, 64 << 10))) {
    if (declared == kCharsetUtf8 && bytes.starts_with(kBom)) declared = kCharsetUtf8N;
    return declared;
  }
  if (HasJisEscapes(bytes)) return kCharsetIso2022Jp;
  if (bytes.starts_with(kBom)) return kCharsetUtf8N;
  if (AllAscii(bytes)) return kCharsetShiftJis;
  if (IsValidUtf8(bytes)) return kCharsetUtf8;
  return EucOrShiftJis(bytes);
}

std::string InputToShiftJis(std::string bytes, int code) {
  if (code == kCharsetAuto) code = InputTextCode(bytes, code);
  switch (code) {
    case kCharsetEucJp: return EucToShiftJIS(bytes);
    case kCharsetUtf8: {
      std::string s = Utf8ToShiftJIS(bytes);
      return s.empty() ? Utf8ToShiftJISLenient(bytes) : s;
    }
    case kCharsetIso2022Jp: return JisToShiftJIS(bytes);
    case kCharsetUtf8N: return Utf8ToShiftJISLenient(WithoutBom(bytes));
    default: return bytes;
  }
}

std::string InputToTerminal(std::string bytes, int code) {
  if (code == kCharsetAuto) code = InputTextCode(bytes, code);
  const int terminal = TerminalCode();
  if (terminal == kCharsetUtf8N && (code == kCharsetUtf8 || code == kCharsetUtf8N)) {
    const std::string_view text = WithoutBom(bytes);
    if (IsValidUtf8(text)) return text.size() == bytes.size() ? bytes : std::string(text);
  }
  if ((terminal == kCharsetShiftJis && code == kCharsetShiftJis) ||
      (terminal == kCharsetEucJp && code == kCharsetEucJp)) {
    return bytes;
  }
  return SjisToTerminal(InputToShiftJis(std::move(bytes), code));
}

}  // namespace kaplo::cli
