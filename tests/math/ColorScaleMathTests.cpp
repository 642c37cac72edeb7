// The arithmetic of a scale, checked against tables of cases worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "colorscale/ColorScaleMath.h"

namespace {

using namespace ZORColorScaleMath;
constexpr int N = kNotImposed;

std::vector<int> Colors(std::vector<int> indices, std::vector<int> component) {
  InterpolateColorComponent(indices, component);
  return component;
}

std::vector<double> Boundaries(std::vector<int> indices, std::vector<double> values) {
  InterpolateBoundaries(indices, values);
  return values;
}

TEST(ColorTable, IntegerStepsTruncatedBeforeTheMultiplication) {
  // 0 to 255 over four steps: 63, 126, 189; going down, -63 a step (255 - 189 = 66 at the end).
  EXPECT_EQ(Colors({1, N, N, N, 5}, {0, -1, -1, -1, 255}), (std::vector<int>{0, 63, 126, 189, 255}));
  EXPECT_EQ(Colors({1, N, N, N, 5}, {255, -1, -1, -1, 0}), (std::vector<int>{255, 192, 129, 66, 0}));
  // Index 0 (after a reset) counts as imposed; only -1 does not.
  EXPECT_EQ(Colors({0, 0, 0}, {7, 8, 9}), (std::vector<int>{7, 8, 9}));
  EXPECT_EQ(Colors({1, N, 3}, {0, 99, 3}), (std::vector<int>{0, 1, 3}));
  EXPECT_EQ(Colors({1, N, N, 4}, {0, 0, 0, -2}), (std::vector<int>{0, 0, 0, -2}));
}

TEST(ColorTable, EndsAndExtremeComponents) {
  // Before the first and after the last imposed color: the nearest imposed color.
  EXPECT_EQ(Colors({N, 2, N, 4, N}, {-1, 10, -1, 30, -1}), (std::vector<int>{10, 10, 20, 30, 30}));
  EXPECT_EQ(Colors({N, N}, {-1, -1}), (std::vector<int>{0, 0}));
  // Differences that do not fit an int.
  const int lo = std::numeric_limits<int>::min();
  const int hi = std::numeric_limits<int>::max();
  EXPECT_EQ(Colors({1, N, 3}, {lo, 0, hi}), (std::vector<int>{lo, -1, hi}));
  EXPECT_EQ(Colors({1, N, 3}, {hi, 0, lo}), (std::vector<int>{hi, 0, lo}));
}

TEST(ValueTable, LinearBetweenImposedBoundaries) {
  EXPECT_EQ(Boundaries({1, N, N, 4}, {-1.0, 0.0, 0.0, 2.0}), (std::vector<double>{-1.0, 0.0, 1.0, 2.0}));
  EXPECT_EQ(Boundaries({1, 2, N, 4}, {-1.0, 1.5, 0.0, 2.0}), (std::vector<double>{-1.0, 1.5, 1.75, 2.0}));
  EXPECT_EQ(Boundaries({N, N, N}, {5.0, 6.0, 7.0}), (std::vector<double>{0.0, 0.0, 0.0}));
  // The order of the operations shows in the last bit: (0.3 - 0.1) / 3 * 1 + 0.1.
  std::vector<double> thirds = Boundaries({1, N, N, 4}, {0.1, 0.0, 0.0, 0.3});
  EXPECT_EQ(thirds[1], (0.3 - 0.1) / 3.0 * 1.0 + 0.1);
  EXPECT_EQ(thirds[2], (0.3 - 0.1) / 3.0 * 2.0 + 0.1);
}

TEST(ValueTable, EndsAreExtendedAndKeptFinite) {
  EXPECT_EQ(Boundaries({N, 2, 3, N}, {0.0, 1.0, 3.0, 0.0}), (std::vector<double>{-1.0, 1.0, 3.0, 5.0}));
  EXPECT_EQ(Boundaries({N, 2, N}, {0.0, 4.0, 0.0}), (std::vector<double>{4.0, 4.0, 4.0}));
  const double big = std::numeric_limits<double>::max();
  std::vector<double> wide = Boundaries({N, 2, 3, N}, {0.0, -big / 2, big / 2, 0.0});
  EXPECT_EQ(wide[0], -big);
  EXPECT_EQ(wide[3], big);
  std::vector<double> overflowing = Boundaries({N, 2, 3, N}, {0.0, -big, big, 0.0});
  for (double v : overflowing) EXPECT_TRUE(std::isfinite(v));
  EXPECT_LE(overflowing[0], overflowing[1]);
  EXPECT_LE(overflowing[2], overflowing[3]);
}

}  // namespace
