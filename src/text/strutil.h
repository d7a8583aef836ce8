// String and folder helpers over Shift_JIS byte strings.
//
// Positions count bytes from 1; 0 means "not found". Searches are
// case-sensitive and match on character boundaries unless said otherwise.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kaplo {

std::size_t PosFrom(std::string_view sub, std::string_view text, std::size_t index);
std::size_t PosFromBytes(std::string_view sub, std::string_view text, std::size_t start);
std::size_t PosIgnoreCase(std::string_view sub, std::string_view text);

std::string Between(std::string_view text, std::string_view open, std::string_view close);
std::string RemoveEnclosed(std::string_view text, std::string_view open, std::string_view close);
void CollectBetween(std::string_view text, std::string_view open, std::string_view close,
                    std::vector<std::string>& list);
std::string EnsureHtmlExtension(std::string_view name);

std::string ReplaceIfFound(std::string_view text, std::string_view old_text,
                           std::string_view new_text);
std::string ReplaceFrom(std::string_view text, std::string_view old_text,
                        std::string_view new_text, std::size_t from);
std::string SqueezeSpaces(std::string_view text);
std::string SqueezeFullWidthBlanks(std::string_view text);
std::string TrimAllBlanks(std::string_view text);
// Cuts bytes up to the blank (controls included) from both ends.
std::string_view Trim(std::string_view text);

std::string PadNumberZeros(long long n, int width);
std::string PadNumberBlanks(long long n, int width);
int HexToInt(std::string_view text);
std::string AlignTab(std::string_view text, int width);

// The path separator here is "/".
std::size_t CountBackslashes(std::string_view path);
std::string ParentFolder(std::string_view path);

}  // namespace kaplo
