#include <gtest/gtest.h>

#include "text/clean_text.h"

namespace veltrix {
namespace {

TEST(CleanText, KeepsValidUtf8AndEscapesEverythingElse) {
  struct Case {
    std::string bytes;
    std::string text, xml;
    std::string utf8 = text; // where it differs: control characters and noncharacters kept
  };
  const Case cases[] = {
      {"Office", "Office", "Office"},
      {"Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xB6", "Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xB6",
       "Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xB6"},
      {"a<b>&\"c'", "a<b>&\"c'", "a&lt;b&gt;&amp;&quot;c&apos;"},
      {std::string("\0\t\r\n\x1F\x7F", 6), "\\x00\\x09\\x0D\\x0A\\x1F\\x7F",
       "\\x00\\x09\\x0D\\x0A\\x1F\\x7F", std::string("\0\t\r\n\x1F\x7F", 6)},
      {"\xC2\x85 \xC2\xA0", "\\xC2\\x85 \xC2\xA0", "\\xC2\\x85 \xC2\xA0",
       "\xC2\x85 \xC2\xA0"}, // U+0085, U+00A0
      {"\xEF\xBF\xBE\xEF\xBF\xBF\xEF\xBF\xBD", "\\xEF\\xBF\\xBE\\xEF\\xBF\\xBF\xEF\xBF\xBD",
       "\\xEF\\xBF\\xBE\\xEF\\xBF\\xBF\xEF\xBF\xBD",
       "\xEF\xBF\xBE\xEF\xBF\xBF\xEF\xBF\xBD"},               // U+FFFE, U+FFFF; U+FFFD stays
      {"\xFF\xC0\x80", "\\xFF\\xC0\\x80", "\\xFF\\xC0\\x80"}, // never valid; overlong
      {"\xED\xA0\x80", "\\xED\\xA0\\x80", "\\xED\\xA0\\x80"}, // a surrogate
      {"\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80", "\\xF4\\x90\\x80\\x80"}, // above U+10FFFF
      {"\xE2\x82<", "\\xE2\\x82<", "\\xE2\\x82&lt;"},                       // cut short
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(CleanText(c.bytes), c.text);
    EXPECT_EQ(CleanText(c.bytes, Clean::Xml), c.xml);
    EXPECT_EQ(CleanText(c.bytes, Clean::Utf8), c.utf8);
  }
}

// The shortcut past cleaning is taken only for texts that cleaning leaves as they are.
TEST(CleanText, NeedsCleaningWhereverCleaningChangesAByte) {
  EXPECT_FALSE(NeedsCleaning("Office 2.4 GHz ~!"));
  for (int byte = 0; byte < 256; ++byte) {
    const std::string text = "a" + std::string(1, static_cast<char>(byte));
    SCOPED_TRACE(byte);
    EXPECT_EQ(NeedsCleaning(text), byte < 0x20 || byte > 0x7E);
    if (!NeedsCleaning(text)) EXPECT_EQ(CleanText(text), text);
  }
}

} // namespace
} // namespace veltrix
