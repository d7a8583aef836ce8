// Frame and inline-frame references of a saved container page.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kaplo {

// The local form of a frame reference: "?" to "@", "&amp;" to "&", encoded
// slashes to "~", ".html" appended when the reference names no ".htm" file.
std::string FrameLocalForm(std::string_view entry);
// Points the container's frame references at their local names. An absolute
// entry is matched from its path on, so only that part is replaced.
std::string ChangeFrameUrlname(std::string page, const std::vector<std::string>& frame_list);
// Gives extension-less frame file names an ".html" where the page refers to
// them, then folds repeated ".html" runs left by earlier steps.
std::string DLReplaceIframehtml(std::string page, const std::vector<std::string>& frame_list,
                                std::string_view save_folder, int decode_mode);

// The address a frame entry leads to: absolute as written ("//" taken as
// "http://"), else resolved against the container's address; empty when it
// is no http or https address.
std::string FrameTarget(std::string_view page_url, std::string_view reference);

}  // namespace kaplo
