// Character set detection, conversion to Shift_JIS and declaration rewriting.
#pragma once

#include <string>
#include <string_view>

#include "text/convert.h"

namespace kaplo {

// The item index of every character code radio group, passed on unchanged.
enum CharsetCode : int {
  kCharsetAuto = 0,
  kCharsetEucJp = 1,
  kCharsetUtf8 = 2,
  kCharsetShiftJis = 3,
  kCharsetIso2022Jp = 4,
  kCharsetUtf8N = 5,
};

// The radio label of a code ("自動", "EUC-JP", ...) in UTF-8; empty when out of range.
std::string_view CharsetNameUtf8(int code);

// CRLF to LF, LF LF to LF, LF to CRLF: pairs of line ends squash to one.
std::string SquashLineBreaks(std::string_view text);
// CRLF to LF, CR to LF, LF to CRLF: every line end becomes CRLF.
std::string NormaliseLineBreaks(std::string_view text);

int DetectDeclaredCharset(std::string_view html);
// The charset parameter of an HTTP Content-Type as a code: EUC-JP 1, UTF-8 2,
// Shift_JIS 3 (also x-sjis, windows-31j, cp932), ISO-2022-JP 4; 0 for none
// or any other.
int CharsetFromContentType(std::string_view content_type);
// A charset name (any letter case; "shift_jis", "x-sjis", "cp932", "euc-jp",
// "iso-2022-jp", "utf-8" and their aliases) as a code; 0 for any other.
int CharsetOfName(std::string_view name);
// The name declarations give a code: "Shift_JIS" (also for 0 and 3),
// "EUC-JP", "UTF-8" (2 and 5), "ISO-2022-JP".
std::string_view DeclarationName(int code);
// Every charset declaration of a text made to name the code: the charset of
// each meta tag (its charset attribute, the charset in its content), the
// encoding of an XML declaration and an @charset rule that open the text.
// A declaration that names the code already (in any spelling) is kept.
// The text may be Shift_JIS, UTF-8 or EUC-JP.
std::string RewriteDeclarations(std::string_view text, int code);

enum class LineEndStyle { kKeep, kCrLf, kLf };
struct TextConversion {
  int from = kCharsetAuto;  // 0: the code DecideCharset finds
  int to = kCharsetUtf8;    // 0 and 3 Shift_JIS, 2 and 5 UTF-8
  Unmappable unmappable = Unmappable::Question;
  LineEndStyle line_ends = LineEndStyle::kKeep;
  bool declarations = true;  // rewrite them to name the target
};
// A text from one code to another as browsers read both: every byte but
// those of changed characters and declarations kept, line ends included
// (unless asked otherwise); a UTF-8 byte-order mark dropped when the target
// is another code. Neither text passes through Shift_JIS unless one of them
// is Shift_JIS or ISO-2022-JP, so UTF-8 and EUC-JP keep JIS X 0212. ISO-2022-JP
// is written with ESC ( B. What the target cannot hold is counted.
std::string ConvertText(std::string_view text, const TextConversion& conversion,
                        ConversionStats& stats);

// The code a fetched page is read in when the user chose `chosen`: that code
// unless it is 0 (automatic); else the code the page declares; 0 when only
// the head detection of AnyCodeToShiftJIS recognises its declaration; else
// the charset of the response's Content-Type; else 0 (the head detection).
// A declaration inside the text thus always wins over the HTTP header.
int PageReadingCode(std::string_view text, int chosen, std::string_view content_type = {});
// The same for stylesheets, scripts and single files, which are read by the
// head detection alone unless a code is chosen: the Content-Type decides
// only when that detection finds no declaration.
int TextReadingCode(std::string_view text, int chosen, std::string_view content_type = {});
// Where the code a text is read in comes from.
enum class CharsetSource {
  kText,    // a declaration in the text
  kHeader,  // the charset of the HTTP Content-Type
  kBytes,   // the bytes themselves (DetectCharsetFromBytes)
};
struct CharsetDecision {
  int code;
  CharsetSource source;
};
// The code a text that the user left on automatic is read in, in the order
// the reading routes take: a declaration in the text (DetectDeclaredCharset,
// then the head detection's forms, then unquoted or single-quoted ones in the
// head), the Content-Type, the bytes. Never 0.
CharsetDecision DecideCharset(std::string_view text, std::string_view content_type = {});

// Characters with no Shift_JIS form on the UTF-8 routes become "?" or, for
// HTML pages that must keep every character, numeric references. Under code
// 0 a text that declares nothing is read in the code its bytes show.
std::string AnyCodeToShiftJIS(std::string_view text, int code,
                              Unmappable unmappable = Unmappable::Question);
// The same, counting what could not be carried over as it was.
std::string AnyCodeToShiftJIS(std::string_view text, int code, Unmappable unmappable,
                              ConversionStats& stats);
// A page read in `code` (see PageReadingCode): converted, characters with no
// Shift_JIS form kept as references, quoted charset names made Shift_JIS.
// The HTML normaliser comes next.
std::string PageToShiftJIS(std::string_view text, int code);
// The as-fetched copy of a page: read in `code` as AnyCodeToShiftJIS reads
// it, but with its lines and blank lines kept, every line end CR LF, and its
// charset declarations naming Shift_JIS, so the copy is valid Shift_JIS that
// still reads as the page did.
std::string AsFetchedToShiftJIS(std::string_view text, int code,
                                Unmappable unmappable = Unmappable::Question);
// A text read in `code` as AnyCodeToShiftJIS reads it, but with every line,
// blank lines included, kept (each ending CR LF) and nothing else changed:
// the text of a page, stylesheet or script that is saved.
std::string ToShiftJISKeepingText(std::string_view text, int code,
                                  Unmappable unmappable = Unmappable::Question);
// Whether a text is an HTML page: a doctype, <html, <head or <body in its
// first kilobyte. Pages keep the characters Shift_JIS lacks as references.
bool LooksLikeHtml(std::string_view text);

// A Content-Type charset reads the text when it declares nothing itself.
std::string NormaliseCharsetToShiftJIS(std::string_view text,
                                       Unmappable unmappable = Unmappable::Question,
                                       std::string_view content_type = {});
std::string RewriteCharsetDeclToShiftJIS(std::string_view text);
std::string RewriteQuotedCharsetToShiftJIS(std::string_view text);
std::string RewriteEncodingDeclToShiftJIS(std::string_view text);
std::string RewriteCharsetDeclForSave(std::string_view text, int code);
std::string ConvertShiftJISForSave(std::string_view text, int code);

}  // namespace kaplo
