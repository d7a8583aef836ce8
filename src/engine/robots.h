// What a site's robots.txt lets this program fetch: the group written for
// one of the program's own names, else the group for "*"; within it the
// longest matching Allow or Disallow path decides, Allow on a tie.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kaplo {

class RobotsRules {
 public:
  // No rules: everything is allowed (no robots.txt, or an error answer).
  RobotsRules() = default;
  // agents: the names this program answers to, lower case.
  static RobotsRules Parse(std::string_view text, const std::vector<std::string>& agents);
  // path: the address's path and query, starting with "/".
  bool Allowed(std::string_view path) const;

 private:
  struct Rule {
    std::string pattern;  // "*" matches any run of bytes, a final "$" the end
    bool allow = false;
  };
  std::vector<Rule> rules_;
};

// The names a robots.txt group may name this program by.
const std::vector<std::string>& OwnRobotNames();

}  // namespace kaplo
