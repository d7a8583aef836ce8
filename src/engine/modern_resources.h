// Where modern pages keep the addresses of what they display, beyond the
// places the stylesheet and image collection reads: responsive images
// (srcset of img and of picture > source, every candidate), lazy loading
// (data-src, data-srcset, data-original), video posters, icons, preloads and
// the manifest (<link rel=...>), url() and image-set() in style attributes and
// <style> blocks, and the fonts of @font-face rules in stylesheets.
//
// This is a step of its own beside the ordered replacements of the page: the
// page and each stylesheet are scanned with the pattern table below, what is
// found joins the image list (fetched, marked and reported like any image),
// and the references are pointed at the local files before the ordered
// replacements run, as relative paths those replacements leave alone.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kaplo {

enum class ModernKind { kImage, kFont, kFile };

// One row of the pattern table: an attribute of an element and how its value
// holds addresses.
struct ModernPattern {
  enum class Value {
    kAddress,     // the whole value is one address
    kCandidates,  // "address descriptor, address descriptor, ..." (srcset)
    kCss,         // CSS: url(...) and image-set(...)
  };
  std::string_view element;    // lower case; "*" for any element
  std::string_view attribute;  // lower case
  Value value;
  // For <link>: the rel keywords the row applies to (blank separated);
  // empty for other elements.
  std::string_view rel;
  ModernKind kind;
};

// The table, in the order it is applied.
extern const std::vector<ModernPattern> kModernPagePatterns;

// One address found in a text.
struct ModernReference {
  std::size_t begin = 0, end = 0;  // where it stands in the scanned text
  std::string address;             // as written, "&amp;" read as "&"
  ModernKind kind = ModernKind::kImage;
};

// Every address of the pattern table in an HTML page, and every url() and
// image-set() address of its <style> blocks, in text order. data:, blob:,
// javascript: and fragment-only addresses are not listed.
std::vector<ModernReference> FindModernPageReferences(std::string_view page);

// Every url() and image-set() address of a stylesheet (fonts of @font-face
// rules are kFont), in text order.
std::vector<ModernReference> FindStylesheetReferences(std::string_view css);

// The text with each reference replaced by what local_of answers for it; a
// reference it answers with an empty text stays as written.
std::string RewriteReferences(std::string_view text, const std::vector<ModernReference>& refs,
                              const std::function<std::string(const ModernReference&)>& local_of);

// The path of file as seen from the folder from_folder (both absolute, "/"
// separated): "../img/a.png".
std::string RelativePath(std::string_view from_folder, std::string_view file);

}  // namespace kaplo
