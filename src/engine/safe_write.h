// Writing a job's files so that nothing lands outside the save folder: the
// folders on the way are made and entered one by one without following a
// symbolic link, and a file is written under a temporary name and renamed,
// so a failed write never leaves half a file.
#pragma once

#include <string>
#include <string_view>

namespace kaplo {

// Writes bytes (an empty text makes an empty file) to path, a Shift_JIS path
// that lies below folder. False, with the reason (UTF-8) in *why when given,
// when the path leaves the folder, a part of it is a symbolic link or not a
// folder, or the file cannot be written. A file that holds these bytes
// already is left untouched.
bool WriteFileBelow(std::string_view folder, std::string_view path, std::string_view bytes,
                    std::string* why = nullptr);

// The same with the bytes of the file source (a temporary file), copied.
bool CopyFileBelow(std::string_view folder, std::string_view path, const std::string& source,
                   std::string* why = nullptr);

// Creates the folders of path below folder in the same way; false when one
// cannot be made or is a symbolic link.
bool MakeFoldersBelow(std::string_view folder, std::string_view path, std::string* why = nullptr);

}  // namespace kaplo
