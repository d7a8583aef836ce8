// The links a site job follows and the pass that points them at the saved
// copies: <a href> and <area href> only, read from the page as fetched.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/fetch.h"

namespace kaplo {

// One <a>/<area> link of a page: the address it asks for (fragment
// removed) and its fragment as written ("#x", or empty).
struct PageLink {
  std::string url;
  std::string fragment;
};

// The links of a page as fetched (its text as the fetcher gave it), read in
// the code the page is saved in; url is where it came from after redirects.
// loads, when given, receives the addresses the page itself loads
// (stylesheets and scripts first, images only when wanted), to fetch ahead.
std::vector<PageLink> PageLinks(const TextResponse& page, const std::string& url, int chosen_code,
                                std::vector<std::string>* loads = nullptr, bool images = true);

// The saved page's <a>/<area> links rewritten: a link to a page of
// saved_pages (address -> local file) becomes the path from the page's
// folder to that file, every other link the absolute address. links are the
// page's links as fetched, in order; when the saved page does not hold the
// same number of them they are left as they are. Other links (a form's
// action) written absolute lead to the copy when it is saved. False when
// the file could not be read or written back.
bool PointLinksAtCopies(const std::string& save_folder, const std::string& page_file,
                        const std::vector<PageLink>& links,
                        const std::map<std::string, std::string>& saved_pages);

// The address without its fragment.
std::string WithoutFragment(std::string_view url);

}  // namespace kaplo
