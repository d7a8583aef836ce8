// The report files of a download: lines built from the outcome lists.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kaplo {

// The line with every outcome mark removed.
std::string RemoveDownloadMark(std::string_view line);

// The three report names beside local_file: "ZU_" + its base name + suffix.
struct ReportFileNames {
  std::string css_js_list, css_js_merged, image_list;
};
ReportFileNames MakeReportFileNames(std::string_view local_file);

// One list line of an outcome entry: file name filled to width, two TABs,
// "●  " for a failure (else "◎  ") and the path below the save folder.
std::string ReportListLine(std::string_view entry, std::string_view save_folder, int width);
// Heading, two empty lines and a list line per entry; CR LF line ends.
std::string ReportList(const std::vector<std::string>& entries, std::string_view save_folder,
                       int width);

}  // namespace kaplo
