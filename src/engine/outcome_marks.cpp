#include "engine/outcome_marks.h"

#include <array>

#include "text/sjis_literal.h"

namespace kaplo {
namespace {

constexpr OutcomeMarkInfo kMarks[] = {
    {OutcomeMark::Saved, "◎", "保存", "保存", "saved", "saved"},
    {OutcomeMark::Existed, "□", "既存", "", "existed", ""},
    {OutcomeMark::Present, "○", "", "既存", "", "existed"},
    {OutcomeMark::NotFound404, "■", "404", "404", "404", "404"},
    {OutcomeMark::NotFoundPage, "◆", "見つからない", "", "not-found page", ""},
    {OutcomeMark::HtmlAnswer, "▼", "HTMLが返った", "", "answered with HTML", ""},
    {OutcomeMark::WasImage, "◇", "画像だった", "", "was an image", ""},
    {OutcomeMark::Failed, "●", "失敗", "失敗", "failed", "failed"},
    {OutcomeMark::UpTriangle, "▲", "", "", "", ""},
    {OutcomeMark::Star, "★", "", "", "", ""},
    {OutcomeMark::Geta, "〓", "", "", "", ""},
    {OutcomeMark::WhiteUp, "△", "", "", "", ""},
    {OutcomeMark::WhiteDown, "▽", "", "", "", ""},
};
constexpr std::size_t kCount = std::size(kMarks);

const OutcomeMarkInfo& Info(OutcomeMark mark) {
  for (const OutcomeMarkInfo& m : kMarks) {
    if (m.mark == mark) return m;
  }
  return kMarks[0];
}

const std::array<std::string, kCount>& ShiftJisGlyphs() {
  static const std::array<std::string, kCount> glyphs = [] {
    std::array<std::string, kCount> g;
    for (std::size_t i = 0; i < kCount; ++i) g[i] = SjisFromUtf8Literal(kMarks[i].glyph);
    return g;
  }();
  return glyphs;
}

}  // namespace

std::span<const OutcomeMarkInfo> OutcomeMarks() { return kMarks; }

const std::string& MarkText(OutcomeMark mark) {
  for (std::size_t i = 0; i < kCount; ++i) {
    if (kMarks[i].mark == mark) return ShiftJisGlyphs()[i];
  }
  return ShiftJisGlyphs()[0];
}

std::string_view MarkMeaning(OutcomeMark mark, OutcomeList list, bool english) {
  const OutcomeMarkInfo& m = Info(mark);
  if (english) return list == OutcomeList::Images ? m.image_english : m.css_english;
  return list == OutcomeList::Images ? m.image_meaning : m.css_meaning;
}

std::optional<OutcomeMark> MarkOfLine(std::string_view line) {
  for (std::size_t i = 0; i < kCount; ++i) {
    if (line.starts_with(ShiftJisGlyphs()[i])) return kMarks[i].mark;
  }
  return std::nullopt;
}

bool IsFailure(OutcomeMark mark) {
  return mark == OutcomeMark::NotFound404 || mark == OutcomeMark::NotFoundPage ||
         mark == OutcomeMark::HtmlAnswer || mark == OutcomeMark::Failed;
}

std::map<OutcomeMark, int> CountMarks(const std::vector<std::string>& lines, OutcomeList list) {
  std::map<OutcomeMark, int> counts;
  for (const OutcomeMarkInfo& m : kMarks) {
    if (!MarkMeaning(m.mark, list).empty()) counts[m.mark] = 0;
  }
  for (const std::string& line : lines) {
    const std::optional<OutcomeMark> mark = MarkOfLine(line);
    if (mark && counts.contains(*mark)) ++counts[*mark];
  }
  return counts;
}

}  // namespace kaplo
