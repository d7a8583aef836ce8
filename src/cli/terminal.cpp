#include "cli/terminal.h"

#include <langinfo.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "text/charset.h"
#include "text/convert.h"

namespace kaplo::cli {
namespace {

std::string g_command;

// The first of the variables that is set and not empty decides, as in gettext.
std::string_view MessagesLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(name);
    if (v && *v) return v;
  }
  return {};
}

int CodeOfCodeset(std::string_view codeset) {
  std::string key;
  for (char c : codeset) {
    if (c == '-' || c == '_') continue;
    key += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  if (key == "EUCJP" || key == "UJIS") return kCharsetEucJp;
  if (key == "SHIFTJIS" || key == "SJIS" || key == "CP932" || key == "WINDOWS31J" ||
      key == "MSKANJI") {
    return kCharsetShiftJis;
  }
  return kCharsetUtf8N;
}

// The codeset a locale name states ("ja_JP.eucJP@x" says "eucJP").
std::string_view CodesetOfName(std::string_view name) {
  const std::size_t dot = name.find('.');
  if (dot == std::string_view::npos) return {};
  name.remove_prefix(dot + 1);
  return name.substr(0, name.find('@'));
}

int FindTerminalCode() {
  // Only the character type is taken from the environment, and only for as
  // long as it takes to read its codeset: number formats stay "C".
  const char* old = std::setlocale(LC_CTYPE, nullptr);
  const std::string saved = old ? old : "C";
  int code = kCharsetUtf8N;
  if (std::setlocale(LC_CTYPE, "") != nullptr) {
    code = CodeOfCodeset(nl_langinfo(CODESET));
  } else {
    // A locale that is not installed still says which code the terminal speaks.
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
      const char* v = std::getenv(name);
      if (v && *v) {
        code = CodeOfCodeset(CodesetOfName(v));
        break;
      }
    }
  }
  std::setlocale(LC_CTYPE, saved.c_str());
  return code;
}

}  // namespace

bool Japanese() {
  static const bool ja = MessagesLocale().starts_with("ja");
  return ja;
}

std::string Tr(std::string_view en, std::string_view ja) { return std::string(Japanese() ? ja : en); }

int TerminalCode() {
  static const int code = FindTerminalCode();
  return code;
}

std::string SjisToTerminal(std::string_view sjis) {
  switch (TerminalCode()) {
    case kCharsetShiftJis: return std::string(sjis);
    case kCharsetEucJp: return ShiftJISToEuc(sjis);
    default: return ShiftJISToUtf8(sjis);
  }
}

std::string Utf8ToTerminal(std::string_view utf8) {
  if (TerminalCode() == kCharsetUtf8N) return std::string(utf8);
  std::string sjis = Utf8ToShiftJIS(utf8);
  return sjis.empty() && !utf8.empty() ? std::string(utf8) : SjisToTerminal(sjis);
}

std::string ArgToSjis(std::string_view arg) {
  switch (TerminalCode()) {
    case kCharsetShiftJis: return std::string(arg);
    case kCharsetEucJp: return EucToShiftJIS(arg);
    default: {
      std::string s = Utf8ToShiftJIS(arg);
      return s.empty() ? std::string(arg) : s;
    }
  }
}

std::string ArgForMessage(std::string_view arg) {
  if (TerminalCode() == kCharsetUtf8N) return std::string(arg);
  return ShiftJISToUtf8(ArgToSjis(arg));
}

void SetCommandName(std::string_view name) { g_command = name; }

void Complain(std::string_view message) {
  std::string line = "kaplo";
  if (!g_command.empty()) line += " " + g_command;
  line += ": ";
  // A message with line breaks (the window's texts have some) is one line.
  for (std::size_t i = 0; i < message.size(); ++i) {
    if (message[i] != '\r' && message[i] != '\n') {
      line += message[i];
    } else if (!line.ends_with(' ')) {
      line += ' ';
    }
  }
  while (line.ends_with(' ')) line.pop_back();
  line = Utf8ToTerminal(line) + "\n";
  std::fflush(stdout);
  std::fwrite(line.data(), 1, line.size(), stderr);
}

std::string CauseText(int err) {
  switch (err) {
    case ENOENT: return std::string(Tr("no such file or folder", "見つかりません"));
    case EACCES:
    case EPERM: return std::string(Tr("permission denied", "権限がありません"));
    case EISDIR: return std::string(Tr("it is a folder", "フォルダーです"));
    case ENOTDIR: return std::string(Tr("a part of the path is not a folder",
                                        "パスの途中がフォルダーではありません"));
    case ELOOP: return std::string(Tr("too many symbolic links", "シンボリックリンクが多すぎます"));
    case ENAMETOOLONG: return std::string(Tr("the name is too long", "名前が長すぎます"));
    case ENOSPC: return std::string(Tr("no space left on the device", "空き容量がありません"));
    case EROFS: return std::string(Tr("read-only file system", "読み取り専用のファイルシステムです"));
    case EMFILE:
    case ENFILE: return std::string(Tr("too many open files", "開いているファイルが多すぎます"));
    case EIO: return std::string(Tr("input/output error", "入出力エラー"));
    case ECONNREFUSED: return std::string(Tr("connection refused", "接続を拒否されました"));
    default: break;
  }
  // Anything rarer in the C library's own words, which carry no number.
  return Japanese() ? std::string("エラー: ") + std::strerror(err) : std::strerror(err);
}

std::string SizeText(unsigned long long bytes) {
  constexpr unsigned long long kMiB = 1ull << 20, kGiB = 1ull << 30;
  if (bytes >= kGiB && bytes % kGiB == 0) return std::to_string(bytes / kGiB) + " GiB";
  if (bytes >= kMiB && bytes % kMiB == 0) return std::to_string(bytes / kMiB) + " MiB";
  return std::to_string(bytes) + std::string(Tr(" bytes", " バイト"));
}

}  // namespace kaplo::cli
