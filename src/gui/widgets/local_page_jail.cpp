#include "gui/widgets/local_page_jail.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "engine/url.h"

namespace kaplo::gui {
namespace {

bool IsWithin(const QString& path, const QString& folder) {
  return path == folder ||
         path.startsWith(folder.endsWith(QLatin1Char('/')) ? folder : folder + '/');
}

QString Canonical(const QString& path) {
  const QString c = QFileInfo(path).canonicalFilePath();
  return c.isEmpty() ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : c;
}

// A folder that holds more than saved pages: "/" and the folders straight
// below it, every user's home and /home's folders, and the folders above them.
bool TooWide(const QString& folder) {
  if (folder.count(QLatin1Char('/')) < 2) return true;
  QStringList homes;
  setpwent();
  while (const passwd* pw = getpwent()) {
    if (pw->pw_dir && *pw->pw_dir) homes << Canonical(QString::fromLocal8Bit(pw->pw_dir));
  }
  endpwent();
  for (const QFileInfo& home :
       QDir(QStringLiteral("/home"))
           .entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
    homes << Canonical(home.absoluteFilePath());
  }
  if (const char* home = std::getenv("HOME"); home && *home) {
    homes << Canonical(QString::fromLocal8Bit(home));
  }
  for (const QString& home : homes) {
    if (IsWithin(home, folder)) return true;
  }
  return false;
}

// The address in the "saved from" mark the download writes above <head>.
std::string SavedFromAddress(const QString& file) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray head = f.read(256 * 1024);
  static const QByteArray open = "<!-- saved from \"";
  static const QByteArray close = "\" by NOLDA-KAPLO -->";
  const qsizetype start = head.indexOf(open);
  if (start < 0) return {};
  const qsizetype from = start + open.size();
  const qsizetype end = head.indexOf(close, from);
  const qsizetype line_end = head.indexOf('\n', from);
  if (end < 0 || (line_end >= 0 && line_end < end)) return {};
  return head.mid(from, end - from).toStdString();
}

}  // namespace

JailedFile ResolveInJail(const QString& root, const QString& url_path) {
  if (url_path.contains(QChar(0))) return {JailedFile::Outside, root + url_path};
  QStringList parts;
  for (const QString& part : url_path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    if (part == QLatin1String("..")) return {JailedFile::Outside, root + url_path};
    if (part != QLatin1String(".")) parts << part;
  }
  const QString asked = root + '/' + parts.join(QLatin1Char('/'));
  const QByteArray native = QFile::encodeName(asked);
  struct stat st {};
  if (lstat(native.constData(), &st) != 0) return {JailedFile::Missing, asked};
  char* real = realpath(native.constData(), nullptr);
  if (!real) return {JailedFile::Missing, asked};
  const QString resolved = QFile::decodeName(real);
  std::free(real);
  if (!IsWithin(resolved, root)) return {JailedFile::Outside, asked};
  if (stat(QFile::encodeName(resolved).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
    return {JailedFile::NotAFile, asked};
  }
  return {JailedFile::File, resolved};
}

std::unique_ptr<QFile> OpenJailedFile(const QString& path) {
  const int fd =
      open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return nullptr;
  }
  auto file = std::make_unique<QFile>();
  if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    close(fd);
    return nullptr;
  }
  return file;
}

QByteArray ContentTypeFor(const QString& path) {
  // What pages need exactly (scripts and stylesheets are refused under a
  // wrong type); the system's table for the rest.
  static const struct {
    const char* extension;
    const char* type;
  } kTypes[] = {
      {"html", "text/html"},        {"htm", "text/html"},
      {"shtml", "text/html"},       {"xhtml", "application/xhtml+xml"},
      {"css", "text/css"},          {"js", "text/javascript"},
      {"mjs", "text/javascript"},   {"json", "application/json"},
      {"map", "application/json"},  {"txt", "text/plain"},
      {"xml", "text/xml"},          {"svg", "image/svg+xml"},
      {"svgz", "image/svg+xml"},    {"png", "image/png"},
      {"gif", "image/gif"},         {"jpg", "image/jpeg"},
      {"jpeg", "image/jpeg"},       {"jpe", "image/jpeg"},
      {"webp", "image/webp"},       {"avif", "image/avif"},
      {"bmp", "image/bmp"},         {"ico", "image/x-icon"},
      {"cur", "image/x-icon"},      {"woff", "font/woff"},
      {"woff2", "font/woff2"},      {"ttf", "font/ttf"},
      {"otf", "font/otf"},          {"eot", "application/vnd.ms-fontobject"},
      {"wasm", "application/wasm"}, {"mp4", "video/mp4"},
      {"webm", "video/webm"},       {"ogg", "audio/ogg"},
      {"mp3", "audio/mpeg"},        {"wav", "audio/wav"},
      {"pdf", "application/pdf"},   {"swf", "application/x-shockwave-flash"},
  };
  const QString extension = QFileInfo(path).suffix().toLower();
  for (const auto& t : kTypes) {
    if (extension == QLatin1String(t.extension)) return t.type;
  }
  const QMimeType type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
  return type.isDefault() ? QByteArray("application/octet-stream") : type.name().toLatin1();
}

QByteArray SniffedCharset(QByteArrayView head) {
  // A sequence cut at the end of what was read is no fault.
  qsizetype end = head.size();
  for (qsizetype back = 1; back <= 3 && back <= head.size(); ++back) {
    const auto c = static_cast<unsigned char>(head[head.size() - back]);
    if ((c & 0xC0) == 0x80) continue;
    if (c >= 0xC0) end = head.size() - back;
    break;
  }
  const QByteArrayView text = head.first(end);
  const bool ascii = std::all_of(text.begin(), text.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  return !ascii && text.isValidUtf8() ? QByteArray("utf-8") : QByteArray();
}

QString PageRoot(const QString& file) {
  const QString page = Canonical(file);
  const QString folder = QFileInfo(page).path();
  const std::string address = SavedFromAddress(page);
  if (address.empty()) return folder;
  const std::string up = UrlDepthPrefix(address, "");
  QDir dir(folder);
  for (std::size_t i = 0; i + 3 <= up.size() && up.compare(i, 3, "../") == 0; i += 3) {
    if (!dir.cdUp()) return folder;
  }
  const QString root = Canonical(dir.path());
  return root == folder || !TooWide(root) ? root : folder;
}

}  // namespace kaplo::gui
