// Frame and inline-frame references of a saved container page.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kaplo {

// The address a frame entry leads to: absolute as written ("//" taken as
// "http://"), else resolved against the container's address; empty when it
// is no http or https address.
std::string FrameTarget(std::string_view page_url, std::string_view reference);

}  // namespace kaplo
