// THtmlRtf: the HTML tokenizer plugged into the RTF engine, with the
// palettes of the source views and RTF escaping of "\", "{" and "}".
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "view/html_tokenizer.h"
#include "view/rtf_syntax.h"

namespace kaplo {

// Colour-table entries 1 to 11 (entry 0 is black), indexed by entry - 1.
inline constexpr std::array<RtfColor, 11> kHtmlDefaultPalette = {
    0x008000, 0x000080, 0x0000FF, 0x0000FF, 0xFF0000, 0x008000,
    0xFF00FF, 0xFF0000, 0x0000FF, 0x000000, 0x000000};
inline constexpr std::array<RtfColor, 11> kHtmlAlternatePalette = {
    0x008000, 0x000080, 0x000000, 0xFF0000, 0x000000, 0x008000,
    0xFF0000, 0x000000, 0x0000FF, 0x000000, 0x000000};

class THtmlRtf final : public TRtfSyntax {
 public:
  THtmlRtf();

  void PrepareToken(std::string& token) override;
  void FormatToken(int kind, std::string_view token, std::string& piece) override;
  void Next() override { tokenizer_.Next(); }
  bool AtEnd() override { return tokenizer_.AtEnd(); }
  std::string_view GetToken() override { return tokenizer_.Token(); }
  int GetTokenKind() override { return tokenizer_.ColorIndex(); }
  void SetLine(std::string_view text, int line_number) override;
  void SaveToStream(std::string& out) override;
  void SetAlternateColors() override;

  int LineNumber() const { return line_number_; }

 private:
  HtmlTokenizer tokenizer_;
  int line_number_ = 0;
};

// The RTF of an HTML (or CSS, JavaScript) text as a source view shows it.
std::string HtmlToRtf(std::string_view text, bool alternate_colors = false);

}  // namespace kaplo
