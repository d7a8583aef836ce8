// Colour lists of stylesheet panes: every "#..." colour value written after
// a colon, with the selector of its rule, or as a sorted list of distinct
// values; and how each entry is painted and searched for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kaplo {

// Width a colour value is padded to with blanks in a list entry.
inline constexpr std::size_t kCssColorWidth = 12;

// The list entries of text: "value + blank + selector" in text order, or in
// sorted mode the distinct values (ASCII case ignored, first one kept) in
// ascending order. Empty when the text has no colour after a colon.
std::vector<std::string> ExtractCssColors(std::string_view text, bool sorted);

// The list a pane's "create colour list" shows: comments and the script
// string "\"}\"" are taken out first, then ExtractCssColors.
std::vector<std::string> CreateCssColorList(std::string_view text, bool sorted);

// The colour (0x00BBGGRR) of a value such as "#c00": up to six hex digits,
// padded on the left with zeros ("fff" is 0x000fff, not white); -1 for an
// empty value.
std::int32_t ColorFromCss(std::string_view value);

// The colour (0x00BBGGRR) a value stands for in CSS, for a swatch: "#fff" is
// white and "#c00" is #cc0000; four and eight digits give their colour
// without the alpha. Other values as ColorFromCss.
std::int32_t CssSwatchColor(std::string_view value);

struct CssColorPaint {
  bool draw = false;         // false for an entry with no value
  std::int32_t background = 0xFFFFFF;
  std::int32_t text = 0x000000;
};

// How a list entry is painted: on its own colour as CSS reads it, with blue,
// red or yellow text by how large its number is; an entry that is no colour
// black on white.
CssColorPaint PaintCssColorEntry(std::string_view entry);

struct CssColorClick {
  std::string color;     // the value, lower case
  std::string keywords;  // what goes into the pane's keyword input
};

// What a click on an entry puts into the colour box and the keyword input:
// the selector with its commas as blanks, or the colour when there is no
// selector. Nothing for an entry without a blank; the search runs anyway.
std::optional<CssColorClick> ClickCssColorEntry(std::string_view entry);

}  // namespace kaplo
