#include "filetools/file_preview.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace kaplo {
namespace {

std::string LowerExtension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string ext(name.substr(dot));
  for (char& c : ext) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return ext;
}

bool OnPath(const std::string& program, const std::function<const char*(const char*)>& env) {
  if (program.find('/') != std::string::npos) return access(program.c_str(), X_OK) == 0;
  const char* path = env("PATH");
  std::string_view dirs = path ? path : "/usr/bin:/bin";
  while (!dirs.empty()) {
    const std::size_t colon = dirs.find(':');
    const std::string dir(dirs.substr(0, colon));
    dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
    if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

// Editors that open a window of their own (a terminal editor started from
// the window would have no terminal).
constexpr const char* kGraphicalEditors[] = {"gnome-text-editor", "gedit", "kate", "kwrite",
                                             "mousepad", "xed", "pluma", "leafpad", "featherpad",
                                             "geany", "code", "gvim"};

}  // namespace

PreviewType PreviewTypeOf(std::string_view file_name) {
  const std::string ext = LowerExtension(file_name);
  static constexpr std::string_view kText[] = {".txt", ".css", ".js",  ".rss", ".rdf",
                                               ".xml", ".bat", ".sys", ".pif", ".htc"};
  static constexpr std::string_view kImage[] = {".gif", ".jpg", ".png", ".bmp", ".ico"};
  auto in = [&](const auto& list) { return std::find(std::begin(list), std::end(list), ext) != std::end(list); };
  if (in(kText)) return PreviewType::kText;
  if (in(kImage)) return PreviewType::kImage;
  if (ext == ".htm" || ext == ".html") return PreviewType::kHtml;
  if (ext == ".mht") return PreviewType::kMht;
  if (ext == ".swf") return PreviewType::kSwf;
  return PreviewType::kNone;
}

std::string_view PreviewTypeLabel(PreviewType type) {
  switch (type) {
    case PreviewType::kText: return "Text";
    case PreviewType::kImage: return "Image";
    case PreviewType::kHtml: return "html";
    case PreviewType::kMht: return "mht";
    case PreviewType::kSwf: return "swf";
    case PreviewType::kNone: break;
  }
  return "";
}

PreviewText ReadPreviewText(const std::string& path, std::size_t cap) {
  PreviewText out;
  // Non-blocking, regular files only: a FIFO named ".txt" must not hang the tab.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return out;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return out;
  }
  out.bytes.resize(std::min<std::size_t>(static_cast<std::size_t>(st.st_size), cap));
  std::size_t got = 0;
  for (;;) {
    if (got == out.bytes.size()) {
      if (got >= cap) break;
      out.bytes.resize(std::min(cap, got + 65536));  // /proc files say 0 bytes
    }
    const ssize_t n = read(fd, out.bytes.data() + got, out.bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  out.bytes.resize(got);
  char extra;
  out.truncated = got >= cap && read(fd, &extra, 1) == 1;
  close(fd);
  out.ok = true;
  return out;
}

bool OpensInTextEditor(std::string_view file_name) {
  const std::string ext = LowerExtension(file_name);
  for (std::string_view e : {".txt", ".css", ".js", ".rss", ".rdf", ".xml"}) {
    if (ext.find(e) != std::string::npos) return true;
  }
  return false;
}

std::vector<std::string> TextEditorCommand(const std::string& path,
                                           const std::function<const char*(const char*)>& env) {
  std::vector<std::string> argv;
  for (const char* var : {"VISUAL", "EDITOR"}) {
    const char* value = env(var);
    if (value == nullptr || *value == 0) continue;
    std::vector<std::string> words;
    std::string_view v = value;
    while (!v.empty()) {
      const std::size_t b = v.find_first_not_of(' ');
      if (b == std::string_view::npos) break;
      v.remove_prefix(b);
      const std::size_t e = v.find(' ');
      words.emplace_back(v.substr(0, e));
      v = e == std::string_view::npos ? std::string_view() : v.substr(e);
    }
    if (words.empty()) continue;
    const std::string base = words[0].substr(words[0].rfind('/') + 1);
    const bool graphical = std::any_of(std::begin(kGraphicalEditors), std::end(kGraphicalEditors),
                                       [&](const char* g) { return base == g; });
    if (graphical && OnPath(words[0], env)) {
      argv = std::move(words);
      break;
    }
  }
  if (argv.empty()) {
    for (const char* editor : kGraphicalEditors) {
      if (OnPath(editor, env)) {
        argv.emplace_back(editor);
        break;
      }
    }
  }
  if (argv.empty()) return argv;
  argv.push_back(path);
  return argv;
}

}  // namespace kaplo
