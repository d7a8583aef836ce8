// The page that shows one local Flash file in a browser pane.
#pragma once

#include <string>
#include <string_view>

namespace kaplo {

// The page's Shift_JIS bytes, each line ended by CR LF. path_utf8 is the
// file's name as the file system spells it; "\" becomes "/", it is escaped
// for the attribute, and a character with no Shift_JIS form becomes a
// numeric character reference, so every name survives.
std::string LocalFlashPage(std::string_view path_utf8);

}  // namespace kaplo
