// Characters Shift_JIS cannot hold, written so that a browser still reads
// them: a numeric character reference in markup, the language's own escape in
// scripts and styles.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/convert.h"

namespace kaplo {

// A reference ("&#x2014;") a conversion to Shift_JIS wrote.
struct WrittenReference {
  std::size_t at;      // offset of its "&" in the converted text
  std::size_t length;  // its bytes
  char32_t cp;
};

// Rewrites the references a conversion wrote (refs, in increasing order) in
// the form their place reads, as `how` says:
// - CharRef, SavedPage (an HTML text): kept in markup, attribute values,
//   titles, text areas and comments; in a script "\u2014" (strings, regular
//   expressions and comments; surrogate pairs beyond U+FFFF), "\u{20BB7}" in
//   names, a space or a line end for white space; in a style "\2014 ".
//   Where none of these reads back (tag and attribute names, <xmp>,
//   <plaintext>, script data blocks of other types) the reference stays and
//   is counted in stats.formless; with SavedPage it becomes a mark that
//   RestoreOwnCode turns back into the character (source_code: kCharsetUtf8
//   or kCharsetEucJp, the code the page is then kept in).
// - StyleEscape: a stylesheet, "\2014 " everywhere.
// - ScriptEscape: a script, as in a script element.
// The bytes of the text: Shift_JIS, or a code whose ASCII bytes are always
// characters of their own (EUC-JP, UTF-8).
enum class TextBytes { kShiftJis, kAsciiSafe };
std::string EscapeWrittenReferences(std::string_view text, const std::vector<WrittenReference>& refs,
                                    Unmappable how, int source_code, ConversionStats& stats,
                                    TextBytes bytes = TextBytes::kShiftJis);

// The charset a saved page is written in: "Shift_JIS", or the page's own
// code when it holds marks of characters no form of Shift_JIS carries.
std::string_view SavedPageCharset(std::string_view page);
// The page in that charset, each mark made its character again; a page
// without marks unchanged.
std::string RestoreOwnCode(std::string_view page);
// A saved page read back as the program holds texts: one kept in its own
// code (it declares UTF-8 or EUC-JP) is made Shift_JIS again, with marks;
// any other unchanged.
std::string SavedPageToShiftJIS(std::string_view page);
// Shift_JIS that may hold such marks as UTF-8, each mark its character.
std::string MarkedShiftJISToUtf8(std::string_view sjis);

}  // namespace kaplo
