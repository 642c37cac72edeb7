// Boundaries classified from values, imposed on a scale of the loaded module, and the values
// counted the way the scale places them.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>

#include "support/ZORTestSupport.h"
#include "painter/ZORScalePainter.h"
#include "zorhost/classification/Classification.h"
#include "zorhost/scale/ScaleEdits.h"
#include "zorhost/scale/ScaleSnapshot.h"

namespace {

constexpr double kTolerance = 1e-6;
constexpr double kInf = std::numeric_limits<double>::infinity();

class Classification : public ZORScaleTest {
 protected:
  // Classifies `values` into `blocks`, imposes the boundaries and counts each block's values.
  std::vector<long> Classify(ZORClassMethod method, int blocks, const std::vector<double>& values,
                             double lowest = 0.0, double highest = 0.0) {
    ZORClassRequest request{method, blocks, lowest, highest};
    EXPECT_EQ(ZORClassify(request, values, result_), std::nullopt);
    EXPECT_EQ(scale_->SetNumberOfBlocks(blocks), 0);
    EXPECT_TRUE(ZORImposeBoundaries(scale_.get(), result_.boundaries));
    ZORFitScaleTolerance(scale_.get());  // as zorhost's scales evaluate
    EXPECT_EQ(result_.boundaries.size(), static_cast<std::size_t>(blocks - 1));
    EXPECT_TRUE(std::adjacent_find(result_.boundaries.begin(), result_.boundaries.end(),
                                   std::greater_equal<>()) == result_.boundaries.end())
        << "boundaries must increase";
    std::vector<long> counts(static_cast<std::size_t>(blocks) + 1, 0);
    for (double value : values) {
      if (!std::isfinite(value)) continue;
      int r = 0, g = 0, b = 0, a = 0;
      const int block = scale_->GetColorForValue(value, &r, &g, &b, &a);
      EXPECT_GE(block, 1) << value;
      if (block >= 1) ++counts[static_cast<std::size_t>(block)];
    }
    counts.erase(counts.begin());
    return counts;
  }
  ZORClassification result_;
};

std::vector<double> Uniform(std::size_t count, double from, double to, unsigned seed) {
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> draw(from, to);
  std::vector<double> values(count);
  for (double& value : values) value = draw(random);
  return values;
}

TEST(SortValues, AsStdSortForFewAndForMany) {
  // Values of every kind of double but NaN: both signs, zeros, subnormals, huge ones, many ties.
  std::mt19937_64 random(9);
  std::uniform_int_distribution<std::uint64_t> bits;
  for (std::size_t count : {std::size_t{1000}, std::size_t{300000}}) {
    std::vector<double> values;
    for (std::size_t i = 0; i < count; ++i) {
      double value = 0.0;
      switch (i % 5) {
        case 0: value = std::bit_cast<double>(bits(random)); break;
        case 1: value = static_cast<double>(static_cast<int>(bits(random) % 7) - 3); break;
        case 2: value = (i % 2 == 0 ? -0.0 : 0.0); break;
        case 3: value = std::ldexp(static_cast<double>(bits(random) % 1000), -1074); break;
        default: value = std::ldexp(1.0, static_cast<int>(bits(random) % 2000) - 1000) * (i % 3 == 0 ? -1.0 : 1.0);
      }
      if (std::isfinite(value)) values.push_back(value);
    }
    std::vector<double> expected = values;
    std::sort(expected.begin(), expected.end());
    ZORSortValues(values);
    ASSERT_EQ(values.size(), expected.size());
    for (std::size_t i = 0; i < values.size(); ++i) ASSERT_EQ(values[i], expected[i]) << i;  // -0 == +0
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end(), [](double a, double b) {
      return a < b || (a == 0.0 && b == 0.0 && std::signbit(a) && !std::signbit(b));
    }) || count < 65536);
  }
}

TEST_F(Classification, EqualCountsAndEqualIntervals) {
  std::vector<double> values = Uniform(20003, -2.0, 5.0, 1);
  values.insert(values.end(), {std::nan(""), kInf, -kInf});
  for (int blocks : {2, 7, 9, 256}) {
    const std::vector<long> counts = Classify(ZORClassMethod::Quantile, blocks, values);
    const auto [fewest, most] = std::minmax_element(counts.begin(), counts.end());
    EXPECT_LE(*most - *fewest, 1) << blocks << " blocks";
    EXPECT_EQ(result_.leftOut, 3u);
    EXPECT_EQ(result_.classified, 20003u);
  }
  // Equal intervals are the boundaries the scale itself interpolates between its extremes.
  Classify(ZORClassMethod::Equal, 9, values, -1.5, 4.0);
  ASSERT_EQ(scale_->SetNumberOfBlocks(9), 0);
  scale_->SetExtremeImposedValues(-1.5, 4.0);
  ZORRawColldouble interpolated;
  ZORRawCollint indices;
  scale_->GetValueTable(&interpolated, &indices, nullptr, nullptr);
  EXPECT_EQ(ToVector(interpolated), result_.boundaries);
}

TEST_F(Classification, TiesAreNeverCutNorBoundariesRepeated) {
  // Runs of equal values: a quantile boundary moves to the nearer end of the run it would cut.
  std::vector<double> tied;
  for (auto [value, count] : {std::pair{1.0, 5000}, {2.0, 30}, {3.0, 4000}, {4.0, 3}, {5.0, 1000}}) {
    tied.insert(tied.end(), static_cast<std::size_t>(count), value);
  }
  for (ZORClassMethod method : {ZORClassMethod::Quantile, ZORClassMethod::Jenks}) {
    const std::vector<long> counts = Classify(method, 4, tied);
    EXPECT_EQ(counts, (std::vector<long>{5000, 30, 4000, 1003}));
    // Nine blocks for five distinct values: each value its own block, four blocks empty.
    const std::vector<long> nine = Classify(method, 9, tied);
    EXPECT_EQ(std::count(nine.begin(), nine.end(), 0), 4);
    for (long expected : {5000, 30, 4000, 3, 1000}) {
      EXPECT_EQ(std::count(nine.begin(), nine.end(), expected), 1) << expected;
    }
    EXPECT_NE(result_.note.find("5 distinct values for 9 blocks"), std::string::npos) << result_.note;
  }
  // All equal: nothing to divide, but about zero; nothing finite: nothing to classify.
  const std::vector<double> same(100, 0.25);
  for (const std::string& name : ZORClassMethodNames()) {
    if (name == "symmetric") continue;
    ZORClassRequest request{*ZORClassMethodNamed(name), 9, 0.25, 0.25};
    const ZOROutcome equal = ZORClassify(request, same, result_);
    ASSERT_TRUE(equal) << name;
    EXPECT_FALSE(equal->message.empty()) << name;
    const ZOROutcome none = ZORClassify(request, std::vector<double>{std::nan(""), kInf}, result_);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->message, "no finite value to classify");
  }
}

// Every finite value takes a block, for every method: none falls at the rounded edge of a
// boundary's tolerance band, where the scale's rules give no block. Values written with six
// decimals put many of them on a grid as fine as the tolerance, where such edges land.
TEST_F(Classification, EveryFiniteValueTakesABlock) {
  std::mt19937_64 random(5);
  std::normal_distribution<double> gauss(0.0, 1.0);
  std::vector<double> values(1000000);
  for (double& value : values) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", gauss(random));
    value = std::strtod(text, nullptr);
  }
  for (const std::string& name : ZORClassMethodNames()) {
    if (name == "log") continue;
    for (int blocks : {9, 16}) {
      ZORClassRequest request{*ZORClassMethodNamed(name), blocks, -2.0, 2.0};
      ASSERT_EQ(ZORClassify(request, values, result_), std::nullopt) << name;
      ASSERT_EQ(scale_->SetNumberOfBlocks(blocks), 0);
      ASSERT_TRUE(ZORImposeBoundaries(scale_.get(), result_.boundaries));
      const ZORScalePainter painter(scale_.get(), ZORFitScaleTolerance(scale_.get()));
      std::vector<int> placed(values.size());
      std::vector<ZORRgba> colors(values.size());
      painter.Paint(values, placed, colors);
      EXPECT_EQ(std::count(placed.begin(), placed.end(), -1), 0) << name << ", " << blocks << " blocks";
    }
  }
}

// Values that differ only by rounding, as a fillet's constant curvature evaluated at many points,
// are one run that no boundary cuts; values a double apart at each end of the doubles classify
// without overflow.
TEST_F(Classification, RoundingRunsAreWholeAndHugeValuesDoNotOverflow) {
  std::vector<double> values = Uniform(30000, -0.5, 0.1, 11);
  std::mt19937 random(3);
  for (int i = 0; i < 12000; ++i) {
    double sixth = 1.0 / 6.0;
    for (int step = static_cast<int>(random() % 9) - 4; step != 0; step += step > 0 ? -1 : 1) {
      sixth = std::nextafter(sixth, step > 0 ? kInf : -kInf);
    }
    values.push_back(sixth);
  }
  const std::vector<double> above = Uniform(3000, 0.2, 0.5, 12);
  values.insert(values.end(), above.begin(), above.end());
  for (ZORClassMethod method : {ZORClassMethod::Quantile, ZORClassMethod::Jenks}) {
    const std::vector<long> counts = Classify(method, 9, values);
    EXPECT_TRUE(std::any_of(counts.begin(), counts.end(), [](long count) { return count >= 12000; }))
        << ZORClassMethodName(method) << ": the run of 1/6 is split";
  }

  constexpr double kLargest = std::numeric_limits<double>::max();
  for (const std::vector<double>& huge : {std::vector<double>{1e308, 1, 2, 3, -1e308, 4},
                                          std::vector<double>{kLargest, 1, 2, 3, -kLargest, 4}}) {
    for (const std::string& name : ZORClassMethodNames()) {
      if (name == "log") continue;
      ZORClassRequest request{*ZORClassMethodNamed(name), 9, huge[4], huge[0]};
      if (const ZOROutcome refused = ZORClassify(request, huge, result_)) {
        EXPECT_EQ(name, "stddev") << *refused;
        EXPECT_NE(refused->message.find("pass the largest double"), std::string::npos) << *refused;
        continue;
      }
      for (double boundary : result_.boundaries) EXPECT_TRUE(std::isfinite(boundary)) << name;
      const std::vector<long> counts = Classify(*ZORClassMethodNamed(name), 9, huge, huge[4], huge[0]);
      EXPECT_EQ(std::accumulate(counts.begin(), counts.end(), 0L), 6) << name;
    }
  }
}

// The least sum of squared deviations from class means over every split into `classes`.
double BestSplitCost(const std::vector<double>& sorted, std::size_t classes) {
  auto cost = [&](std::size_t i, std::size_t j) {
    double mean = 0.0;
    for (std::size_t k = i; k < j; ++k) mean += sorted[k];
    mean /= static_cast<double>(j - i);
    double squares = 0.0;
    for (std::size_t k = i; k < j; ++k) squares += (sorted[k] - mean) * (sorted[k] - mean);
    return squares;
  };
  auto best = [&](auto& self, std::size_t from, std::size_t left) -> double {
    if (left == 1) return cost(from, sorted.size());
    double least = kInf;
    for (std::size_t end = from + 1; end + left - 1 <= sorted.size(); ++end) {
      least = std::min(least, cost(from, end) + self(self, end, left - 1));
    }
    return least;
  };
  return best(best, 0, classes);
}

TEST_F(Classification, NaturalBreaksAreOptimalAndFindClusters) {
  std::vector<double> small = Uniform(14, 0.0, 10.0, 7);
  std::sort(small.begin(), small.end());
  for (int blocks : {2, 3, 5}) {
    Classify(ZORClassMethod::Jenks, blocks, small);
    std::vector<double> classified(static_cast<std::size_t>(blocks), 0.0);
    double cost = 0.0;
    std::size_t start = 0;
    for (std::size_t c = 0; c < static_cast<std::size_t>(blocks); ++c) {
      std::size_t end = start;
      while (end < small.size() && (c + 1 == static_cast<std::size_t>(blocks) ||
                                    small[end] < result_.boundaries[c])) {
        ++end;
      }
      double mean = 0.0;
      for (std::size_t k = start; k < end; ++k) mean += small[k] / static_cast<double>(end - start);
      for (std::size_t k = start; k < end; ++k) cost += (small[k] - mean) * (small[k] - mean);
      start = end;
    }
    EXPECT_NEAR(cost, BestSplitCost(small, static_cast<std::size_t>(blocks)), 1e-9) << blocks;
  }
  // Three clusters, exact on few values and on a sample of many.
  for (std::size_t each : {300, 100000}) {
    std::vector<double> clusters;
    for (double centre : {0.0, 10.0, 100.0}) {
      const std::vector<double> cluster = Uniform(each, centre - 1.0, centre + 1.0, 3);
      clusters.insert(clusters.end(), cluster.begin(), cluster.end());
    }
    const std::vector<long> counts = Classify(ZORClassMethod::Jenks, 3, clusters);
    EXPECT_EQ(counts, (std::vector<long>(3, static_cast<long>(each)))) << each;
  }
}

TEST_F(Classification, DeviationsSymmetricAndLogarithmicSpacing) {
  std::vector<double> signed_ = Uniform(20000, -3.0, 1.0, 5);
  Classify(ZORClassMethod::Symmetric, 8, signed_, -3.0, 1.0);
  for (std::size_t k = 0; k < 7; ++k) EXPECT_EQ(result_.boundaries[k], -result_.boundaries[6 - k]);
  EXPECT_EQ(result_.boundaries[3], 0.0);
  EXPECT_EQ(result_.boundaries.front(), -3.0);

  Classify(ZORClassMethod::StdDev, 5, signed_);
  const double mean = -1.0;
  EXPECT_NEAR((result_.boundaries[1] + result_.boundaries[2]) / 2.0, mean, 0.05);
  const double width = result_.boundaries[1] - result_.boundaries[0];
  EXPECT_NEAR(width, 4.0 / std::sqrt(12.0), 0.02);  // one deviation of a uniform spread of 4

  const std::vector<double> positive = Uniform(20000, 0.01, 1000.0, 9);
  Classify(ZORClassMethod::Log, 6, positive, 0.1, 1000.0);
  EXPECT_EQ(result_.boundaries.front(), 0.1);
  EXPECT_EQ(result_.boundaries.back(), 1000.0);
  for (std::size_t k = 1; k < 5; ++k) {
    EXPECT_NEAR(result_.boundaries[k] / result_.boundaries[k - 1], 10.0, 1e-9);
  }
  ZORClassRequest request{ZORClassMethod::Log, 6, -3.0, 1.0};
  const ZOROutcome refused = ZORClassify(request, signed_, result_);
  ASSERT_TRUE(refused);
  EXPECT_NE(refused->message.find("needs values above zero"), std::string::npos) << *refused;
}

}  // namespace
