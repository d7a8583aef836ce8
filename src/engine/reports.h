// The report files of a download: lines built from the outcome lists.
#pragma once

#include <functional>
#include <span>
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
std::string ReportList(std::span<const std::string> entries, std::string_view save_folder,
                       int width);

// What the reports of a job are made from.
struct ReportRequest {
  std::string page_file;    // the saved page: the reports go beside it
  std::string save_folder;  // the job's folder; the lists show paths below it
  std::span<const std::string> stylesheet_outcomes, image_outcomes;  // MarkedPathLines
  bool css_only = false;  // the merged text leaves the scripts out
  // Told of each stylesheet as it is merged: "【 i / n 】" and "【 path 】".
  std::function<void(const std::string& count, const std::string& file)> progress;
};

// Writes the reports that are not there yet: the stylesheet and script list
// with their merged text, and the image list. Nothing is written without a
// page inside the save folder. Gives the names written (empty: not written).
ReportFileNames WriteReports(const ReportRequest& request);

}  // namespace kaplo
