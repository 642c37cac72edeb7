// Text from outside the process as the host shows and hands it on: what a terminal would take for
// a command is escaped, and a NUL never silently cuts a name short.
#include <gtest/gtest.h>

#include <string>

#include "zor/ZORText.h"
#include "zor/ZORUnicodeString.h"

namespace {

TEST(Text, EveryByteThatIsNotPrintableAsciiIsShownEscaped) {
  using namespace std::string_literals;
  const std::pair<std::string, std::string> shown[] = {
      {"plain name-1.json", "plain name-1.json"},
      {"\x1b[31mred\x1b[0m", "\\x1b[31mred\\x1b[0m"},
      {"a\nb\tc\r", "a\\x0ab\\x09c\\x0d"},
      {"nul\0inside"s, "nul\\x00inside"},
      {"caf\xc3\xa9", "caf\\xc3\\xa9"},
      {"\x7f~ ", "\\x7f~ "},
      {"", ""},
  };
  for (const auto& [text, expected] : shown) EXPECT_EQ(ZORPrintable(text), expected);
}

TEST(Text, AHostStringWithANulHandsOnAReplacementNotAShorterName) {
  using namespace std::string_literals;
  const ZORUnicodeString plain("scale"), withNul("sca\0le"s), fromCString("sca\0le");
  EXPECT_STREQ(plain.CastToCharPtr(), "scale");
  EXPECT_EQ(withNul.Text(), "sca\0le"s);
  EXPECT_STREQ(withNul.CastToCharPtr(), "sca\xEF\xBF\xBDle");
  EXPECT_FALSE(withNul == plain);
  EXPECT_EQ(fromCString, ZORUnicodeString("sca")) << "a C string ends at its NUL";
  EXPECT_TRUE(ZORUnicodeString(nullptr).IsEmpty());
  EXPECT_TRUE(ZORUnicodeString().IsEmpty());
}

}  // namespace
