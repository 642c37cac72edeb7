#include "zorhost/classification/Classification.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <queue>
#include <utility>

#include "zorhost/common/Choices.h"
#include "zorhost/common/OrderedBits.h"
#include "zorhost/common/Tolerance.h"
#include "painter/ZORScalePainter.h"
#include "zorhost/common/Numbers.h"

namespace {

constexpr ZORNamed<ZORClassMethod> kMethods[] = {{"equal", ZORClassMethod::Equal},
                                                 {"quantile", ZORClassMethod::Quantile},
                                                 {"jenks", ZORClassMethod::Jenks},
                                                 {"stddev", ZORClassMethod::StdDev},
                                                 {"symmetric", ZORClassMethod::Symmetric},
                                                 {"log", ZORClassMethod::Log}};

// Past this many blocks the standard-deviation classes narrow below one deviation, so that the
// extremes stay at three deviations from the mean.
constexpr double kDeviationsToExtremes = 3.0;


// The point a fraction `t` (0 to 1) of the way from `a` to `b`, computed as a + (b - a) t where
// that is finite, so that ordinary values get exactly those bits; for values so far apart that
// their difference overflows, as a convex combination, kept within the doubles.
double Between(double a, double b, double t) {
  const double plain = a + (b - a) * t;
  if (std::isfinite(plain)) return plain;
  constexpr double kLargest = std::numeric_limits<double>::max();
  return std::clamp(a * (1.0 - t) + b * t, -kLargest, kLargest);
}

// Half the distance from `a` to `b`: finite for any two finite values.
double HalfGap(double a, double b) { return b / 2.0 - a / 2.0; }

// Two values, `a` not above `b`, that differ by at most 2^-40 of their magnitude are one value
// that rounding split, such as the curvature of one fillet evaluated at many points.
bool WithinRounding(double a, double b) {
  return b - a <= std::ldexp(std::max(std::fabs(a), std::fabs(b)), -40);
}

std::vector<double> FiniteValues(std::span<const double> values, std::size_t& leftOut) {
  std::vector<double> finite;
  finite.reserve(values.size());
  for (double value : values) {
    if (std::isfinite(value)) finite.push_back(value);
  }
  leftOut = values.size() - finite.size();
  return finite;
}

// n - 1 boundaries from `low` to `high`, evenly, in the order the scale interpolates boundaries
// between two imposed ones; for two blocks the one boundary halfway.
std::vector<double> Evenly(int blocks, double low, double high) {
  const bool overflows = !std::isfinite(high - low);
  if (blocks == 2) return {overflows ? Between(low, high, 0.5) : (high - low) / 2.0 + low};
  std::vector<double> boundaries;
  for (int k = 1; k <= blocks - 1; ++k) {
    boundaries.push_back(overflows ? Between(low, high, static_cast<double>(k - 1) / (blocks - 2))
                                   : (high - low) / (blocks - 2) * (k - 1) + low);
  }
  return boundaries;
}

// Sorted values as runs of values within rounding of their neighbours (one value that rounding
// split, or equal values), with how many values each run holds; `below[j]` counts the values
// below run j. A run is never cut.
struct Runs {
  std::vector<double> firsts;  // each run's smallest value
  std::vector<double> lasts;   // and its largest
  std::vector<double> weights;
  std::vector<std::size_t> below;
  std::size_t Size() const { return firsts.size(); }
};

Runs ToRuns(const std::vector<double>& sorted) {
  Runs runs;
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    if (runs.firsts.empty() || !WithinRounding(runs.lasts.back(), sorted[i])) {
      runs.firsts.push_back(sorted[i]);
      runs.lasts.push_back(sorted[i]);
      runs.weights.push_back(0.0);
      runs.below.push_back(i);
    }
    runs.lasts.back() = sorted[i];
    runs.weights.back() += 1.0;
  }
  return runs;
}

// A cut j (1 .. size - 1) falls between runs j - 1 and j. The thresholds of `cuts` (sorted,
// repeats allowed): the middle of each gap, or, for m cuts in one gap, m points spreading it
// evenly.
std::vector<double> Thresholds(const Runs& runs, const std::vector<std::size_t>& cuts) {
  std::vector<double> thresholds;
  for (std::size_t i = 0; i < cuts.size();) {
    std::size_t same = i;
    while (same < cuts.size() && cuts[same] == cuts[i]) ++same;
    const double a = runs.lasts[cuts[i] - 1];
    const double b = runs.firsts[cuts[i]];
    const std::size_t m = same - i;
    for (std::size_t j = 1; j <= m; ++j) {
      thresholds.push_back(Between(a, b, static_cast<double>(j) / static_cast<double>(m + 1)));
    }
    i = same;
  }
  return thresholds;
}

// Every gap cut once, and the cuts left over given to the widest gaps, each taking the gap
// whose pieces would stay widest.
std::vector<std::size_t> EveryGapCut(const Runs& runs, std::size_t cutsWanted) {
  std::vector<std::size_t> cuts;
  using Gap = std::pair<double, std::size_t>;  // half a piece's width, cut
  std::priority_queue<Gap> widest;
  std::vector<std::size_t> inGap(runs.Size(), 1);
  for (std::size_t j = 1; j < runs.Size(); ++j) {
    cuts.push_back(j);
    widest.push({HalfGap(runs.lasts[j - 1], runs.firsts[j]) / 2.0, j});
  }
  while (cuts.size() < cutsWanted) {
    const std::size_t j = widest.top().second;
    widest.pop();
    cuts.push_back(j);
    ++inGap[j];
    widest.push({HalfGap(runs.lasts[j - 1], runs.firsts[j]) / static_cast<double>(inGap[j] + 1), j});
  }
  std::sort(cuts.begin(), cuts.end());
  return cuts;
}

// The number of values below boundary k of n for equal counts: k N / n rounded.
std::size_t TargetRank(std::size_t k, std::size_t blocks, std::size_t count) {
  return (k * count + blocks / 2) / blocks;
}

// The order statistics at `ranks` (sorted, distinct) put in place by selection, each part split
// once: O(N log R).
void SelectRanks(std::vector<double>& x, std::size_t first, std::size_t last,
                 std::span<const std::size_t> ranks) {
  if (ranks.empty() || first >= last) return;
  const std::size_t middle = ranks.size() / 2;
  const std::size_t rank = ranks[middle];
  std::nth_element(x.begin() + static_cast<std::ptrdiff_t>(first),
                   x.begin() + static_cast<std::ptrdiff_t>(rank),
                   x.begin() + static_cast<std::ptrdiff_t>(last));
  SelectRanks(x, first, rank, ranks.first(middle));
  SelectRanks(x, rank + 1, last, ranks.subspan(middle + 1));
}

// Past this many runs of equal values cut at targets, sorting costs less than a pass over the
// values for each.
constexpr std::size_t kMostRunsCounted = 16;

// A run of values a target falls in: where it starts and ends among the ranks, its ends, and the
// values just below and above it.
struct Run {
  std::size_t first = 0;
  std::size_t end = 0;
  double lowest = 0.0;  // the run's smallest and largest values
  double highest = 0.0;
  double below = -std::numeric_limits<double>::infinity();
  double above = std::numeric_limits<double>::infinity();
};

// The run of values within rounding of their neighbours that holds `value`: widened a pass at a
// time until no value lies within rounding of its ends.
Run RunOf(const std::vector<double>& x, double value) {
  double lowest = value, highest = value;
  for (bool grew = true; grew;) {
    grew = false;
    for (double v : x) {
      if (v < lowest && WithinRounding(v, lowest)) {
        lowest = v;
        grew = true;
      } else if (v > highest && WithinRounding(highest, v)) {
        highest = v;
        grew = true;
      }
    }
  }
  Run run;
  run.lowest = lowest;
  run.highest = highest;
  std::size_t inside = 0;
  for (double v : x) {
    if (v < lowest) {
      ++run.first;
      run.below = std::max(run.below, v);
    } else if (v > highest) {
      run.above = std::min(run.above, v);
    } else {
      ++inside;
    }
  }
  run.end = run.first + inside;
  return run;
}

// Equal counts by selection, without sorting: the thresholds between the values at ranks c - 1
// and c; a target inside a run of equal values moves to the nearer end of the run (as NearestCuts
// does). Empty when sorting is the better way: many runs cut, two targets at one cut, or a run at
// an end of the values.
std::vector<double> QuantilesBySelection(std::vector<double> x, std::size_t blocks) {
  std::vector<std::size_t> ranks;
  for (std::size_t k = 1; k < blocks; ++k) {
    const std::size_t c = TargetRank(k, blocks, x.size());
    if (ranks.empty() || ranks.back() != c - 1) ranks.push_back(c - 1);
    ranks.push_back(c);
  }
  SelectRanks(x, 0, x.size(), ranks);
  std::vector<Run> runs;  // each run cut once
  std::vector<double> thresholds;
  std::size_t previousCut = 0;
  for (std::size_t k = 1; k < blocks; ++k) {
    const std::size_t c = TargetRank(k, blocks, x.size());
    double a = x[c - 1];
    double b = x[c];
    std::size_t cut = c;
    if (WithinRounding(a, b)) {
      auto known = std::find_if(runs.begin(), runs.end(), [c](const Run& r) { return r.first < c && c < r.end; });
      if (known == runs.end()) {
        if (runs.size() == kMostRunsCounted) return {};
        runs.push_back(RunOf(x, a));
        known = runs.end() - 1;
      }
      const Run& run = *known;
      if (run.first == 0 || run.end == x.size()) return {};
      if (c - run.first <= run.end - c) {
        cut = run.first;
        a = run.below;
        b = run.lowest;
      } else {
        cut = run.end;
        a = run.highest;
        b = run.above;
      }
    }
    if (cut <= previousCut) return {};
    previousCut = cut;
    thresholds.push_back(Between(a, b, 0.5));
  }
  return thresholds;
}

// Equal counts on sorted values with ties: each target moves to the nearer end of the run it
// would cut.
std::vector<std::size_t> NearestCuts(const Runs& runs, std::size_t blocks, std::size_t count) {
  std::vector<std::size_t> cuts;
  for (std::size_t k = 1; k < blocks; ++k) {
    const std::size_t c = TargetRank(k, blocks, count);
    // below[] increases; find the cuts (j >= 1) on either side of c.
    auto above = std::lower_bound(runs.below.begin() + 1, runs.below.end(), c);
    std::size_t j = static_cast<std::size_t>(above - runs.below.begin());
    if (j == runs.Size() || (j > 1 && c - runs.below[j - 1] <= runs.below[j] - c)) --j;
    cuts.push_back(std::max<std::size_t>(j, 1));
  }
  return cuts;
}

// Fisher's exact optimal partition of weighted sorted points into `classes`, minimising the sum
// of the squared deviations from each class's mean; divide and conquer over the monotone split
// points, O(classes * points * log points). Returns the first point of classes 2 .. classes.
std::vector<std::size_t> NaturalBreaks(const Runs& points, std::size_t classes) {
  const std::size_t m = points.Size();
  // Values so large that their squares would overflow are scaled down by a power of two, which
  // changes no split.
  const int exponent = std::max(std::ilogb(std::max(std::fabs(points.firsts.front()),
                                                    std::fabs(points.firsts.back()))) - 400, 0);
  auto point = [&](std::size_t i) { return std::ldexp(points.firsts[i], -exponent); };
  double total = 0.0, weightSum = 0.0;
  for (std::size_t i = 0; i < m; ++i) {
    total += points.weights[i] * point(i);
    weightSum += points.weights[i];
  }
  const double centre = total / weightSum;  // sums taken about the mean keep their precision
  std::vector<double> w(m + 1, 0.0), wx(m + 1, 0.0), wxx(m + 1, 0.0);
  for (std::size_t i = 0; i < m; ++i) {
    const double x = point(i) - centre;
    w[i + 1] = w[i] + points.weights[i];
    wx[i + 1] = wx[i] + points.weights[i] * x;
    wxx[i + 1] = wxx[i] + points.weights[i] * x * x;
  }
  auto cost = [&](std::size_t i, std::size_t j) {  // points i .. j - 1
    const double sw = w[j] - w[i], sx = wx[j] - wx[i];
    return std::max(0.0, (wxx[j] - wxx[i]) - sx * sx / sw);
  };
  constexpr double kNone = std::numeric_limits<double>::infinity();
  std::vector<double> previous(m + 1, kNone), current(m + 1, kNone);
  for (std::size_t j = 1; j <= m; ++j) previous[j] = cost(0, j);
  std::vector<std::vector<std::uint32_t>> split(classes);
  for (std::size_t c = 2; c <= classes; ++c) {
    std::vector<std::uint32_t>& best = split[c - 1];
    best.assign(m + 1, 0);
    std::fill(current.begin(), current.end(), kNone);
    // current[j] for j in [lo, hi], its split known to lie in [optLo, optHi].
    auto solve = [&](auto& self, std::size_t lo, std::size_t hi, std::size_t optLo,
                     std::size_t optHi) -> void {
      if (lo > hi) return;
      const std::size_t j = lo + (hi - lo) / 2;
      double bestCost = kNone;
      std::size_t bestSplit = optLo;
      for (std::size_t i = optLo; i <= std::min(optHi, j - 1); ++i) {
        const double candidate = previous[i] + cost(i, j);
        if (candidate < bestCost) {
          bestCost = candidate;
          bestSplit = i;
        }
      }
      current[j] = bestCost;
      best[j] = static_cast<std::uint32_t>(bestSplit);
      if (j > lo) self(self, lo, j - 1, optLo, bestSplit);
      self(self, j + 1, hi, bestSplit, optHi);
    };
    solve(solve, c, m, c - 1, m - 1);
    std::swap(previous, current);
  }
  std::vector<std::size_t> starts(classes - 1);
  std::size_t end = m;
  for (std::size_t c = classes; c >= 2; --c) {
    end = split[c - 1][end];
    starts[c - 2] = end;
  }
  return starts;
}

}  // namespace

void ZORSortValues(std::vector<double>& x) {
  constexpr std::size_t kByComparison = std::size_t{1} << 16;
  if (x.size() < kByComparison) {
    std::sort(x.begin(), x.end());
    return;
  }
  constexpr int kDigitBits = 11, kPasses = 6;
  constexpr std::size_t kDigits = std::size_t{1} << kDigitBits;
  // Each double's bits made an unsigned integer in the doubles' order, kept in the values' own
  // storage (bit for bit), so that the sort needs one more array of them, not two.
  auto key = [](double value) { return std::bit_cast<std::uint64_t>(value); };
  std::vector<std::array<std::size_t, kDigits>> counts(kPasses);
  for (auto& count : counts) count.fill(0);
  for (double& value : x) {
    const std::uint64_t ordered = ZOROrderedBits(value);
    value = std::bit_cast<double>(ordered);
    for (int pass = 0; pass < kPasses; ++pass) ++counts[static_cast<std::size_t>(pass)][(ordered >> (pass * kDigitBits)) & (kDigits - 1)];
  }
  std::vector<double> other(x.size());
  for (int pass = 0; pass < kPasses; ++pass) {
    auto& count = counts[static_cast<std::size_t>(pass)];
    if (std::count(count.begin(), count.end(), x.size()) == 1) continue;  // one digit for all
    std::size_t start = 0;
    for (std::size_t& c : count) start += std::exchange(c, start);
    for (double value : x) other[count[(key(value) >> (pass * kDigitBits)) & (kDigits - 1)]++] = value;
    x.swap(other);
  }
  for (double& value : x) value = ZORFromOrderedBits(key(value));
}

namespace {

// How many runs sorted values make, counted up to `most` + 1.
std::size_t CountRuns(const std::vector<double>& sorted, std::size_t most) {
  std::size_t runs = 0;
  for (std::size_t i = 0; i < sorted.size() && runs <= most; ++i) {
    if (i == 0 || !WithinRounding(sorted[i - 1], sorted[i])) ++runs;
  }
  return runs;
}

// The evenly ranked sample natural breaks are found on when there are too many distinct values.
Runs JenksSample(const std::vector<double>& sorted) {
  std::vector<double> sample;
  for (std::size_t i = 0; i < kZORJenksPoints; ++i) {
    const std::size_t rank = static_cast<std::size_t>(
        (static_cast<double>(i) + 0.5) * static_cast<double>(sorted.size()) / kZORJenksPoints);
    sample.push_back(sorted[std::min(rank, sorted.size() - 1)]);
  }
  return ToRuns(sample);
}

// Thresholds turned into boundaries the scale places values by: a value above the last boundary
// is painted above it, one below the first below it, and one within the tolerance of an inner
// boundary above it; so the inner boundaries sit a tolerance above their thresholds. Kept
// increasing.
// The tolerance of a scale over the values `x` (sorted or not).
double ValuesTolerance(const std::vector<double>& x) {
  const auto [smallest, largest] = std::minmax_element(x.begin(), x.end());
  return ZORRangeTolerance(*smallest, *largest);
}

std::vector<double> AtThresholds(std::vector<double> thresholds, double tolerance) {
  for (std::size_t k = 0; k < thresholds.size(); ++k) {
    if (k > 0 && k + 1 < thresholds.size()) thresholds[k] += tolerance;
    if (k > 0 && !(thresholds[k] > thresholds[k - 1])) {
      thresholds[k] = std::nextafter(thresholds[k - 1], std::numeric_limits<double>::infinity());
    }
  }
  return thresholds;
}

// The scale places a value by comparing it with each boundary plus and minus its tolerance, each
// comparison rounded: at the very edge of a boundary's band, a value can fail every rule by a
// rounding and take no block. Each boundary whose band edge catches one of `values` so is moved
// up by the least step that moves the edge, until none is caught.
void KeepEveryValuePlaced(std::vector<double>& boundaries, std::span<const double> values) {
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  const int blocks = static_cast<int>(boundaries.size()) + 1;
  for (int attempt = 0; attempt < 64; ++attempt) {
    // The tolerance the scale will have: its extremes are the first and last boundaries.
    const double tolerance = ZORRangeTolerance(boundaries.front(), boundaries.back());
    ZORScaleDefinition definition;
    definition.blockCount = blocks;
    definition.boundaries = boundaries;
    definition.boundaryIndices.assign(boundaries.size(), 1);
    definition.colors.assign(static_cast<std::size_t>(blocks), ZORRgba{});
    definition.colorIndices.assign(static_cast<std::size_t>(blocks), 1);
    definition.lower = boundaries.front();
    definition.upper = boundaries.back();
    definition.tolerance = tolerance;
    const ZORScalePainter painter(definition);
    if (!painter.SearchesIntervals()) return;
    std::vector<std::pair<double, double>> gaps;  // [from, to): no block
    double next = -kInfinity;  // the first value after the ranges seen
    for (const ZORBlockRange& range : painter.BlockRanges()) {
      if (range.first != next) gaps.emplace_back(next, range.first);
      next = range.last == kInfinity ? kInfinity : std::nextafter(range.last, kInfinity);
    }
    if (next != kInfinity) gaps.emplace_back(next, kInfinity);
    if (gaps.empty()) return;
    std::vector<bool> caught(gaps.size(), false);
    for (double value : values) {
      const auto after = std::upper_bound(gaps.begin(), gaps.end(), value,
                                          [](double v, const auto& gap) { return v < gap.first; });
      if (after != gaps.begin() && value < (after - 1)->second) caught[static_cast<std::size_t>(after - gaps.begin() - 1)] = true;
    }
    if (std::find(caught.begin(), caught.end(), true) == caught.end()) return;
    for (std::size_t g = 0; g < gaps.size(); ++g) {
      if (!caught[g]) continue;
      const double at = gaps[g].first;
      const auto nearest = std::min_element(boundaries.begin(), boundaries.end(), [at](double a, double b) {
        return std::fabs(a - at) < std::fabs(b - at);
      });
      const double edge = std::fabs(*nearest) + tolerance;
      *nearest += std::nextafter(edge, std::numeric_limits<double>::infinity()) - edge;
    }
    for (std::size_t k = 1; k < boundaries.size(); ++k) {
      if (!(boundaries[k] > boundaries[k - 1])) {
        boundaries[k] = std::nextafter(boundaries[k - 1], std::numeric_limits<double>::infinity());
      }
    }
  }
}

// The data methods: sorted values as runs, cut where the method says. Sorts `x` unless
// selection does.
ZOROutcome ClassifyByRank(const ZORClassRequest& request, std::vector<double>& x,
                    ZORClassification& result) {
  const std::size_t blocks = static_cast<std::size_t>(request.blocks);
  if (request.method == ZORClassMethod::Quantile && x.size() >= blocks) {
    std::vector<double> thresholds = QuantilesBySelection(x, blocks);
    if (!thresholds.empty()) {
      result.boundaries = AtThresholds(std::move(thresholds), ValuesTolerance(x));
      return std::nullopt;
    }
  }
  ZORSortValues(x);
  // More runs than the exact breaks take, and no fewer than blocks.
  const std::size_t sampledFrom = std::max(blocks, kZORJenksPoints + 1);
  if (request.method == ZORClassMethod::Jenks && CountRuns(x, sampledFrom) >= sampledFrom) {
    // Found on the sample, without the runs of every value.
    const Runs sample = JenksSample(x);
    const std::vector<std::size_t> sampleCuts =
        sample.Size() < blocks ? EveryGapCut(sample, blocks - 1) : NaturalBreaks(sample, blocks);
    result.boundaries = AtThresholds(Thresholds(sample, sampleCuts), ValuesTolerance(x));
    result.note = "natural breaks exact on a sample of " + std::to_string(kZORJenksPoints) +
                  " values at evenly spread ranks of " + std::to_string(x.size());
    return std::nullopt;
  }
  const Runs runs = ToRuns(x);
  if (runs.Size() < 2) {
    return ZORBadInput("all " + std::to_string(x.size()) + " values equal " + ZORShownNumber(x.front()) +
                             (x.front() == x.back() ? "" : " within rounding") +
                             ": there is nothing to divide");
  }
  std::vector<std::size_t> cuts;
  if (runs.Size() < blocks) {
    cuts = EveryGapCut(runs, blocks - 1);
    result.note = std::to_string(runs.Size()) + " distinct values for " + std::to_string(blocks) +
                  " blocks: each value has a block of its own, " +
                  std::to_string(blocks - runs.Size()) + " blocks stay empty";
  } else if (request.method == ZORClassMethod::Quantile) {
    cuts = NearestCuts(runs, blocks, x.size());
    result.note = "runs of equal values (within rounding) are not cut: their blocks hold more values than others";
  } else {
    cuts = NaturalBreaks(runs, blocks);
    result.note = "natural breaks exact on the " + std::to_string(runs.Size()) + " distinct values";
  }
  result.boundaries = AtThresholds(Thresholds(runs, cuts), ValuesTolerance(x));
  return std::nullopt;
}

ZOROutcome ClassifyByDeviation(const ZORClassRequest& request, const std::vector<double>& x,
                         ZORClassification& result) {
  // Values so large that their sum or squares would overflow are scaled down by a power of two
  // for the moments, which changes no bit of ordinary ones.
  double largest = 0.0;
  for (double value : x) largest = std::max(largest, std::fabs(value));
  const int exponent = std::max(std::ilogb(largest) - 400, 0);
  const double count = static_cast<double>(x.size());
  double sum = 0.0;
  for (double value : x) sum += std::ldexp(value, -exponent);
  const double scaledMean = sum / count;
  double squares = 0.0;
  for (double value : x) {
    const double d = std::ldexp(value, -exponent) - scaledMean;
    squares += d * d;
  }
  const double mean = std::ldexp(scaledMean, exponent);
  const double deviation = std::ldexp(std::sqrt(squares / count), exponent);
  if (!(deviation > 0.0)) {
    return ZORBadInput("the values do not deviate from their mean " + ZORShownNumber(mean) +
                             ": there is nothing to divide");
  }
  const int n = request.blocks;
  const double halfSpan = static_cast<double>(n) / 2.0 - 1.0;  // classes from the middle out
  const double width =
      halfSpan > kDeviationsToExtremes ? deviation * kDeviationsToExtremes / halfSpan : deviation;
  for (int k = 1; k <= n - 1; ++k) {
    const double boundary = mean + (k - n / 2.0) * width;
    if (!std::isfinite(boundary)) {
      return ZORBadInput("the values deviate so widely (standard deviation " + ZORShownNumber(deviation) +
                               ") that the boundaries of " + std::to_string(n) +
                               " blocks pass the largest double");
    }
    result.boundaries.push_back(boundary);
  }
  result.note = "mean " + ZORShownNumber(mean) + ", standard deviation " +
                ZORShownNumber(deviation) + ", classes " +
                ZORShownNumber(width / deviation) + " of a deviation wide";
  return std::nullopt;
}

ZOROutcome ClassifyByRange(const ZORClassRequest& request, const std::vector<double>& x,
                     ZORClassification& result) {
  double lowest = request.lowest;
  double highest = request.highest;
  const int n = request.blocks;
  switch (request.method) {
    case ZORClassMethod::Symmetric: {
      const double reach = std::max(std::fabs(lowest), std::fabs(highest));
      if (!(reach > 0.0) || !std::isfinite(reach)) {
        return ZORBadInput("the extremes " + ZORShownNumber(lowest) + " and " + ZORShownNumber(highest) +
                                 " leave no range about zero to divide");
      }
      // Whole-number numerators keep the boundaries exactly symmetric, zero exactly zero; a reach
      // whose multiple would overflow takes the fraction instead, no larger than 1.
      for (int k = 1; k <= n - 1; ++k) {
        const double numerator = 2.0 * (k - 1) - (n - 2);
        const double boundary = n == 2 ? 0.0 : reach * numerator / (n - 2);
        result.boundaries.push_back(std::isfinite(boundary) ? boundary : reach * (numerator / (n - 2)));
      }
      return std::nullopt;
    }
    case ZORClassMethod::Log: {
      const auto [smallest, largest] = std::minmax_element(x.begin(), x.end());
      if (!(*smallest > 0.0)) {
        const auto notPositive = std::count_if(x.begin(), x.end(), [](double v) { return !(v > 0.0); });
        return ZORBadInput("a logarithmic scale needs values above zero; " +
                                 std::to_string(notPositive) + " of the values are not (the smallest is " +
                                 ZORShownNumber(*smallest) + ")");
      }
      if (!(lowest > 0.0)) lowest = *smallest;
      if (!(highest > lowest)) highest = *largest;
      if (!(highest > lowest)) {
        return ZORBadInput("all values equal " + ZORShownNumber(lowest) + ": there is nothing to divide");
      }
      result.boundaries = Evenly(n, std::log(lowest), std::log(highest));
      for (double& boundary : result.boundaries) boundary = std::exp(boundary);
      if (n > 2) {
        result.boundaries.front() = lowest;
        result.boundaries.back() = highest;
      }
      return std::nullopt;
    }
    default:
      if (!(lowest < highest)) {
        return ZORBadInput("the extremes " + ZORShownNumber(lowest) + " and " + ZORShownNumber(highest) +
                                 " leave no range to divide");
      }
      // As the scale interpolates boundaries between its extremes.
      result.boundaries = Evenly(n, lowest, highest);
      return std::nullopt;
  }
}

}  // namespace

std::optional<ZORClassMethod> ZORClassMethodNamed(std::string_view name) {
  return ZORValueNamed<ZORClassMethod>(kMethods, name);
}

const char* ZORClassMethodName(ZORClassMethod method) { return ZORNameOf<ZORClassMethod>(kMethods, method); }

std::vector<std::string> ZORClassMethodNames() { return ZORNamesOf<ZORClassMethod>(kMethods); }

std::string ZORClassMethodChoices() { return ZORChoices(ZORClassMethodNames()); }

ZOROutcome ZORClassify(const ZORClassRequest& request, std::span<const double> values,
                       ZORClassification& result) {
  result = {};
  std::vector<double> x = FiniteValues(values, result.leftOut);
  result.classified = x.size();
  if (x.empty()) return ZORBadInput("no finite value to classify");
  if (request.blocks < 2) {
    result.note = "one block: no boundary to place";
    return std::nullopt;
  }
  ZOROutcome problem;
  switch (request.method) {
    case ZORClassMethod::Quantile:
    case ZORClassMethod::Jenks:
      problem = ClassifyByRank(request, x, result);
      break;
    case ZORClassMethod::StdDev:
      problem = ClassifyByDeviation(request, x, result);
      break;
    default:
      problem = ClassifyByRange(request, x, result);
  }
  if (!problem) KeepEveryValuePlaced(result.boundaries, x);
  return problem;
}

