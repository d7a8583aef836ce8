// Percent coding, Base64, URL decoding for local paths, search-engine
// redirect links, link classifiers and file-name-safe paths.
//
// All texts are Shift_JIS byte strings. Paths use "/" as the separator; a
// path made from a URL can never lead out of the folder it is put below.
#pragma once

#include <string>
#include <string_view>

namespace kaplo {

// Redirect links of this site ("/url?q=", "/url?sa=") are unwrapped.
inline constexpr std::string_view kGoogleJapanAddress = "https://www.google.co.jp";
// Links into this encyclopedia carry doubly encoded percent signs.
inline constexpr std::string_view kWikipediaDomain = "wikipedia.org";

// The item index of the URL decode radio group of the download tab.
enum UrlDecodeCode : int {
  kUrlDecodeNone = 0,
  kUrlDecodeUtf8 = 1,
  kUrlDecodeEuc = 2,
  kUrlDecodeSjis = 3,
  kUrlDecodeUtf8Unescaped = 4,  // "%25" taken as "%" first
  kUrlDecodeBase64 = 5,
};

// Bytes of 0x80 and up (and an ASCII byte right after one) as "%xx" in lower
// case, a blank as "+"; every other byte as it is.
std::string UrlEncodeBytes(std::string_view text);
// "%xx" to its byte (a non-hex digit counts as 0), then every "+" to a blank.
// A "%" with fewer than two characters after it stays as written.
std::string UrlDecodeBytes(std::string_view text);

std::string Base64Encode(std::string_view bytes);
// Groups of four characters; an unknown character counts as 0, the second and
// third byte of a group are kept only when not zero, a cut last group is dropped.
std::string Base64Decode(std::string_view text);

// The URL decoded by a UrlDecodeCode; any other code leaves it unchanged.
std::string DecodeUrlForPath(std::string_view url, int code);
// A percent-encoded (possibly twice) UTF-8 URL made readable; empty when the
// URL has no "%" or is not UTF-8.
std::string DecodeUtf8Url(std::string_view url);

// The text with characters unfit for file names replaced: "?" to "@", "|" and
// "%2F" to "~", "*" and ":" to ";", quotes to "'", "<" and ">" removed, "\" to
// "/", runs of "/" to one. NUL becomes "_". "." and ".." parts are dropped.
// The whole text counts as made from a URL.
std::string UrlToSafePath(std::string_view text);
// save_folder exactly as the user chose it, then text made safe below it.
std::string UrlToSafePath(std::string_view save_folder, std::string_view text);

// False when the path, in its on-disk (UTF-8) form, holds a NUL, a "." or ".."
// part, or a part longer than 255 bytes.
bool IsPathFitForFileSystem(std::string_view sjis_path);

// The folder made file-name safe (also "+" to "_") and created with its
// parents; empty when the folder is blank, longer than 200 bytes, unfit for
// the file system or cannot be made. The whole text counts as made from a URL.
std::string ForceFolderForPath(std::string_view folder);
// The same for a folder below the save folder, which is kept as written.
std::string ForceFolderForPath(std::string_view save_folder, std::string_view below);

// The target of a search-engine redirect link; other URLs unchanged.
std::string DecodeSearchRedirect(std::string_view url);
// False for document downloads (.pdf, .doc, ...) and mail links.
bool IsPageLink(std::string_view url);
// False for browser status texts that are messages rather than addresses.
bool IsUrlStatusText(std::string_view text);

}  // namespace kaplo
