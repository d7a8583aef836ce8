// The one rule that names saved files. Every writer (the page, a frameset,
// a linked page of a site job, a resource, the single file sheets) asks here
// where an address is saved, and every rewriter asks the same, so a file and
// the references to it always agree. A file's name ends with the ending of
// its type ("theme.css@2022.1.css", "logo.svg@v=3.svg"): a browser opening
// the saved folder takes the type from the name. Paths are Shift_JIS.
#pragma once

#include <string>
#include <string_view>

namespace kaplo {

struct DownloadOptions;

// How a job names its files.
struct NameRules {
  std::string save_folder;  // "/" at the end
  int decode_mode = 0;      // how an address is decoded into a path (0 none)
  std::string top_name;     // the page of a folder address ("" : "index.html")
  std::string dummy_dir;    // pages are put below it ("" : none)
};
NameRules NameRulesOf(const DownloadOptions& options, std::string_view save_folder);

inline constexpr std::string_view kHtmlType = "text/html";

// The file url is saved under below the save folder, named for the media
// type `type` (empty: not known yet, the name as the address gives it).
// A page is always named as HTML; it goes below the dummy folder, and the
// page of a folder address is the top name.
enum class SavedAs { kResource, kPage };
std::string SavedFileOf(std::string_view url, SavedAs as, std::string_view type,
                        const NameRules& rules);
inline std::string PageFileOf(std::string_view url, const NameRules& rules) {
  return SavedFileOf(url, SavedAs::kPage, kHtmlType, rules);
}

// name with the ending of type appended, unless its ending (compared without
// letter case) already names that type or the type is unknown.
std::string WithTypeEnding(std::string_view name, std::string_view type);
// The media type an answer is saved as: its Content-Type when that names a
// type a file can carry, else what its first bytes are (image and font
// signatures, an SVG image or an HTML page); empty when nothing tells.
std::string AnswerType(std::string_view content_type, std::string_view first_bytes);
// The type a file ending names ("ico" or ".ICO": "image/x-icon"); empty for none.
std::string TypeOfEnding(std::string_view ending);
// name is base, or base with the ending of a known type: a name recorded
// for an address that is still its own.
bool IsNameOf(std::string_view name, std::string_view base);

// The local names of a job's page.
struct BasePageNames {
  std::string local_file;    // the page as it is written (below the dummy folder)
  std::string fetched_copy;  // its copy as fetched ("ZZOrg_"), where the address puts it
  std::string inner_copy;    // the browser-built text ("ZAInner_"), beside the page
};
BasePageNames MakeBasePageNames(std::string_view url, const NameRules& rules);

// The copy of a page as the server sent it, beside the page: "ZZOrg_" + its
// name, kept to 40 bytes (and ".html") when longer.
std::string FetchedCopyOf(std::string_view page_file);

}  // namespace kaplo
