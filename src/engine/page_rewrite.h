// The rewriting steps that point a saved page's links at the local files.
// Plain substring replacement over the whole text, in a fixed order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/download_job.h"

namespace kaplo {

// What the page rewrite reads besides the page.
struct PageRewriteInput {
  std::string_view page_url;    // the address the page came from
  std::string_view saved_from;  // the address the saved-from comment names
  std::string_view save_folder;
  std::string_view base_href_dir;  // the folder of the page's base tag; empty without one
  const DownloadLists& lists;      // what the collection stages listed
  const DownloadOptions& options;
};
// The saved form of a page (converted to Shift_JIS and normalised): its
// links pointed at the local files, step by step in a fixed order. Pure: no
// file is read or written.
std::string RewritePage(std::string page, const PageRewriteInput& in);
// What stands before the first "<head"; empty when the page starts with it
// or has none.
std::string HeadPreambleOf(std::string_view page);
// The page's head: the text before the first "<BODY" (else "<body") that
// starts on a character, or the whole text.
std::string BeforeBody(std::string_view text);
// The first base tag kept only as a comment, for the record.
std::string CommentOutBaseTag(std::string page);

// ".css/"" and ".js/"" lose the slash: a stylesheet or script is a file.
std::string DropSlashAfterCssJsNames(std::string text);

// "<!-- saved from "URL" by NOLDA-KAPLO -->"
std::string SavedFromComment(std::string_view page_url);

// Head references under a base tag: each entry not starting with "/" gets
// base_dir_path + "/" in front (a leading "./" dropped).
std::string ChangeHTMLSrcCSSname(std::string page, std::string_view base_href_dir,
                                 std::string_view base_href_dir_path,
                                 const std::vector<std::string>& head_hrefs);
// References with "?", "|" or "*" become the names under which such
// resources are stored; list holds ResourceLines.
std::string ChangeHTMLSrcUrlname(std::string page, const std::vector<std::string>& list);
// Absolute links to the given hosts become root-relative.
std::string RemoveDomainFromHTMLFile(std::string page, const std::vector<std::string>& hosts);
std::string RemoveHTMLSrcUrlname(std::string page, const std::vector<std::string>& hosts);
std::string RemoveUrlRoot(std::string_view url, std::string page, std::string_view dummy_dir);
// Drops blank lines and puts the saved-from comment before the head.
std::string ClleanupSaveHTMLFile(std::string_view page, std::string_view page_url);
// Links to folders lead to their top file, links to dynamic pages to the
// names under which they are stored.
std::string RewriteDepthLinks(std::string_view top_name, std::string page);

}  // namespace kaplo
