#include "view/html_tokenizer.h"

#include <array>
#include <cstring>

#include "text/sjis.h"

namespace kaplo {

const std::string_view kHtmlEntities[151] = {
    "&amp;", "&lt;", "&gt;", "&quot;", "&trade;", "&nbsp;", "&copy;", "&reg;", "&Agrave;",
    "&Aacute;", "&Acirc;", "&Atilde;", "&Auml;", "&Aring;", "&AElig;", "&Ccedil;", "&Egrave;",
    "&Eacute;", "&Ecirc;", "&Euml;", "&Igrave;", "&Iacute;", "&Icirc;", "&Iuml;", "&ETH;",
    "&Ntilde;", "&Ograve;", "&Oacute;", "&Ocirc;", "&Otilde;", "&Ouml;", "&Oslash;", "&Ugrave;",
    "&Uacute;", "&Ucirc;", "&Uuml;", "&Yacute;", "&THORN;", "&szlig;", "&agrave;", "&aacute;",
    "&acirc;", "&atilde;", "&auml;", "&aring;", "&aelig;", "&ccedil;", "&egrave;", "&eacute;",
    "&ecirc;", "&euml;", "&igrave;", "&iacute;", "&icirc;", "&iuml;", "&eth;", "&ntilde;",
    "&ograve;", "&oacute;", "&ocirc;", "&otilde;", "&ouml;", "&oslash;", "&ugrave;", "&uacute;",
    "&ucirc;", "&uuml;", "&yacute;", "&thorn;", "&yuml;", "&iexcl;", "&cent;", "&pound;",
    "&curren;", "&yen;", "&brvbar;", "&sect;", "&uml;", "&ordf;", "&laquo;", "&shy;", "&macr;",
    "&deg;", "&plusmn;", "&sup2;", "&sup3;", "&acute;", "&micro;", "&middot;", "&cedil;", "&sup1;",
    "&ordm;", "&raquo;", "&frac14;", "&frac12;", "&frac34;", "&iquest;", "&times;", "&divide",
    "&euro;", "&#9;", "&#127;", "&#128;", "&#129;", "&#130;", "&#131;", "&#132;", "&ldots;",
    "&#134;", "&#135;", "&#136;", "&#137;", "&#138;", "&#139;", "&#140;", "&#141;", "&#142;",
    "&#143;", "&#144;", "&#152;", "&#153;", "&#154;", "&#155;", "&#156;", "&#157;", "&#158;",
    "&#159;", "&#161;", "&#162;", "&#163;", "&#164;", "&#165;", "&#166;", "&#167;", "&#168;",
    "&#170;", "&#175;", "&#176;", "&#177;", "&#178;", "&#180;", "&#181;", "&#183;", "&#184;",
    "&#185;", "&#186;", "&#188;", "&#189;", "&#190;", "&#191;", "&#215;",
};

const std::string_view kHtmlTagKeywords[198] = {
    // Opening and closing forms.
    "A", "ABBR", "ACRONYM", "ADDRESS", "APPLET", "B", "BIG", "BLINK", "BLOCKQUOTE", "BODY",
    "BUTTON", "CAPTION", "CENTER", "CITE", "CODE", "COLGROUP", "COMMENT", "DD", "DEL", "DFN",
    "DIR", "DIV", "DL", "DT", "EM", "EMBED", "FIELDSET", "FONT", "FORM", "FRAMESET", "H1", "H2",
    "H3", "H4", "H5", "H6", "HEAD", "HTML", "I", "IFRAME", "ILAYER", "INS", "KBD", "LABEL",
    "LAYER", "LEGEND", "LI", "LISTING", "MAP", "MARQUEE", "MENU", "MULTICOL", "NOBR", "NOEMBED",
    "NOFRAMES", "NOLAYER", "NOSCRIPT", "OBJECT", "OL", "OPTION", "P", "PRE", "Q", "S", "SAMP",
    "SCRIPT", "SELECT", "SERVER", "SMALL", "SPAN", "STRIKE", "STRONG", "STYLE", "SUB", "SUP",
    "TABLE", "TBODY", "TD", "TEXTAREA", "TFOOT", "TH", "THEAD", "TITLE", "TR", "TT", "U", "UL",
    "VAR", "XMP",
    "/A", "/ABBR", "/ACRONYM", "/ADDRESS", "/APPLET", "/B", "/BIG", "/BLINK", "/BLOCKQUOTE",
    "/BODY", "/BUTTON", "/CAPTION", "/CENTER", "/CITE", "/CODE", "/COLGROUP", "/COMMENT", "/DD",
    "/DEL", "/DFN", "/DIR", "/DIV", "/DL", "/DT", "/EM", "/EMBED", "/FIELDSET", "/FONT", "/FORM",
    "/FRAMESET", "/H1", "/H2", "/H3", "/H4", "/H5", "/H6", "/HEAD", "/HTML", "/I", "/IFRAME",
    "/ILAYER", "/INS", "/KBD", "/LABEL", "/LAYER", "/LEGEND", "/LI", "/LISTING", "/MAP",
    "/MARQUEE", "/MENU", "/MULTICOL", "/NOBR", "/NOEMBED", "/NOFRAMES", "/NOLAYER", "/NOSCRIPT",
    "/OBJECT", "/OL", "/OPTION", "/P", "/PRE", "/Q", "/S", "/SAMP", "/SCRIPT", "/SELECT",
    "/SERVER", "/SMALL", "/SPAN", "/STRIKE", "/STRONG", "/STYLE", "/SUB", "/SUP", "/TABLE",
    "/TBODY", "/TD", "/TEXTAREA", "/TFOOT", "/TH", "/THEAD", "/TITLE", "/TR", "/TT", "/U", "/UL",
    "/VAR", "/XMP",
    // Opening form only.
    "!DOCTYPE", "AREA", "BASE", "BASEFONT", "BGSOUND", "BR", "COL", "FRAME", "HR", "IMG", "INPUT",
    "ISINDEX", "KEYGEN", "LINK", "META", "NEXTID", "PARAM", "PLAINTEXT", "SPACER", "WBR",
};

namespace {

using Kind = HtmlTokenKind;
using State = HtmlScanState;

// Tag names hash to the sum of their letter values ("a" 1 ... "z" 26, "/"
// 122, "!" 123) plus their digits; names with a key of kKeyLimit or more are
// never keywords.
constexpr int kKeyLimit = 244;

constexpr int NameCharValue(unsigned char c) {
  if (c >= 'a' && c <= 'z') return c - 'a' + 1;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 1;
  if (c == '/') return 122;
  if (c == '!') return 123;
  return -1;
}

constexpr bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

struct TagKeyTable {
  // Keywords under each key, at most a handful.
  std::array<std::array<std::string_view, 8>, kKeyLimit> names{};
  std::array<std::uint8_t, kKeyLimit> count{};

  TagKeyTable() {
    for (std::string_view name : kHtmlTagKeywords) {
      int key = 0;
      for (unsigned char c : name) key += IsDigit(c) ? c - '0' : NameCharValue(c);
      names[key][count[key]++] = name;
    }
  }
};

const TagKeyTable& TagKeys() {
  static const TagKeyTable table;
  return table;
}

bool EqualsIgnoringCase(const char* a, std::string_view b) {
  for (std::size_t i = 0; i < b.size(); ++i) {
    if (AsciiLower(static_cast<unsigned char>(a[i])) != AsciiLower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Entities by the lower-cased byte after "&": only entities of one bucket
// can match at a given place, so the first match in list order is kept.
struct EntityBuckets {
  std::array<std::vector<std::uint8_t>, 256> by_second{};
  EntityBuckets() {
    for (std::size_t i = 0; i < std::size(kHtmlEntities); ++i) {
      by_second[AsciiLower(static_cast<unsigned char>(kHtmlEntities[i][1]))].push_back(
          static_cast<std::uint8_t>(i));
    }
  }
};

const EntityBuckets& Entities() {
  static const EntityBuckets buckets;
  return buckets;
}

enum class CharRuleId : std::uint8_t { kNul, kLf, kCr, kBlank, kQuote, kAmp, kOpen, kEquals, kClose, kWord };

constexpr std::array<CharRuleId, 256> MakeCharRules() {
  std::array<CharRuleId, 256> rules{};
  for (int b = 0; b < 256; ++b) {
    CharRuleId r = CharRuleId::kWord;
    if (b == 0) r = CharRuleId::kNul;
    else if (b == '\n') r = CharRuleId::kLf;
    else if (b == '\r') r = CharRuleId::kCr;
    else if (b <= 32) r = CharRuleId::kBlank;
    else if (b == '"') r = CharRuleId::kQuote;
    else if (b == '&') r = CharRuleId::kAmp;
    else if (b == '<') r = CharRuleId::kOpen;
    else if (b == '=') r = CharRuleId::kEquals;
    else if (b == '>') r = CharRuleId::kClose;
    rules[b] = r;
  }
  return rules;
}
constexpr std::array<CharRuleId, 256> kCharRules = MakeCharRules();

// Bytes that continue a blank run: a TAB, LF, CR or NUL ends it.
constexpr bool ContinuesBlank(unsigned char b) {
  return b != 0 && b <= 32 && b != '\t' && b != '\n' && b != '\r';
}

template <typename Pred>
constexpr std::array<bool, 256> ByteSet(Pred pred) {
  std::array<bool, 256> set{};
  for (int b = 0; b < 256; ++b) set[b] = pred(static_cast<unsigned char>(b));
  return set;
}
constexpr auto kEndsContent = ByteSet([](unsigned char b) { return b < 32 || b == '<' || b == '&'; });
constexpr auto kEndsAttrName =
    ByteSet([](unsigned char b) { return b <= 32 || b == '"' || b == '=' || b == '>'; });
constexpr auto kEndsValue = ByteSet([](unsigned char b) { return b <= 32 || b == '>'; });
constexpr auto kEndsQuoted =
    ByteSet([](unsigned char b) { return b == 0 || b == '\n' || b == '\r' || b == '"'; });
constexpr auto kEndsBlockLine =
    ByteSet([](unsigned char b) { return b == 0 || b == '\n' || b == '\r' || b == '>'; });

}  // namespace

void HtmlTokenizer::SetText(std::string_view text) {
  text_ = text;
  pos_ = 0;
  Next();
}

void HtmlTokenizer::Next() {
  token_start_ = pos_;
  switch (state_) {
    case State::kInServerBlock: BlockRule(Kind::kServerBlock); break;
    case State::kInComment: BlockRule(Kind::kComment); break;
    case State::kInContent: ContentRule(); break;
    default: CharRule(); break;
  }
}

void HtmlTokenizer::CharRule() {
  switch (kCharRules[At(pos_)]) {
    case CharRuleId::kNul:
      if (pos_ >= text_.size()) {
        kind_ = Kind::kEndOfText;
      } else {
        kind_ = Kind::kBlank;
        ++pos_;
      }
      break;
    case CharRuleId::kLf:
      kind_ = Kind::kBlank;
      ++pos_;
      break;
    case CharRuleId::kCr:
      kind_ = Kind::kBlank;
      ++pos_;
      if (At(pos_) == '\n') ++pos_;
      break;
    case CharRuleId::kBlank: BlankRule(); break;
    case CharRuleId::kQuote: QuotedRule(); break;
    case CharRuleId::kAmp: EntityRule(); break;
    case CharRuleId::kOpen: OpenerRule(); break;
    case CharRuleId::kEquals:
      state_ = State::kAfterEquals;
      kind_ = Kind::kPunct;
      ++pos_;
      break;
    case CharRuleId::kClose:
      state_ = State::kInContent;
      kind_ = Kind::kPunct;
      ++pos_;
      break;
    case CharRuleId::kWord: WordRule(); break;
  }
}

void HtmlTokenizer::BlankRule() {
  kind_ = Kind::kBlank;
  ++pos_;
  while (ContinuesBlank(At(pos_))) ++pos_;
}

void HtmlTokenizer::QuotedRule() {
  if (state_ == State::kAfterEquals) {
    state_ = State::kInsideTag;
    kind_ = Kind::kAttrValue;
  } else {
    kind_ = Kind::kQuoted;
  }
  ++pos_;
  while (!kEndsQuoted[At(pos_)]) ++pos_;
  if (At(pos_) == '"') ++pos_;
}

void HtmlTokenizer::EntityRule() {
  if (entity_index_ >= 0) {
    kind_ = Kind::kEntity;
    pos_ += kHtmlEntities[entity_index_].size();
  }
  entity_index_ = -1;
  state_ = State::kInContent;
}

void HtmlTokenizer::OpenerRule() {
  ++pos_;
  if (At(pos_) == '!' && At(pos_ + 1) == '-' && At(pos_ + 2) == '-') {
    state_ = State::kInComment;
    kind_ = Kind::kComment;
    pos_ += 3;
  } else if (At(pos_) == '%') {
    state_ = State::kInServerBlock;
    kind_ = Kind::kServerBlock;
    ++pos_;
  } else {
    state_ = State::kAfterTagOpen;
    kind_ = Kind::kPunct;
  }
}

void HtmlTokenizer::WordRule() {
  switch (state_) {
    case State::kAfterTagOpen:
      state_ = State::kInsideTag;
      TagNameRule();
      break;
    case State::kAfterEquals:
      state_ = State::kInsideTag;
      kind_ = Kind::kAttrValue;
      ++pos_;
      while (!kEndsValue[At(pos_)]) ++pos_;
      break;
    default:
      kind_ = Kind::kAttrName;
      ++pos_;
      while (!kEndsAttrName[At(pos_)]) ++pos_;
      break;
  }
}

void HtmlTokenizer::TagNameRule() {
  // The key is summed while the name is measured; it only has to be told
  // apart up to kKeyLimit, so it stops growing there.
  const std::size_t start = pos_;
  int key = 0;
  for (int v; (v = NameCharValue(At(pos_))) >= 0; ++pos_) key = key < kKeyLimit ? key + v : key;
  for (unsigned char c; IsDigit(c = At(pos_)); ++pos_) key = key < kKeyLimit ? key + (c - '0') : key;
  const std::size_t length = pos_ - start;
  if (key >= kKeyLimit) {
    kind_ = Kind::kAttrName;
    return;
  }
  kind_ = Kind::kUnknownTag;
  const TagKeyTable& table = TagKeys();
  for (std::size_t i = 0; i < table.count[key]; ++i) {
    const std::string_view name = table.names[key][i];
    if (name.size() == length && EqualsIgnoringCase(text_.data() + start, name)) {
      kind_ = Kind::kTagName;
      return;
    }
  }
}

void HtmlTokenizer::BlockRule(HtmlTokenKind kind) {
  kind_ = kind;
  const unsigned char first = At(pos_);
  if (first == 0 || first == '\n' || first == '\r') {
    CharRule();
    return;
  }
  // The end mark may begin before this token, even in the opener itself:
  // "<%>" and "<!-->" are whole blocks.
  while (true) {
    const unsigned char b = At(pos_);
    if (b == '>') {
      const bool closes = kind == Kind::kServerBlock
                              ? pos_ >= 1 && text_[pos_ - 1] == '%'
                              : pos_ >= 2 && text_[pos_ - 1] == '-' && text_[pos_ - 2] == '-';
      if (closes) {
        state_ = State::kInContent;
        ++pos_;
        return;
      }
    }
    ++pos_;
    while (!kEndsBlockLine[At(pos_)]) ++pos_;
    if (At(pos_) != '>') return;
  }
}

int HtmlTokenizer::MatchEntity(std::size_t at) const {
  const std::size_t left = text_.size() - at;
  if (left < 2) return -1;
  const char* p = text_.data() + at;
  for (std::uint8_t i : Entities().by_second[AsciiLower(static_cast<unsigned char>(p[1]))]) {
    const std::string_view e = kHtmlEntities[i];
    if (e.size() <= left && EqualsIgnoringCase(p, e)) return i;
  }
  return -1;
}

void HtmlTokenizer::ContentRule() {
  const unsigned char first = At(pos_);
  if (first < 32 || first == '<') {
    CharRule();
    return;
  }
  kind_ = Kind::kContent;
  while (true) {
    while (!kEndsContent[At(pos_)]) ++pos_;
    if (At(pos_) != '&') return;
    const int entity = MatchEntity(pos_);
    if (entity >= 0) {
      entity_index_ = entity;
      state_ = State::kEntityPending;
      return;
    }
    ++pos_;
  }
}

std::vector<HtmlColorSpan> HtmlColorSpans(std::string_view text) {
  std::vector<HtmlColorSpan> spans;
  spans.reserve(text.size() / 4);
  HtmlTokenizer t;
  for (t.SetText(text); !t.AtEnd(); t.Next()) {
    if (t.TokenLength() == 0) continue;
    spans.push_back({t.TokenStart(), t.TokenLength(),
                     HtmlDisplayColorIndex(t.ColorIndex(), t.Token())});
  }
  return spans;
}

}  // namespace kaplo
