#include "shell/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "shell/ini_file.h"
#include "shell/shell_test_support.h"
#include "text/convert.h"
#include "text/fsname.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

class SettingsTest : public ::testing::Test {
 protected:
  TempFolder dir_;
  fs::path file_ = dir_ / "KAPLO.inf";
  std::string sjis_dir_ = SjisFromFsPath(dir_.path());

  Settings Load() {
    Settings s;
    EXPECT_EQ(LoadIniSettings(file_, s), SettingsLoad::kLoaded);
    return s;
  }
};

TEST_F(SettingsTest, SaveThenLoadRestoresEveryLoadedValue) {
  const std::string project = sjis_dir_ + "/" + SJ<"日本.prj">();
  WriteBytes(FsPath(project), "p");

  Settings saved;
  saved.project.file = project;
  saved.folder.default_folder = sjis_dir_;
  saved.ns = {SJ<"検索 語">(), 140, 1};
  saved.dl.url = "http://host/a/";
  saved.dl.save_folder = "/dl/";
  saved.dl.local_filename = "index.html";
  saved.dl.base_page_local = "base.html";
  saved.dl.open_ie = 2;
  saved.dl.initial_load = 1;
  saved.dl.base_level = 2;
  saved.dl.remove_root = 1;
  saved.dl.remove_other_domain = 1;
  saved.dl.remove_base_href = 3;
  saved.dl.save_filename = "save.html";
  saved.dl.indiv_image_url = "http://host/i.gif";
  saved.dl.top_page_html = "top.html";
  saved.dl.top_dummy_directory = "dummy";
  saved.dl.dont_empty_folder = saved.dl.dont_save_image = saved.dl.dont_redraw = true;
  saved.dl.remove_domain = saved.dl.dont_make_css_list = saved.dl.css_only = true;
  saved.dl.refresh = saved.dl.warc = saved.dl.single_file = saved.dl.same_site = true;
  saved.dl.depth = 3;
  saved.ip.url = "192.0.2.1";
  saved.gui = {"http://gui/", "/g/page.html"};
  saved.menu = {true, true};
  saved.main_form = {30, 40, 1200, 700};
  saved.presets.Add("http://b/|/b/");
  saved.presets.Add("http://a/|");
  ASSERT_TRUE(SaveIniSettings(file_, saved));
  ASSERT_TRUE(WriteFormSourceBounds(file_, {10, 20, 300, 400}));

  // Japanese texts are stored as UTF-8.
  EXPECT_NE(ReadBytes(file_).find("Keyword=\xE6\xA4\x9C\xE7\xB4\xA2 \xE8\xAA\x9E"),
            std::string::npos);

  Settings loaded;
  loaded.dl.save_filename = "initial";
  loaded.dl.indiv_image_url = "initial too";
  ASSERT_EQ(LoadIniSettings(file_, loaded), SettingsLoad::kLoaded);
  Settings expected = saved;
  expected.dl.save_filename = "initial";  // written, never read back
  expected.dl.indiv_image_url = "initial too";
  expected.form_source = {10, 20, 300, 400};
  EXPECT_EQ(loaded, expected);
  EXPECT_EQ(loaded.presets.Entries(), (std::vector<std::string>{"http://a/|", "http://b/|/b/"}));
}

TEST_F(SettingsTest, MissingKeysGiveDefaultsAndMissingFileChangesNothing) {
  Settings initial;
  initial.dl.open_ie = 1;  // the window's own initial choices
  initial.dl.remove_root = 1;
  initial.dl.top_page_html = "index.html";
  initial.presets.Add("http://x/|");

  Settings none = initial;
  EXPECT_EQ(LoadIniSettings(file_, none), SettingsLoad::kNoFile);
  Settings expected = initial;
  expected.presets.Clear();
  EXPECT_EQ(none, expected);

  WriteBytes(file_, "[DL]\nUrl=http://a/\n");
  Settings some = initial;
  ASSERT_EQ(LoadIniSettings(file_, some), SettingsLoad::kLoaded);
  Settings defaults;
  defaults.dl.url = "http://a/";
  EXPECT_EQ(some, defaults);
}

TEST_F(SettingsTest, StoredPathsThatNoLongerExistAreDropped) {
  fs::create_directory(dir_ / "folder");
  WriteBytes(dir_ / "file.prj", "p");
  struct {
    std::string file, folder;
    bool file_kept, folder_kept;
  } cases[] = {
      {sjis_dir_ + "/file.prj", sjis_dir_ + "/folder", true, true},
      {sjis_dir_ + "/gone.prj", sjis_dir_ + "/gone", false, false},
      {sjis_dir_ + "/folder", sjis_dir_ + "/file.prj", false, false},  // wrong kinds
  };
  for (const auto& c : cases) {
    WriteBytes(file_, "[Project]\nFile=" + c.file + "\n[Folder]\nDefault=" + c.folder + "\n");
    const Settings s = Load();
    EXPECT_EQ(s.project.file, c.file_kept ? c.file : "") << c.file;
    EXPECT_EQ(s.folder.default_folder, c.folder_kept ? c.folder : "") << c.folder;
  }
}

TEST_F(SettingsTest, ChoicesAreClampedAndNumbersParsed) {
  struct {
    const char* value;
    int open_ie, remove_base_href, height;
    bool flag;
  } cases[] = {
      {"7", 2, 3, 7, true},   {"3", 2, 3, 3, true},      {"-1", -1, -1, 0, true},
      {"-5", -1, -1, 0, true}, {"0x2", 2, 2, 2, true},   {"abc", 0, 0, 0, false},
      {"", 0, 0, 0, false},    {"0", 0, 0, 0, false},
  };
  for (const auto& c : cases) {
    const std::string v = c.value;
    WriteBytes(file_, "[DL]\nOpenIE=" + v + "\nRemoveBaseHref=" + v + "\nCSSOnly=" + v +
                          "\n[NS]\nPageTopHeight=" + v + "\n");
    const Settings s = Load();
    EXPECT_EQ(s.dl.open_ie, c.open_ie) << v;
    EXPECT_EQ(s.dl.remove_base_href, c.remove_base_href) << v;
    EXPECT_EQ(s.ns.page_top_height, c.height) << v;
    EXPECT_EQ(s.dl.css_only, c.flag) << v;
  }
}

TEST_F(SettingsTest, PresetsLoadUpToAHundredAndStopAtAGap) {
  std::string text = "[DLUrl]\n";
  for (int i = 0; i < 150; ++i) text += std::to_string(i) + "=http://h" + std::to_string(1000 + i) + "/|\n";
  WriteBytes(file_, text);
  Settings s = Load();
  ASSERT_EQ(s.presets.Size(), 100u);
  EXPECT_EQ(s.presets.Entries().back(), "http://h1099/|");

  WriteBytes(file_, "[dlurl]\n0=http://b/|\n1=HTTP://A/|x\n3=http://c/|\n4=http://a/|X\n");
  s = Load();
  EXPECT_EQ(s.presets.Entries(), (std::vector<std::string>{"HTTP://A/|x", "http://b/|"}));

  // Equal entries apart from letter case count once.
  WriteBytes(file_, "[DLUrl]\n0=http://a/|x\n1=HTTP://A/|X\n");
  EXPECT_EQ(Load().presets.Size(), 1u);
}

TEST_F(SettingsTest, PresetCommands) {
  PresetList presets;
  std::vector<std::string> items = {"http://seen/"};
  EXPECT_EQ(AppendPreset(presets, items, "http://a/", "/dl/a/"), PresetAppend::kAdded);
  EXPECT_EQ(AppendPreset(presets, items, "HTTP://A/", "/other/"), PresetAppend::kPresent);
  EXPECT_EQ(AppendPreset(presets, items, "http://SEEN/", ""), PresetAppend::kPresent);
  EXPECT_EQ(AppendPreset(presets, items, "  ", "/dl/"), PresetAppend::kEmptyUrl);
  EXPECT_EQ(presets.Entries(), std::vector<std::string>{"http://a/|/dl/a/"});
  EXPECT_EQ(items, (std::vector<std::string>{"http://seen/", "http://a/"}));
  EXPECT_FALSE(fs::exists(file_));  // appending writes nothing

  // Saving replaces the whole section, stale keys included; removing erases
  // it; nothing else is touched.
  WriteBytes(file_, "[DLUrl]\n0=http://old/|\n1=http://old2/|\n2=http://old3/|\n[Keep]\nk=1\n");
  EXPECT_TRUE(SavePresets(file_, presets));
  EXPECT_EQ(ReadBytes(file_), "[Keep]\nk=1\n\n[DLUrl]\n0=http://a/|/dl/a/\n");
  EXPECT_TRUE(RemovePresets(file_, presets, items));
  EXPECT_TRUE(presets.Empty());
  EXPECT_TRUE(items.empty());
  EXPECT_EQ(ReadBytes(file_), "[Keep]\nk=1\n\n");

  // Saving the settings with no presets keeps the file's.
  WriteBytes(file_, "[DLUrl]\n0=http://old/|\n");
  EXPECT_TRUE(SaveIniSettings(file_, Settings{}));
  EXPECT_EQ(ReadIniListItem(file_, "DLUrl", "", 0), "http://old/|");

  for (int i = 0; i < kMaxPresets; ++i) {
    AppendPreset(presets, items, "http://h/" + std::to_string(i), "");
  }
  EXPECT_EQ(AppendPreset(presets, items, "http://one-more/", ""), PresetAppend::kFull);
  EXPECT_EQ(presets.Size(), static_cast<std::size_t>(kMaxPresets));
}

TEST(Presets, UrlsAndFoldersSplitAtTheFirstBar) {
  // "ポ" is 83 7C: its second byte is "|".
  const std::string& po = SJ<"ポ">();
  PresetList presets;
  presets.Add("http://b/" + po + "|/dl/b|x");
  presets.Add("no bar");
  presets.Add("http://a/|");
  EXPECT_EQ(PresetUrls(presets), (std::vector<std::string>{"http://a/", "http://b/" + po}));
  EXPECT_EQ(PresetSaveFolder(presets, "HTTP://B/" + po), "/dl/b|x");
  EXPECT_EQ(PresetSaveFolder(presets, "http://a/"), "");
  EXPECT_EQ(PresetSaveFolder(presets, "no bar"), std::nullopt);
}

TEST_F(SettingsTest, SavingKeepsForeignContentAndReadsShiftJisFiles) {
  const std::string& nihon = SJ<"日本">();
  WriteBytes(file_, "; mine\r\n[Mine]\r\nk=" + nihon + "\r\n[FormSource]\r\nTop=5\r\n[DL]\r\nUrl=" +
                        nihon + "\r\nExtra=1\r\n");
  Settings s = Load();
  EXPECT_EQ(s.dl.url, nihon);
  EXPECT_EQ(s.form_source.top, 5);
  s.form_source.top = 99;  // saved on its own, not with the rest
  ASSERT_TRUE(SaveIniSettings(file_, s));
  const std::string utf8 = ReadBytes(file_);
  EXPECT_TRUE(utf8.starts_with(
      "; mine\r\n[Mine]\r\nk=\xE6\x97\xA5\xE6\x9C\xAC\r\n[FormSource]\r\nTop=5\r\n[DL]\r\n"))
      << utf8;
  EXPECT_NE(utf8.find("Url=\xE6\x97\xA5\xE6\x9C\xAC\r\nExtra=1\r\n"), std::string::npos);
  EXPECT_EQ(Load().dl.url, nihon);
}

TEST_F(SettingsTest, RefusedWriteLeavesFileAndNamesIt) {
  WriteBytes(file_, "[DL]\nUrl=a\n");
  Settings s;
  s.dl.url = "b";
  ::chmod(dir_.path().c_str(), 0555);
  EXPECT_FALSE(test::AsOrdinaryUser([&] { return SaveIniSettings(file_, s); }));
  ::chmod(dir_.path().c_str(), 0755);
  EXPECT_EQ(ReadBytes(file_), "[DL]\nUrl=a\n");
  EXPECT_EQ(SettingsWriteError(file_), sjis_dir_ + "/KAPLO.inf" + SJ<" に書き込めません">());
  EXPECT_FALSE(SaveIniSettings("", s));
}

TEST_F(SettingsTest, SourceWindowBoundsNeedAFile) {
  EXPECT_EQ(ReadFormSourceBounds(file_), std::nullopt);
  EXPECT_TRUE(WriteFormSourceBounds(file_, {1, 2, 3, 4}));
  EXPECT_FALSE(fs::exists(file_));
  WriteBytes(file_, "");
  EXPECT_TRUE(WriteFormSourceBounds(file_, {1, 2, 3, 4}));
  EXPECT_EQ(ReadFormSourceBounds(file_), (WindowBounds{1, 2, 3, 4}));
}

TEST_F(SettingsTest, ListsUnderAPrefix) {
  WriteBytes(file_, "[Hist]\nu0=old\nu5=old\n");
  ASSERT_TRUE(WriteIniList(file_, "hist", "u", {"a", "b", "", "c"}));
  EXPECT_EQ(ReadIniListItem(file_, "Hist", "u", 1), "b");
  EXPECT_EQ(ReadIniListItem(file_, "Hist", "u", 3), "");
  EXPECT_EQ(ReadIniListItem(file_, "Hist", "u", 5), "");
  ASSERT_TRUE(WriteIniInteger(file_, "NS", "PageTopHeight", 62));
  EXPECT_EQ(Load().ns.page_top_height, 62);
}

TEST_F(SettingsTest, SettingsFileLocation) {
  for (const char* name : {"XKAPLO.inf", "KAPLO.txt", "KAPLOinf", "kaplo_a.INF", "KAPLO_b.inf"}) {
    WriteBytes(dir_ / name, "");
  }
  fs::create_directory(dir_ / "KAPLO_0.inf");  // a folder does not count
  EXPECT_EQ(GetInf(sjis_dir_ + "/"), "KAPLO_b.inf");
  EXPECT_EQ(FindSettingsFile(dir_.path()), dir_ / "KAPLO_b.inf");

  TempFolder empty;
  const char* old_xdg = std::getenv("XDG_CONFIG_HOME");
  const std::string saved_xdg = old_xdg ? old_xdg : "";
  ::setenv("XDG_CONFIG_HOME", (dir_ / "conf").c_str(), 1);
  EXPECT_EQ(GetInf(SjisFromFsPath(empty.path())), "");
  EXPECT_EQ(FindSettingsFile(empty.path()), dir_ / "conf" / "kaplo" / "KAPLO.inf");
  ::setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored
  if (const char* home = std::getenv("HOME"); home && *home) {
    EXPECT_EQ(FindSettingsFile(empty.path()), fs::path(home) / ".config" / "kaplo" / "KAPLO.inf");
  }
  if (old_xdg) {
    ::setenv("XDG_CONFIG_HOME", saved_xdg.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
  EXPECT_FALSE(ProgramFolder().empty());
}

}  // namespace
}  // namespace kaplo
