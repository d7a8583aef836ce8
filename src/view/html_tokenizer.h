// The HTML tokenizer behind the coloured source views.
//
// One scan over a whole text (CSS and JavaScript shown in a source pane go
// through the same rules) cuts it into tokens that, concatenated, give the
// text back. Every token has a kind, and every kind a colour-table entry. Two
// consumers read the same scan: THtmlRtf writes RTF from it, and a view that
// applies character formats itself takes the (offset, length, colour) spans.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kaplo {

enum class HtmlTokenKind : std::uint8_t {
  kEntity = 0,       // "&amp;" and the other entities of the entity list
  kServerBlock = 1,  // "<%" ... "%>", one token per line
  kComment = 2,      // "<!--" ... "-->", one token per line
  kAttrName = 3,     // an attribute name, or a word inside a tag that is no name nor value
  kTagName = 4,      // a tag name of the keyword list
  kEndOfText = 5,
  kBlank = 6,        // white space and line breaks
  kQuoted = 7,       // a double-quoted string inside a tag
  kPunct = 8,        // "<", ">" and "="
  kContent = 9,      // text between tags
  kUnknownTag = 10,  // a tag name not in the keyword list
  kAttrValue = 11,   // the value after "="
};

enum class HtmlScanState : std::uint8_t {
  kEntityPending = 0,
  kInServerBlock = 1,
  kInComment = 2,
  kAfterTagOpen = 3,
  kInsideTag = 4,
  kInContent = 5,
  kAfterEquals = 7,
};

// Colour-table entry of a kind (entry 0 is black; the palette starts at 1).
inline int HtmlKindColorIndex(HtmlTokenKind kind) {
  constexpr int kColor[12] = {11, 1, 2, 3, 4, 11, 5, 6, 7, 8, 9, 10};
  return kColor[static_cast<int>(kind)];
}

// The colour a token is finally drawn with: a token that starts with "//"
// after its blanks is drawn as a comment, and a value in quotes as a quoted
// string, whatever kind the scan gave it.
inline int HtmlDisplayColorIndex(int color_index, std::string_view token) {
  int color = color_index;
  std::size_t i = 0;
  while (i < token.size() && static_cast<unsigned char>(token[i]) <= 32) ++i;
  if (token.size() - i >= 2 && token[i] == '/' && token[i + 1] == '/') color = 2;
  if (color_index == 10 && !token.empty() && token[0] == '"') color = 6;
  return color;
}

// The entity list, in the order the content scan compares it (ASCII case
// ignored), and the tag keyword list (both forms of the closing-tag names).
extern const std::string_view kHtmlEntities[151];
extern const std::string_view kHtmlTagKeywords[198];

class HtmlTokenizer {
 public:
  HtmlTokenizer() = default;
  // Starts on text: scan position 0, and the first token is made current.
  // The scan state carries over from an earlier text, as with one long text.
  // The text must outlive the tokenizer's use of it.
  void SetText(std::string_view text);
  // Makes the following token current.
  void Next();
  // True once the whole text has been handed out. Only the end of the text
  // ends the scan: a NUL byte inside it is a one-byte blank.
  bool AtEnd() const { return kind_ == HtmlTokenKind::kEndOfText; }

  std::size_t TokenStart() const { return token_start_; }
  std::size_t TokenLength() const { return pos_ - token_start_; }
  std::string_view Token() const { return text_.substr(token_start_, pos_ - token_start_); }
  // An empty token (before an entity, or an unnamed tag as in "<?xml")
  // keeps the kind of the token before it.
  HtmlTokenKind Kind() const { return kind_; }
  int ColorIndex() const { return HtmlKindColorIndex(kind_); }
  HtmlScanState State() const { return state_; }

 private:
  unsigned char At(std::size_t i) const {
    return i < text_.size() ? static_cast<unsigned char>(text_[i]) : 0;
  }
  void CharRule();
  void BlankRule();
  void QuotedRule();
  void EntityRule();
  void OpenerRule();
  void WordRule();
  void TagNameRule();
  void BlockRule(HtmlTokenKind kind);
  void ContentRule();
  int MatchEntity(std::size_t at) const;

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t token_start_ = 0;
  int entity_index_ = -1;
  HtmlScanState state_ = HtmlScanState::kEntityPending;
  HtmlTokenKind kind_ = HtmlTokenKind::kEntity;
};

// A coloured stretch of a text, for views that format characters directly.
struct HtmlColorSpan {
  std::size_t offset;
  std::size_t length;
  int color_index;  // entry of the colour table (see THtmlRtf's palettes)
};

// Every non-empty token of text with the colour it is drawn with.
std::vector<HtmlColorSpan> HtmlColorSpans(std::string_view text);

}  // namespace kaplo
