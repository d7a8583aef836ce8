#include "workspace/flash_page.h"

#include <gtest/gtest.h>

#include "text/convert.h"

namespace kaplo {
namespace {

std::string Page(const std::string& movie_value) {
  return "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n"
         "<html>\r\n"
         "<head>\r\n"
         "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\r\n"
         "\r\n"
         "<title>Flash Player Local Display</title>\r\n"
         "<meta http-equiv=\"Content-Style-Type\" content=\"text/css\">\r\n"
         "<meta http-equiv=\"content-script-type\" content=\"text/javascript\">\r\n"
         "</head>\r\n"
         "<body>\r\n"
         "<object classid=\"clsid:d27cdb6e-ae6d-11cf-96b8-444553540000\" width=\"800\" "
         "height=\"300\" id=\"banner\" align=\"middle\">\r\n"
         "<param name=\"movie\" value=\"" +
         movie_value +
         "\" />\r\n"
         "<param name=\"quality\" value=\"high\" />\r\n"
         "<param name=\"bgcolor\" value=\"#e8e8e8\" />\r\n"
         "<param name=\"play\" value=\"true\" />\r\n"
         "<param name=\"wmode\" value=\"window\" />\r\n"
         "<param name=\"scale\" value=\"showall\" />\r\n"
         "<param name=\"menu\" value=\"true\" />\r\n"
         "<param name=\"devicefont\" value=\"false\" />\r\n"
         "<param name=\"salign\" value=\"\" />\r\n"
         "<param name=\"allowScriptAccess\" value=\"sameDomain\" />\r\n"
         "</object>\r\n"
         "</body>\r\n"
         "</html>\r\n";
}

TEST(LocalFlashPage, BytesOfThePage) {
  EXPECT_EQ(LocalFlashPage("/home/u/movie.swf"), Page("/home/u/movie.swf"));
  // Backslashes become "/"; quotes and angle brackets cannot end the
  // attribute; Japanese names are Shift_JIS and the rest character references.
  EXPECT_EQ(LocalFlashPage("/m\\a \"b\" <c> & d.swf"),
            Page("/m/a &quot;b&quot; &lt;c&gt; &amp; d.swf"));
  EXPECT_EQ(LocalFlashPage("/日本/😀.swf"), Page("/" + Utf8ToShiftJIS("日本") + "/&#x1F600;.swf"));
}

}  // namespace
}  // namespace kaplo
