#include "normalise_reference_support.h"

#include <utility>

#include "text/charset.h"
#include "text/sjis.h"

namespace kaplo::test {
namespace {

const std::vector<std::string_view> kStartTags = {
    "<abbr",     "<acronym",  "<address", "<applet",     "<area",     "<a",        "<basefont",
    "<base",     "<bod",      "<big",     "<blockquote", "<body",     "<br",       "<button",
    "<b",        "<caption",  "<center",  "<cite",       "<code",     "<colgroup", "<col",
    "<dd",       "<del",      "<dfn",     "<dir",        "<div",      "<dl",       "<dt",
    "<em",       "<fieldset", "<font",    "<form",       "<frameset", "<frame",    "<h1",
    "<h2",       "<h3",       "<h4",      "<h5",         "<h6",       "<head",     "<hr",
    "<html",     "<iframe",   "<img",     "<input",      "<ins",      "<isindex",  "<i",
    "<kbd",      "<label",    "<layer",   "<legend",     "<link",     "<li",       "<map",
    "<menu",     "<meta",     "<nobr",    "<noframes",   "<noscript", "<object",   "<ol",
    "<optgroup", "<option",   "<param",   "<pre",        "<p",        "<q",        "<samp",
    "<script",   "<select",   "<small",   "<span",       "<strike",   "<strong",   "<style",
    "<sub",      "<sup",      "<table",   "<tbody",      "<td",       "<textarea", "<tfoot",
    "<th",       "<thead",    "<title",   "<tr",         "<tt",       "<ul",       "<u",
    "<var",      "<wbr>"};

const std::vector<std::string_view> kEndTags = {
    "</abbr",     "</acronym",  "</address",  "</applet",   "</area",       "</a",
    "</basefont", "</base",     "</bod",      "</big",      "</blockquote", "</body",
    "</br",       "</button",   "</b",        "</caption",  "</center",     "</cite",
    "</code",     "</colgroup", "</col",      "</dd",       "</del",        "</dfn",
    "</dir",      "</div",      "</dl",       "</dt",       "</em",         "</fieldset",
    "</font",     "</form",     "</frameset", "</frame",    "</h1",         "</h2",
    "</h3",       "</h4",       "</h5",       "</h6",       "</head",       "</hr",
    "</html",     "</iframe",   "</img",      "</input",    "</ins",        "</isindex",
    "</i",        "</kbd",      "</label",    "</layer",    "</legend",     "</link",
    "</li",       "</map",      "</menu",     "</meta",     "</nobr>",      "</noframes",
    "</noscript", "</object",   "</ol",       "</optgroup", "</option",     "</param",
    "</pre",      "</p",        "</q",        "</samp",     "</script",     "</select",
    "</small",    "</span",     "</strike",   "</strong",   "</style",      "</sub",
    "</sup",      "</table",    "</tbody",    "</td",       "</textarea",   "</tfoot",
    "</th",       "</thead",    "</title",    "</tr",       "</tt",         "</ul",
    "</u",        "</var"};

const std::vector<std::string_view> kOtherItems = {
    "@import",        " url(",          " rel=",       " type=",        "text/javascript",
    "javascript",     " background=",   " width=",     " href=",        " src=",
    " height=",       " bgcolor=",      " color=",     " cellspacing=", " cellpadding=",
    " name=",         " type=",         " id=",        " class=",       " href=",
    " valign=",       " align=",        " value=",     " size=",        " title=",
    " border=",       " rows=",         " cols=",      " rowspan=",     " colspan=",
    " text=",         " vlink=",        " link=",      "\"top\"",       "\"middle\"",
    "\"bottom\"",     "\"center\"",     "\"left\"",    "\"right\"",     "\"border\"",
    " frameborder=",  " framespacing=", " scrolling=", " noresize",     " marginwidth=",
    " marginheight=", " leftmargin=",   " topmargin="};

using Rule = std::pair<std::string_view, std::string_view>;

// "Break before X": Replace(">X", ">" CRLF "X").
#define BREAK(x) \
  Rule { ">" x, ">\r\n" x }

const std::vector<Rule> kBreakRules = {
    // 1
    BREAK("<applet"),
    // 2
    {"\r\n>", ">"},
    {"\r\n/>", "/>"},
    // 3
    BREAK("<area"),
    BREAK("<base"),
    BREAK("<blockquote"),
    BREAK("<body"),
    BREAK("</body"),
    // 4
    {"<br>", "<br />\r\n"},
    {"<br />", "<br />\r\n"},
    {"<br />\r\n\r\n\r\n", "<br />\r\n"},
    {"<br />\r\n\r\n", "<br />\r\n"},
    // 5
    BREAK("<dd"),
    BREAK("<div"),
    BREAK("</div"),
    BREAK("<fieldset"),
    BREAK("<form"),
    BREAK("</form"),
    {"</form><", "</form>\r\n<"},
    // 6
    BREAK("<frameset"),
    BREAK("</frameset"),
    BREAK("<frame"),
    BREAK("</frame"),
    BREAK("<div"),
    BREAK("</div"),
    {"</div><", "</div>\r\n<"},
    // 7
    BREAK("<head"),
    BREAK("</head"),
    BREAK("<hr"),
    BREAK("<html"),
    BREAK("</html"),
    {"</html><", "</html>\r\n<"},
    // 8
    BREAK("<label"),
    BREAK("<link"),
    BREAK("</link"),
    BREAK("<li"),
    {"<li>\r\n<", "<li><"},
    {">\r\n</li>", "></li>"},
    // 9
    BREAK("<map"),
    BREAK("</map"),
    BREAK("<meta"),
    BREAK("<noframes"),
    BREAK("</noframes"),
    BREAK("<noscript"),
    BREAK("<object"),
    BREAK("<ol"),
    BREAK("<optgroup"),
    BREAK("<option"),
    BREAK("<param"),
    BREAK("<pre"),
    BREAK("<p"),
    BREAK("<table"),
    BREAK("</table"),
    {"</table><", "</table>\r\n<"},
    // 10
    BREAK("<tbody"),
    BREAK("</tbody"),
    BREAK("<td"),
    {"td></td", "td>&nbsp;</td"},
    {"</td></tr>", "</td>\r\n</tr>"},
    // 11
    BREAK("<textarea"),
    BREAK("<tfoot"),
    BREAK("<th"),
    BREAK("<title"),
    BREAK("<tr"),
    BREAK("<ul"),
    // 12
    {">\r\n</map", "></map"},
    {"\r\n</a", "</a"},
    // 13
    BREAK("<script"),
    // 14
    {"=\r\n", "="},
    {"\r\n>", ">"},
    // 15
    {"><!-- ", ">\r\n<!--"},
    {"--><", "-->\r\n<"},
};

#undef BREAK

// Stage 1: split at CR, LF or CRLF; tabs to two blanks; drop lines of bytes up
// to the blank; each kept line followed by CRLF.
std::string ReferenceLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line.push_back(c);
    }
  }
  if (!line.empty()) lines.push_back(line);
  std::string out;
  for (std::string l : lines) {
    std::string tabbed;
    for (char c : l) tabbed += (c == '\t') ? std::string("  ") : std::string(1, c);
    bool blank = true;
    for (char c : tabbed) blank = blank && static_cast<unsigned char>(c) <= 0x20;
    if (!blank) out += tabbed + "\r\n";
  }
  return out;
}

}  // namespace

std::string ReferenceBreakHtmlLines(std::string_view text) {
  std::string s(text);
  for (const auto& [old_text, new_text] : kBreakRules) s = Replace(s, old_text, new_text);
  return s;
}

std::string ReferenceNormaliseHtml(std::string_view text) {
  if (text.empty()) return {};
  std::string s = ReferenceLines(text);
  s = RewriteEncodingDeclToShiftJIS(s);
  for (const auto* list : {&kStartTags, &kEndTags, &kOtherItems}) {
    for (std::string_view item : *list) s = Replace(s, item, LowerAscii(item));
  }
  return ReferenceBreakHtmlLines(s);
}

const std::vector<std::string_view>& ReferenceLowerCaseItems() {
  static const std::vector<std::string_view> all = [] {
    std::vector<std::string_view> v;
    for (const auto* list : {&kStartTags, &kEndTags, &kOtherItems}) {
      v.insert(v.end(), list->begin(), list->end());
    }
    return v;
  }();
  return all;
}

}  // namespace kaplo::test
