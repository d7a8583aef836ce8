// What an address is made of, how a reference resolves against it, and what
// kind of resource it names. Byte strings in Shift_JIS; comparisons are
// case-sensitive unless said otherwise.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kaplo {

// The URL without "http(s)://" and a "www", "www1." ... "wwwz." host prefix.
std::string StripSchemeAndWww(std::string_view url);
std::string UrlRoot(std::string_view url);            // "http://host/"
std::string UrlDirectory(std::string_view url);       // up to and including the last "/"
std::string UrlDirPath(std::string_view url);         // "a/b" of http://host/a/b/c.html
std::string UrlPathAfterHost(std::string_view url);   // "a/b/c.html?x=1"
std::string UrlFileName(std::string_view url);        // "c.html?x=1"
// The run of "../" from the page's local folder up to the save folder.
std::string UrlDepthPrefix(std::string_view url, std::string_view dummy_dir);
std::string ReplaceUrlRoot(std::string_view url, std::string_view prefix);
// The absolute address of ref seen from base (RFC 3986, browser mode).
std::string CombineUrl(std::string_view base, std::string_view ref);

// ref resolved against base by RFC 3986 alone, as a browser resolves it.
std::string ResolveUrl(std::string_view base, std::string_view ref);
// The address a browser asks for when a text read in the code `query_code`
// names `reference` (Shift_JIS, entities read), seen from `base` (an address
// as sent): the path percent-encoded from UTF-8, the query in the text's
// code, "\" taken as "/", the fragment and an empty query dropped. Empty
// when it leads to no http or https address.
std::string RequestUrl(std::string_view base, std::string_view reference, int query_code);
// An address as a user types it (Shift_JIS) made one that can be sent.
std::string WireUrl(std::string_view url);
// The fragment of a reference as written, "#" included; empty without one.
std::string_view FragmentOf(std::string_view reference);
// "host:port" of an address, lower case; empty when it has none.
std::string HostPortOf(std::string_view url);

bool IsHttpUrl(std::string_view text);
bool IsPageUrl(std::string_view url);

enum ResourceKind : int { kTextResource = 1, kImageResource = 2, kOtherResource = 255 };
int ClassifyResource(std::string_view ref);

// Every host name that follows "http://" in text; list is left alone when
// there is none.
void ExtractHostNames(std::string_view text, std::vector<std::string>& list);

// The file's bytes with every line end made CR LF; empty when the name is
// empty or the file cannot be read.
std::string LoadTextFile(std::string_view file_name);

}  // namespace kaplo
