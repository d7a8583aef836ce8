#include "view/html_rtf.h"

namespace kaplo {

THtmlRtf::THtmlRtf() { SetColors(kHtmlDefaultPalette); }

void THtmlRtf::PrepareToken(std::string& token) {
  std::size_t specials = 0;
  for (char c : token) specials += (c == '\\' || c == '{' || c == '}');
  if (specials == 0) return;
  std::string escaped;
  escaped.reserve(token.size() + specials);
  for (char c : token) {
    if (c == '\\' || c == '{' || c == '}') escaped.push_back('\\');
    escaped.push_back(c);
  }
  token.swap(escaped);
}

void THtmlRtf::FormatToken(int kind, std::string_view token, std::string& piece) {
  TRtfSyntax::FormatToken(HtmlDisplayColorIndex(kind, token), token, piece);
}

void THtmlRtf::SetLine(std::string_view text, int line_number) {
  line_number_ = line_number;
  tokenizer_.SetText(text);
}

void THtmlRtf::SaveToStream(std::string& out) { Convert(*this, out); }

void THtmlRtf::SetAlternateColors() { SetColors(kHtmlAlternatePalette); }

std::string HtmlToRtf(std::string_view text, bool alternate_colors) {
  THtmlRtf rtf;
  if (alternate_colors) rtf.SetAlternateColors();
  rtf.SetText(text);
  std::string out;
  out.reserve(text.size() * 3 + 512);
  rtf.SaveToStream(out);
  return out;
}

}  // namespace kaplo
