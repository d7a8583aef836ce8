// What the folder tree tab does with a chosen file: how it previews it, how
// much of it it reads, and which program opens it.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kaplo {

enum class PreviewType { kNone, kText, kImage, kHtml, kMht, kSwf };

// By the lower-case extension of the name.
PreviewType PreviewTypeOf(std::string_view file_name);
// The file type label the tab shows: "Text", "Image", "html", "mht", "swf" or "".
std::string_view PreviewTypeLabel(PreviewType type);

// A text file read for the source view, at most cap bytes of it.
struct PreviewText {
  bool ok = false;
  bool truncated = false;  // the file is longer than cap
  std::string bytes;
};
inline constexpr std::size_t kPreviewCap = std::size_t{16} << 20;
PreviewText ReadPreviewText(const std::string& path, std::size_t cap = kPreviewCap);

// Double-click opens these in the text editor, others with their program:
// the lower-case extension contains ".txt", ".css", ".js", ".rss", ".rdf" or ".xml".
bool OpensInTextEditor(std::string_view file_name);

// The text editor as an argument list ending with path: $VISUAL or $EDITOR
// split at spaces when they name a graphical editor, else the first editor
// found on PATH; nothing when there is none (the caller falls back to the
// file's associated program). No shell ever sees the path.
std::vector<std::string> TextEditorCommand(
    const std::string& path,
    const std::function<const char*(const char*)>& env = [](const char* n) { return std::getenv(n); });

}  // namespace kaplo
