// Where a URL is stored below the save folder, and writing text files there.
#pragma once

#include <string>
#include <string_view>

namespace kaplo {

// The local path of url below folder; mode is the URL decode index. With
// fetched_copy 1 the file name gets the "ZZOrg_" prefix. A URL without "//"
// comes back as it is.
std::string UrlToLocalPath(std::string_view url, std::string_view folder, int mode,
                           int fetched_copy);

// path made file-name safe and kept below save_folder: a path already below
// it keeps that folder as written; any other path is put below it.
std::string SafeLocalPath(std::string_view path, std::string_view save_folder);

// Writes text to file_name (Shift_JIS path), creating its folders. Writes
// nothing for an empty text or a refused name. The name may change on the
// way ("?" to "@", ":" to ";" in the file name...): returns the path written
// now, empty when nothing was.
std::string SaveTextFile(std::string_view text, std::string_view file_name);

// A regular file, a folder (Shift_JIS paths) is there.
bool LocalFileExists(std::string_view path);
bool LocalFolderExists(std::string_view folder);

// The folder part of a path, with its trailing "/" ("" when there is none).
std::string FolderOf(std::string_view path);
// The extension as a file name's: from the last "." after the last "/" or
// "\"; empty when there is none.
std::string_view FileExtension(std::string_view path);
std::string FileNameOf(std::string_view path);
// path with prefix put before its file name: "/a/b.css" -> "/a/ZYOrg_b.css".
std::string PrefixedName(std::string_view path, std::string_view prefix);

}  // namespace kaplo
