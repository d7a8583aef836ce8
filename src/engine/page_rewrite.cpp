#include "engine/page_rewrite.h"

#include <set>

#include "engine/css_js.h"
#include "engine/download_job.h"
#include "engine/folder_names.h"
#include "engine/frames.h"
#include "engine/url.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"
#include "text/strutil.h"
#include "text/urlcode.h"

namespace kaplo {
namespace {

constexpr auto npos = std::string_view::npos;

std::string Remove(std::string_view text, std::string_view what) { return Replace(text, what, ""); }

std::string Repeat(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// First position of sub in text ignoring ASCII case, on a character boundary.
std::size_t FindIgnoreCase(std::string_view text, std::string_view sub) {
  return FindAtBoundary(LowerAscii(text), LowerAscii(sub));
}

}  // namespace

ResourceFields SplitResourceLine(const std::string& line) {
  ResourceFields f;
  const std::size_t t1 = line.find('\t');
  if (t1 == npos) {
    f.reference = line;
    return f;
  }
  f.reference = line.substr(0, t1);
  const std::size_t t2 = line.find('\t', t1 + 1);
  f.absolute_url = line.substr(t1 + 1, t2 == npos ? npos : t2 - t1 - 1);
  if (t2 != npos) f.local_path = line.substr(t2 + 1);
  return f;
}

std::string MakeResourceLine(const std::string& reference, const std::string& absolute_url,
                             const std::string& local_path) {
  return reference + "\t" + absolute_url + "\t" + local_path;
}

std::string HeadPreambleOf(std::string_view page) {
  const std::size_t head = FindAtBoundary(page, "<head");
  return (head == npos || head == 0) ? std::string() : std::string(page.substr(0, head));
}

std::string CommentOutBaseTag(std::string page) {
  const std::string inner = Between(page, "<base ", ">");
  return ReplaceFirstExact(page, "<base " + inner + ">",
                           SJ<"<!-- ●● <base ">() + inner + SJ<"> ●●-->">());
}

std::string RewritePage(std::string page, const PageRewriteInput& in) {
  const DownloadOptions& o = in.options;
  const DownloadLists& l = in.lists;
  const std::string preamble = HeadPreambleOf(page);
  const std::string top =
      o.top_page_filename.empty() ? std::string(kIndexPage) : o.top_page_filename;

  if (!in.base_href_dir.empty()) {
    const std::string dir_path = UrlDirPath(in.base_href_dir);
    switch (o.remove_base_href) {
      case 0:
      case 1: {
        const std::string folder =
            ReplaceFirstExact(ReplaceAllExact(in.save_folder, "\\", "/"), ":", kFolderColon);
        page = ReplaceFirstExact(page, in.base_href_dir, folder + dir_path + "/");
        break;
      }
      case 2:
        page = CommentOutBaseTag(std::move(page));
        page = ChangeHTMLSrcCSSname(std::move(page), in.base_href_dir, dir_path,
                                    l.ListBoxPGTab02LTab04ImportHTMLCSSForBase);
        break;
      case 3:
        page = CommentOutBaseTag(std::move(page));
        break;
      default:
        break;
    }
  }

  {
    std::string root = UrlRoot(in.page_url);
    if (!root.empty() && root.back() == '/') root.pop_back();
    page = Replace(page, root, "");
  }
  std::string dummy;
  if (o.html_dq_slash == 1) {
    if (o.top_directory_for_unknown && !o.top_dummy_directory.empty()) {
      dummy = o.top_dummy_directory;
    }
    page = RemoveUrlRoot(in.page_url, std::move(page), dummy);
  }
  if (o.remove_other_domain == 1) {
    page = RemoveDomainFromHTMLFile(std::move(page), l.ListBoxPGTab02LTab09LHref);
  }
  page = DropSlashAfterCssJsNames(std::move(page));
  page = ChangeFrameUrlname(std::move(page), l.ListBoxWBInFrameFileList);
  page = ChangeHTMLSrcUrlname(std::move(page), l.ListBoxPGTab02LTab02PageWebCSS);
  page = ChangeHTMLSrcUrlname(std::move(page), l.ListBoxPGTab02LTab03PageImage);
  if (o.remove_other_domain == 1) {
    page = RemoveHTMLSrcUrlname(std::move(page), l.ListBoxPGTab02LTab09LHref);
  }

  std::string prefix;
  if (in.base_href_dir.empty() || o.remove_base_href == 2) {
    prefix = UrlDepthPrefix(in.page_url, dummy);
    if (HasRootReference(page)) page = PrefixRootReferences(std::move(page), prefix);
  }
  page = Replace(page, " href=\"/\"", " href=\"" + prefix + top + "\"");
  page = Replace(page, " href='/'", " href='" + prefix + top + "'");

  if (!preamble.empty()) {
    const std::size_t head = FindAtBoundary(page, "<head");
    if (head != npos && head > 0) page = preamble + page.substr(head);
  }
  page = ClleanupSaveHTMLFile(page, in.saved_from);
  page = DLReplaceIframehtml(std::move(page), l.ListBoxWBInFrameFileList, in.save_folder,
                             o.url_web_decode);
  return RewriteDepthLinks(top, std::move(page));
}

std::string DropSlashAfterCssJsNames(std::string text) {
  return Replace(Replace(text, ".css/\"", ".css\""), ".js/\"", ".js\"");
}

std::string SavedFromComment(std::string_view page_url) {
  return "<!-- saved from \"" + std::string(page_url) + "\" by NOLDA-KAPLO -->";
}

std::string ChangeHTMLSrcCSSname(std::string page, std::string_view base_href_dir,
                                 std::string_view base_href_dir_path,
                                 const std::vector<std::string>& head_hrefs) {
  if (base_href_dir.empty() || head_hrefs.empty()) return page;
  const std::set<std::string> distinct(head_hrefs.begin(), head_hrefs.end());
  for (const std::string& entry : distinct) {
    if (entry.empty() || entry.front() == '/') continue;
    std::string_view stripped = entry;
    if (stripped.starts_with("./")) stripped.remove_prefix(2);
    page = Replace(page, entry, std::string(base_href_dir_path) + "/" + std::string(stripped));
  }
  return page;
}

std::string ChangeHTMLSrcUrlname(std::string page, const std::vector<std::string>& list) {
  for (const std::string& line : list) {
    const ResourceFields f = SplitResourceLine(line);
    const std::string absolute = line.find('\t') == npos ? line : f.absolute_url;
    std::string ref = f.reference;
    if (ref.find_first_of("?|*") == npos) continue;
    if (ref.starts_with("/")) ref.erase(0, 1);
    if (ref.empty()) continue;
    const std::size_t slash = ref.rfind('/');
    const std::string last = slash == npos ? ref : ref.substr(slash + 1);
    const std::string safe = UrlToSafePath(ref);
    const std::string safe_name = UrlToSafePath(last);
    if (!absolute.empty()) page = Replace(page, absolute, safe);
    page = Replace(page, ref, safe);
    if (!last.empty()) page = Replace(page, last, safe_name);
    page = Replace(page, ref, safe);
  }
  return page;
}

std::string RemoveDomainFromHTMLFile(std::string page, const std::vector<std::string>& hosts) {
  for (const std::string& h : hosts) {
    if (h.empty()) continue;
    page = Remove(page, "http://" + h);
    page = Remove(page, "https://" + h);
    page = Remove(page, "/" + h);
  }
  return page;
}

std::string RemoveHTMLSrcUrlname(std::string page, const std::vector<std::string>& hosts) {
  for (const std::string& h : hosts) {
    if (!h.empty()) page = Remove(page, "http://" + h + "/");
  }
  return page;
}

std::string RemoveUrlRoot(std::string_view url, std::string page, std::string_view dummy_dir) {
  page = Remove(page, UrlRoot(url));
  const std::string prefix = UrlDepthPrefix(url, dummy_dir);
  page = Replace(page, "\"/", "\"" + prefix);
  return Replace(page, "'/", "'" + prefix);
}

std::string ClleanupSaveHTMLFile(std::string_view page, std::string_view page_url) {
  if (page.empty()) return {};
  const std::string& ideographic_space = SJ<"　">();
  std::string out;
  out.reserve(page.size() + 128);
  bool commented = false;
  std::size_t start = 0;
  while (start <= page.size()) {
    std::size_t end = page.find('\n', start);
    if (end == npos) end = page.size();
    std::string_view line = page.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // A line of blanks and ideographic spaces only counts as empty.
    std::string_view rest = line;
    while (true) {
      if (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
      else if (rest.starts_with(ideographic_space)) rest.remove_prefix(ideographic_space.size());
      else break;
    }
    if (!rest.empty()) {
      if (!commented && ContainsAtBoundary(LowerAscii(line), "<head")) {
        out += SavedFromComment(page_url);
        out += "\r\n";
        commented = true;
      }
      out += line;
      out += "\r\n";
    }
    start = end + 1;
  }
  return out;
}

std::string RewriteDepthLinks(std::string_view top_name, std::string page) {
  page = Replace(page, "http://", "http||");
  page = Replace(page, "https://", "https||");
  page = Replace(page, ":/", ";/");
  page = ReplaceFirstExact(page, kFolderColon, ":");
  const std::string top = top_name.empty() ? std::string("index.html") : std::string(top_name);

  for (int n = 10; n >= 1; --n) {
    const std::string up = Repeat("../", n);
    page = Replace(page, " href=\"" + up + "\"", " href=\"" + up + top + "\"");
  }
  page = Replace(page, " href=\"\"", " href=\"" + top + "\"");
  page = Replace(page, "/\">", "/" + top + "\">");
  for (int n = 10; n >= 1; --n) {
    const std::string up = Repeat("../", n);
    page = Replace(page, " href='" + up + "'", " href=\"" + up + top + "\"");
  }
  page = Replace(page, " href=''", " href=\"" + top + "\"");
  page = ReplaceAllExact(page, "\\", "/");
  page = Replace(page, "https||", "https://");
  page = Replace(page, "http||", "http://");
  page = Replace(page, "/'>", "/" + top + "'>");

  const std::size_t body_at = FindIgnoreCase(page, "<body");
  if (body_at == npos) return page;
  // Queries found anywhere in the page name stored files ending in ".html".
  std::set<std::string> queries;
  const std::string lower = LowerAscii(page);
  for (std::string_view opener : {".asp?", ".jsp?", ".php?", ".html?"}) {
    BoundaryFinder finder(lower);
    std::size_t at = 0;
    while ((at = finder.Find(opener, at)) != npos) {
      const std::size_t from = at + opener.size();
      const std::size_t quote = page.find('"', from);
      if (quote == npos) break;
      // An empty query would append ".html" to every quote of the body.
      if (quote > from) queries.insert(page.substr(from, quote - from));
      at = from;
    }
  }
  std::string body = page.substr(body_at);
  for (const std::string& q : queries) body = Replace(body, q + "\"", q + ".html\"");
  for (std::string_view quote : {"\"", "'"}) {
    for (std::string_view ext : {".jsp", ".asp", ".php", ",html", ".shtml"}) {
      body = Replace(body, std::string(ext) + std::string(quote),
                     std::string(ext) + ".html" + std::string(quote));
    }
  }
  for (std::string_view ext : {".html", ".jsp", ".asp", ".php", ".shtml"}) {
    body = Replace(body, std::string(ext) + "?", std::string(ext) + "@");
  }
  body = Replace(body, "/\" ", "/index.html\" ");
  body = Replace(body, "/\">", "/index.html\">");
  body = Remove(body, kFolderAddressMark);
  page.resize(body_at);
  return page + body;
}

}  // namespace kaplo
