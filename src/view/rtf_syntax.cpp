#include "view/rtf_syntax.h"

namespace kaplo {
namespace {

std::string_view CharsetWord(int charset) {
  switch (charset) {
    case 0: return "fcharset0";
    case 1: return "fcharset1";
    case 2: return "fcharset2";
    case 128: return "fcharset128";
    case 255: return "fcharset255";
    default: return "";
  }
}

std::string_view FamilyWord(int pitch_and_family) {
  switch (pitch_and_family & 0xF0) {
    case 0x00: return "fdontcare";
    case 0x10: return "froman";
    case 0x20: return "fswiss";
    case 0x30: return "fmodern";
    case 0x40: return "fscript";
    case 0x50: return "fdecorative";
    default: return "froman";
  }
}

void AppendDecimal(std::string& out, int n) {
  char buf[16];
  char* end = buf + sizeof buf;
  char* p = end;
  const bool negative = n < 0;
  unsigned v = negative ? 0u - static_cast<unsigned>(n) : static_cast<unsigned>(n);
  do {
    *--p = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  if (negative) *--p = '-';
  out.append(p, end);
}

}  // namespace

TRtfSyntax::TRtfSyntax() {
  code_page_ = 1252;
  const RtfFont courier{"Courier New", 0, 0x30};
  SetFonts(std::span<const RtfFont>(&courier, 1));
  header_ = "{\\rtf1\\ansi\\ansicpg" + std::to_string(code_page_) + "\\deff0\\deftab720{\\fonttbl";
  font_table_end_ = "}\r\n";
  document_defaults_ = "\\deflang1033\\pard\\plain\\f0\\fs20";
}

void TRtfSyntax::PrepareToken(std::string&) {}

void TRtfSyntax::FormatToken(int kind, std::string_view token, std::string& piece) {
  piece.clear();
  piece.append("\\cf", 3);
  if (kind >= 0 && kind < 10) {
    piece.push_back(static_cast<char>('0' + kind));
  } else {
    AppendDecimal(piece, kind);
  }
  piece.push_back(' ');
  piece.append(token);
}

void TRtfSyntax::Next() {}
bool TRtfSyntax::AtEnd() { return true; }
std::string_view TRtfSyntax::GetToken() { return {}; }
int TRtfSyntax::GetTokenKind() { return 0; }
void TRtfSyntax::SetLine(std::string_view, int) {}
void TRtfSyntax::SetText(std::string_view text) { SetLine(text, 1); }
void TRtfSyntax::SetAlternateColors() {}

RtfColor TRtfSyntax::ResolveSystemColor(RtfColor color) {
  // The system colours by their index (the low byte of the constant), as
  // the standard desktop scheme paints them, 0x00BBGGRR.
  static constexpr RtfColor kScheme[] = {
      0xC8C8C8,  // scroll bar
      0x000000,  // desktop
      0xD1B499,  // active caption
      0xDBCDBF,  // inactive caption
      0xF0F0F0,  // menu
      0xFFFFFF,  // window
      0x646464,  // window frame
      0x000000,  // menu text
      0x000000,  // window text
      0x000000,  // caption text
      0xB4B4B4,  // active border
      0xFCF7F4,  // inactive border
      0xABABAB,  // application workspace
      0xD77800,  // highlight
      0xFFFFFF,  // highlight text
      0xF0F0F0,  // button face
      0xA0A0A0,  // button shadow
      0x6D6D6D,  // grey text
      0x000000,  // button text
      0x000000,  // inactive caption text
      0xFFFFFF,  // button highlight
      0x696969,  // 3D dark shadow
      0xE3E3E3,  // 3D light
      0x000000,  // info text
      0xE1FFFF,  // info background
      0x000000,  // (none)
      0xCC6600,  // hot light
      0xEAD1B9,  // gradient active caption
      0xF2E4D7,  // gradient inactive caption
      0xD77800,  // menu highlight
      0xF0F0F0,  // menu bar
  };
  const auto index = static_cast<std::uint32_t>(color) & 0xFFu;
  return index < std::size(kScheme) ? kScheme[index] : 0;
}

std::string TRtfSyntax::ColorToRtf(RtfColor color) {
  const RtfColor rgb = color < 0 ? ResolveSystemColor(color) : color;
  std::string entry = "\\red";
  AppendDecimal(entry, rgb & 0xFF);
  entry += "\\green";
  AppendDecimal(entry, (rgb >> 8) & 0xFF);
  entry += "\\blue";
  AppendDecimal(entry, (rgb >> 16) & 0xFF);
  entry += ';';
  return entry;
}

void TRtfSyntax::SetColors(std::span<const RtfColor> colors) {
  color_table_ = "{\\colortbl\\red0\\green0\\blue0;";
  for (RtfColor c : colors) color_table_ += ColorToRtf(c);
  color_table_ += "}\r\n";
}

void TRtfSyntax::SetFonts(std::span<const RtfFont> fonts) {
  font_table_.clear();
  for (std::size_t n = 0; n < fonts.size(); ++n) {
    font_table_ += "{\\f";
    AppendDecimal(font_table_, static_cast<int>(n));
    font_table_ += '\\';
    font_table_ += FamilyWord(fonts[n].pitch_and_family);
    font_table_ += '\\';
    font_table_ += CharsetWord(fonts[n].charset);
    font_table_ += ' ';
    font_table_ += fonts[n].name;
    font_table_ += ";}";
  }
}

void TRtfSyntax::WriteDocumentStart(std::string& out) const {
  out += header_;
  out += font_table_;
  out += font_table_end_;
  out += color_table_;
  out += document_defaults_;
  out += "\\f0 ";
}

void TRtfSyntax::WriteDocumentEnd(std::string& out) { out += "\\par }"; }

void TRtfSyntax::SaveToStream(std::string& out) { SaveThroughHooks(out); }

void TRtfSyntax::SaveThroughHooks(std::string& out) {
  WriteDocumentStart(out);
  std::string token, piece;
  while (!AtEnd()) {
    token.assign(GetToken());
    const int kind = GetTokenKind();
    PrepareToken(token);
    FormatToken(kind, token, piece);
    if (token == "\r\n" || token == "\r") out += "\\par ";
    out += piece;
    Next();
  }
  WriteDocumentEnd(out);
}

std::string TRtfSyntax::AsRtf() {
  std::string out;
  SaveToStream(out);
  return out;
}

}  // namespace kaplo
