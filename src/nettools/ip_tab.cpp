#include "nettools/ip_tab.h"

#include "nettools/lookup.h"
#include "text/sjis_literal.h"
#include "text/strutil.h"

namespace kaplo {

const std::string& NoNameText() {
  static const std::string text = "  *** No Name ***";
  return text;
}

std::string MalformedAddressMessage(std::string_view text) {
  return SJ<"ＩＰアドレスが、正しく指定されていません。\r\n\r\n「　WWW．XXX．YYY．ZZZ 」の形式( "
            "各： 0-255 ）にして下さい\r\n\r\n">() +
         SJ<"【 ">() + std::string(text) + SJ<" 】">();
}

void IpClearAll(IpTabBoxes& boxes) {
  boxes.host.clear();
  boxes.address.clear();
  boxes.reverse_address.clear();
  boxes.name_by.clear();
  boxes.query.clear();
  boxes.whois_output.clear();
  boxes.trace.clear();
  boxes.names.clear();
  boxes.trace_enabled = true;
}

void IpGetAddress(IpTabBoxes& boxes) {
  boxes.address.clear();
  const std::string host =
      HostFromUrl(Trim(boxes.host).empty() ? std::string_view(boxes.url) : boxes.host);
  const std::string address = NameToAddress(host);
  boxes.address = address;
  boxes.reverse_address = address;
  boxes.host = host;
  boxes.trace_enabled = true;
}

std::string IpReverseLookup(IpTabBoxes& boxes, const NameLookup& name_of) {
  const std::string address(Trim(boxes.reverse_address));
  if (address.empty()) return {};
  if (!IsWellFormedIPv4(address)) return MalformedAddressMessage(address);
  const std::string name = name_of(address);
  boxes.name_by = name.empty() ? NoNameText() : name;
  return {};
}

bool IpStartTrace(IpTabBoxes& boxes) {
  IpClearAll(boxes);
  boxes.host = HostFromUrl(boxes.url);
  if (boxes.host.empty()) return false;
  boxes.trace_enabled = false;
  return true;
}

std::string IpNameLine(std::string_view address, const NameLookup& name_of) {
  const std::string name = name_of(address);
  return std::string(address) + "\t" + (name.empty() ? std::string(address) : name);
}

void IpFinishTrace(IpTabBoxes& boxes, const std::vector<Hop>& hops, const NameLookup& name_of) {
  boxes.trace.clear();
  for (const Hop& hop : hops) boxes.trace.push_back(hop.address);
  if (boxes.trace.empty()) return;
  boxes.address = boxes.trace.back();
  boxes.reverse_address = boxes.trace.back();
  boxes.names.clear();
  for (const std::string& address : boxes.trace) boxes.names.push_back(IpNameLine(address, name_of));
  boxes.trace_enabled = true;
}

std::optional<WhoisStart> IpStartWhois(IpTabBoxes& boxes) {
  const std::string server(Trim(boxes.whois_server));
  if (server.empty() || server.find("whois") == std::string::npos) return std::nullopt;
  const std::string query = WhoisQueryFromBoxes(boxes.query, boxes.url);
  if (query.empty()) return std::nullopt;
  boxes.query = query;
  boxes.whois_output = SJ<" 【 ">() + query + SJ<" 】">() + "\r\n\r\n";
  boxes.whois_no_match_server.clear();
  return WhoisStart{server, query};
}

void IpWhoisConnected(IpTabBoxes& boxes, std::string_view server) {
  boxes.whois_output += "Connected to host: " + std::string(server) + "\r\n";
}

void IpWhoisAnswered(IpTabBoxes& boxes, const WhoisAnswer& answer) {
  // A cut answer still shows what came before its error.
  if (answer.status == WhoisStatus::kOk || answer.status == WhoisStatus::kTooLarge) {
    std::string text;
    for (const std::string& line : answer.lines) text += line + "\r\n";
    if (WhoisSaysNoMatch(text)) boxes.whois_no_match_server = answer.server;
    boxes.whois_output += text;
  }
  if (answer.status != WhoisStatus::kOk)
    boxes.whois_output += WhoisErrorMessage(answer) + "\r\n";
}

std::string IpFinishWhois(IpTabBoxes& boxes) {
  boxes.whois_output = WhoisDisplayText(boxes.whois_output);
  return boxes.whois_no_match_server;
}

}  // namespace kaplo
