#include "view/html_rtf.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kaplo {
namespace {

// The bytes RTF escapes with a backslash.
constexpr std::array<bool, 256> kEscaped = [] {
  std::array<bool, 256> set{};
  set['\\'] = set['{'] = set['}'] = true;
  return set;
}();

}  // namespace

THtmlRtf::THtmlRtf() { SetColors(kHtmlDefaultPalette); }

void THtmlRtf::PrepareToken(std::string& token) {
  std::size_t specials = 0;
  for (char c : token) specials += kEscaped[static_cast<unsigned char>(c)];
  if (specials == 0) return;
  std::string escaped;
  escaped.reserve(token.size() + specials);
  for (char c : token) {
    if (kEscaped[static_cast<unsigned char>(c)]) escaped.push_back('\\');
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

// Writes straight into out what PrepareToken and FormatToken would make of
// each token: the colour tests give the same answer on the raw token, and
// the escapes are added while copying.
void THtmlRtf::SaveToStream(std::string& out) {
  WriteDocumentStart(out);
  std::size_t used = out.size();
  for (; !tokenizer_.AtEnd(); tokenizer_.Next()) {
    const std::string_view token = tokenizer_.Token();
    // "\par \cf" + two digits + blank, and every byte possibly escaped.
    const std::size_t need = 16 + 2 * token.size();
    if (out.size() - used < need) out.resize(std::max(out.size() * 2, used + need));
    char* w = out.data() + used;
    if ((token.size() == 2 && token[0] == '\r' && token[1] == '\n') ||
        (token.size() == 1 && token[0] == '\r')) {
      std::memcpy(w, "\\par ", 5);
      w += 5;
    }
    const int color = HtmlDisplayColorIndex(tokenizer_.ColorIndex(), token);
    *w++ = '\\';
    *w++ = 'c';
    *w++ = 'f';
    if (color >= 10) *w++ = static_cast<char>('0' + color / 10);
    *w++ = static_cast<char>('0' + color % 10);
    *w++ = ' ';
    for (const char c : token) {
      if (kEscaped[static_cast<unsigned char>(c)]) *w++ = '\\';
      *w++ = c;
    }
    used = static_cast<std::size_t>(w - out.data());
  }
  out.resize(used);
  WriteDocumentEnd(out);
}

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
