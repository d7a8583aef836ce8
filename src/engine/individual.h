// Pure steps of the single file sheets: the shown text, the names and the
// messages. Texts are Shift_JIS.
#pragma once

#include <string>
#include <string_view>

namespace kaplo {

// Line ends made LF, runs of blank lines squeezed, TABs made two blanks,
// then every line end CR LF.
std::string CollapseBlankLines(std::string_view text);

// The URL box's text as the actions use it: trimmed, without backslashes.
std::string CleanIndividualUrl(std::string_view url);

// The text as written for url: root-relative references ("/x", "(/x", ...)
// get the run of "../" up to the save folder. Other addresses are left alone.
std::string PrefixRootReferencesFor(std::string_view text, std::string_view url);

// The name the save dialog suggests for the memo of url.
std::string IndividualSuggestedName(std::string_view url);

}  // namespace kaplo
