// Any bytes: the tokens give the text back, the fast RTF writer agrees with
// the token-by-token loop, and the document is always closed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "view/html_rtf.h"
#include "view/html_tokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A copy of exactly size bytes, so that ASan sees any read past the end.
  std::string text(reinterpret_cast<const char*>(data), size);
  text.shrink_to_fit();
  const std::string_view view(text.data(), size);

  std::string joined;
  std::size_t tokens = 0, empty_run = 0;
  kaplo::HtmlTokenizer t;
  for (t.SetText(view); !t.AtEnd(); t.Next()) {
    if (t.TokenStart() != joined.size()) std::abort();
    joined += t.Token();
    empty_run = t.TokenLength() == 0 ? empty_run + 1 : 0;
    if (empty_run > 2 || ++tokens > 3 * size + 3) std::abort();
  }
  if (joined != view) std::abort();

  kaplo::THtmlRtf fast, hooks;
  fast.SetText(view);
  hooks.SetText(view);
  std::string a, b;
  fast.SaveToStream(a);
  hooks.SaveThroughHooks(b);
  if (a != b || a.size() < 6 || a.compare(a.size() - 6, 6, "\\par }") != 0) std::abort();
  return 0;
}
