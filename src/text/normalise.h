// The HTML source normaliser: a fixed pipeline of text replacements, not a
// parser. It tidies pages before they are saved or shown: blank lines go, tabs
// become blanks, encoding declarations name Shift_JIS, known tag and attribute
// names are lower-cased and block-level tags start lines of their own.
#pragma once

#include <string>
#include <string_view>

namespace kaplo {

// The whole pipeline. The result has CRLF line ends and no blank lines.
std::string NormaliseHtml(std::string_view text);
// Only the line breaks between block-level tags; no other change.
std::string BreakHtmlLines(std::string_view text);
// Deletes the openers of a fixed list of attributes (alt=", width=, ...) and
// whole <form ...> start tags, for a copy of a page that is searched for
// references.
std::string StripAttributeOpeners(std::string_view text);

}  // namespace kaplo
