#include "engine/site_job.h"

#include <algorithm>
#include <deque>
#include <map>
#include <set>

#include "engine/engine.h"
#include "engine/folder_names.h"
#include "engine/job_record.h"
#include "engine/local_path.h"
#include "engine/resource_map.h"
#include "engine/robots.h"
#include "engine/safe_write.h"
#include "engine/site_fetcher.h"
#include "engine/saved_names.h"
#include "engine/site_links.h"
#include "engine/url.h"
#include "text/convert.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"
#include "text/strutil.h"

namespace kaplo {
namespace {

// The start page's questions go to the user; a linked page takes the
// answers of a job without a window (go on, as named) and tells nobody.
class SitePrompter : public Prompter {
 public:
  explicit SitePrompter(Prompter& user) : user_(user) {}
  bool linked = false;
  Answer Ask(std::string_view q, Buttons b) override {
    return linked ? Answer::Yes : user_.Ask(q, b);
  }
  void Inform(std::string_view m) override {
    if (!linked) user_.Inform(m);
  }
  void ShowInformation(std::string_view label, std::string_view text) override {
    if (!linked) user_.ShowInformation(label, text);
  }
  std::optional<std::string> SaveHtmlDialog(std::string_view name,
                                            std::string_view folder) override {
    return linked ? std::nullopt : user_.SaveHtmlDialog(name, folder);
  }

 private:
  Prompter& user_;
};

// Passes everything on; progress carries the page's place in the site job.
class SiteObserver : public JobObserver {
 public:
  explicit SiteObserver(JobObserver& to) : to_(to) {}
  std::string page;  // "【ページ 2 / 7】"
  void LabelsChanged(const JobLabels& l) override { to_.LabelsChanged(l); }
  void ListsChanged(const JobLists& l) override { to_.ListsChanged(l); }
  void ShowText(JobText w, std::string_view t, bool c) override { to_.ShowText(w, t, c); }
  void ClearTexts() override { to_.ClearTexts(); }
  void Focus(JobFocus w) override { to_.Focus(w); }
  void RunningChanged(bool r) override { to_.RunningChanged(r); }
  void Progress(std::string_view count, std::string_view file) override {
    to_.Progress(page + std::string(count), file);
  }
  bool ShowsTexts() const override { return to_.ShowsTexts(); }

 private:
  JobObserver& to_;
};

bool IsHtmlType(std::string_view content_type) {
  const std::string type = LowerAscii(content_type.substr(0, content_type.find(';')));
  return std::string(Trim(type)) == "text/html" || std::string(Trim(type)) == "application/xhtml+xml";
}

std::string FolderAddress(const std::string& url) {
  return UrlDirectory(url.substr(0, url.find('?')));
}

OutcomeMark MarkOfFailure(std::string_view reason) {
  return reason == "HTTP 404" ? OutcomeMark::NotFound404 : OutcomeMark::Failed;
}

// Pages whose stylesheets and images are fetched ahead of the running one.
constexpr std::size_t kPagesAhead = 2;

struct Candidate {
  std::string url;
  int depth = 0;
};

// A page of the site asked for. On a refresh, a page an earlier job saved
// into the folder is asked for with the validators its record keeps: a 304
// gives its copy as fetched, and the answer itself goes to the page's job.
struct AskedPage {
  TextResponse text;
  std::optional<Response> answer;
};
AskedPage AskForPage(SiteFetcher& fetcher, const std::string& url, const DownloadOptions& options,
                     const std::string& save_folder) {
  if (options.refresh && !save_folder.empty()) {
    JobRecord record;
    const RecordLine* line = nullptr;
    std::string copy;
    if (LoadPageRecord(record, PageFileOf(url, NameRulesOf(options, save_folder))) &&
        (line = record.Earlier(url)) && ReadSavedFile(line->local, copy)) {
      AskedPage page{{}, fetcher.Inner().FetchIfChanged(url, line->validators)};
      if (page.answer->complete && page.answer->status == 304) {
        page.text = {std::move(copy), line->content_type, {}, page.answer->final_url,
                     line->validators};
      } else {
        page.text = TextOf(*page.answer);
      }
      return page;
    }
  }
  return {fetcher.Inner().FetchTextResponse(url), std::nullopt};
}

}  // namespace

std::string SiteReportName(const std::string& start_page_file) {
  std::string base = FileNameOf(start_page_file);
  if (const std::size_t dot = base.rfind('.'); dot != std::string::npos) base.resize(dot);
  return FolderOf(start_page_file) + std::string(kReportPrefix) + base + SJ<"_サイト一覧.txt">();
}

std::string SitePageLabel(int index, int total) {
  return SJ<"【ページ ">() + std::to_string(index + 1) + " / " + std::to_string(total) +
         SJ<"】">();
}

SiteJob::SiteJob(Fetcher& fetcher, Prompter& prompter, BrowserPort* browser,
                 JobObserver& observer)
    : fetcher_(fetcher), prompter_(prompter), browser_(browser), observer_(observer) {}

void SiteJob::Stop() {
  stop_ = true;
  std::lock_guard lock(engine_mu_);
  if (!engine_) return;
  // The engine's views have one writer, the job's thread; another thread
  // only ends its loops and cuts what is under way.
  if (std::this_thread::get_id() == runner_) engine_->Stop();
  else engine_->Interrupt();
}

void SiteJob::SetEngine(DownloadEngine* engine) {
  std::lock_guard lock(engine_mu_);
  engine_ = engine;
  runner_ = std::this_thread::get_id();
}

SiteResult SiteJob::Run(const DownloadRequest& request, const SiteOptions& site) {
  stop_ = false;
  SiteResult out;
  SiteFetcher fetcher(fetcher_);
  SitePrompter prompter(prompter_);
  SiteObserver observer(observer_);
  DownloadEngine engine(fetcher, prompter, browser_, observer);
  SetEngine(&engine);
  const int max_pages = std::max(1, site.max_pages);

  // The start page, as a single job saves it. With links to follow, the
  // site's robots.txt is asked for beside it and the first level's pages
  // are fetched ahead while the start page's job runs.
  const std::string start_url = WithoutFragment(request.url);
  const std::string start_wire = WireUrl(start_url).empty() ? start_url : WireUrl(start_url);
  // A refresh asks for each address once, with validators: nothing is
  // fetched ahead whole.
  const bool refresh = request.options.refresh;
  if (site.depth > 0) {
    fetcher.Inner().StartJob();
    fetcher.HoldAcrossPages(true);
    if (site.robots) {
      std::vector<std::string> ahead = {UrlRoot(start_wire) + "robots.txt"};
      if (!refresh) ahead.insert(ahead.begin(), start_wire);
      fetcher.Inner().Prefetch(ahead);
    }
  }
  AskedPage first = AskForPage(fetcher, start_wire, request.options, request.save_folder);
  const std::string start_final =
      WithoutFragment(first.text.final_url.empty() ? start_wire : first.text.final_url);
  const std::vector<PageLink> start_links =
      first.text.failure.empty()
          ? PageLinks(first.text, start_final, request.options.main_html_charset)
          : std::vector<PageLink>();
  fetcher.KeepPage(start_wire, std::move(first.text), std::move(first.answer));
  const std::string host = HostPortOf(start_final);
  const std::string folder = FolderAddress(start_final);

  RobotsRules robots;
  if (site.depth > 0 && site.robots && !start_links.empty()) {
    Response r = fetcher.Inner().FetchResponse(UrlRoot(start_final) + "robots.txt");
    if (r.complete && r.status == 200 && LoadBody(r)) {
      robots = RobotsRules::Parse(r.body, OwnRobotNames());
    }
  }

  // Every address met (asked for or redirected to).
  std::set<std::string> seen = {start_final, start_wire};
  std::vector<std::vector<PageLink>> links = {start_links};
  int queued = 1;  // pages counted against max_pages
  auto wanted = [&](const std::string& url) {
    if (!IsHttpUrl(url) || HostPortOf(url) != host) return false;
    if (!site.any_folder && !url.starts_with(folder)) return false;
    return true;
  };
  // A page to follow is fetched ahead as soon as it is known.
  auto enqueue = [&](const std::vector<PageLink>& from, int depth,
                     std::vector<Candidate>& next) {
    std::vector<std::string> urls;
    for (const PageLink& link : from) {
      if (queued >= max_pages) break;
      if (link.url.empty() || !wanted(link.url) || !seen.insert(link.url).second) continue;
      if (!robots.Allowed("/" + UrlPathAfterHost(link.url))) {
        ++out.skipped_by_robots;
        continue;
      }
      next.push_back({link.url, depth});
      urls.push_back(link.url);
      ++queued;
    }
    if (!refresh) fetcher.Inner().Prefetch(urls);
  };
  std::vector<Candidate> level;
  if (site.depth > 0) enqueue(start_links, 1, level);

  observer.page = site.depth > 0 ? SitePageLabel(0, 1) : std::string();
  out.start = engine.Run(request);
  if (out.start.page_saved) {
    out.pages.push_back(
        {0, start_final, out.start.saved_page, OutcomeMark::Saved, {}, out.start.failed});
  }
  if (!out.start.page_saved || site.depth <= 0) {
    if (site.depth > 0) fetcher.Inner().StartJob();  // what was fetched ahead is dropped
    SetEngine(nullptr);
    return out;
  }
  const std::string save_folder = out.start.labels.save_folder;
  // The pages saved, by every address they were asked for under.
  std::map<std::string, std::string> saved = {{start_final, out.start.saved_page},
                                              {start_wire, out.start.saved_page}};

  DownloadRequest page_request = request;
  page_request.options.dont_empty_folder = true;
  // Linked pages are read as the server sends them: the browser built none of them.
  page_request.navigate_first = false;
  page_request.options.download_inner_html = false;
  page_request.save_folder = save_folder;
  prompter.linked = true;
  int index = 1;
  for (int depth = 1; depth <= site.depth && !level.empty() && !stop_; ++depth) {
    // A page's answer is waited for when it or a page before it runs; what
    // the next pages load is fetched ahead meanwhile, so the connections
    // stay busy between pages.
    std::vector<AskedPage> answers(level.size());
    std::vector<std::vector<PageLink>> answer_links(level.size());
    std::size_t answered = 0;
    auto answer_up_to = [&](std::size_t end) {
      for (end = std::min(end, level.size()); answered < end && !stop_; ++answered) {
        answers[answered] =
            AskForPage(fetcher, level[answered].url, page_request.options, save_folder);
        const TextResponse& a = answers[answered].text;
        if (!a.failure.empty() || !IsHtmlType(a.content_type)) continue;
        const std::string url = WithoutFragment(a.final_url.empty() ? level[answered].url
                                                                     : a.final_url);
        std::vector<std::string> loads;
        answer_links[answered] = PageLinks(a, url, request.options.main_html_charset, &loads,
                                           !request.options.dont_save_image);
        if (wanted(url) && !refresh) fetcher.PrefetchAhead(loads);
      }
    };
    std::vector<Candidate> next;
    for (std::size_t i = 0; i < level.size() && !stop_; ++i, ++index) {
      answer_up_to(i + 1 + kPagesAhead);
      if (stop_) break;
      TextResponse& answer = answers[i].text;
      const Candidate& c = level[i];
      observer.page = SitePageLabel(index, queued);
      observer_.Progress(observer.page, c.url);
      if (!answer.failure.empty()) {
        out.pages.push_back({depth, c.url, {}, MarkOfFailure(answer.failure), answer.failure});
        continue;
      }
      // A page that redirects is saved once, under where it ended.
      const std::string url =
          WithoutFragment(answer.final_url.empty() ? c.url : answer.final_url);
      if (url != c.url) {
        if (const auto it = saved.find(url); it != saved.end()) {
          saved[c.url] = it->second;
          continue;
        }
        if (!wanted(url) || !seen.insert(url).second) continue;
      }
      if (!IsHtmlType(answer.content_type)) continue;  // a file, not a page
      std::vector<PageLink> page_links = std::move(answer_links[i]);
      fetcher.KeepPage(url, std::move(answer), std::move(answers[i].answer));
      page_request.url = url;
      const DownloadResult result = engine.Run(page_request);
      if (!result.page_saved) {
        out.pages.push_back({depth, url, {}, OutcomeMark::Failed,
                             result.failure.empty() ? std::string("not saved")
                                                    : ShiftJISToUtf8(result.failure)});
        continue;
      }
      out.pages.push_back({depth, url, result.saved_page, OutcomeMark::Saved, {}, result.failed});
      saved[url] = result.saved_page;
      saved[c.url] = result.saved_page;
      if (depth < site.depth) enqueue(page_links, depth + 1, next);
      links.push_back(std::move(page_links));
    }
    level = std::move(next);
  }
  fetcher.HoldAcrossPages(false);
  fetcher.Inner().StartJob();  // what was fetched ahead for no page is dropped
  out.stopped = stop_;
  SetEngine(nullptr);

  // Links between saved pages lead to the copies; every other link to the web.
  std::size_t with_links = 0;
  for (const SitePage& page : out.pages) {
    if (page.mark != OutcomeMark::Saved) continue;
    PointLinksAtCopies(save_folder, page.local_file, links[with_links++], saved);
  }

  std::string report;
  const std::string report_file = SiteReportName(out.start.saved_page);
  const std::string report_folder = FolderOf(report_file);
  for (const SitePage& page : out.pages) {
    report += std::to_string(page.depth) + "\t" + page.url + "\t" +
              (page.local_file.empty() ? std::string("-")
                                       : RelativePath(report_folder, page.local_file)) +
              "\t" + MarkText(page.mark) + "\r\n";
  }
  if (WriteFileBelow(save_folder, report_file, report)) out.report = report_file;
  return out;
}

}  // namespace kaplo
