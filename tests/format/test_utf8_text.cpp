// Text made valid UTF-8 for the HTML page: valid text unchanged, every byte
// that starts no valid sequence replaced.
#include <gtest/gtest.h>

#include "format/utf8_text.hpp"
#include "report/html_report.hpp"

namespace kavro::ff {
namespace {

TEST(Utf8Text, InvalidBytesBecomeTheReplacementCharacter) {
  const std::string replacement = "\xEF\xBF\xBD";
  const auto replaced = [&](int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += replacement;
    return text;
  };
  const std::string valid = "Fe\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 plain";  // 2-, 3- and 4-byte sequences
  EXPECT_EQ(utf8_text(valid), valid);
  EXPECT_EQ(utf8_text("caf\xE9"), "caf" + replacement);                       // Latin-1
  EXPECT_EQ(utf8_text("\xC0\xAF"), replaced(2));          // overlong '/'
  EXPECT_EQ(utf8_text("\xED\xA0\x80"), replaced(3));      // a surrogate
  EXPECT_EQ(utf8_text("\xF4\x90\x80\x80"), replaced(4));  // above U+10FFFF
  EXPECT_EQ(utf8_text("\xE2\x82"), replaced(2));          // cut at the end
  EXPECT_EQ(html_text("<Gr\xFCn>"), "&lt;Gr" + replacement + "n&gt;");
}

}  // namespace
}  // namespace kavro::ff
