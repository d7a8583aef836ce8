// The URL codecs, path and redirect operations and the web code conversions
// on any bytes: no crash, no read past the end, and safe paths that never
// climb.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/urlcode.h"
#include "text/webcode.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// No empty, "." or ".." part between separators, no NUL.
bool ClimbsNowhere(std::string_view path) {
  if (path.find('\0') != std::string_view::npos) return false;
  std::size_t i = path.empty() || path[0] != '/' ? 0 : 1;
  while (i < path.size()) {
    std::size_t e = path.find('/', i);
    if (e == std::string_view::npos) e = path.size();
    const std::string_view part = path.substr(i, e - i);
    if (part.empty() && e < path.size()) return false;
    if (part == "." || part == "..") return false;
    i = e + 1;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kaplo;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (int code = -1; code <= kWebCodeCount; ++code) {
    WebCodeDecode(text, code);
    WebCodeEncode(text, code);
    // Every byte is read: after any input, a marker behind line ends and a
    // return to ASCII comes out (Base64 has no characters to lose).
    if (code != kWebCodeBase64) {
      ConversionStats stats;
      Check(WebCodeDecode(std::string(text) + "\n\n\n\x1b(BEND", code, stats).ends_with("END"));
    }
  }
  for (int code = -1; code <= kUrlDecodeBase64 + 1; ++code) {
    Check(ClimbsNowhere(UrlToSafePath(DecodeUrlForPath(text, code))));
  }
  UrlEncodeBytes(text);
  DecodeUtf8Url(text);
  DecodeSearchRedirect(text);
  IsPageLink(text);
  IsUrlStatusText(text);
  IsPathFitForFileSystem(text);

  const std::string safe = UrlToSafePath(text);
  Check(ClimbsNowhere(safe));
  Check(UrlToSafePath("/save:folder+", text).starts_with("/save:folder+"));
  if (text.find('\0') == std::string_view::npos) {
    Check(Base64Decode(Base64Encode(text)) == text);
  }
  return 0;
}
