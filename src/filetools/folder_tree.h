// What the folder trees show: the mounted file systems as drives, and the
// entries of one folder, loaded when the folder is opened.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kaplo {

enum class DriveType { kFixed, kRemovable, kNetwork, kCdRom, kRam };

struct Drive {
  std::string mount_point;  // absolute, "/" first
  std::string device;
  std::string fs_type;
  DriveType type = DriveType::kFixed;
};

// The drives of a mount table in the format of /proc/self/mounts: "/" first,
// then every other real mount in table order (a mount point mounted twice
// keeps its last entry). Kernel and pseudo file systems, and mounts below
// /proc, /sys, /dev and /run (except /run/media), are left out.
// is_removable answers for a device such as "/dev/sdb1".
std::vector<Drive> ParseMountTable(std::string_view table,
                                   const std::function<bool(std::string_view)>& is_removable);
// The drives of this machine (/proc/self/mounts, removable media from sysfs).
std::vector<Drive> ReadDrives();

enum class EntryKind : std::uint8_t { kDrive = 0, kFolder = 1, kFile = 2 };

struct FolderEntry {
  std::string name;  // the file system's bytes
  EntryKind kind;
};

struct ListOptions {
  // Leave out files the user may not write (the read-only attribute).
  bool skip_read_only = true;
};

// The entries of folder: folders first, then files, each sorted by name
// without regard to ASCII case; names beginning with "." and entries that are
// neither folders nor regular files (after following links) are left out.
// Nothing when the folder cannot be listed.
std::optional<std::vector<FolderEntry>> ListFolder(const std::string& folder,
                                                   const ListOptions& options = {});

}  // namespace kaplo
