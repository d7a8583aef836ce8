// The source the keyword benchmarks search: filler lines of markup and
// Japanese text with one of eight keywords about every 100 bytes.
#pragma once

#include <string>
#include <vector>

#include "text/sjis_literal.h"

namespace kaplo::bench {

inline const std::vector<std::string>& Keywords() {
  static const std::vector<std::string> kw = {
      "color", "href", SJ<"検索">(), "border", SJ<"表示">(), "function", "#fff", "width"};
  return kw;
}

inline std::string KeywordSource(std::size_t size) {
  const std::string filler[] = {
      "<div class=\"box\" style=\"margin:0 auto\">",
      SJ<"東京都内では朝から雨が降り、交通機関に遅れが出ています。">(),
      "<span id=note>", "var total = count + 1;",
      SJ<"詳しくは交通情報をご覧ください。">(),
      "</span></div>",
  };
  std::string text;
  text.reserve(size + 256);
  for (std::size_t i = 0; text.size() < size; ++i) {
    text += filler[i % 6] + ' ' + filler[(i + 2) % 6] + ' ' + filler[(i + 4) % 6] + ' ';
    text += Keywords()[i % 8];
    text += (i % 3 == 0) ? "\r\n" : " ";
  }
  return text;
}

}  // namespace kaplo::bench
