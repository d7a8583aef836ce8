#include "filetools/folder_tree.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "filetools/filetools_test_support.h"

namespace kaplo {
namespace {

using test::TempTree;
namespace fs = std::filesystem;

TEST(MountTableTest, RealMountsTypedRootFirst) {
  const std::string table =
      "proc /proc proc rw 0 0\n"
      "sysfs /sys sysfs rw 0 0\n"
      "tmpfs /tmp tmpfs rw 0 0\n"
      "/dev/sda1 /home ext4 rw 0 0\n"
      "/dev/sda2 / ext4 rw 0 0\n"
      "server:/export /mnt/share nfs4 rw 0 0\n"
      "//nas/x /mnt/nas\\040box cifs rw 0 0\n"
      "/dev/sr0 /media/cd iso9660 ro 0 0\n"
      "/dev/sdb1 /run/media/u/STICK vfat rw 0 0\n"
      "tmpfs /run/user/1000 tmpfs rw 0 0\n"
      "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
      "/dev/sda3 /home ext4 rw 0 0\n"
      "u@host:/srv /mnt/ssh fuse.sshfs rw 0 0\n";
  const std::vector<Drive> drives =
      ParseMountTable(table, [](std::string_view dev) { return dev == "/dev/sdb1"; });
  std::vector<std::pair<std::string, DriveType>> got;
  for (const Drive& d : drives) got.emplace_back(d.mount_point, d.type);
  const std::vector<std::pair<std::string, DriveType>> want = {
      {"/", DriveType::kFixed},
      {"/tmp", DriveType::kRam},
      {"/mnt/share", DriveType::kNetwork},
      {"/mnt/nas box", DriveType::kNetwork},
      {"/media/cd", DriveType::kCdRom},
      {"/run/media/u/STICK", DriveType::kRemovable},
      {"/home", DriveType::kFixed},
      {"/mnt/ssh", DriveType::kNetwork},
  };
  EXPECT_EQ(got, want);
  EXPECT_EQ(drives[6].device, "/dev/sda3") << "a mount point mounted twice keeps its last entry";
  EXPECT_EQ(ParseMountTable("", {}).front().mount_point, "/");
  EXPECT_FALSE(ReadDrives().empty());
}

TEST(ListFolderTest, FoldersFirstSortedKindsStored) {
  TempTree tree;
  tree.Write("b.txt");
  tree.Write("_under.txt");
  tree.Write("A.txt");
  tree.Write(".hidden");
  tree.Dir("zeta");
  tree.Dir("_Folder");
  tree.Dir("Alpha");
  fs::create_directory_symlink(tree.Path("zeta"), tree.Path("link-dir"));
  fs::create_symlink("nowhere", tree.Path("broken"));
  ASSERT_EQ(mkfifo(tree.Path("pipe").c_str(), 0644), 0);
  const auto list = ListFolder(tree.Path());
  ASSERT_TRUE(list);
  std::vector<std::pair<std::string, EntryKind>> got;
  for (const FolderEntry& e : *list) got.emplace_back(e.name, e.kind);
  const std::vector<std::pair<std::string, EntryKind>> want = {
      {"_Folder", EntryKind::kFolder}, {"Alpha", EntryKind::kFolder},
      {"link-dir", EntryKind::kFolder}, {"zeta", EntryKind::kFolder},
      {"_under.txt", EntryKind::kFile}, {"A.txt", EntryKind::kFile},
      {"b.txt", EntryKind::kFile},
  };
  EXPECT_EQ(got, want);
  EXPECT_TRUE(ListFolder(tree.Path("zeta"))->empty());
  EXPECT_FALSE(ListFolder(tree.Path("missing")));
  EXPECT_FALSE(ListFolder(tree.Path("b.txt")));
}

TEST(ListFolderTest, ReadOnlyFilesLeftOutUnlessAsked) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write every file";
  TempTree tree;
  tree.Write("ro.txt");
  fs::permissions(tree.Path("ro.txt"), fs::perms::owner_read);
  EXPECT_TRUE(ListFolder(tree.Path())->empty());
  EXPECT_EQ(ListFolder(tree.Path(), {.skip_read_only = false})->size(), 1u);
}

}  // namespace
}  // namespace kaplo
