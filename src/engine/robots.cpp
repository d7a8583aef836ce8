#include "engine/robots.h"

#include "text/sjis.h"
#include "text/strutil.h"

namespace kaplo {
namespace {

// A pattern against the start of path: "*" any run, "$" at its end the end.
bool Matches(std::string_view pattern, std::string_view path) {
  const bool anchored = pattern.ends_with('$');
  if (anchored) pattern.remove_suffix(1);
  // Bounded backtracking over the "*" runs: one position per star.
  std::size_t p = 0, s = 0, star = std::string_view::npos, mark = 0;
  while (true) {
    if (p == pattern.size() && (!anchored || s == path.size())) return true;
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = s;
      continue;
    }
    if (p < pattern.size() && s < path.size() && pattern[p] == path[s]) {
      ++p;
      ++s;
      continue;
    }
    if (star == std::string_view::npos || mark >= path.size()) return false;
    p = star + 1;
    s = ++mark;
  }
}

}  // namespace

const std::vector<std::string>& OwnRobotNames() {
  // The agent the pages are asked for with, and the program's name.
  static const std::vector<std::string> names = {"myapp", "kaplo"};
  return names;
}

RobotsRules RobotsRules::Parse(std::string_view text, const std::vector<std::string>& agents) {
  struct Group {
    std::vector<std::string> agents;
    std::vector<Rule> rules;
  };
  std::vector<Group> groups;
  bool in_agents = false;  // the lines before are User-agent lines
  std::size_t at = 0;
  while (at <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) {
      line = line.substr(0, hash);
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string key = LowerAscii(Trim(line.substr(0, colon)));
    const std::string value(Trim(line.substr(colon + 1)));
    if (key == "user-agent") {
      if (!in_agents || groups.empty()) groups.emplace_back();
      groups.back().agents.push_back(LowerAscii(value));
      in_agents = true;
    } else if (key == "allow" || key == "disallow") {
      in_agents = false;
      // An empty Disallow allows everything: no rule.
      if (!groups.empty() && !value.empty()) groups.back().rules.push_back({value, key == "allow"});
    } else {
      in_agents = false;
    }
  }
  RobotsRules own, any;
  bool own_found = false;
  for (const Group& g : groups) {
    for (const std::string& a : g.agents) {
      bool ours = false;
      for (const std::string& name : agents) ours |= !a.empty() && a != "*" && name.starts_with(a);
      if (ours) {
        own_found = true;
        own.rules_.insert(own.rules_.end(), g.rules.begin(), g.rules.end());
        break;
      }
      if (a == "*") {
        any.rules_.insert(any.rules_.end(), g.rules.begin(), g.rules.end());
        break;
      }
    }
  }
  return own_found ? own : any;
}

bool RobotsRules::Allowed(std::string_view path) const {
  std::size_t best = 0;
  bool allowed = true;
  for (const Rule& r : rules_) {
    if (!Matches(r.pattern, path)) continue;
    const std::size_t length = r.pattern.size();
    if (length > best || (length == best && r.allow)) {
      best = length;
      allowed = r.allow;
    }
  }
  return allowed;
}

}  // namespace kaplo
