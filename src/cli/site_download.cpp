// kaplo download --depth N: the start page and the pages of its site it
// links to, in one job; one line per page, the site report, and with
// --check one summary line per page.
#include <algorithm>
#include <iostream>

#include "cli/download_report.h"
#include "cli/terminal.h"
#include "text/convert.h"
#include "text/fsname.h"
#include "workspace/page_check.h"

namespace kaplo::cli {

int RunSiteDownload(const SiteDownload& d) {
  SiteJob job(d.fetcher, d.prompter, d.browser, d.observer);
  const SiteResult site = job.Run(d.request, d.site);
  d.end_progress();
  if (!site.start.page_saved) {
    if (d.json) WriteStdout(SiteJson(site, {}));
    Complain(ArgForMessage(d.what) + ": " + FailureText(site.start));
    return 1;
  }
  int status = 0;
  std::vector<PageCheck> checks;
  std::string lines;
  for (const SitePage& page : site.pages) {
    if (!d.checker) {
      if (!page.local_file.empty()) lines += SjisToTerminal(page.local_file) + "\n";
      continue;
    }
    PageCheck c;
    if (page.local_file.empty()) {
      c.error = page.reason.empty() ? "not saved" : page.reason;
    } else {
      c = d.checker->Check(FsPath(page.local_file).string(), page.url,
                           FsPath(site.start.labels.save_folder).string());
      SetAsideServerFailures(c, page.failed);
    }
    // One line per page: the mark of the check, the depth, the address and why.
    const bool passed = c.error.empty() && PageCheckPassed(c);
    if (!page.local_file.empty()) {
      const int page_status = !c.error.empty() ? 1 : passed ? 0 : 3;
      status = std::max(status, page_status);
    }
    lines += std::string(passed ? "OK" : page.local_file.empty() ? "--" : "NG") + "\t" +
             std::to_string(page.depth) + "\t" + page.url + "\t" +
             (page.local_file.empty() ? c.error
                                      : c.error.empty() ? SjisToTerminal(page.local_file)
                                                        : c.error) +
             (passed || !c.error.empty() || page.local_file.empty()
                  ? std::string()
                  : "\t" + std::to_string(c.missing_files.size()) + " missing, " +
                        std::to_string(c.network_requests.size()) + " to the network, " +
                        std::to_string(c.refused.size()) + " refused") +
             "\n";
    checks.push_back(std::move(c));
  }
  if (d.json) {
    WriteStdout(SiteJson(site, checks));
  } else {
    WriteStdout(Utf8ToTerminal(lines));
  }
  if (!d.quiet) {
    std::string out;
    for (const SitePage& page : site.pages) {
      out += ShiftJISToUtf8(MarkText(page.mark)) + " " + std::to_string(page.depth) + " " +
             page.url + (page.reason.empty() ? "" : " (" + page.reason + ")") + "\n";
    }
    out += std::to_string(site.pages.size()) + Tr(" pages", " ページ");
    if (site.skipped_by_robots) {
      out += std::string(Tr(", robots.txt ruled out ", "、robots.txt で除外 ")) +
             std::to_string(site.skipped_by_robots);
    }
    out += "\n";
    if (!site.report.empty()) {
      out += std::string(Tr("report: ", "レポート: ")) + ShiftJISToUtf8(site.report) + "\n";
    }
    std::cerr << Utf8ToTerminal(out) << std::flush;
  }
  return status;
}

}  // namespace kaplo::cli
