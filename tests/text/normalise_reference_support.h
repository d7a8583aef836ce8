// A plain, slow normaliser: each rule one Replace over the whole text, in the
// order the rules are listed. The fast one must give the same bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kaplo::test {

std::string ReferenceNormaliseHtml(std::string_view text);
std::string ReferenceBreakHtmlLines(std::string_view text);

// Every item the lower-casing stage knows, for building test pages.
const std::vector<std::string_view>& ReferenceLowerCaseItems();

}  // namespace kaplo::test
