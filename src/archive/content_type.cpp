// The content type of a saved file, for its data: address.
#include <array>
#include <string>
#include <string_view>

#include "archive/inline_page.h"
#include "text/sjis.h"

namespace kaplo {
namespace {

std::string_view BySignature(std::string_view head) {
  const struct {
    std::string_view magic;
    std::string_view type;
  } kMagic[] = {
      {"\x89PNG\r\n\x1a\n", "image/png"},
      {"GIF87a", "image/gif"},
      {"GIF89a", "image/gif"},
      {"\xFF\xD8\xFF", "image/jpeg"},
      {"BM", "image/bmp"},
      {std::string_view("\0\0\1\0", 4), "image/x-icon"},
      {"wOFF", "font/woff"},
      {"wOF2", "font/woff2"},
      {"OTTO", "font/otf"},
      {std::string_view("\0\1\0\0", 4), "font/ttf"},
      {"true", "font/ttf"},
  };
  for (const auto& m : kMagic) {
    if (head.starts_with(m.magic)) return m.type;
  }
  if (head.size() >= 12 && head.starts_with("RIFF") && head.substr(8, 4) == "WEBP") {
    return "image/webp";
  }
  if (head.size() >= 12 && head.substr(4, 4) == "ftyp") {
    const std::string_view brand = head.substr(8, 4);
    if (brand == "avif" || brand == "avis") return "image/avif";
  }
  return {};
}

std::string_view ByExtension(std::string_view name) {
  // A query kept in a local name ("x.woff@v=1") is not part of the extension.
  const std::size_t slash = name.rfind('/');
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  name = name.substr(0, name.find('@'));
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  const std::string ext = LowerAscii(name.substr(dot + 1));
  const struct {
    std::string_view ext;
    std::string_view type;
  } kTypes[] = {
      {"png", "image/png"},   {"gif", "image/gif"},         {"jpg", "image/jpeg"},
      {"jpeg", "image/jpeg"}, {"webp", "image/webp"},       {"avif", "image/avif"},
      {"svg", "image/svg+xml"}, {"ico", "image/x-icon"},    {"bmp", "image/bmp"},
      {"woff", "font/woff"},  {"woff2", "font/woff2"},      {"ttf", "font/ttf"},
      {"otf", "font/otf"},    {"eot", "application/vnd.ms-fontobject"},
      {"css", "text/css"},    {"js", "text/javascript"},    {"mjs", "text/javascript"},
      {"json", "application/json"}, {"html", "text/html"},  {"htm", "text/html"},
      {"mp4", "video/mp4"},   {"webm", "video/webm"},       {"mp3", "audio/mpeg"},
      {"ogg", "audio/ogg"},   {"wav", "audio/wav"},         {"vtt", "text/vtt"},
      {"txt", "text/plain"},  {"xml", "application/xml"},
  };
  for (const auto& t : kTypes) {
    if (ext == t.ext) return t.type;
  }
  return {};
}

}  // namespace

std::string ContentTypeOf(std::string_view file_name, std::string_view head) {
  if (const std::string_view t = BySignature(head); !t.empty()) return std::string(t);
  if (const std::string_view t = ByExtension(file_name); !t.empty()) return std::string(t);
  // An SVG image saved under a name that does not say so.
  const std::string start = LowerAscii(head.substr(0, 256));
  if (start.find("<svg") != std::string::npos) return "image/svg+xml";
  return "application/octet-stream";
}

}  // namespace kaplo
