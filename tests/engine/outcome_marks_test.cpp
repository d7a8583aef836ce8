// The one table of outcome marks: characters, meanings per list, counting.
#include "engine/outcome_marks.h"

#include <gtest/gtest.h>

#include <set>

#include "engine/reports.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

TEST(OutcomeMarks, OneDistinctCharacterPerMark) {
  std::set<std::string> seen;
  for (const OutcomeMarkInfo& m : OutcomeMarks()) {
    EXPECT_EQ(MarkText(m.mark).size(), 2u) << m.glyph;  // one Shift_JIS character
    EXPECT_TRUE(seen.insert(MarkText(m.mark)).second) << m.glyph;
    EXPECT_EQ(MarkOfLine(MarkText(m.mark) + "/s/a.css"), m.mark);
  }
  EXPECT_EQ(MarkText(OutcomeMark::Failed), SJ<"●">());
  EXPECT_EQ(MarkOfLine("/s/a.css"), std::nullopt);
  // The report strips every mark of the table.
  std::string all;
  for (const OutcomeMarkInfo& m : OutcomeMarks()) all += MarkText(m.mark);
  EXPECT_EQ(RemoveDownloadMark(all + "/s/a.css"), "/s/a.css");
}

TEST(OutcomeMarks, CountsPerListWithTheMeaningsOfThatList) {
  const std::string saved = MarkText(OutcomeMark::Saved), present = MarkText(OutcomeMark::Present);
  const std::vector<std::string> lines = {saved + "/a.css", present + "/b.js", saved + "/c.css",
                                          MarkText(OutcomeMark::Existed) + "/d.css", "/no-mark"};
  const auto css = CountMarks(lines, OutcomeList::StylesheetsAndScripts);
  EXPECT_EQ(css.at(OutcomeMark::Saved), 2);
  EXPECT_EQ(css.at(OutcomeMark::Existed), 1);
  EXPECT_EQ(css.at(OutcomeMark::WasImage), 0);
  // The stylesheet list holds no "○", the image list no "□": not counted there.
  EXPECT_FALSE(css.contains(OutcomeMark::Present));
  const auto images = CountMarks(lines, OutcomeList::Images);
  EXPECT_FALSE(images.contains(OutcomeMark::Existed));
  EXPECT_EQ(images.at(OutcomeMark::Present), 1);
  EXPECT_EQ(images.size(), 4u);  // ◎ ○ ■ ●
  EXPECT_EQ(MarkMeaning(OutcomeMark::Present, OutcomeList::Images), "既存");
  EXPECT_EQ(MarkMeaning(OutcomeMark::NotFound404, OutcomeList::Images), "404");
  // Every way of not being delivered is a failure.
  for (const OutcomeMark m : {OutcomeMark::NotFound404, OutcomeMark::NotFoundPage,
                              OutcomeMark::HtmlAnswer, OutcomeMark::Failed}) {
    EXPECT_TRUE(IsFailure(m));
  }
  EXPECT_FALSE(IsFailure(OutcomeMark::Existed));
}

}  // namespace
}  // namespace kaplo
