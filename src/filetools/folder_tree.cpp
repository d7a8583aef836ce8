#include "filetools/folder_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace kaplo {
namespace {

constexpr std::string_view kPseudo[] = {
    "proc",      "sysfs",      "devtmpfs", "devpts",   "cgroup",    "cgroup2",   "securityfs",
    "debugfs",   "tracefs",    "pstore",   "bpf",      "mqueue",    "hugetlbfs", "configfs",
    "fusectl",   "binfmt_misc", "autofs",  "nsfs",     "efivarfs",  "rpc_pipefs", "selinuxfs",
    "overlay_internal", "fuse.gvfsd-fuse", "fuse.portal", "squashfs", "nfsd"};
constexpr std::string_view kNetwork[] = {"nfs",  "nfs4",      "cifs",      "smb3",   "smbfs",
                                         "9p",   "afs",       "ceph",      "glusterfs", "davfs",
                                         "ncpfs", "fuse.sshfs", "fuse.rclone", "fuse.s3fs"};
constexpr std::string_view kCd[] = {"iso9660", "udf"};
constexpr std::string_view kRam[] = {"tmpfs", "ramfs"};

template <std::size_t N>
bool In(const std::string_view (&list)[N], std::string_view v) {
  return std::find(std::begin(list), std::end(list), v) != std::end(list);
}

bool Below(std::string_view path, std::string_view top) {
  return path == top || (path.size() > top.size() && path.substr(0, top.size()) == top &&
                         path[top.size()] == '/');
}

// Mount tables escape space, tab, newline and backslash as octal.
std::string Unescape(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3') {
      out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

bool Hidden(std::string_view mount_point) {
  if (mount_point == "/") return false;
  if (Below(mount_point, "/run/media")) return false;
  for (std::string_view top : {"/proc", "/sys", "/dev", "/run", "/snap"}) {
    if (Below(mount_point, top)) return true;
  }
  return false;
}

bool SysfsRemovable(std::string_view device) {
  if (device.substr(0, 5) != "/dev/") return false;
  char real[PATH_MAX];
  const std::string link = "/sys/class/block/" + std::string(device.substr(5));
  if (realpath(link.c_str(), real) == nullptr) return false;
  std::string dir = real;
  // A partition's flag is on its disk, one folder up.
  for (int i = 0; i < 2 && !dir.empty(); ++i) {
    std::ifstream f(dir + "/removable");
    char c = 0;
    if (f >> c) return c == '1';
    dir.erase(dir.rfind('/'));
  }
  return false;
}

bool LessNoCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](unsigned char c) { return static_cast<unsigned char>(c - 'A') < 26u ? c | 0x20 : c; };
    return lower(x) < lower(y);
  });
}

}  // namespace

std::vector<Drive> ParseMountTable(std::string_view table,
                                   const std::function<bool(std::string_view)>& is_removable) {
  std::vector<Drive> drives;
  std::istringstream in{std::string(table)};
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string device, point, type;
    if (!(fields >> device >> point >> type)) continue;
    Drive d{Unescape(point), Unescape(device), type, DriveType::kFixed};
    if (In(kPseudo, type) || Hidden(d.mount_point)) continue;
    // A FUSE mount of "host:path" is remote too.
    if (In(kNetwork, type) ||
        (type.starts_with("fuse.") && d.device.find(':') != std::string::npos)) {
      d.type = DriveType::kNetwork;
    } else if (In(kCd, type)) {
      d.type = DriveType::kCdRom;
    } else if (In(kRam, type)) {
      d.type = DriveType::kRam;
    } else if (is_removable && is_removable(d.device)) {
      d.type = DriveType::kRemovable;
    }
    std::erase_if(drives, [&](const Drive& o) { return o.mount_point == d.mount_point; });
    drives.push_back(std::move(d));
  }
  auto root = std::find_if(drives.begin(), drives.end(),
                           [](const Drive& d) { return d.mount_point == "/"; });
  if (root == drives.end()) {
    drives.insert(drives.begin(), Drive{"/", "", "", DriveType::kFixed});
  } else {
    std::rotate(drives.begin(), root, root + 1);
  }
  return drives;
}

std::vector<Drive> ReadDrives() {
  std::ifstream f("/proc/self/mounts");
  std::stringstream text;
  text << f.rdbuf();
  return ParseMountTable(text.str(), SysfsRemovable);
}

std::optional<std::vector<FolderEntry>> ListFolder(const std::string& folder,
                                                   const ListOptions& options) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  DIR* dir = fdopendir(fd);
  if (dir == nullptr) {
    close(fd);
    return std::nullopt;
  }
  std::vector<std::string> folders, files;
  while (const dirent* d = readdir(dir)) {
    const std::string_view name = d->d_name;
    if (name.empty() || name[0] == '.') continue;
    unsigned char type = d->d_type;
    if (type == DT_LNK || type == DT_UNKNOWN) {
      // The kind is what the entry is, a link taken for its target.
      struct stat st;
      if (fstatat(fd, d->d_name, &st, 0) != 0) continue;
      type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
    }
    if (type == DT_DIR) {
      folders.emplace_back(name);
    } else if (type == DT_REG) {
      if (options.skip_read_only && faccessat(fd, d->d_name, W_OK, AT_EACCESS) != 0) continue;
      files.emplace_back(name);
    }
  }
  closedir(dir);
  std::sort(folders.begin(), folders.end(), LessNoCase);
  std::sort(files.begin(), files.end(), LessNoCase);
  std::vector<FolderEntry> out;
  out.reserve(folders.size() + files.size());
  for (std::string& n : folders) out.push_back({std::move(n), EntryKind::kFolder});
  for (std::string& n : files) out.push_back({std::move(n), EntryKind::kFile});
  return out;
}

}  // namespace kaplo
