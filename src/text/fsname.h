// File names at the file-system boundary: Shift_JIS inside the core, UTF-8 on disk.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kaplo {

std::filesystem::path FsPath(std::string_view sjis_path);
std::string SjisFromFsPath(const std::filesystem::path& path);

}  // namespace kaplo
