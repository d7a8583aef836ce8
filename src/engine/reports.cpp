// Report files beside the saved page: the stylesheet and script list, their
// merged text and the image list. An existing report is never replaced.
#include "engine/reports.h"

#include <filesystem>

#include "engine/engine.h"
#include "engine/folder_names.h"
#include "engine/local_path.h"
#include "engine/outcome_marks.h"
#include "engine/url.h"
#include "text/charset.h"
#include "text/fsname.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"
#include "text/strutil.h"

namespace kaplo {
namespace {

constexpr auto npos = std::string::npos;
constexpr int kCssListWidth = 40;
constexpr int kImageListWidth = 80;

void AddLines(std::string& out, std::string_view text) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    const std::size_t next = end == npos ? text.size() : end + 1;
    if (end == npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    out.append(line);
    out += "\r\n";
    start = next;
  }
}

}  // namespace

std::string RemoveDownloadMark(std::string_view line) {
  std::string out(line);
  for (const OutcomeMarkInfo& m : OutcomeMarks()) out = Replace(out, MarkText(m.mark), "");
  return out;
}

ReportFileNames MakeReportFileNames(std::string_view local_file) {
  const std::string folder = FolderOf(local_file);
  std::string base = FileNameOf(local_file);
  if (const std::size_t dot = base.rfind('.'); dot != npos) base.resize(dot);
  const std::string stem = folder + std::string(kReportPrefix) + base;
  return {stem + SJ<"_CSS_JS_一覧.txt">(), stem + SJ<"_CSS_JS_統合.txt">(),
          stem + SJ<"_Image_一覧.txt">()};
}

std::string ReportListLine(std::string_view entry, std::string_view save_folder, int width) {
  const std::string path = RemoveDownloadMark(entry);
  std::string below = save_folder.empty() ? path : ReplaceFirstExact(path, save_folder, "");
  below = "/" + ReplaceAllExact(below, "\\", "/");
  // Every way of not being delivered is a failure in the list.
  const std::optional<OutcomeMark> of_line = MarkOfLine(entry);
  const OutcomeMark mark =
      (of_line && IsFailure(*of_line)) || ContainsAtBoundary(entry, MarkText(OutcomeMark::Failed))
          ? OutcomeMark::Failed
          : OutcomeMark::Saved;
  const std::string status = MarkText(mark) + "  ";
  return AlignTab(FileNameOf(path) + "\t" + status + below, width);
}

std::string ReportList(std::span<const std::string> entries, std::string_view save_folder,
                       int width) {
  std::string out = SJ<"　　　　【 ">() + std::string(save_folder) + SJ<" 】">() + "\r\n\r\n\r\n";
  for (const std::string& entry : entries) {
    out += ReportListLine(entry, save_folder, width);
    out += "\r\n";
  }
  return out;
}

ReportFileNames WriteReports(const ReportRequest& request) {
  ReportFileNames written;
  // Without a saved page the names would land in the working folder.
  const std::string& page = request.page_file;
  const std::string& save_folder = request.save_folder;
  if (page.empty() || save_folder.empty() || !page.starts_with(save_folder)) return written;
  const ReportFileNames names = MakeReportFileNames(page);
  const std::span<const std::string> css_outcomes = request.stylesheet_outcomes;

  std::string merged;
  if (!LocalFileExists(names.css_js_list) && !css_outcomes.empty()) {
    std::string last_taken;
    const int n = static_cast<int>(css_outcomes.size());
    for (int i = 0; i < n; ++i) {
      const std::string path = RemoveDownloadMark(css_outcomes[i]);
      const std::string_view ext = FileExtension(path);
      if (path == last_taken) continue;
      if (!ContainsAtBoundary(ext, ".css") && !ContainsAtBoundary(ext, ".js") &&
          !ContainsAtBoundary(ext, ".xml")) {
        continue;
      }
      if (request.css_only && ContainsAtBoundary(ext, ".js")) continue;
      if (request.progress) {
        request.progress(
            SJ<"【 ">() + std::to_string(i + 1) + " / " + std::to_string(n) + SJ<" 】">(),
            SJ<"【 ">() + path + SJ<" 】">());
      }
      if (!LocalFileExists(path)) {
        last_taken = path;
        continue;
      }
      const std::string text = AnyCodeToShiftJIS(LoadTextFile(path), 0);
      // A page that came back in place of a stylesheet is no styling.
      if (ContainsAtBoundary(LowerAscii(text), "<body")) continue;
      merged += SJ<"▼▼▼【 ">() + path + SJ<" 】▽▽▽">() + "\r\n\r\n\r\n";
      AddLines(merged, text);
      merged += "\r\n\r\n" + SJ<"△△△【 ">() + path + SJ<" 】▲▲▲">() + "\r\n";
      last_taken = path;
    }
    if (!LocalFileExists(names.css_js_list)) {
      SaveTextFile(ReportList(css_outcomes, save_folder, kCssListWidth), names.css_js_list);
      written.css_js_list = names.css_js_list;
    }
  }
  if (!LocalFileExists(names.css_js_merged)) {
    SaveTextFile(merged, names.css_js_merged);
    written.css_js_merged = names.css_js_merged;
  }
  if (!request.image_outcomes.empty() && !LocalFileExists(names.image_list)) {
    SaveTextFile(ReportList(request.image_outcomes, save_folder, kImageListWidth),
                 names.image_list);
    written.image_list = names.image_list;
  }
  return written;
}

void DownloadEngine::DLPostProcess(const std::string& save_folder) {
  const ReportFileNames written =
      WriteReports({.page_file = labels_.local_file,
                    .save_folder = save_folder,
                    .stylesheet_outcomes = lists_.stylesheet_outcomes,
                    .image_outcomes = lists_.image_outcomes,
                    .css_only = options_.css_only,
                    .progress = [this](const std::string& count, const std::string& file) {
                      labels_.progress = count;
                      labels_.status = file;
                      observer_.Progress(count, file);
                    }});
  for (auto [label, name] : {std::pair{&labels_.css_js_list, &written.css_js_list},
                             std::pair{&labels_.css_js_merged, &written.css_js_merged},
                             std::pair{&labels_.image_list, &written.image_list}}) {
    if (!name->empty()) *label = *name;
  }
  LabelsChanged();
}

}  // namespace kaplo
