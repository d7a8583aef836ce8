// The IP address tab's handlers over the texts of its boxes, without widgets:
// the window copies its boxes in, runs a handler (on a worker when it looks
// names up) and shows the boxes that come back. Texts are Shift_JIS.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nettools/lookup.h"
#include "nettools/trace_route.h"
#include "nettools/whois.h"

namespace kaplo {

// The reverse lookup the handlers use (AddressToName unless a test says otherwise).
using NameLookup = std::function<std::string(std::string_view address)>;

struct IpTabBoxes {
  std::string url;              // EditIPUrl
  std::string host;             // EditIPHost
  std::string address;          // EditIPAddress
  std::string reverse_address;  // EditReverseIPAddress
  std::string name_by;          // EditIPAddressNameBy
  std::string query;            // EditIPQuery
  std::string whois_server = std::string(kDefaultWhoisServer);  // ComboBoxWhoisHostEdit
  std::vector<std::string> trace;  // ListBoxTraceRoute: one hop address a line
  std::vector<std::string> names;  // ListBoxIPandHostname: address, a tab, name
  std::string whois_output;        // the answer pane, lines ending in CR LF
  // The server whose answer said that nothing was found (after a referral,
  // the one referred to); empty when none did.
  std::string whois_no_match_server;
  bool trace_enabled = true;       // sbIPTraceRoute
};

// What a reverse lookup shows when there is no name.
const std::string& NoNameText();
// The message for a box that does not hold a well-formed address.
std::string MalformedAddressMessage(std::string_view text);

// Clear: every box and list emptied (the server box and URL kept), the trace button enabled.
void IpClearAll(IpTabBoxes& boxes);
// "IPｱﾄﾞﾚｽ取得": the address of the host box's host (or the URL's).
void IpGetAddress(IpTabBoxes& boxes);
// "IPｱﾄﾞﾚｽからﾎｽﾄ名を取得": the name of the reverse address box's address.
// Returns the message to show when the address is malformed, else empty.
std::string IpReverseLookup(IpTabBoxes& boxes, const NameLookup& name_of = AddressToName);

// The trace button's first steps: clears the tab and puts the URL's host into
// the host box; false when there is no host (nothing to trace).
bool IpStartTrace(IpTabBoxes& boxes);
// After the route: the last hop into the address boxes, and each hop with its
// name (or its address when it has none) into the names list. The trace button
// stays disabled when no hop was found.
void IpFinishTrace(IpTabBoxes& boxes, const std::vector<Hop>& hops,
                   const NameLookup& name_of = AddressToName);
// One line of the names list.
std::string IpNameLine(std::string_view address, const NameLookup& name_of = AddressToName);

// The whois query a start asks for, or nothing when the server box does not
// name a whois server or there is nothing to ask. Updates the query box and
// starts the answer pane.
struct WhoisStart {
  std::string server, query;
};
std::optional<WhoisStart> IpStartWhois(IpTabBoxes& boxes);
// The answer pane as the query goes.
void IpWhoisConnected(IpTabBoxes& boxes, std::string_view server);
void IpWhoisAnswered(IpTabBoxes& boxes, const WhoisAnswer& answer);
// After the last answer: the pane's blanks made full width. Returns the
// server whose answer says nothing was found, or empty; the window then
// suggests trying another than that one. Only the servers' answers are read:
// a query such as "参考.jp" in the pane's first line is no answer.
std::string IpFinishWhois(IpTabBoxes& boxes);

}  // namespace kaplo
