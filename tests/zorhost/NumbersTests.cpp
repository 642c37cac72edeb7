// Numbers as text, and the other value forms of zorhost scripts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "zorhost/common/Numbers.h"
#include "zorhost/script/ScriptValues.h"

namespace {

TEST(Numbers, Reading) {
  EXPECT_EQ(ZORReadInt("-3"), -3);
  EXPECT_EQ(ZORReadInt("+7"), 7);
  EXPECT_EQ(ZORReadInt("2147483647"), 2147483647);
  for (const char* bad : {"2147483648", "-2147483649", "1.5", "nan", "", "+", "+-1", "1 ", "0x10"}) {
    EXPECT_FALSE(ZORReadInt(bad)) << bad;
  }
  EXPECT_EQ(ZORScriptValues::ReadBoolean("255"), 255);
  EXPECT_FALSE(ZORScriptValues::ReadBoolean("256"));
  EXPECT_FALSE(ZORScriptValues::ReadBoolean("-1"));
  EXPECT_EQ(ZORReadDouble("-1e-3"), -1e-3);
  EXPECT_EQ(ZORReadDouble("inf"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(ZORReadDouble("-inf"), -std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(*ZORReadDouble("nan")));
  EXPECT_FALSE(ZORReadDouble("1e400"));
  EXPECT_FALSE(ZORReadDouble("one"));
  // The number pattern is the rule, the editor's page reads it too: what it takes and no more.
  for (const char* taken : {".5", "5.", "+2", "1E+3", "INF", "-Infinity", "NaN", "-nan", "0"}) {
    EXPECT_TRUE(ZORReadDouble(taken)) << taken;
  }
  for (const char* refused : {"0x10", "1,5", "--1", "+-1", "", " 1", "1 ", "1e", ".", "nan(1)", "infinit", "1_000"}) {
    EXPECT_FALSE(ZORReadDouble(refused)) << refused;
  }
  EXPECT_EQ(ZORReadIntList("[]"), std::vector<int>{});
  EXPECT_EQ(ZORReadIntList("[1,-2,3]"), (std::vector<int>{1, -2, 3}));
  for (const char* bad : {"[", "[1,]", "[,1]", "[1 ,2]", "1,2", "[1]]", "[[1]"}) {
    EXPECT_FALSE(ZORReadIntList(bad)) << bad;
  }
  EXPECT_EQ(ZORReadInts("1,-2"), (std::vector<int>{1, -2}));
  EXPECT_FALSE(ZORReadInts(""));
  EXPECT_EQ(ZORReadDoubleList("[0.5,inf]"), (std::vector<double>{0.5, std::numeric_limits<double>::infinity()}));
}

TEST(ScriptValues, Writing) {
  using namespace ZORScriptValues;
  EXPECT_EQ(Code(0), "0x00000000");
  EXPECT_EQ(Code(static_cast<std::int32_t>(0x80070057u)), "0x80070057");
  EXPECT_EQ(IntList({}), "[]");
  EXPECT_EQ(DoubleList({1.0, 0.5}), "[1,0.5]");
}

// The two forms of a number: exact for files and scripts, shown for people.
TEST(Numbers, ExactAndShownNumbers) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const std::pair<double, const char*> exact[] = {
      {1.25, "1.25"}, {0.1, "0.1"}, {-0.0, "-0"}, {1e300, "1e+300"}, {-kInf, "-inf"},
      {-std::numeric_limits<double>::quiet_NaN(), "nan"}, {1.0 / 3.0, "0.3333333333333333"}};
  for (const auto& [value, text] : exact) EXPECT_EQ(ZORExactNumber(value), text) << value;
  const std::pair<double, const char*> shown[] = {
      {-0.0, "0"}, {0.0, "0"}, {1.0 / 3.0, "0.3333333"}, {-0.25, "-0.25"}, {kInf, "inf"},
      {-kInf, "-inf"}, {4.9406564584124654e-324, "4.940656e-324"}, {1646967.5, "1646968"},
      {std::numeric_limits<double>::quiet_NaN(), "nan"}};
  for (const auto& [value, text] : shown) EXPECT_EQ(ZORShownNumber(value), text) << value;
  EXPECT_EQ(ZORColorText({1, 2, 3, 255}), "1, 2, 3, 255");
}

}  // namespace
