// The marks that open an outcome line ("◎" + local path): what became of
// each stylesheet, script and image of a job. One table gives each mark its
// character and what it means in the two outcome lists.
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kaplo {

enum class OutcomeMark {
  Saved,         // ◎ written or downloaded now
  Existed,       // □ the stylesheet's file was there already
  Present,       // ○ images: the file was there
  NotFound404,   // ■ the answer held "404 not found"
  NotFoundPage,  // ◆ the answer held "見つかり", or was an HTML page with "404 not found"
  HtmlAnswer,    // ▼ a stylesheet was answered with an HTML page
  WasImage,      // ◇ a stylesheet reference was an image, downloaded
  Failed,        // ● the download failed
  // Recognised and removed from lines, never set by a job.
  UpTriangle,  // ▲
  Star,        // ★
  Geta,        // 〓
  WhiteUp,     // △
  WhiteDown,   // ▽
};

// Which outcome list a line belongs to.
enum class OutcomeList { StylesheetsAndScripts, Images };

struct OutcomeMarkInfo {
  OutcomeMark mark;
  std::string_view glyph;          // UTF-8
  std::string_view css_meaning;    // UTF-8; empty: never in the stylesheet list
  std::string_view image_meaning;  // UTF-8; empty: never in the image list
  std::string_view css_english, image_english;  // the same in English
};

// Every mark, in the order summaries list them.
std::span<const OutcomeMarkInfo> OutcomeMarks();
// The mark's character, Shift_JIS.
const std::string& MarkText(OutcomeMark mark);
// The mark's meaning in a list (UTF-8), empty when it never appears there.
std::string_view MarkMeaning(OutcomeMark mark, OutcomeList list, bool english = false);
// The mark that opens line (Shift_JIS), if any.
std::optional<OutcomeMark> MarkOfLine(std::string_view line);
// The marks of a resource that was not delivered: ■ ◆ ▼ ●.
bool IsFailure(OutcomeMark mark);
// How many lines open with each mark that the list can hold (zeros included).
std::map<OutcomeMark, int> CountMarks(const std::vector<std::string>& lines, OutcomeList list);

}  // namespace kaplo
