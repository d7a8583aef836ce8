#include "shell/settings.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "shell/ini_file.h"
#include "text/fsname.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"
#include "text/strutil.h"

namespace kaplo {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPresetSection = "DLUrl";
constexpr std::string_view kFormSourceSection = "FormSource";
constexpr std::string_view kMainFormSection = "AMainForm";

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && LowerAscii(a) == LowerAscii(b);
}

// File names on disk are UTF-8; the pattern is ASCII, so bytewise letter
// folding is enough.
bool SameAsciiNoCase(std::string_view name, std::string_view pattern) {
  return name.size() == pattern.size() &&
         std::equal(name.begin(), name.end(), pattern.begin(),
                    [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
}

bool IsSettingsName(std::string_view name) {
  return name.size() >= 9 && SameAsciiNoCase(name.substr(0, 5), "kaplo") &&
         SameAsciiNoCase(name.substr(name.size() - 4), ".inf");
}

std::optional<std::string> FirstSettingsName(const fs::path& folder) {
  std::optional<std::string> best;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (!IsSettingsName(name)) continue;
    std::error_code type_ec;
    // Regular files only: a FIFO or device of that name would block or worse.
    if (!fs::is_regular_file(it->path(), type_ec)) continue;
    if (!best || name < *best) best = std::move(name);
  }
  return best;
}

fs::path ConfigHome() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') return xdg;
  if (const char* home = std::getenv("HOME"); home && home[0] != '\0') {
    return fs::path(home) / ".config";
  }
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::string buf(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
  passwd pw;
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found &&
      found->pw_dir && found->pw_dir[0] != '\0') {
    return fs::path(found->pw_dir) / ".config";
  }
  return {};
}

bool FileExists(const std::string& sjis_path) {
  if (sjis_path.empty()) return false;
  std::error_code ec;
  const fs::file_status st = fs::status(FsPath(sjis_path), ec);
  return fs::exists(st) && !fs::is_directory(st);
}

bool FolderExists(const std::string& sjis_path) {
  if (sjis_path.empty()) return false;
  std::error_code ec;
  return fs::is_directory(FsPath(sjis_path), ec);
}

int ClampChoice(int index, int choices) {
  return std::clamp(index, -1, choices - 1);
}

// One list of every key, in file order, for loading and saving alike.
template <typename S, typename V>
void VisitKeys(S& s, V& v) {
  v.Text("Project", "File", s.project.file);
  v.Text("Folder", "Default", s.folder.default_folder);
  v.Text("NS", "Keyword", s.ns.keyword);
  v.Height("NS", "PageTopHeight", s.ns.page_top_height);
  v.Choice("NS", "IMEMode", s.ns.ime_mode, kImeModeChoices);
  v.Text("DL", "Url", s.dl.url);
  v.Text("DL", "SaveFolder", s.dl.save_folder);
  v.Text("DL", "LocalFilename", s.dl.local_filename);
  v.Text("DL", "BasePageLocal", s.dl.base_page_local);
  v.Choice("DL", "OpenIE", s.dl.open_ie, kOpenIEChoices);
  v.Choice("DL", "InitialLoad", s.dl.initial_load, kInitialLoadChoices);
  v.Choice("DL", "BaseLevel", s.dl.base_level, kBaseLevelChoices);
  v.Choice("DL", "RemoveRoot", s.dl.remove_root, kRemoveRootChoices);
  v.Choice("DL", "RemoveOtherDmain", s.dl.remove_other_domain, kRemoveOtherDomainChoices);
  v.Choice("DL", "RemoveBaseHref", s.dl.remove_base_href, kRemoveBaseHrefChoices);
  v.SavedOnly("DL", "SaveFilename", s.dl.save_filename);
  v.SavedOnly("DL", "IndivImageUrl", s.dl.indiv_image_url);
  v.Text("DL", "TopPageHTML", s.dl.top_page_html);
  v.Text("DL", "TopDummyDirectory", s.dl.top_dummy_directory);
  v.Flag("DL", "DontEmptyFolder", s.dl.dont_empty_folder);
  v.Flag("DL", "DontSaveImage", s.dl.dont_save_image);
  v.Flag("DL", "DontRedraw", s.dl.dont_redraw);
  v.Flag("DL", "ReveDomain", s.dl.remove_domain);
  v.Flag("DL", "DontMakeCSSlist", s.dl.dont_make_css_list);
  v.Flag("DL", "CSSOnly", s.dl.css_only);
  v.Flag("DL", "Refresh", s.dl.refresh);
  v.Flag("DL", "Warc", s.dl.warc);
  v.Flag("DL", "SingleFile", s.dl.single_file);
  v.Flag("DL", "SameSite", s.dl.same_site);
  v.Number("DL", "Depth", s.dl.depth);
  v.Text("IP", "Url", s.ip.url);
  v.Text("GUI", "Url", s.gui.url);
  v.Text("GUI", "LocalFile", s.gui.local_file);
  v.Flag("Menu", "Maximized", s.menu.maximized);
  v.Flag("Menu", "Initialize", s.menu.initialize);
}

struct Loader {
  const IniFile& ini;
  void Text(std::string_view sec, std::string_view key, std::string& v) {
    v = ini.ReadString(sec, key);
  }
  void Height(std::string_view sec, std::string_view key, int& v) {
    v = std::max(0, ini.ReadInteger(sec, key, 0));
  }
  void Number(std::string_view sec, std::string_view key, int& v) { Height(sec, key, v); }
  void Choice(std::string_view sec, std::string_view key, int& v, int choices) {
    v = ClampChoice(ini.ReadInteger(sec, key, 0), choices);
  }
  void Flag(std::string_view sec, std::string_view key, bool& v) {
    v = ini.ReadBool(sec, key, false);
  }
  void SavedOnly(std::string_view, std::string_view, std::string&) {}
};

struct Saver {
  IniFile& ini;
  void Text(std::string_view sec, std::string_view key, const std::string& v) {
    ini.WriteString(sec, key, v);
  }
  void Height(std::string_view sec, std::string_view key, int v) { ini.WriteInteger(sec, key, v); }
  void Number(std::string_view sec, std::string_view key, int v) { ini.WriteInteger(sec, key, v); }
  void Choice(std::string_view sec, std::string_view key, int v, int) {
    ini.WriteInteger(sec, key, v);
  }
  void Flag(std::string_view sec, std::string_view key, bool v) { ini.WriteBool(sec, key, v); }
  void SavedOnly(std::string_view sec, std::string_view key, const std::string& v) {
    ini.WriteString(sec, key, v);
  }
};

void PutList(IniFile& ini, std::string_view section, std::string_view prefix,
             const std::vector<std::string>& list) {
  ini.EraseSection(section);
  for (std::size_t i = 0; i < list.size() && !list[i].empty(); ++i) {
    ini.WriteString(section, std::string(prefix) + std::to_string(i), list[i]);
  }
}

WindowBounds BoundsFrom(const IniFile& ini, std::string_view section) {
  return {ini.ReadInteger(section, "Top", 0), ini.ReadInteger(section, "Left", 0),
          ini.ReadInteger(section, "Width", 0), ini.ReadInteger(section, "Height", 0)};
}

void PutBounds(IniFile& ini, std::string_view section, const WindowBounds& b) {
  ini.WriteInteger(section, "Top", b.top);
  ini.WriteInteger(section, "Left", b.left);
  ini.WriteInteger(section, "Width", b.width);
  ini.WriteInteger(section, "Height", b.height);
}

}  // namespace

// ---- where the file is ----

std::string GetInf(std::string_view folder) {
  const auto name = FirstSettingsName(FsPath(folder));
  return name ? SjisFromFsPath(*name) : std::string();
}

fs::path FindSettingsFile(const fs::path& program_folder) {
  if (!program_folder.empty()) {
    if (const auto name = FirstSettingsName(program_folder)) return program_folder / *name;
  }
  const fs::path config = ConfigHome();
  if (config.empty()) return {};
  return config / "kaplo" / "KAPLO.inf";
}

fs::path ProgramFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : exe.parent_path();
}

std::string SettingsWriteError(const fs::path& file) {
  return SjisFromFsPath(file) + SJ<" に書き込めません">();
}

// ---- download presets ----

bool PresetList::Add(std::string entry) {
  if (entry.empty()) return false;
  const std::string key = LowerAscii(entry);
  const auto at = std::lower_bound(
      entries_.begin(), entries_.end(), key,
      [](const std::string& e, const std::string& k) { return LowerAscii(e) < k; });
  if (at != entries_.end() && LowerAscii(*at) == key) return false;
  entries_.insert(at, std::move(entry));
  return true;
}

PresetAppend AppendPreset(PresetList& presets, std::vector<std::string>& url_items,
                          std::string_view url, std::string_view save_folder) {
  if (Trim(url).empty()) return PresetAppend::kEmptyUrl;
  for (const std::string& item : url_items) {
    if (EqualNoCase(item, url)) return PresetAppend::kPresent;
  }
  if (presets.Size() >= static_cast<std::size_t>(kMaxPresets)) return PresetAppend::kFull;
  url_items.emplace_back(url);
  std::string entry(url);
  entry += '|';
  entry += save_folder;
  return presets.Add(std::move(entry)) ? PresetAppend::kAdded : PresetAppend::kPresent;
}

std::vector<std::string> PresetUrls(const PresetList& presets) {
  std::vector<std::string> urls;
  for (const std::string& e : presets.Entries()) {
    const std::size_t bar = FindAtBoundary(e, "|");
    if (bar != std::string::npos) urls.push_back(e.substr(0, bar));
  }
  return urls;
}

std::optional<std::string> PresetSaveFolder(const PresetList& presets, std::string_view url) {
  for (const std::string& e : presets.Entries()) {
    const std::size_t bar = FindAtBoundary(e, "|");
    if (bar != std::string::npos && EqualNoCase(std::string_view(e).substr(0, bar), url)) {
      return e.substr(bar + 1);
    }
  }
  return std::nullopt;
}

// ---- loading and saving ----

SettingsLoad LoadIniSettings(const fs::path& file, Settings& s) {
  s.presets.Clear();
  const IniRead in = ReadIniFile(file);
  if (in.status == IniStatus::kMissing) return SettingsLoad::kNoFile;
  if (in.status == IniStatus::kUnreadable) return SettingsLoad::kUnreadable;
  const IniFile& ini = in.file;
  Loader loader{ini};
  VisitKeys(s, loader);
  if (!FileExists(s.project.file)) s.project.file.clear();
  if (!FolderExists(s.folder.default_folder)) s.folder.default_folder.clear();
  for (int n = 0; n < kMaxPresets; ++n) {
    std::string entry = ini.ReadString(kPresetSection, std::to_string(n));
    if (entry.empty()) break;
    s.presets.Add(std::move(entry));
  }
  s.form_source = BoundsFrom(ini, kFormSourceSection);
  s.main_form = BoundsFrom(ini, kMainFormSection);
  return SettingsLoad::kLoaded;
}

bool SaveIniSettings(const fs::path& file, const Settings& s) {
  return UpdateIniFile(file, [&](IniFile& ini) {
    Saver saver{ini};
    VisitKeys(s, saver);
    if (s.main_form.width > 0 && s.main_form.height > 0) PutBounds(ini, kMainFormSection, s.main_form);
    if (!s.presets.Empty()) PutList(ini, kPresetSection, "", s.presets.Entries());
  });
}

bool WriteIniList(const fs::path& file, std::string_view section, std::string_view prefix,
                  const std::vector<std::string>& list) {
  return UpdateIniFile(file, [&](IniFile& ini) { PutList(ini, section, prefix, list); });
}

std::string ReadIniListItem(const fs::path& file, std::string_view section,
                            std::string_view prefix, int n) {
  const IniRead in = ReadIniFile(file);
  return in.file.ReadString(section, std::string(prefix) + std::to_string(n));
}

bool WriteIniInteger(const fs::path& file, std::string_view section, std::string_view key,
                     int value) {
  return UpdateIniFile(file, [&](IniFile& ini) { ini.WriteInteger(section, key, value); });
}

bool SavePresets(const fs::path& file, const PresetList& presets) {
  if (presets.Empty()) return true;
  return WriteIniList(file, kPresetSection, "", presets.Entries());
}

bool RemovePresets(const fs::path& file, PresetList& presets, std::vector<std::string>& url_items) {
  presets.Clear();
  url_items.clear();
  return UpdateIniFile(file, [](IniFile& ini) { ini.EraseSection(kPresetSection); });
}

std::optional<WindowBounds> ReadFormSourceBounds(const fs::path& file) {
  const IniRead in = ReadIniFile(file);
  if (in.status != IniStatus::kOk) return std::nullopt;
  return BoundsFrom(in.file, kFormSourceSection);
}

bool WriteFormSourceBounds(const fs::path& file, const WindowBounds& b) {
  std::error_code ec;
  if (!fs::exists(file, ec)) return true;
  return UpdateIniFile(file, [&](IniFile& ini) { PutBounds(ini, kFormSourceSection, b); });
}

}  // namespace kaplo
