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

namespace {

using namespace ZORColorScaleMath;

// Four blocks, boundaries 0, 1 and 2 (the limits 0 and 2), tolerance 0.1; block 2's color is
// not imposed.
const std::vector<double> kBoundaries = {0.0, 1.0, 2.0};
const std::vector<int> kColorIndices = {1, kNotImposed, 3, 4};

PlacementTable FourBlocks(double tolerance = 0.1) {
  PlacementTable table;
  table.blockCount = 4;
  table.boundaries = kBoundaries;
  table.imposedColorIndices = kColorIndices;
  table.lower = 0.0;
  table.upper = 2.0;
  table.tolerance = tolerance;
  return table;
}

// The placement both ways: scanning the boundaries, and bisecting them where that is allowed.
// The two must agree.
Placement Place(double value, PlacementTable table) {
  table.bisect = false;
  const Placement scanned = PlaceValue(value, table);
  if (SortedAndFinite(table)) {
    table.bisect = true;
    EXPECT_EQ(PlaceValue(value, table), scanned) << "bisection differs at " << value;
  }
  return scanned;
}

TEST(Placement, RulesInTheirOrder) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* rule;
    double value;
    Placement expected;
  };
  const Case cases[] = {
      {"above the upper limit", 2.5, {4, false}},
      {"above it, inside its band: the first rule wins", 2.05, {4, false}},
      {"exactly on the upper limit: the block below", 2.0, {3, false}},
      {"inside the upper band", 1.95, {3, false}},
      {"below the lower limit", -0.5, {1, false}},
      {"below it, inside its band", -0.05, {1, false}},
      {"exactly on the lower limit: block 2", 0.0, {2, false}},
      {"inside the lower band", 0.05, {2, false}},
      {"on an inner boundary: the block above", 1.0, {3, false}},
      {"one step inside the band's edge", std::nextafter(1.0 + 0.1, 0.0), {3, false}},
      // |1.1 - 1| rounds above 0.1 while 1 + 0.1 rounds to 1.1 itself: neither test holds.
      {"between the band and the block, by rounding", 1.1, {-1, false}},
      {"one step further: inside block 3", std::nextafter(1.1, inf), {3, false}},
      {"inside a block whose color is not imposed", 0.5, {2, true}},
      {"inside a block whose color is imposed", 1.5, {3, false}},
      {"plus infinity", inf, {4, false}},
      {"minus infinity", -inf, {1, false}},
      {"not a number compares false everywhere", nan, {-1, false}},
  };
  for (const Case& c : cases) EXPECT_EQ(Place(c.value, FourBlocks()), c.expected) << c.rule;

  // Limits within the tolerance of each other: every value that gets so far takes block 2.
  PlacementTable equalLimits = FourBlocks();
  equalLimits.upper = 0.05;
  EXPECT_EQ(Place(nan, equalLimits), (Placement{2, false}));
  EXPECT_EQ(Place(0.03, equalLimits), (Placement{3, false}));  // the upper band comes first
  // A tolerance of 0: only exact values sit on boundaries.
  EXPECT_EQ(Place(1.0, FourBlocks(0.0)), (Placement{3, false}));
  EXPECT_EQ(Place(std::nextafter(1.0, 0.0), FourBlocks(0.0)), (Placement{2, true}));
  // A negative tolerance puts nothing on a boundary and widens each block past its boundaries:
  // the lower block takes a value on their boundary. Not a number puts nothing anywhere.
  EXPECT_EQ(Place(1.0, FourBlocks(-0.1)), (Placement{2, true}));
  EXPECT_EQ(Place(0.5, FourBlocks(nan)), (Placement{-1, false}));
  // One block, no blocks.
  PlacementTable one = FourBlocks();
  one.blockCount = 1;
  EXPECT_EQ(Place(123.0, one), (Placement{1, false}));
  for (int blocks : {0, -3}) {
    PlacementTable none = FourBlocks();
    none.blockCount = blocks;
    EXPECT_EQ(Place(0.5, none), (Placement{-1, false})) << blocks;
  }
}

TEST(Placement, BisectionAgreesWithTheScanOnEqualAndCloseBoundaries) {
  const std::vector<double> boundaries = {-1.0, 0.0, 0.0, 0.0, 1e-9, 2e-9, 1.0, 1.0, 3.0};
  const std::vector<int> colorIndices(boundaries.size() + 1, kNotImposed);
  for (double tolerance : {0.0, 1e-9, 0.5, 2.0}) {
    PlacementTable table;
    table.blockCount = static_cast<int>(colorIndices.size());
    table.boundaries = boundaries;
    table.imposedColorIndices = colorIndices;
    table.lower = boundaries.front();
    table.upper = boundaries.back();
    table.tolerance = tolerance;
    ASSERT_TRUE(SortedAndFinite(table));
    for (double centre : boundaries) {
      for (double offset : {0.0, tolerance, -tolerance, 1e-10, -1e-10, 0.25, -0.25}) {
        double value = centre + offset;
        for (int step = 0; step < 3; ++step) {
          Place(value, table);
          Place(-value, table);
          value = std::nextafter(value, std::numeric_limits<double>::infinity());
        }
      }
    }
  }
}

TEST(Blend, WeightFromTheNarrowedBlock) {
  struct Case {
    const char* what;
    double lower, upper, value;
    bool usable;
    double t;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {"a quarter in", 1.0, 2.0, 1.25, true, 0.75},
      {"the middle", 1.0, 2.0, 1.5, true, 0.5},
      {"on the lower boundary: the block's own color", 1.0, 2.0, 1.0, true, 1.0},
      {"on the upper boundary: the next color", 1.0, 2.0, 2.0, true, 0.0},
      // 0.1 and 0.3 are narrowed first: the weight is not 0.5.
      {"narrowed boundaries", 0.1, 0.3, 0.2,
       true, (static_cast<double>(0.3f) - 0.2) / static_cast<double>(0.3f - 0.1f)},
      {"far outside: large but finite", 0.0, 1.0, -1e300, true, 1e300},
      {"equal boundaries", 1.0, 1.0, 1.0, false, 0.0},
      {"boundaries equal as floats", 1.0, 1.0 + 1e-12, 1.0, false, 0.0},
      {"a boundary beyond the float range", 0.0, 1e39, 1.0, false, 0.0},
      {"an infinite value", 0.0, 1.0, inf, false, 0.0},
      {"not a number", 0.0, 1.0, std::numeric_limits<double>::quiet_NaN(), false, 0.0},
  };
  for (const Case& c : cases) {
    BlendSpan span;
    double t = -7.0;
    const bool usable = NarrowBlock(c.lower, c.upper, span) && BlendWeight(span, c.value, t);
    EXPECT_EQ(usable, c.usable) << c.what;
    EXPECT_EQ(t, c.usable ? c.t : -7.0) << c.what;
  }
}

TEST(Blend, ComponentsTruncatedAndSaturated) {
  const int lo = std::numeric_limits<int>::min();
  const int hi = std::numeric_limits<int>::max();
  struct Case {
    int own, next;
    double t;
    int expected;
  };
  const Case cases[] = {
      {0, 255, 0.75, 63},     // 255 - 191.25 = 63.75, truncated
      {0, 255, 0.5, 127},
      {0, 255, 1.0, 0},       // the block's own color
      {0, 255, 0.0, 255},     // the next block's
      {255, 0, 0.999, 254},   // 254.745
      {-10, 10, 0.75, -5},    // -5, exactly
      {-10, 10, 0.7, -4},     // -4.0000000000000004, truncated toward zero
      {lo, hi, 1.0, lo},      // the difference does not fit an int
      {hi, lo, 0.5, 0},       // -0.5 truncates to 0
      {lo, hi, 2.0, lo},      // below the int range: saturated
      {hi, lo, 2.0, hi},      // above it
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BlendComponent(c.own, c.next, c.t), c.expected)
        << c.own << " toward " << c.next << " at " << c.t;
  }
  EXPECT_EQ(SaturateToInt(2147483647.9), hi);
  EXPECT_EQ(SaturateToInt(2147483648.0), hi);
  EXPECT_EQ(SaturateToInt(-2147483648.9), lo);
  EXPECT_EQ(SaturateToInt(1e300), hi);
  EXPECT_EQ(SaturateToInt(-std::numeric_limits<double>::infinity()), lo);
  EXPECT_EQ(SaturateToInt(-0.9), 0);
  // A blended color: each component on its own, the block's own color where no weight exists.
  const Rgba blue{0, 0, 255, 255}, red{255, 0, 0, 255};
  EXPECT_EQ(BlendedColor(blue, red, 1.0, 2.0, 1.25), (Rgba{63, 0, 191, 255}));
  EXPECT_EQ(BlendedColor(blue, red, 1.0, 1.0, 1.0), blue);
}

}  // namespace
