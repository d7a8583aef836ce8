#include "view/rtf_reader.h"

#include <algorithm>
#include <array>

namespace kaplo {
namespace {

// Where the characters of a group go.
enum class Dest : unsigned char { kBody, kFontTable, kColorTable, kSkip };

struct Group {
  Dest dest;
  int color;
};

bool IsAsciiLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

int HexValue(unsigned char c) {
  if (IsDigit(c)) return c - '0';
  c |= 0x20;
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Bytes that end a stretch of plain text.
constexpr std::array<bool, 256> kSpecial = [] {
  std::array<bool, 256> set{};
  set['\\'] = set['{'] = set['}'] = set['\r'] = set['\n'] = true;
  return set;
}();

class Reader {
 public:
  explicit Reader(std::string_view rtf) : in_(rtf) {}

  RtfText Run() {
    while (pos_ < in_.size()) {
      const unsigned char c = Byte(pos_);
      if (c == '{') {
        ++pos_;
        groups_.push_back(groups_.empty() ? Group{Dest::kBody, 0} : groups_.back());
      } else if (c == '}') {
        ++pos_;
        if (groups_.empty()) continue;
        if (Top().dest == Dest::kFontTable) EndFont();
        groups_.pop_back();
        if (groups_.empty()) break;  // the document is closed
      } else if (c == '\\') {
        Control();
      } else if (c == '\r' || c == '\n') {
        ++pos_;
      } else {
        Plain();
      }
    }
    return std::move(out_);
  }

 private:
  unsigned char Byte(std::size_t i) const { return static_cast<unsigned char>(in_[i]); }
  Group& Top() { return groups_.back(); }
  Dest CurrentDest() const { return groups_.empty() ? Dest::kSkip : groups_.back().dest; }

  // A stretch of bytes with no RTF meaning.
  void Plain() {
    std::size_t end = pos_;
    while (end < in_.size() && !kSpecial[Byte(end)]) ++end;
    const std::string_view bytes = in_.substr(pos_, end - pos_);
    pos_ = end;
    switch (CurrentDest()) {
      case Dest::kBody:
        Emit(bytes);
        break;
      case Dest::kFontTable:
        FontText(bytes);
        break;
      case Dest::kColorTable:
        for (const char ch : bytes) {
          if (ch == ';') EndColor();
        }
        break;
      case Dest::kSkip:
        break;
    }
  }

  void Control() {
    ++pos_;  // the backslash
    if (pos_ >= in_.size()) return;
    const unsigned char c = Byte(pos_);
    if (IsAsciiLetter(c)) {
      Word();
      return;
    }
    ++pos_;
    switch (c) {
      case '\\':
      case '{':
      case '}':
        Literal(static_cast<char>(c));
        break;
      case '\'': {
        if (pos_ + 1 < in_.size()) {
          const int hi = HexValue(Byte(pos_)), lo = HexValue(Byte(pos_ + 1));
          if (hi >= 0 && lo >= 0) {
            pos_ += 2;
            Literal(static_cast<char>(hi * 16 + lo));
          }
        }
        break;
      }
      case '\r':
      case '\n':
        Break();
        break;
      case '*':
        if (!groups_.empty()) Top().dest = Dest::kSkip;
        break;
      case '~':
        Literal(' ');
        break;
      case '_':
        Literal('-');
        break;
      default:  // "\-", "\:" and symbols of no meaning here
        break;
    }
  }

  // A control word, its optional signed number and the one blank that may
  // end it.
  void Word() {
    const std::size_t start = pos_;
    while (pos_ < in_.size() && IsAsciiLetter(Byte(pos_))) ++pos_;
    const std::string_view word = in_.substr(start, pos_ - start);
    bool negative = false;
    bool has_number = false;
    long long number = 0;
    if (pos_ < in_.size() && Byte(pos_) == '-' && pos_ + 1 < in_.size() &&
        IsDigit(Byte(pos_ + 1))) {
      negative = true;
      ++pos_;
    }
    while (pos_ < in_.size() && IsDigit(Byte(pos_))) {
      has_number = true;
      number = std::min<long long>(number * 10 + (Byte(pos_) - '0'), 1'000'000'000);
      ++pos_;
    }
    if (pos_ < in_.size() && Byte(pos_) == ' ') ++pos_;
    const int value = static_cast<int>(negative ? -number : number);
    Apply(word, has_number, value);
  }

  void Apply(std::string_view word, bool has_number, int value) {
    if (groups_.empty()) return;
    Group& g = Top();
    if (g.dest == Dest::kColorTable) {
      const int component = std::clamp(value, 0, 255);
      const int shift = word == "red" ? 0 : word == "green" ? 8 : word == "blue" ? 16 : -1;
      if (shift >= 0) SetComponent(shift, component);
      return;
    }
    if (word == "par" || word == "line") {
      Break();
    } else if (word == "tab") {
      Literal('\t');
    } else if (word == "cf") {
      g.color = has_number ? std::max(value, 0) : 0;
    } else if (word == "plain") {
      g.color = 0;
    } else if (word == "fonttbl") {
      g.dest = Dest::kFontTable;
    } else if (word == "colortbl") {
      g.dest = Dest::kColorTable;
      color_ = 0;
      color_set_ = false;
    } else if (word == "stylesheet" || word == "info" || word == "pict" || word == "object" ||
               word == "header" || word == "footer") {
      g.dest = Dest::kSkip;
    }
    // Every other word (\rtf1, \ansi, \deff0, \f0, \fs20, \pard ...) changes
    // nothing that is read here.
  }

  void SetComponent(int shift, int component) {
    color_ = (color_ & ~(0xFF << shift)) | (component << shift);
    color_set_ = true;
  }

  void EndColor() {
    out_.colors.push_back(color_set_ ? color_ : kRtfAutoColor);
    color_ = 0;
    color_set_ = false;
  }

  // Font entries read "{\fN\family\charset Name;}": the name is the text up
  // to ";", blanks around it dropped.
  void FontText(std::string_view bytes) {
    for (const char ch : bytes) {
      if (ch == ';') {
        EndFont();
      } else {
        font_name_.push_back(ch);
        in_font_ = true;
      }
    }
  }

  void EndFont() {
    if (!in_font_) return;
    const std::size_t first = font_name_.find_first_not_of(' ');
    const std::size_t last = font_name_.find_last_not_of(' ');
    out_.fonts.push_back(first == std::string::npos ? std::string()
                                                    : font_name_.substr(first, last - first + 1));
    font_name_.clear();
    in_font_ = false;
  }

  void Literal(char ch) {
    switch (CurrentDest()) {
      case Dest::kBody:
        Emit(std::string_view(&ch, 1));
        break;
      case Dest::kFontTable:
        FontText(std::string_view(&ch, 1));
        break;
      default:
        break;
    }
  }

  // A paragraph break becomes CR LF once more text follows it, so the break
  // that closes the document adds no empty last line.
  void Break() {
    if (CurrentDest() != Dest::kBody) return;
    FlushBreak();
    break_pending_ = true;
    break_color_ = Top().color;
  }

  void FlushBreak() {
    if (!break_pending_) return;
    break_pending_ = false;
    Append("\r\n", break_color_);
  }

  void Emit(std::string_view bytes) {
    if (bytes.empty()) return;
    FlushBreak();
    Append(bytes, Top().color);
  }

  void Append(std::string_view bytes, int color) {
    auto& runs = out_.runs;
    if (!runs.empty() && runs.back().color_index == color) {
      runs.back().length += bytes.size();
    } else {
      runs.push_back({out_.text.size(), bytes.size(), color});
    }
    out_.text.append(bytes);
  }

  std::string_view in_;
  std::size_t pos_ = 0;
  std::vector<Group> groups_;
  RtfText out_;
  RtfColor color_ = 0;
  bool color_set_ = false;
  std::string font_name_;
  bool in_font_ = false;
  bool break_pending_ = false;
  int break_color_ = 0;
};

}  // namespace

RtfText ReadRtf(std::string_view rtf) { return Reader(rtf).Run(); }

}  // namespace kaplo
