#include "shell/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>

#include "shell/shell_test_support.h"
#include "text/convert.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

TEST(IniFile, LookupFollowsProfileRules) {
  const IniFile ini = IniFile::FromText(
      "Stray=before any section\r\n"
      "; a comment\r\n"
      "[DL]\r\n"
      "Keyword\r\n"                      // no "=": not a key, does not hide the next line
      "Keyword=x\r\n"
      "  Url  =  http://a/  \r\n"
      "URL=second\r\n"                   // a later duplicate key does not count
      "Empty=\r\n"
      "[dl]\r\n"
      "OpenIE=2\r\n"                     // keys of a later duplicate section do not count
      "  [ Menu ] trailing\r\n"
      "Maximized = 0x1\r\n");
  struct {
    const char *section, *key;
    std::optional<std::string> value;
  } cases[] = {
      {"DL", "Keyword", "x"},
      {"dl", "uRL", "http://a/"},
      {"DL", "Empty", ""},
      {"DL", "OpenIE", std::nullopt},
      {"DL", "Stray", std::nullopt},
      {"", "Stray", std::nullopt},
      {"MENU", "maximized", "0x1"},
      {"Missing", "Url", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ini.Find(c.section, c.key), c.value) << c.section << "/" << c.key;
  }
  EXPECT_TRUE(ini.ReadBool("Menu", "Maximized", false));
  EXPECT_EQ(ini.ReadInteger("DL", "Empty", 7), 7);
  EXPECT_EQ(ini.ReadString("DL", "Missing", "def"), "def");
}

TEST(IniFile, Integers) {
  struct {
    const char* text;
    int value;
  } cases[] = {
      {"12", 12},          {"-3", -3},         {"+4", 4},           {"0", 0},
      {"0x1F", 31},        {"0X1f", 31},       {"0xFFFFFFFF", -1},  {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      // not numbers: the default
      {"", 99},            {"0x", 99},         {"12ab", 99},        {"abc", 99},
      {"-0x10", 99},       {"0x1G", 99},       {"2147483648", 99},  {"0x100000000", 99},
      {"-", 99},           {"1 2", 99},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseIniInteger(c.text, 99), c.value) << c.text;
}

TEST(IniFile, LongValueIsCutOnACharacterBoundary) {
  const std::string& a = SJ<"あ">();
  const IniFile plain = IniFile::FromText("[S]\nK=" + std::string(3000, 'x') + "\n");
  EXPECT_EQ(plain.ReadString("S", "K"), std::string(2047, 'x'));
  // A double-byte character across the limit goes as a whole.
  const IniFile split = IniFile::FromText("[S]\nK=" + std::string(2046, 'x') + a + "yy\n");
  EXPECT_EQ(split.ReadString("S", "K"), std::string(2046, 'x'));
  EXPECT_EQ(split.Find("S", "K")->size(), 2050u);
}

TEST(IniFile, DoubleByteCharactersEndingInBracketOrBar) {
  // "ゾ" is 83 5D: its second byte is "]".
  const std::string& zo = SJ<"ゾ">();
  const IniFile ini = IniFile::FromText("[A]\n[B" + zo + "\nK=1\n[" + zo + "]\nK=2\n");
  EXPECT_EQ(ini.ReadInteger("A", "K", 0), 1);  // "[Bゾ" opens no section
  EXPECT_EQ(ini.ReadInteger(zo, "K", 0), 2);
}

TEST(IniFile, WritesKeepEverythingElse) {
  IniFile ini = IniFile::FromText(
      "; kept\n"
      "[Other]\n"
      "mine=1\n"
      "\n"
      "[DL]\n"
      "url = old\n"
      "Junk line\n"
      "\n"
      "[dl]\n"
      "Url=shadowed\n");
  ini.WriteString("DL", "Url", "new");
  ini.WriteString("dl", "SaveFolder", "/x/");
  ini.WriteInteger("NS", "IMEMode", -1);
  ini.WriteBool("NS", "Flag", true);
  ini.WriteString("Other", "injected", "a\r\n[Project]\nFile=evil");
  EXPECT_EQ(ini.ToBytes(),
            "; kept\n"
            "[Other]\n"
            "mine=1\n"
            "injected=a[Project]File=evil\n"
            "\n"
            "[DL]\n"
            "url=new\n"
            "Junk line\n"
            "SaveFolder=/x/\n"
            "\n"
            "[dl]\n"
            "Url=shadowed\n"
            "\n"
            "[NS]\n"
            "IMEMode=-1\n"
            "Flag=1\n");
  EXPECT_FALSE(ini.HasSection("Project"));
  ini.EraseSection("DL");  // both of them
  EXPECT_FALSE(ini.HasSection("dl"));
  EXPECT_EQ(ini.ToBytes(),
            "; kept\n[Other]\nmine=1\ninjected=a[Project]File=evil\n\n[NS]\nIMEMode=-1\nFlag=1\n");
}

TEST(IniFile, EncodingsAndLineEnds) {
  const std::string& nihon = SJ<"日本">();
  // Shift_JIS in, UTF-8 out, CR LF kept.
  const auto sjis = IniFile::FromBytes("[NS]\r\nKeyword=" + nihon + "\r\n");
  ASSERT_TRUE(sjis);
  EXPECT_EQ(sjis->ReadString("NS", "Keyword"), nihon);
  EXPECT_EQ(sjis->ToBytes(), "[NS]\r\nKeyword=\xE6\x97\xA5\xE6\x9C\xAC\r\n");

  // UTF-8 with a byte-order mark; a character with no Shift_JIS form survives
  // in a line this program does not change.
  auto utf8 = IniFile::FromBytes(
      "\xEF\xBB\xBF[NS]\nKeyword=\xE6\x97\xA5\xE6\x9C\xAC\nnote=\xF0\x9F\x98\x80\n");
  ASSERT_TRUE(utf8);
  EXPECT_EQ(utf8->ReadString("NS", "Keyword"), nihon);
  utf8->WriteString("NS", "note", utf8->ReadString("NS", "note"));  // "?", unchanged
  utf8->WriteString("NS", "Keyword", "x");
  EXPECT_EQ(utf8->ToBytes(), "[NS]\nKeyword=x\nnote=\xF0\x9F\x98\x80\n");

  // Old Mac line ends, no final line end.
  const auto cr = IniFile::FromBytes("[A]\rK=1\rL=2");
  ASSERT_TRUE(cr);
  EXPECT_EQ(cr->ReadInteger("A", "L", 0), 2);

  EXPECT_FALSE(IniFile::FromBytes(std::string("[A]\nK=1\0\n", 9)));
}

class IniDiskTest : public ::testing::Test {
 protected:
  TempFolder dir_;
  std::filesystem::path file_ = dir_ / "KAPLO.inf";

  static void SetKey(IniFile& ini) { ini.WriteString("DL", "Url", "http://b/"); }
  // Nothing but the settings file may be left in the folder.
  void ExpectNoStrayFiles() {
    for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
      EXPECT_EQ(e.path().filename().string().find(".KAPLO"), std::string::npos) << e.path();
    }
  }
};

TEST_F(IniDiskTest, UpdateCreatesKeepsModeAndLeavesNoTemporaryFile) {
  const auto sub = dir_ / "new" / "kaplo" / "KAPLO.inf";
  ASSERT_TRUE(UpdateIniFile(sub, SetKey));  // missing folders are made
  EXPECT_EQ(ReadBytes(sub), "[DL]\nUrl=http://b/\n");
  EXPECT_EQ(std::filesystem::status(sub).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

  WriteBytes(file_, "[DL]\nUrl=http://a/\n");
  ::chmod(file_.c_str(), 0640);
  ASSERT_TRUE(UpdateIniFile(file_, SetKey));
  EXPECT_EQ(ReadBytes(file_), "[DL]\nUrl=http://b/\n");
  struct stat st;
  ::stat(file_.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  ExpectNoStrayFiles();

  // A change that removes nothing from a missing file creates no file.
  const auto none = dir_ / "none.inf";
  EXPECT_TRUE(UpdateIniFile(none, [](IniFile& ini) { ini.EraseSection("DLUrl"); }));
  EXPECT_FALSE(std::filesystem::exists(none));
}

TEST_F(IniDiskTest, SymbolicLinkIsFollowed) {
  const auto real = dir_ / "real.inf";
  WriteBytes(real, "[A]\nK=1\n");
  std::filesystem::create_symlink(real, file_);
  ASSERT_TRUE(UpdateIniFile(file_, SetKey));
  EXPECT_TRUE(std::filesystem::is_symlink(file_));
  EXPECT_EQ(ReadBytes(real), "[A]\nK=1\n\n[DL]\nUrl=http://b/\n");
}

TEST_F(IniDiskTest, RefusedWritesLeaveTheFileAsItWas) {
  const std::string before = "[DL]\nUrl=http://a/\n";
  // A read-only file in a writable folder.
  WriteBytes(file_, before);
  test::GiveToOrdinaryUser(dir_.path());
  ::chmod(file_.c_str(), 0444);
  EXPECT_FALSE(test::AsOrdinaryUser([&] { return UpdateIniFile(file_, SetKey); }));
  EXPECT_EQ(ReadBytes(file_), before);

  // A read-only folder.
  ::chmod(file_.c_str(), 0666);
  ::chmod(dir_.path().c_str(), 0555);
  EXPECT_FALSE(test::AsOrdinaryUser([&] { return UpdateIniFile(file_, SetKey); }));
  ::chmod(dir_.path().c_str(), 0755);
  EXPECT_EQ(ReadBytes(file_), before);
  ExpectNoStrayFiles();

  // A file that is no settings file is never overwritten.
  const std::string binary("\x7F" "ELF\0\0[DL]\n", 11);
  WriteBytes(file_, binary);
  EXPECT_EQ(ReadIniFile(file_).status, IniStatus::kUnreadable);
  EXPECT_FALSE(UpdateIniFile(file_, SetKey));
  EXPECT_EQ(ReadBytes(file_), binary);
}

TEST_F(IniDiskTest, OddFilesGiveAClearStatus) {
  EXPECT_EQ(ReadIniFile(file_).status, IniStatus::kMissing);
  EXPECT_EQ(ReadIniFile(dir_ / "no" / "such.inf").status, IniStatus::kMissing);
  EXPECT_EQ(ReadIniFile(dir_.path()).status, IniStatus::kUnreadable);
  EXPECT_FALSE(UpdateIniFile(dir_.path(), SetKey));
  const auto fifo = dir_ / "fifo.inf";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ReadIniFile(fifo).status, IniStatus::kUnreadable);  // and does not block
  EXPECT_FALSE(UpdateIniFile("", SetKey));
}

TEST_F(IniDiskTest, TenMegabyteLineIsReadCutAndKeptWhole) {
  const std::string huge(10 << 20, 'u');
  const std::string text = "[DL]\nUrl=" + huge + "\nOpenIE=2\n";
  WriteBytes(file_, text);
  const IniRead in = ReadIniFile(file_);
  ASSERT_EQ(in.status, IniStatus::kOk);
  EXPECT_EQ(in.file.ReadString("DL", "Url").size(), kIniValueLimit);
  EXPECT_EQ(in.file.ReadInteger("DL", "OpenIE", 0), 2);
  ASSERT_TRUE(UpdateIniFile(file_, [](IniFile& ini) { ini.WriteInteger("DL", "OpenIE", 1); }));
  EXPECT_EQ(ReadBytes(file_), "[DL]\nUrl=" + huge + "\nOpenIE=1\n");
}

}  // namespace
}  // namespace kaplo
