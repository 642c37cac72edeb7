// The color of a value and the whole scale in one call, through the loaded module. The expected
// colors are worked out by hand from the rules, not computed with the module's arithmetic.
#include <cmath>
#include <limits>

#include "support/ZORTestSupport.h"

namespace {

struct Color {
  int red, green, blue, alpha;
  friend bool operator==(const Color&, const Color&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Color& c) {
    return out << "(" << c.red << ", " << c.green << ", " << c.blue << ", " << c.alpha << ")";
  }
};

constexpr Color kUntouched{-7, -7, -7, -7};
const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

double Up(double x) { return std::nextafter(x, kInf); }
double Down(double x) { return std::nextafter(x, -kInf); }

class Evaluation : public ZORScaleTest {
 protected:
  std::pair<int, Color> Evaluate(double value) {
    Color c = kUntouched;
    int block = scale_->GetColorForValue(value, &c.red, &c.green, &c.blue, &c.alpha);
    return {block, c};
  }
  // Five blocks; boundaries -1, 0, 1, 2, all imposed; colors 1, 3 and 5 imposed, so 2 and 4 are
  // interpolated: 2 = (0, 127, 128, 255), 4 = (127, 128, 0, 255).
  void FiveBlocks(double tolerance) {
    ConfigureScale(scale_.get(), 5,
                   {{1, 0, 0, 255, 255}, {3, 0, 255, 0, 255}, {5, 255, 0, 0, 255}},
                   {{1, -1.0}, {2, 0.0}, {3, 1.0}, {4, 2.0}});
    ASSERT_EQ(scale_->SetTolerance(tolerance), S_OK);
  }

};

struct Case {
  double value;
  int block;
  Color color;
};

constexpr Color kBlue{0, 0, 255, 255}, kSecond{0, 127, 128, 255}, kGreen{0, 255, 0, 255},
    kFourth{127, 128, 0, 255}, kRed{255, 0, 0, 255};

TEST_F(Evaluation, RulesInOrderWithATolerance) {
  FiveBlocks(0.1);
  const Case cases[] = {
      // Upper limit: above it block 5 first, then its tolerance band takes block 4.
      {kInf, 5, kRed},
      {2.05, 5, kRed},
      {Up(2.0), 5, kRed},
      {2.0, 4, kFourth},
      {Down(2.0), 4, kFourth},
      {1.95, 4, kFourth},
      // Lower limit: below it block 1, its band block 2.
      {-kInf, 1, kBlue},
      {-1.05, 1, kBlue},
      {Down(-1.0), 1, kBlue},
      {-1.0, 2, kSecond},
      {Up(-1.0), 2, kSecond},
      {-0.95, 2, kSecond},
      // Inner boundaries take the block above them, within the tolerance.
      {0.0, 3, kGreen},
      {-0.05, 3, kGreen},
      {0.05, 3, kGreen},
      {1.0, 4, kFourth},
      {0.95, 4, kFourth},
      // Inside an imposed block: its color wherever the value lies.
      {0.2, 3, kGreen},
      {0.8, 3, kGreen},
      // Inside a block whose color is not imposed: blended toward the next block.
      {-0.5, 2, {0, 191, 64, 255}},
      {1.5, 4, {191, 64, 0, 255}},
      {1.25, 4, {159, 96, 0, 255}},
  };
  for (const Case& c : cases) {
    auto [block, color] = Evaluate(c.value);
    EXPECT_EQ(block, c.block) << "value " << c.value;
    EXPECT_EQ(color, c.color) << "value " << c.value;
  }
  // A value that is not a number is placed by no rule: outputs untouched.
  EXPECT_EQ(Evaluate(kNaN), std::make_pair(-1, kUntouched));
}

TEST_F(Evaluation, BoundariesExactlyWithoutTolerance) {
  FiveBlocks(0.0);
  const Case cases[] = {
      {2.0, 4, kFourth},
      {Up(2.0), 5, kRed},
      // Just below the upper limit, inside block 4: all but the last step toward red, and
      // truncation toward zero keeps that step below 255.
      {Down(2.0), 4, {254, 0, 0, 255}},
      {-1.0, 2, kSecond},
      {Down(-1.0), 1, kBlue},
      {Up(-1.0), 2, {0, 127, 127, 255}},
      {0.0, 3, kGreen},
      // A denormal below 0: t is denormal too, and the blend is the next color.
      {Down(0.0), 2, kGreen},
      {Up(0.0), 3, kGreen},
      {1.0, 4, kFourth},
      {Down(1.0), 3, kGreen},
  };
  for (const Case& c : cases) {
    auto [block, color] = Evaluate(c.value);
    EXPECT_EQ(block, c.block) << "value " << c.value;
    EXPECT_EQ(color, c.color) << "value " << c.value;
  }
}

TEST_F(Evaluation, BlendFigures) {
  // Boundaries 1 and 2; color 2 interpolated to red 0 between -255 and 255.
  ConfigureScale(scale_.get(), 3, {{1, -255, 0, 0, 0}, {3, 255, 0, 0, 0}}, {{1, 1.0}, {2, 2.0}});
  ASSERT_EQ(scale_->SetTolerance(0.0), S_OK);
  EXPECT_EQ(Evaluate(1.25).first, 2);
  EXPECT_EQ(Evaluate(1.25).second.red, 63);  // 255 + (0 - 255) * 0.75 = 63.75
  EXPECT_EQ(Evaluate(1.5).second.red, 127);
  EXPECT_EQ(Evaluate(1.5).first, 2);
  EXPECT_EQ(Evaluate(Up(1.0)).second.red, 0);
  // Just below the upper boundary t is about 1e-16: 255 - 255 * t truncates to 254.
  EXPECT_EQ(Evaluate(Down(2.0)).second.red, 254);
}

TEST_F(Evaluation, DegenerateScales) {
  // No blocks: nothing is built and nothing written.
  EXPECT_EQ(Evaluate(0.0), std::make_pair(-1, kUntouched));
  ASSERT_EQ(scale_->SetNumberOfBlocks(-3), S_OK);
  EXPECT_EQ(Evaluate(0.0), std::make_pair(-1, kUntouched));

  // Right after a resize every boundary is 0.0: equal limits, so even not-a-number gets color 2.
  ASSERT_EQ(scale_->SetNumberOfBlocks(3), S_OK);
  EXPECT_EQ(Evaluate(kNaN), std::make_pair(2, Color{0, 0, 0, 0}));
  EXPECT_EQ(Evaluate(1.0).first, 3);
  EXPECT_EQ(Evaluate(-1.0).first, 1);

  // One block: every value, not a number included, gets color 1.
  ConfigureScale(scale_.get(), 1, {{1, 9, 8, 7, 6}}, {});
  for (double value : {0.0, -kInf, kInf, kNaN, 1e300}) {
    EXPECT_EQ(Evaluate(value), std::make_pair(1, Color{9, 8, 7, 6})) << value;
  }
}

TEST_F(Evaluation, StoredStateThatPlacesNothingOrHasNoColors) {
  // The upper limit is the stored value of a boundary that is not imposed: the table says 1.0,
  // the limit 5.0, and a value between them falls in no block.
  ConfigureScale(scale_.get(), 3, {{1, 1, 1, 1, 1}, {2, 2, 2, 2, 2}, {3, 3, 3, 3, 3}},
                 {{1, 1.0}});
  ZORRawColldouble values;
  ZORRawCollint index;
  scale_->SetImposedValue(2, 5.0);
  const int second[] = {2};
  scale_->UnsetImposedValues(second, 1);
  EXPECT_EQ(Evaluate(3.0), std::make_pair(-1, kUntouched));
  EXPECT_EQ(Evaluate(6.0).first, 3);

  // Missing color lists: placed values are (0, 0, 0, 0).
  ZORUndefineAttribute(FeatureOf(scale_).get(), "ImposedColorsIndexList");
  EXPECT_EQ(Evaluate(6.0), std::make_pair(3, Color{0, 0, 0, 0}));
  EXPECT_EQ(Evaluate(-6.0), std::make_pair(1, Color{0, 0, 0, 0}));
}

TEST_F(Evaluation, EverySetterTakesEffectAtTheNextCall) {
  FiveBlocks(0.0);
  EXPECT_EQ(Evaluate(0.5).second, kGreen);
  scale_->SetColor(3, 1, 2, 3, 4);
  EXPECT_EQ(Evaluate(0.5).second, (Color{1, 2, 3, 4}));
  scale_->SetImposedValue(3, 0.25);
  EXPECT_EQ(Evaluate(0.5).first, 4);
  const int third[] = {3};
  scale_->UnsetImposedColors(third, 1);
  EXPECT_EQ(Evaluate(0.1).first, 3);
}

TEST_F(Evaluation, ExtremeComponentsAndBoundaries) {
  const int lo = std::numeric_limits<int>::min();
  const int hi = std::numeric_limits<int>::max();
  // Color 2 interpolates to -1 between the extreme ints; the blend toward color 3 cannot overflow.
  ConfigureScale(scale_.get(), 3, {{1, lo, lo, lo, lo}, {3, hi, hi, hi, hi}}, {{1, 0.0}, {2, 1.0}});
  ASSERT_EQ(scale_->SetTolerance(0.0), S_OK);
  auto [block, color] = Evaluate(0.5);
  EXPECT_EQ(block, 2);
  EXPECT_EQ(color.red, 1073741823);  // hi + (-1 - hi) * 0.5, truncated

  // Boundaries distinct as doubles but equal as floats: the block's own color.
  ConfigureScale(scale_.get(), 3, {{1, 0, 0, 0, 0}, {3, 200, 0, 0, 0}}, {{1, 1.0}, {2, 1.0 + 1e-12}});
  EXPECT_EQ(Evaluate(1.0 + 5e-13), std::make_pair(2, Color{100, 0, 0, 0}));
  // Boundaries beyond the float range.
  ConfigureScale(scale_.get(), 3, {{1, 0, 0, 0, 0}, {3, 200, 0, 0, 0}}, {{1, 1e39}, {2, 2e39}});
  EXPECT_EQ(Evaluate(1.5e39), std::make_pair(2, Color{100, 0, 0, 0}));
  ConfigureScale(scale_.get(), 3, {{1, 0, 0, 0, 0}, {3, 200, 0, 0, 0}},
                 {{1, -static_cast<double>(std::numeric_limits<float>::max())},
                  {2, static_cast<double>(std::numeric_limits<float>::max())}});
  EXPECT_EQ(Evaluate(0.0), std::make_pair(2, Color{100, 0, 0, 0}));
}

// --------------------------------------------------------------------------------------------
// The scale definition

class Definition : public Evaluation {
 protected:
  struct Arrays {
    std::vector<int> red, green, blue, alpha, colorIndex;
    std::vector<double> values;
    std::vector<int> valueIndex;
    double minimum = 42.0, maximum = 42.0;
    int result = -1;
  };
  Arrays Define(int colorCount, int valueCount, bool withMinimum = true, bool withMaximum = true) {
    Arrays a;
    const std::size_t colors = static_cast<std::size_t>(std::max(colorCount, 0)) + 1;
    const std::size_t values = static_cast<std::size_t>(std::max(valueCount, 0)) + 1;
    for (auto* array : {&a.red, &a.green, &a.blue, &a.alpha, &a.colorIndex}) array->assign(colors, 42);
    a.values.assign(values, 42.0);
    a.valueIndex.assign(values, 42);
    int* red = a.red.data();
    int* green = a.green.data();
    int* blue = a.blue.data();
    int* alpha = a.alpha.data();
    int* colorIndex = a.colorIndex.data();
    double* valueArray = a.values.data();
    int* valueIndex = a.valueIndex.data();
    a.result = scale_->GetScaleDefinition(&colorCount, &red, &green, &blue, &alpha, &colorIndex,
                                          &valueCount, &valueArray, &valueIndex,
                                          withMinimum ? &a.minimum : nullptr,
                                          withMaximum ? &a.maximum : nullptr);
    return a;
  }
};

using IV = std::vector<int>;
using DV = std::vector<double>;

TEST_F(Definition, CopiesTheTablesFromEntryZero) {
  FiveBlocks(0.0);
  Arrays a = Define(5, 4);
  EXPECT_EQ(a.result, 1);
  EXPECT_EQ(a.red, (IV{0, 0, 0, 127, 255, 42}));
  EXPECT_EQ(a.green, (IV{0, 127, 255, 128, 0, 42}));
  EXPECT_EQ(a.colorIndex, (IV{1, -1, 3, -1, 5, 42}));
  EXPECT_EQ(a.values, (DV{-1.0, 0.0, 1.0, 2.0, 42.0}));
  EXPECT_EQ(a.valueIndex, (IV{1, 2, 3, 4, 42}));
  EXPECT_EQ(a.minimum, -1.0);
  EXPECT_EQ(a.maximum, 2.0);

  a = Define(5, 2);
  EXPECT_EQ(a.result, 1);
  EXPECT_EQ(a.values, (DV{-1.0, 0.0, 42.0}));
  a = Define(5, 4, true, false);
  EXPECT_EQ(a.result, 1);
  EXPECT_EQ(a.minimum, ZORMathInfinite);
  a = Define(5, 4, false, true);
  EXPECT_EQ(a.maximum, -ZORMathInfinite);
}

TEST_F(Definition, RefusalsWriteNothing) {
  FiveBlocks(0.0);
  for (auto [colors, values] : {std::pair{4, 4}, {6, 4}, {0, 4}, {-1, 4}, {5, 0}, {5, -2}, {5, 5}}) {
    Arrays a = Define(colors, values);
    EXPECT_EQ(a.result, 0) << colors << " " << values;
    EXPECT_EQ(a.red[0], 42);
    EXPECT_EQ(a.values[0], 42.0);
    EXPECT_EQ(a.minimum, 42.0);
    EXPECT_EQ(a.maximum, 42.0);
  }
  int colorCount = 5, valueCount = 4;
  int array[5] = {42, 42, 42, 42, 42};
  double doubles[4] = {42, 42, 42, 42};
  int* p = array;
  double* d = doubles;
  EXPECT_EQ(scale_->GetScaleDefinition(&colorCount, &p, &p, nullptr, &p, &p, &valueCount, &d, &p,
                                       nullptr, nullptr),
            0);
  EXPECT_EQ(scale_->GetScaleDefinition(&colorCount, &p, &p, &p, &p, &p, &valueCount, nullptr, &p,
                                       nullptr, nullptr),
            0);
  EXPECT_EQ(array[0], 42);
  // One block: no boundary to hand out, so no value count can be served.
  ConfigureScale(scale_.get(), 1, {{1, 1, 1, 1, 1}}, {});
  EXPECT_EQ(Define(1, 1).result, 0);
}

TEST_F(Definition, RightAfterAResize) {
  ASSERT_EQ(scale_->SetNumberOfBlocks(4), S_OK);
  Arrays a = Define(4, 3);
  EXPECT_EQ(a.result, 1);
  EXPECT_EQ(a.red, (IV{0, 0, 0, 0, 42}));
  EXPECT_EQ(a.colorIndex, (IV{0, 0, 0, 0, 42}));
  EXPECT_EQ(a.values, (DV{0.0, 0.0, 0.0, 42.0}));
  EXPECT_EQ(a.valueIndex, (IV{-1, -1, -1, 42}));
  EXPECT_EQ(a.minimum, 0.0);
  EXPECT_EQ(a.maximum, 0.0);
}

}  // namespace
