#include "workspace/flash_page.h"

#include <initializer_list>
#include <utility>

#include "text/convert.h"

namespace kaplo {
namespace {

std::string AttributeText(std::string_view s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '\\':
        out += '/';
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Param(std::string_view name, std::string_view value) {
  return "<param name=\"" + std::string(name) + "\" value=\"" + std::string(value) + "\" />";
}

}  // namespace

std::string LocalFlashPage(std::string_view path_utf8) {
  // Escaped while still UTF-8: the "&" of a character reference made on the
  // way to Shift_JIS must stay as it is.
  const std::string movie = Utf8ToShiftJISLenient(AttributeText(path_utf8), Unmappable::CharRef);
  std::string page;
  auto line = [&page](std::string_view s) {
    page += s;
    page += "\r\n";
  };
  line("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">");
  line("<html>");
  line("<head>");
  line("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">");
  line("");
  line("<title>Flash Player Local Display</title>");
  line("<meta http-equiv=\"Content-Style-Type\" content=\"text/css\">");
  line("<meta http-equiv=\"content-script-type\" content=\"text/javascript\">");
  line("</head>");
  line("<body>");
  line(
      "<object classid=\"clsid:d27cdb6e-ae6d-11cf-96b8-444553540000\" width=\"800\" "
      "height=\"300\" id=\"banner\" align=\"middle\">");
  line(Param("movie", movie));
  for (const auto& [name, value] :
       std::initializer_list<std::pair<std::string_view, std::string_view>>{
           {"quality", "high"},
           {"bgcolor", "#e8e8e8"},
           {"play", "true"},
           {"wmode", "window"},
           {"scale", "showall"},
           {"menu", "true"},
           {"devicefont", "false"},
           {"salign", ""},
           {"allowScriptAccess", "sameDomain"},
       }) {
    line(Param(name, value));
  }
  line("</object>");
  line("</body>");
  line("</html>");
  return page;
}

}  // namespace kaplo
