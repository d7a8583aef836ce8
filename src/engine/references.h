// Where a page and a stylesheet name other files: the values of the
// attributes that hold addresses, url() and @import in styles. Found by one
// pass over the markup that knows tags, attributes, quotes, comments and the
// elements whose content is not markup (script, style, textarea...), so text,
// code samples, comments and script code are never taken for addresses; only
// markup that a script writes from a string is read as markup.
// Texts are Shift_JIS; positions are byte offsets into the scanned text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kaplo {

// What a reference asks for, which decides how it is fetched and saved.
enum class RefRole {
  kStylesheet,  // fetched as text, its own references followed
  kScript,      // fetched as text, saved converted
  kImage,       // fetched as bytes
  kFont,
  kMedia,  // video and audio sources
  kFile,   // anything else a page loads: manifests, embeds, tracks
  kFrame,  // a frame or inline frame: a page of its own, listed, not fetched
  kLink,   // a link to another page: pointed at its local name, not fetched
};

// Fetched within the job (stylesheets, scripts, images, fonts, media, files).
bool IsFetchedRole(RefRole role);

// One address written in a text.
struct FoundReference {
  std::size_t begin = 0, end = 0;  // the value's bytes, as written
  std::string value;               // entities read ("&amp;" -> "&"), blanks trimmed
  RefRole role = RefRole::kImage;
  bool in_css = false;   // inside a style (attribute, element or stylesheet)
  bool in_attribute = false;  // inside an HTML attribute value ("&" is written "&amp;")
  char quote = 0;        // the quote around the value: '"', '\'' or 0
  bool in_head = false;  // before the body (the page's head)
  bool in_script = false;  // markup a script writes, inside one of its strings
};

// A charset declaration of a page: the name's bytes, to be rewritten.
struct CharsetDeclaration {
  std::size_t begin = 0, end = 0;
};

// What one pass over a page finds.
struct PageScan {
  std::vector<FoundReference> references;  // in text order
  // The first <base href>: its value, and the whole tag (to switch it off).
  std::string base_href;
  std::size_t base_tag_begin = 0, base_tag_end = 0;
  bool has_base = false;
  // <meta charset>, <meta content="...charset=">, <script charset>, <link charset>
  std::vector<CharsetDeclaration> charsets;
  // Where a charset declaration can go when the page has none: just after
  // the <head ...> tag, else 0.
  std::size_t head_content_begin = 0;
  bool has_head = false;
  bool frameset = false;  // the page is a frameset
};

// Every reference of an HTML page (Shift_JIS). Fragment-only, data:, blob:,
// javascript:, mailto: and similar addresses are not listed.
PageScan ScanPage(std::string_view page);

// Every url() and @import address of a stylesheet (Shift_JIS); those inside
// @font-face rules and font files are fonts, @import targets stylesheets.
// The positions are offset by `base`, for a style inside a page.
void ScanStylesheet(std::string_view css, std::size_t base, std::vector<FoundReference>& out);
std::vector<FoundReference> ScanStylesheet(std::string_view css);

// Where a stylesheet's @charset name stands (to be rewritten); empty range
// when it has none.
CharsetDeclaration StylesheetCharset(std::string_view css);

// The references a script writes as markup: in its string literals, the
// src of <script> and <img> and the href of a stylesheet's or an icon's
// <link>, each value closed inside its string. Other text of the code is
// never taken for an address. Positions are into text; in_head is passed on.
void ScanScriptMarkup(std::string_view text, std::size_t from, std::size_t to, bool in_head,
                      std::vector<FoundReference>& out);

// srcset: "address descriptors, address descriptors, ...".
void ScanCandidates(std::string_view text, std::size_t from, std::size_t to, RefRole role,
                    std::vector<FoundReference>& out);

// The value with "&amp;", "&lt;", "&gt;", "&quot;", "&apos;", "&#N;" and
// "&#xH;" read; a reference that names a character Shift_JIS lacks stays
// as written.
std::string ReadEntities(std::string_view value);

}  // namespace kaplo
