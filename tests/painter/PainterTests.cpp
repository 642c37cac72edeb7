// The painter against GetColorForValue through the loaded module: the same result and the same
// four components for every value, on scales and values chosen to break it.
#include <cfloat>
#include <cmath>
#include <limits>
#include <random>

#include "painter/ZORScalePainter.h"
#include "support/ZORTestSupport.h"

namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr ZORRgba kSentinel{-7, -8, -9, -10};

struct ScaleCase {
  std::string name;
  int blocks;
  std::vector<ZORImposedColor> colors;
  std::vector<ZORImposedValue> values;
  std::vector<double> tolerances;
  std::size_t randomValues;
};

class Painter : public ZORModuleTest {
 protected:
  // Every value painted by the painter and by the scale; returns how many differ.
  long Compare(ZORIStNewColorScale* scale, double tolerance, const std::vector<double>& values,
               const std::string& what) {
    scale->SetTolerance(tolerance);
    const ZORScalePainter painter(scale, tolerance);
    std::vector<int> blocks(values.size(), 99);
    std::vector<ZORRgba> colors(values.size(), kSentinel);
    painter.Paint(values, blocks, colors);
    long differences = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
      ZORRgba expected = kSentinel;
      const int block = scale->GetColorForValue(values[i], &expected.red, &expected.green,
                                                &expected.blue, &expected.alpha);
      if (block != blocks[i] || !(expected == colors[i])) {
        if (++differences <= 5) {
          ADD_FAILURE() << what << " tolerance " << tolerance << " value " << values[i] << " ("
                        << std::hexfloat << values[i] << std::defaultfloat << "): scale gives "
                        << block << " (" << expected.red << ", " << expected.green << ", "
                        << expected.blue << ", " << expected.alpha << "), painter " << blocks[i]
                        << " (" << colors[i].red << ", " << colors[i].green << ", "
                        << colors[i].blue << ", " << colors[i].alpha << ")";
        }
      }
    }
    compared_ += static_cast<long>(values.size());
    return differences;
  }

  // Values around everything the rules compare with: each boundary, each limit, each of them
  // plus and minus the tolerance, one step either side of all of these; special values; random
  // values over and beyond the scale, and random bit patterns.
  std::vector<double> Probes(ZORIStNewColorScale* scale, double tolerance, std::size_t random,
                             std::size_t boundaryStride = 1) {
    std::vector<double> centres;
    ZORRawColldouble table;
    ZORRawCollint index;
    scale->GetValueTable(&table, &index, nullptr, nullptr);
    for (std::size_t i = 0; i < static_cast<std::size_t>(table.Size()); i += boundaryStride) {
      centres.push_back(table.begin()[i]);
    }
    double lower = 0.0, upper = 0.0;
    scale->GetExtremeImposedValues(&lower, &upper);
    centres.push_back(lower);
    centres.push_back(upper);
    std::vector<double> values;
    for (double centre : centres) {
      for (double point : {centre, centre + tolerance, centre - tolerance}) {
        values.push_back(point);
        double up = point, down = point;
        for (int step = 0; step < 3; ++step) {
          up = std::nextafter(up, kInf);
          down = std::nextafter(down, -kInf);
          values.push_back(up);
          values.push_back(down);
        }
        values.push_back(static_cast<double>(static_cast<float>(point)));
      }
    }
    for (double special : {kNaN, -kNaN, kInf, -kInf, 0.0, -0.0, DBL_TRUE_MIN, -DBL_TRUE_MIN,
                           DBL_MIN, -DBL_MIN, DBL_MAX, -DBL_MAX, static_cast<double>(FLT_MAX),
                           std::nextafter(static_cast<double>(FLT_MAX), kInf), -static_cast<double>(FLT_MAX),
                           std::nextafter(-static_cast<double>(FLT_MAX), -kInf), 1e39, -1e39}) {
      values.push_back(special);
    }
    double smallest = kInf, largest = -kInf;
    for (double centre : centres) {
      if (std::isfinite(centre)) {
        smallest = std::min(smallest, centre);
        largest = std::max(largest, centre);
      }
    }
    if (!(smallest < largest)) {
      smallest -= 1.0;
      largest += 1.0;
    }
    const double margin = (largest - smallest) * 0.1;
    std::uniform_real_distribution<double> spread(smallest - margin, largest + margin);
    std::uniform_int_distribution<std::uint64_t> bits;
    for (std::size_t i = 0; i < random; ++i) {
      if (i % 16 == 15) {
        const std::uint64_t pattern = bits(generator_);
        double anything = 0.0;
        std::memcpy(&anything, &pattern, sizeof anything);
        values.push_back(anything);
      } else {
        values.push_back(spread(generator_));
      }
    }
    return values;
  }

  long compared_ = 0;
  std::mt19937_64 generator_{20261206};
};

std::vector<ZORImposedColor> EveryOtherColor(int blocks) {
  std::vector<ZORImposedColor> colors;
  for (int k = 1; k <= blocks; k += 2) colors.push_back({k, (k * 37) % 256, (k * 91) % 256, (k * 13) % 256, 255});
  if (blocks % 2 == 0) colors.push_back({blocks, 255, 0, 0, 255});
  return colors;
}

TEST_F(Painter, IdenticalToTheScaleEverywhere) {
  const int lo = std::numeric_limits<int>::min();
  const int hi = std::numeric_limits<int>::max();
  const std::vector<ScaleCase> cases = {
      {"two blocks", 2, {{1, 0, 0, 255, 255}, {2, 255, 0, 0, 255}}, {{1, 0.5}}, {0.0, 1e-12, 0.3}, 60000},
      {"three blocks, middle blended", 3, {{1, 0, 0, 255, 255}, {3, 255, 0, 0, 128}}, {{1, 0.0}, {2, 1.0}},
       {0.0, 1e-12, 0.2, 0.6, -0.1}, 60000},
      {"ten blocks", 10, EveryOtherColor(10), {{1, -1.0}, {9, 1.0}}, {0.0, 1e-9, 0.2, 0.13, 1e-300}, 120000},
      {"equal boundaries", 10, EveryOtherColor(10),
       {{1, 0.0}, {2, 0.0}, {3, 0.0}, {4, 1.0}, {5, 1.0}, {6, 2.0}, {7, 2.0}, {8, 2.0}, {9, 3.0}},
       {0.0, 0.5, 1e-12}, 60000},
      {"decreasing boundaries", 10, EveryOtherColor(10),
       {{1, 5.0}, {2, 4.0}, {3, 4.5}, {4, 3.0}, {5, 2.0}, {6, 1.0}, {7, 1.5}, {8, 0.0}, {9, -1.0}},
       {0.0, 0.25}, 60000},
      {"limits that are not the table's", 4, EveryOtherColor(4), {{2, 1.0}, {3, 2.0}},
       {0.0, 0.1}, 40000},
      {"beyond the float range", 4, EveryOtherColor(4), {{1, -1e39}, {2, 0.0}, {3, 1e39}}, {0.0, 1e30}, 40000},
      {"float-equal boundaries", 4, {{1, 0, 0, 0, 0}, {4, 200, 200, 200, 200}},
       {{1, 1.0}, {2, 1.0 + 1e-12}, {3, 1.0 + 3e-12}}, {0.0, 1e-13}, 40000},
      {"denormal boundaries", 4, EveryOtherColor(4), {{1, -DBL_TRUE_MIN}, {2, 0.0}, {3, 4 * DBL_TRUE_MIN}},
       {0.0, DBL_TRUE_MIN}, 20000},
      {"extreme components", 3, {{1, lo, hi, lo, hi}, {3, hi, lo, 0, 0}}, {{1, -1.0}, {2, 1.0}}, {0.0}, 40000},
      {"huge extremes", 3, EveryOtherColor(3), {{1, -DBL_MAX}, {2, DBL_MAX}}, {0.0, 1.0}, 20000},
      {"one block", 1, {{1, 1, 2, 3, 4}}, {}, {0.0}, 5000},
      {"no imposed color", 5, {}, {{1, 0.0}, {4, 3.0}}, {0.0}, 20000},
  };
  for (const ScaleCase& scaleCase : cases) {
    ZORIStNewColorScale_var scale = NewScale();
    ConfigureScale(scale.get(), scaleCase.blocks, scaleCase.colors, scaleCase.values);
    for (double tolerance : scaleCase.tolerances) {
      std::vector<double> values = Probes(scale.get(), tolerance, scaleCase.randomValues);
      EXPECT_EQ(Compare(scale.get(), tolerance, values, scaleCase.name), 0) << scaleCase.name;
    }
  }
  // Non-finite tolerances.
  ZORIStNewColorScale_var scale = NewScale();
  ConfigureScale(scale.get(), 10, EveryOtherColor(10), {{1, -1.0}, {9, 1.0}});
  for (double tolerance : {kNaN, kInf, -kInf}) {
    EXPECT_EQ(Compare(scale.get(), tolerance, Probes(scale.get(), 0.0, 20000), "odd tolerance"), 0);
  }
  // A thousand blocks: each GetColorForValue is slow here, so fewer values.
  ZORIStNewColorScale_var large = NewScale();
  ConfigureScale(large.get(), 1000, EveryOtherColor(1000), {{1, -100.0}, {500, 0.0}, {999, 100.0}});
  for (double tolerance : {0.0, 0.1}) {
    EXPECT_EQ(Compare(large.get(), tolerance, Probes(large.get(), tolerance, 2000, 37), "1000 blocks"),
              0);
  }
  // Scales with nothing to paint.
  for (int blocks : {0, -3}) {
    ZORIStNewColorScale_var empty = NewScale();
    empty->SetNumberOfBlocks(blocks);
    EXPECT_EQ(Compare(empty.get(), 0.0, {0.0, kNaN, 1.0}, "no blocks"), 0);
  }
  EXPECT_GE(compared_, 1000000);
}

TEST_F(Painter, BlockRangesAreWhereTheScalePlacesValues) {
  ZORIStNewColorScale_var scale = NewScale();
  // Limits that are not the value table's ends, as a hand-edited record leaves them.
  ConfigureScale(scale.get(), 6, EveryOtherColor(6), {{1, -1.0}, {3, 0.5}, {4, 0.5}});
  for (double tolerance : {0.0, 1e-6, 0.3}) {
    scale->SetTolerance(tolerance);
    const ZORScalePainter painter(scale.get(), tolerance);
    const std::vector<ZORBlockRange> ranges = painter.BlockRanges();
    ASSERT_FALSE(ranges.empty());
    for (std::size_t i = 0; i + 1 < ranges.size(); ++i) {
      EXPECT_LT(ranges[i].last, ranges[i + 1].first) << "ranges in value order, apart";
    }
    for (double value : Probes(scale.get(), tolerance, 20000)) {
      if (std::isnan(value)) continue;
      ZORRgba color;
      const int block = painter.PaintOne(value, color);
      auto range = std::find_if(ranges.begin(), ranges.end(), [value](const ZORBlockRange& r) {
        return r.first <= value && value <= r.last;
      });
      EXPECT_EQ(range == ranges.end() ? -1 : range->block, block) << value << " at " << tolerance;
    }
  }
  // One block takes everything; boundaries that decrease give no ranges.
  ZORIStNewColorScale_var one = NewScale();
  ConfigureScale(one.get(), 1, {{1, 1, 2, 3, 4}}, {});
  ASSERT_EQ(ZORScalePainter(one.get(), 0.0).BlockRanges().size(), 1u);
  ZORIStNewColorScale_var decreasing = NewScale();
  ConfigureScale(decreasing.get(), 4, EveryOtherColor(4), {{1, 2.0}, {2, 1.0}, {3, 0.0}});
  EXPECT_TRUE(ZORScalePainter(decreasing.get(), 0.0).BlockRanges().empty());
}

TEST_F(Painter, ThreadsDoNotChangeTheResult) {
  ZORIStNewColorScale_var scale = NewScale();
  ConfigureScale(scale.get(), 10, EveryOtherColor(10), {{1, -1.0}, {9, 1.0}});
  const ZORScalePainter painter(scale.get(), 1e-6);
  ASSERT_TRUE(painter.SearchesIntervals());
  std::vector<double> values = Probes(scale.get(), 1e-6, 300000);
  values[1000] = kNaN;
  std::vector<int> oneBlocks(values.size()), twoBlocks(values.size());
  std::vector<ZORRgba> oneColors(values.size(), kSentinel), twoColors(values.size(), kSentinel);
  ZORScalePainter::PaintOptions one, two;
  one.threads = 1;
  two.threads = 2;
  painter.Paint(values, oneBlocks, oneColors, one);
  painter.Paint(values, twoBlocks, twoColors, two);
  EXPECT_EQ(oneBlocks, twoBlocks);
  EXPECT_TRUE(oneColors == twoColors);

  // Not-a-number painted with the undefined color, when asked.
  scale->SetColorUndefine(1, 2, 3, 4);
  const ZORScalePainter withUndefined(scale.get(), 1e-6);
  ZORScalePainter::PaintOptions pictures;
  pictures.undefinedColorForNaN = true;
  std::vector<double> few = {kNaN, 0.0};
  std::vector<int> blocks(2);
  std::vector<ZORRgba> colors(2, kSentinel);
  withUndefined.Paint(few, blocks, colors, pictures);
  EXPECT_EQ(blocks[0], ZORScalePainter::kUndefinedBlock);
  EXPECT_EQ(colors[0], (ZORRgba{1, 2, 3, 4}));
  EXPECT_GT(blocks[1], 0);
}

TEST_F(Painter, AvxPaintsTheBytesOfSse) {
  if (!ZORScalePainter::HasWideVectors()) GTEST_SKIP() << "this processor has no AVX2";
  // Ten million values around every boundary, limit and tolerance, ties, NaN and infinities and
  // random bit patterns, through a blended scale, one of every color imposed and one of a
  // thousand blocks: the AVX2 path against the SSE2 one.
  ZORIStNewColorScale_var blended = NewScale(), plain = NewScale(), many = NewScale();
  ConfigureScale(blended.get(), 10, EveryOtherColor(10), {{1, -1.0}, {9, 1.0}});
  std::vector<ZORImposedColor> every;
  for (int k = 1; k <= 10; ++k) every.push_back({k, (k * 37) % 256, (k * 91) % 256, (k * 13) % 256, 255});
  ConfigureScale(plain.get(), 10, every, {{1, -1.0}, {9, 1.0}});
  ConfigureScale(many.get(), 1000, EveryOtherColor(1000), {{1, -50.0}, {999, 50.0}});
  for (ZORIStNewColorScale* scale : {blended.get(), plain.get(), many.get()}) {
    const ZORScalePainter painter(scale, 1e-6);
    ASSERT_TRUE(painter.SearchesIntervals());
    std::vector<double> values = Probes(scale, 1e-6, 3333333, 7);
    for (std::size_t i = 0; i < values.size(); i += 97) values[i] = i % 2 == 0 ? kNaN : -kInf;
    std::vector<int> wideBlocks(values.size()), narrowBlocks(values.size());
    std::vector<ZORRgba> wideColors(values.size(), kSentinel), narrowColors(values.size(), kSentinel);
    ZORScalePainter::PaintOptions wide, narrow;
    narrow.widestVectors = false;
    for (bool undefined : {false, true}) {
      wide.undefinedColorForNaN = narrow.undefinedColorForNaN = undefined;
      painter.Paint(values, wideBlocks, wideColors, wide);
      painter.Paint(values, narrowBlocks, narrowColors, narrow);
      ASSERT_EQ(wideBlocks, narrowBlocks);
      ASSERT_TRUE(wideColors == narrowColors);
    }
  }
}

// A blend from the largest int toward the smallest over a block whose width single precision
// rounds down, so that values near its lower boundary reach past the int range before they are
// clamped: the AVX2 path, which leaves the clamp out where a slot cannot leave the range, still
// paints the bytes of the SSE2 one.
TEST_F(Painter, AvxClampsWhereABlendLeavesTheIntRange) {
  if (!ZORScalePainter::HasWideVectors()) GTEST_SKIP() << "this processor has no AVX2";
  const int lo = std::numeric_limits<int>::min();
  const int hi = std::numeric_limits<int>::max();
  ZORScaleDefinition definition;
  definition.blockCount = 3;
  definition.boundaries = {0.0, 0.7};
  definition.boundaryIndices = {1, 2};
  definition.colors = {{lo, lo, lo, lo}, {hi, lo, hi, 7}, {lo, hi, lo, 9}};
  definition.colorIndices = {1, -1, 3};
  definition.lower = 0.0;
  definition.upper = 0.7;
  const ZORScalePainter painter(definition);
  ASSERT_TRUE(painter.SearchesIntervals());
  std::vector<double> values;
  for (int i = -1000; i <= 1000; ++i) {
    values.push_back(std::nextafter(0.0, 1.0) * (i + 1000));
    values.push_back(0.7 * i / 1000.0);
    values.push_back(0.7 + 1e-17 * i);
  }
  std::vector<int> wideBlocks(values.size()), narrowBlocks(values.size());
  std::vector<ZORRgba> wideColors(values.size(), kSentinel), narrowColors(values.size(), kSentinel);
  ZORScalePainter::PaintOptions wide, narrow;
  narrow.widestVectors = false;
  painter.Paint(values, wideBlocks, wideColors, wide);
  painter.Paint(values, narrowBlocks, narrowColors, narrow);
  EXPECT_EQ(wideBlocks, narrowBlocks);
  long clamped = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    ASSERT_TRUE(wideColors[i] == narrowColors[i]) << "value " << values[i];
    clamped += narrowColors[i].red == hi && narrowBlocks[i] == 2;
  }
  EXPECT_GT(clamped, 0);  // some blends did reach past the largest int
}

}  // namespace
