#include "cli/download_report.h"

#include <cmath>
#include <cstdio>
#include <map>

#include "cli/terminal.h"
#include "engine/outcome_marks.h"
#include "shell/messages.h"
#include "text/convert.h"

namespace kaplo::cli {
namespace {

std::string_view Glyph(OutcomeMark mark) {
  for (const OutcomeMarkInfo& m : OutcomeMarks()) {
    if (m.mark == mark) return m.glyph;
  }
  return {};
}

void Escape(std::string& out, std::string_view utf8) {
  out += '"';
  for (char c : utf8) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", u);
      out += buf;
    } else {
      out += c;
    }
  }
  out += '"';
}

std::string Quoted(std::string_view utf8) {
  std::string s;
  Escape(s, utf8);
  return s;
}

std::string StringArray(const std::vector<std::string>& items, bool sjis) {
  std::string s = "[";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i) s += ", ";
    Escape(s, sjis ? ShiftJISToUtf8(items[i]) : items[i]);
  }
  return s + "]";
}

std::string Counts(const std::map<OutcomeMark, int>& counts) {
  std::string s = "{";
  bool first = true;
  for (const OutcomeMarkInfo& m : OutcomeMarks()) {
    const auto it = counts.find(m.mark);
    if (it == counts.end()) continue;
    s += first ? "" : ", ";
    first = false;
    Escape(s, m.glyph);
    s += ": " + std::to_string(it->second);
  }
  return s + "}";
}

std::string CheckJson(const PageCheck& c) {
  std::string s = "{\"network_requests\": " + StringArray(c.network_requests, false) +
                  ", \"missing_files\": " + StringArray(c.missing_files, false);
  if (c.differing_pixels_percent >= 0 && std::isfinite(c.differing_pixels_percent)) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", c.differing_pixels_percent);
    s += ", \"differing_pixels_percent\": " + std::string(buf) + ", \"width\": " +
         std::to_string(c.width) + ", \"height\": " + std::to_string(c.height);
  } else {
    s += ", \"differing_pixels_percent\": null";
  }
  s += ", \"error\": " + (c.error.empty() ? std::string("null") : Quoted(c.error));
  return s + "}";
}

}  // namespace

std::string OutcomeSummary(const DownloadResult& result) {
  const bool english = !Japanese();
  const struct {
    std::string heading;
    OutcomeList list;
    const std::map<OutcomeMark, int>& counts;
  } groups[] = {{"CSS/JS", OutcomeList::StylesheetsAndScripts, result.stylesheet_counts},
                {Tr("images", "画像"), OutcomeList::Images, result.image_counts}};
  std::string out;
  for (const auto& g : groups) {
    out += std::string(g.heading) + ":";
    for (const OutcomeMarkInfo& m : OutcomeMarks()) {
      const std::string_view meaning = MarkMeaning(m.mark, g.list, english);
      const auto it = g.counts.find(m.mark);
      if (meaning.empty() || it == g.counts.end()) continue;
      out += "  " + std::string(m.glyph) + " " + std::to_string(it->second) + " " +
             std::string(meaning);
    }
    out += "\n";
  }
  return out;
}

std::string RefreshSummary(const RefreshOutcome& r) {
  if (!r.asked) return {};
  if (!r.had_record) {
    return std::string(Tr("no record of an earlier job here: the whole page was saved\n",
                          "前回の記録がないため、ページ全体を保存しました\n"));
  }
  const std::string u = std::to_string(r.unchanged), c = std::to_string(r.changed),
                    g = std::to_string(r.gone);
  if (Japanese()) return "変更なし " + u + "、変更あり " + c + "、消えたもの " + g + "\n";
  return "unchanged " + u + ", changed " + c + ", gone " + g + "\n";
}

std::string FailureText(const DownloadResult& result) {
  const std::string text = ShiftJISToUtf8(result.failure);
  if (Japanese()) return text;
  struct Kind {
    DownloadFailure kind;
    std::string_view en;
  };
  static constexpr Kind kKinds[] = {
      {DownloadFailure::NoAddress, "no address was given"},
      {DownloadFailure::NotWebAddress, "not an http or https address"},
      {DownloadFailure::Cancelled, "cancelled"},
      {DownloadFailure::NotNavigated, "the page was not opened in the browser first"},
      {DownloadFailure::FolderNotFound, "the save folder does not exist"},
      {DownloadFailure::NoSaveFolder, "no save folder"},
      {DownloadFailure::FolderNotEmptied, "the save folder was not emptied"},
      {DownloadFailure::PageNotFetched, "the page could not be fetched"},
      {DownloadFailure::PageNotSaved, "the page could not be saved"},
  };
  std::string_view en;
  for (const Kind& k : kKinds) {
    if (k.kind == result.failure_kind) en = k.en;
  }
  // The engine's text is its kind's message, then the reason in brackets;
  // anything else it says is shown as it is.
  const std::string kind_text = ShiftJISToUtf8(DownloadFailureText(result.failure_kind));
  if (en.empty() || !text.starts_with(kind_text)) return text;
  std::string reason = text.substr(kind_text.size());
  if (reason.starts_with("（") && reason.ends_with("）")) {
    reason = reason.substr(std::string_view("（").size(),
                           reason.size() - 2 * std::string_view("（").size());
  }
  return reason.empty() ? std::string(en) : std::string(en) + ": " + reason;
}

std::string EngineMessage(std::string_view sjis) {
  if (!Japanese()) {
    const struct {
      const std::string& sjis;
      std::string_view en;
    } known[] = {
        {msg::NoHtmlFile(),
         "the address names no HTML file: go on as it is (y), add \"/index.html\" (n) or stop (c)?"},
        {msg::BaseHref(),
         "the page has a <base href>: point it at the local folder (y), or stop to choose another "
         "--base (n)?"},
        {msg::GoOn(), "go on (y) or stop (n)?"},
        {msg::RefreshRedirect(),
         "the page redirects by a refresh meta tag; this job saves the page of its own address"},
        {msg::FramesetPage(),
         "a frameset page: its frames are saved one by one (kaplo frame N --url URL --folder DIR)"},
        {msg::FolderNotFound(), "folder not found"},
        {msg::NoSaveFolder(), "no save folder"},
        {msg::NotNavigated(), "the page was not opened in the browser first"},
    };
    for (const auto& k : known) {
      if (sjis == k.sjis) return std::string(k.en);
    }
  }
  return ShiftJISToUtf8(sjis);
}

std::string DownloadJson(const DownloadResult& result, const PageCheck* check) {
  std::string s = "{\"saved\": ";
  s += result.page_saved ? "true" : "false";
  s += ", \"saved_page\": " +
       (result.page_saved ? Quoted(ShiftJISToUtf8(result.saved_page)) : std::string("null"));
  s += ", \"url\": " + Quoted(ShiftJISToUtf8(result.url));
  if (!result.page_saved) {
    return s + ", \"error\": " + Quoted(FailureText(result)) + "}\n";
  }
  s += ", \"frameset\": ";
  s += result.frameset ? "true" : "false";
  s += ", \"counts\": {\"stylesheets_and_scripts\": " + Counts(result.stylesheet_counts) +
       ", \"images\": " + Counts(result.image_counts) + "}";
  s += ", \"failures\": [";
  bool first = true;
  for (const FailedResource& f : result.failed) {
    s += first ? "" : ", ";
    first = false;
    s += "{\"list\": " + Quoted(f.stylesheet_or_script ? "stylesheets_and_scripts" : "images") +
         ", \"mark\": " + Quoted(Glyph(f.mark)) + ", \"reason\": " + Quoted(f.reason) +
         ", \"file\": " + Quoted(ShiftJISToUtf8(f.local_path)) +
         ", \"address\": " + Quoted(f.url) + "}";
  }
  s += "], \"frames\": " + StringArray(result.frames, true);
  s += ", \"reports\": " + StringArray(result.reports, true);
  if (result.refresh.asked) {
    const RefreshOutcome& r = result.refresh;
    s += ", \"refresh\": {\"record\": " + std::string(r.had_record ? "true" : "false") +
         ", \"unchanged\": " + std::to_string(r.unchanged) +
         ", \"changed\": " + std::to_string(r.changed) + ", \"gone\": " + std::to_string(r.gone) +
         "}";
  }
  if (check) s += ", \"check\": " + CheckJson(*check);
  return s + "}\n";
}

std::string SiteJson(const SiteResult& site, const std::vector<PageCheck>& checks) {
  std::string start = DownloadJson(site.start, checks.empty() ? nullptr : &checks[0]);
  while (!start.empty() && start.back() == '\n') start.pop_back();
  std::string s = "{\"start\": " + start + ", \"pages\": [";
  for (std::size_t i = 0; i < site.pages.size(); ++i) {
    const SitePage& p = site.pages[i];
    s += i ? ", " : "";
    s += "{\"depth\": " + std::to_string(p.depth) + ", \"url\": " + Quoted(p.url) +
         ", \"file\": " +
         (p.local_file.empty() ? std::string("null") : Quoted(ShiftJISToUtf8(p.local_file))) +
         ", \"mark\": " + Quoted(Glyph(p.mark)) + ", \"reason\": " + Quoted(p.reason);
    if (i < checks.size()) s += ", \"check\": " + CheckJson(checks[i]);
    s += "}";
  }
  s += "], \"report\": " +
       (site.report.empty() ? std::string("null") : Quoted(ShiftJISToUtf8(site.report)));
  s += ", \"skipped_by_robots\": " + std::to_string(site.skipped_by_robots);
  return s + "}\n";
}

}  // namespace kaplo::cli
