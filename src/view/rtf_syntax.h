// TRtfSyntax: plain text to RTF in which every token is preceded by a colour
// switch. The class owns the framing (header, font and colour tables,
// paragraph breaks) and the conversion loop; a subclass supplies the
// tokenizer and the colours. Bytes pass through unchanged (Shift_JIS
// included): the document says code page 1252 whatever the bytes are.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kaplo {

// 0x00BBGGRR: red in the low byte. Negative values name system colours.
using RtfColor = std::int32_t;

// A font of the font table with the two metrics the table needs.
struct RtfFont {
  std::string name;
  int charset = 0;          // 0, 1, 2, 128 and 255 have an RTF word
  int pitch_and_family = 0; // the high nibble picks the family word
};

class TRtfSyntax {
 public:
  TRtfSyntax();
  virtual ~TRtfSyntax() = default;
  TRtfSyntax(const TRtfSyntax&) = delete;
  TRtfSyntax& operator=(const TRtfSyntax&) = delete;

  // The tokenizer a subclass provides. GetToken's view stays valid until Next.
  virtual void PrepareToken(std::string& token);
  virtual void FormatToken(int kind, std::string_view token, std::string& piece);
  virtual void Next();
  virtual bool AtEnd();
  virtual std::string_view GetToken();
  virtual int GetTokenKind();

  virtual std::string ColorToRtf(RtfColor color);
  virtual void SetLine(std::string_view text, int line_number);
  // The text must stay alive until the conversion has run.
  virtual void SetText(std::string_view text);
  // Each call replaces the table; an empty span leaves it empty.
  virtual void SetFonts(std::span<const RtfFont> fonts);
  virtual void SetColors(std::span<const RtfColor> colors);
  // Appends the whole document to out.
  virtual void SaveToStream(std::string& out);
  // The conversion loop through the hooks above, token by token; what
  // SaveToStream does unless a subclass writes the same bytes faster.
  void SaveThroughHooks(std::string& out);
  virtual std::string AsRtf();
  virtual void SetAlternateColors();

  const std::string& ColorTable() const { return color_table_; }
  const std::string& FontTable() const { return font_table_; }

 protected:
  // A system colour (a negative value: 0x80000000 + its index) as the
  // standard desktop colour scheme paints it.
  virtual RtfColor ResolveSystemColor(RtfColor color);
  // The framing around the tokens: everything before the first token, and
  // the end of the document.
  void WriteDocumentStart(std::string& out) const;
  static void WriteDocumentEnd(std::string& out);

 private:
  std::string header_;
  std::string font_table_end_;
  std::string document_defaults_;
  std::string color_table_;
  std::string font_table_;
  int code_page_ = 1252;
};

}  // namespace kaplo
