// The page analysis workspace without its window: one page (an address or a
// local file) read into Shift_JIS, its stylesheet and script lists, and the
// combined texts of those files.
#pragma once

#include <atomic>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/fetch.h"

namespace kaplo {

// The references already listed while one page is open: a stylesheet named
// twice, or imported after the page named it, is listed once.
using ListedReferences = std::set<std::string>;

// The stylesheets named in the head of text (a page or a stylesheet read from
// address), each as "reference TAB resolved address", appended to list.
void GetDHTMLCSSList(std::string_view address, std::string_view text, ListedReferences& listed,
                     std::vector<std::string>& list);
// The scripts named by src attributes anywhere in text, appended to list.
void GetDHTMLJSList(std::string_view address, std::string_view text,
                    std::vector<std::string>& list);

// A frameset page cannot be edited; the workspace refuses it.
bool IsFramesetPage(std::string_view text);
// An inline frame that was not commented out asks before the page is loaded.
bool HasLiveIframe(std::string_view text);
// The text with its first "<iframe ...>" tag commented out; unchanged when
// it has none.
std::string CommentOutFirstIframe(std::string_view text);

struct AnalysisOptions {
  int html_code = 0;    // CharsetCode of the page; 0 reads its declaration
  int css_js_code = 0;  // CharsetCode of the stylesheets and scripts
  bool combine = true;  // false: lists only, nothing more is fetched
};

struct PageAnalysis {
  std::string address;  // the URL, or the local file's path
  bool web = false;     // an http or https address
  bool read = false;    // false: nothing could be read
  bool stopped = false;
  std::string raw;         // the bytes as read
  std::string text;        // in Shift_JIS
  std::string normalised;  // the HTML normaliser's form of text
  std::string head;        // normalised up to "<body"
  std::vector<std::string> css_list, js_list, css_import_list;
  // Addresses whose text went into the combined texts, in that order.
  std::vector<std::string> combined_css_files, combined_js_files;
  std::string combined_css, combined_js;
};

// One list of files read and joined between address markers; lines without
// TAB are addresses, otherwise the part after TAB is. With imports set, the
// stylesheets each text imports are appended to imports.
struct CombineRequest {
  const std::vector<std::string>* files = nullptr;
  bool web_page = false;  // only http and https addresses are read
  int code = 0;
  ListedReferences* listed = nullptr;  // with imports
  std::vector<std::string>* imports = nullptr;
  std::vector<std::string>* read_files = nullptr;
  const std::atomic<bool>* stop = nullptr;
  // A chain of stylesheets that import new names forever ends here.
  std::size_t max_files = 1000;
};
std::string CombineFiles(Fetcher& fetcher, const CombineRequest& request);
// One file's block of a combined text, its markers included; empty when the
// address has none.
std::string CombinedFileText(std::string_view combined, std::string_view address);

// Reads address (an http(s) URL or a local path, Shift_JIS) and builds
// everything above. stop, when set, ends the work between two files.
PageAnalysis AnalysePage(Fetcher& fetcher, std::string_view address, const AnalysisOptions& options,
                         const std::atomic<bool>* stop = nullptr);

}  // namespace kaplo
