// The settings file: where it is, the record of every value it keeps, and
// the download presets.
//
// The record holds plain values; the window copies them to and from its
// controls (the control each value mirrors is named beside it). Texts are
// Shift_JIS. The file is found and kept as a std::filesystem::path so that a
// folder name with characters outside Shift_JIS still reaches it.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kaplo {

// ---- where the file is ----

// The bare name of the first regular file in folder (Shift_JIS path) whose
// name matches "KAPLO*.inf" (ASCII letter case aside); names compare byte by
// byte so the pick does not depend on the order the folder lists them in.
// Empty when there is none.
std::string GetInf(std::string_view folder);
// The program folder's KAPLO*.inf for portable use, else
// $XDG_CONFIG_HOME/kaplo/KAPLO.inf (~/.config/kaplo/KAPLO.inf). Empty only
// when neither the program folder nor a home folder is known.
std::filesystem::path FindSettingsFile(const std::filesystem::path& program_folder);
// The folder of the running program (empty if the system does not say).
std::filesystem::path ProgramFolder();

// "<path> に書き込めません": what the user sees when a write is refused.
std::string SettingsWriteError(const std::filesystem::path& file);

// ---- download presets ----

// "URL|save folder" entries, sorted and compared without ASCII letter case;
// an entry equal to one already present is not added again.
class PresetList {
 public:
  // False when the entry is empty or already present.
  bool Add(std::string entry);
  void Clear() { entries_.clear(); }
  const std::vector<std::string>& Entries() const { return entries_; }
  std::size_t Size() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }
  bool operator==(const PresetList&) const = default;

 private:
  std::vector<std::string> entries_;
};

// Loading reads no more than this many presets.
inline constexpr int kMaxPresets = 100;

enum class PresetAppend {
  kAdded,
  kPresent,   // url_items already hold the URL
  kEmptyUrl,  // nothing to register
  kFull,      // kMaxPresets entries: one more would be dropped at the next start
};
// Registers the download URL with its save folder; url_items are the URL
// box's drop-down items, which gain the URL. The file is not written.
PresetAppend AppendPreset(PresetList& presets, std::vector<std::string>& url_items,
                          std::string_view url, std::string_view save_folder);
// The URL part (before the first "|") of every entry that has one, in order:
// the URL box's drop-down items at start-up.
std::vector<std::string> PresetUrls(const PresetList& presets);
// The save folder registered with url (letter case aside), if any.
std::optional<std::string> PresetSaveFolder(const PresetList& presets, std::string_view url);

// ---- the record ----

// Number of choices of each radio group; a stored index is clamped into
// -1 (nothing selected) .. choices - 1.
inline constexpr int kImeModeChoices = 2;
inline constexpr int kOpenIEChoices = 3;
inline constexpr int kInitialLoadChoices = 2;
inline constexpr int kBaseLevelChoices = 3;
inline constexpr int kRemoveRootChoices = 2;
inline constexpr int kRemoveOtherDomainChoices = 2;
inline constexpr int kRemoveBaseHrefChoices = 4;

struct WindowBounds {  // the window applies only values above 0
  int top = 0;         // Top
  int left = 0;        // Left
  int width = 0;       // Width
  int height = 0;      // Height
  bool operator==(const WindowBounds&) const = default;
};

struct Settings {
  struct Project {
    std::string file;  // File: a project file; dropped on load unless it exists
    bool operator==(const Project&) const = default;
  } project;

  struct Folder {
    std::string default_folder;  // Default: dropped on load unless the folder exists
    bool operator==(const Folder&) const = default;
  } folder;

  struct NS {                  // the search tab
    std::string keyword;       // Keyword: ComboBoxSearchKeyWord
    int page_top_height = 0;   // PageTopHeight: PanelPGSearchTabTop, pixels, >= 0
    int ime_mode = 0;          // IMEMode: RadioGroupIMEMode (0 日本語, 1 英語)
    bool operator==(const NS&) const = default;
  } ns;

  struct DL {                           // the download tab
    std::string url;                    // Url: ComboBoxWBUrl
    std::string save_folder;            // SaveFolder: BtnEditWBPageSaveFolder
    std::string local_filename;         // LocalFilename: BtnEditWBLocalFilename
    std::string base_page_local;        // BasePageLocal: EditWBBasePageLocalFimename
    int open_ie = 0;                    // OpenIE: RadioGroupDLFilnalOpenIE
    int initial_load = 0;               // InitialLoad: RadioGroupInitialLoad
    int base_level = 0;                 // BaseLevel: RadioGroupDLBaseLevel
    int remove_root = 0;                // RemoveRoot: RadioGroupDLMaskUrlRoot
    int remove_other_domain = 0;        // RemoveOtherDmain: RadioGroupRemoveOtherDmain
    int remove_base_href = 0;           // RemoveBaseHref: RadioGroupRemoveBaseHref
    std::string save_filename;          // SaveFilename: EditDLSaveFilename (saved, never loaded)
    std::string indiv_image_url;        // IndivImageUrl: EditFrameLinkUrl (saved, never loaded)
    std::string top_page_html;          // TopPageHTML: EditTopPageHTMLFilename
    std::string top_dummy_directory;    // TopDummyDirectory: EditDLTopDummyDirectory
    bool dont_empty_folder = false;     // DontEmptyFolder: CheckBoxDontEmptyFolder
    bool dont_save_image = false;       // DontSaveImage: CheckBoxDonttSaveImage
    bool dont_redraw = false;           // DontRedraw: CheckBoxDLDontReDraw
    bool remove_domain = false;         // ReveDomain: CheckBoxDLRemoveDomain
    bool dont_make_css_list = false;    // DontMakeCSSlist: CheckBoxDLDontMakeCSSlist
    bool css_only = false;              // CSSOnly: CheckBoxDLCSSOnly
    bool refresh = false;               // Refresh: CheckBoxDLRefresh
    bool warc = false;                  // Warc: CheckBoxDLWarc
    bool single_file = false;           // SingleFile: CheckBoxDLSingleFile
    bool same_site = false;             // SameSite: CheckBoxDLSameSite
    int depth = 0;                      // Depth: SpinDLDepth
    bool operator==(const DL&) const = default;
  } dl;

  struct IP {
    std::string url;  // Url: EditIPUrl
    bool operator==(const IP&) const = default;
  } ip;

  struct GUI {                  // the page analysis tab
    std::string url;            // Url: EditGUIUrl
    std::string local_file;     // LocalFile: BtnEditGUILocalFilename
    bool operator==(const GUI&) const = default;
  } gui;

  struct Menu {
    bool maximized = false;   // Maximized: MenuViewMaximized
    bool initialize = false;  // Initialize: MenuSettingsReInitialize
    bool operator==(const Menu&) const = default;
  } menu;

  PresetList presets;  // [DLUrl] keys "0", "1", ...

  WindowBounds form_source;  // [FormSource]: the source window; loaded, saved on its own
  WindowBounds main_form;    // [AMainForm]: the main window's normal bounds; 0: never saved

  bool operator==(const Settings&) const = default;
};

enum class SettingsLoad {
  kLoaded,
  kNoFile,      // nothing but the presets (emptied) changed
  kUnreadable,  // as kNoFile; the file is also never overwritten
};

// Sets every loaded value of s from the file: a key the file lacks gives 0,
// false or empty, not the value s held. Without a readable file only the
// presets change (to none), so s keeps its initial values.
SettingsLoad LoadIniSettings(const std::filesystem::path& file, Settings& s);
// Writes every key except [FormSource] ([AMainForm] only once it has a size)
// and, when there are presets, replaces
// [DLUrl] with them; an empty preset list leaves [DLUrl] as it is. False
// when the write was refused (the file is then unchanged).
bool SaveIniSettings(const std::filesystem::path& file, const Settings& s);

// Replaces section with the entries under the keys prefix+"0", prefix+"1", ...
// up to the first empty entry.
bool WriteIniList(const std::filesystem::path& file, std::string_view section,
                  std::string_view prefix, const std::vector<std::string>& list);
// The value of key prefix+n, empty if missing.
std::string ReadIniListItem(const std::filesystem::path& file, std::string_view section,
                            std::string_view prefix, int n);
// One key written at once (the top panel height command).
bool WriteIniInteger(const std::filesystem::path& file, std::string_view section,
                     std::string_view key, int value);

// The preset commands: save writes [DLUrl] unless the list is empty; remove
// empties the list and the URL items and erases [DLUrl] from the file.
bool SavePresets(const std::filesystem::path& file, const PresetList& presets);
bool RemovePresets(const std::filesystem::path& file, PresetList& presets,
                   std::vector<std::string>& url_items);

// The source window's bounds; nullopt without a readable file. Writing does
// nothing (and succeeds) when there is no file.
std::optional<WindowBounds> ReadFormSourceBounds(const std::filesystem::path& file);
bool WriteFormSourceBounds(const std::filesystem::path& file, const WindowBounds& bounds);

}  // namespace kaplo
