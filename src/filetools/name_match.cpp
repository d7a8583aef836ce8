// Name masks, the simple wildcard rule of exclusions, and date-time values.
#include <chrono>
#include <charconv>

#include "filetools/file_finder.h"

namespace kaplo {
namespace {

inline unsigned char Lower(unsigned char b) {
  return static_cast<unsigned char>(b - 'A') < 26u ? b | 0x20 : b;
}

bool EqualsNoCase(std::string_view a, std::string_view lower_b) {
  if (a.size() != lower_b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != static_cast<unsigned char>(lower_b[i])) return false;
  }
  return true;
}

// "*" any run (backtracking to the latest star), "?" one byte.
bool GlobNoCase(std::string_view pat, std::string_view name) {
  std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pat.size() && (pat[p] == '?' || static_cast<unsigned char>(pat[p]) == Lower(name[n]))) {
      ++p;
      ++n;
    } else if (p < pat.size() && pat[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pat.size() && pat[p] == '*') ++p;
  return p == pat.size();
}

std::size_t LastDot(std::string_view s) { return s.rfind('.'); }

}  // namespace

NameMask::NameMask(std::string_view mask) {
  for (char c : mask) lower_ += static_cast<char>(Lower(c));
  if (lower_ == "*" || lower_ == "*.*") {
    kind_ = Kind::kAll;
  } else if (lower_.find_first_of("*?") == std::string::npos) {
    kind_ = Kind::kExact;
  } else if (lower_[0] == '*' && lower_.find_first_of("*?", 1) == std::string::npos) {
    kind_ = Kind::kSuffix;
    lower_.erase(0, 1);
  } else {
    kind_ = Kind::kGlob;
  }
}

bool NameMask::Matches(std::string_view name) const {
  switch (kind_) {
    case Kind::kAll:
      return true;
    case Kind::kExact:
      return EqualsNoCase(name, lower_);
    case Kind::kSuffix:
      return name.size() >= lower_.size() &&
             EqualsNoCase(name.substr(name.size() - lower_.size()), lower_);
    case Kind::kGlob:
      return GlobNoCase(lower_, name);
  }
  return false;
}

bool SimpleWildcardMatch(std::string_view pattern, std::string_view name) {
  std::size_t i = 0;
  for (; i < pattern.size(); ++i) {
    if (pattern[i] == '*') return true;  // the whole rest at once
    if (i >= name.size()) break;
    if (pattern[i] != '?' && Lower(pattern[i]) != Lower(name[i])) return false;
  }
  if (i < pattern.size()) {
    // The name ended first: only wildcards may be left.
    return pattern.find_first_not_of("*?", i) == std::string_view::npos;
  }
  return i == name.size();
}

bool ExclusionMatches(std::string_view entry, std::string_view folder, std::string_view name) {
  const std::size_t slash = entry.rfind('/');
  const std::string_view file_part =
      slash == std::string_view::npos ? entry : entry.substr(slash + 1);
  if (slash != std::string_view::npos) {
    // The entry's folder is the tail of the searched folder, whole names only.
    std::string tail(entry.substr(0, slash + 1));
    if (tail.size() > folder.size() ||
        !EqualsNoCase(folder.substr(folder.size() - tail.size()),
                      [&] {
                        for (char& c : tail) c = static_cast<char>(Lower(c));
                        return tail;
                      }())) {
      return false;
    }
    if (tail[0] != '/' && tail.size() < folder.size() &&
        folder[folder.size() - tail.size() - 1] != '/') {
      return false;
    }
  }
  if (file_part.empty()) return true;
  const std::size_t pdot = LastDot(file_part);
  if (pdot == std::string_view::npos) return SimpleWildcardMatch(file_part, name);
  const std::size_t ndot = LastDot(name);
  const std::string_view name_base = ndot == std::string_view::npos ? name : name.substr(0, ndot);
  const std::string_view name_ext = ndot == std::string_view::npos ? "." : name.substr(ndot);
  return SimpleWildcardMatch(file_part.substr(0, pdot), name_base) &&
         SimpleWildcardMatch(file_part.substr(pdot), name_ext);
}

std::optional<TimeValue> TimeValue::Parse(std::string_view text) {
  auto number = [](std::string_view s, int& out) {
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
  };
  auto parse_date = [&](std::string_view s, TimeValue& v) {
    int y, m, d;
    if (s.size() != 10 || s[4] != '-' || s[7] != '-' || !number(s.substr(0, 4), y) ||
        !number(s.substr(5, 2), m) || !number(s.substr(8, 2), d)) {
      return false;
    }
    const std::chrono::year_month_day ymd{std::chrono::year(y), std::chrono::month(m),
                                          std::chrono::day(d)};
    if (!ymd.ok()) return false;
    v.day = static_cast<std::int32_t>(std::chrono::sys_days(ymd).time_since_epoch().count());
    return true;
  };
  auto parse_time = [&](std::string_view s, TimeValue& v) {
    int h, mi, sec = 0;
    if ((s.size() != 5 && s.size() != 8) || s[2] != ':' || !number(s.substr(0, 2), h) ||
        !number(s.substr(3, 2), mi) || (s.size() == 8 && (s[5] != ':' || !number(s.substr(6), sec)))) {
      return false;
    }
    if (h > 23 || mi > 59 || sec > 59 || h < 0 || mi < 0 || sec < 0) return false;
    v.second = h * 3600 + mi * 60 + sec;
    return true;
  };
  TimeValue v;
  const std::size_t sep = text.find_first_of(" T");
  if (sep != std::string_view::npos) {
    if (!parse_date(text.substr(0, sep), v) || !parse_time(text.substr(sep + 1), v)) return {};
  } else if (text.find(':') != std::string_view::npos) {
    if (!parse_time(text, v)) return {};
  } else if (!parse_date(text, v)) {
    return {};
  }
  return v;
}

}  // namespace kaplo
