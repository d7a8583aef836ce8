// This host's own IPv4 address, as the status bar shows it.
#pragma once

#include <string>

namespace kaplo {

// The first non-loopback IPv4 address of the host name, else of a network
// interface, else a loopback address; empty when there is none at all.
std::string LookUpOwnAddress();

// Whether text is a dotted IPv4 address in 127.0.0.0/8.
bool IsLoopbackAddress(const std::string& text);

}  // namespace kaplo
