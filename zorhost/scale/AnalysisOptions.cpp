#include "zorhost/scale/AnalysisOptions.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "zorhost/common/Numbers.h"
#include "zorhost/common/Tolerance.h"

namespace {

// The value table and which of its boundaries are imposed (1-based positions, entry 0 unused).
struct Boundaries {
  std::vector<double> values;
  std::vector<bool> imposed;
};

Boundaries ReadBoundaries(ZORIStNewColorScale* scale) {
  ZORRawColldouble values;
  ZORRawCollint indices;
  scale->GetValueTable(&values, &indices, nullptr, nullptr);
  Boundaries boundaries{{0.0}, {false}};
  for (int k = 1; k <= values.Size(); ++k) {
    boundaries.values.push_back(values[k]);
    boundaries.imposed.push_back(indices[k] != -1);
  }
  return boundaries;
}

bool Option(HRESULT (ZORIStNewColorScale::*getter)(int&), ZORIStNewColorScale* scale) {
  int value = 0;
  return SUCCEEDED((scale->*getter)(value)) && value != 0;
}

// Zero in the middle block: its boundaries at -t and +t.
bool KeepZeroInTheMiddle(ZORIStNewColorScale* scale, int blocks, double lowest, double highest) {
  const int middle = (blocks + 1) / 2;
  const Boundaries boundaries = ReadBoundaries(scale);
  // Both must be inner boundaries, free to move, with zero between the extremes.
  if (middle - 1 < 2 || middle > blocks - 2) return false;
  if (boundaries.imposed[static_cast<std::size_t>(middle - 1)] ||
      boundaries.imposed[static_cast<std::size_t>(middle)]) {
    return false;
  }
  const double t = (highest - lowest) / (blocks - 2) / 2.0;
  if (!(lowest < -t && t < highest)) return false;
  scale->SetImposedValue(middle - 1, -t);
  scale->SetImposedValue(middle, t);
  return true;
}

// Every boundary not imposed on a symmetric logarithmic spacing between its imposed neighbours.
int SpaceNonlinearly(ZORIStNewColorScale* scale, double lowest, double highest) {
  const Boundaries boundaries = ReadBoundaries(scale);
  const int count = static_cast<int>(boundaries.values.size()) - 1;
  const double c = std::max(std::fabs(lowest), std::fabs(highest)) / 100.0;
  if (!(c > 0.0) || !std::isfinite(c)) return 0;
  auto stretch = [c](double x) { return std::asinh(x / c); };
  int placed = 0;
  int below = 0;  // the imposed boundary below the run, 0 for none
  for (int k = 1; k <= count; ++k) {
    if (!boundaries.imposed[static_cast<std::size_t>(k)]) continue;
    if (below > 0 && k - below > 1) {
      const double s0 = stretch(boundaries.values[static_cast<std::size_t>(below)]);
      const double s1 = stretch(boundaries.values[static_cast<std::size_t>(k)]);
      for (int j = below + 1; j < k; ++j) {
        scale->SetImposedValue(j, c * std::sinh(s0 + (s1 - s0) * (j - below) / (k - below)));
        ++placed;
      }
    }
    below = k;
  }
  return placed;
}

// Whether a scale of `blocks` blocks holds a range of its own in each block between extremes at
// `lowest` and `highest`: the boundaries it interpolates between them increase, with room to spare
// above the rounding of their magnitude.
bool HoldsBlocks(double lowest, double highest, int blocks) {
  const double span = highest - lowest;
  if (!(span > 0.0) || !std::isfinite(span)) return false;
  const double magnitude = std::max(std::fabs(lowest), std::fabs(highest));
  return span / std::max(blocks - 2, 1) > std::ldexp(magnitude, -40);
}

// A span about `value` either side, the value's own magnitude (1 about 0), kept within doubles.
void SpanAbout(double value, double& lowest, double& highest) {
  constexpr double kLargest = std::numeric_limits<double>::max();
  const double reach = value == 0.0 ? 1.0 : std::fabs(value) > kLargest / 2.0 ? std::fabs(value) / 2.0 : std::fabs(value);
  lowest = value - reach;
  highest = value + reach;
}

// Extremes that hold no range of blocks (the percentiles of a part whose faces are mostly flat
// are both 0, say) widened: to the extremes, at the same percentiles, of the values off the
// plateau they stand on (the plateau kept between them), else to the smallest and largest value,
// else a span about the value. What was done, or nothing when they hold a range already.
std::optional<std::string> WidenCollapsed(const ZORMeasuredRange& measured, int share, int blocks, double& lowest,
                                          double& highest) {
  if (HoldsBlocks(lowest, highest, blocks)) return std::nullopt;
  const std::string collapsed = ZORShownNumber(lowest) + " and " + ZORShownNumber(highest);
  const double plateau = lowest / 2.0 + highest / 2.0;
  const double reach = ZORRangeTolerance(measured.smallest, measured.largest);
  ZORMeasuredRange off;
  for (double value : measured.finite) {
    if (std::fabs(value - plateau) > reach) off.finite.push_back(value);
  }
  std::string how;
  if (!off.finite.empty()) {
    off.ExtremesAtPercentile(share, reach, lowest, highest);
    lowest = std::min(lowest, plateau);
    highest = std::max(highest, plateau);
    how = "to the values off the plateau at " + ZORShownNumber(plateau);
  }
  if (!HoldsBlocks(lowest, highest, blocks)) {
    lowest = measured.smallest;
    highest = measured.largest;
    how = "to the smallest and largest values";
  }
  if (!HoldsBlocks(lowest, highest, blocks)) {
    SpanAbout(plateau, lowest, highest);
    how = "about the one value " + ZORShownNumber(plateau);
  }
  return "the extremes " + collapsed + " hold no range for the blocks: widened " + how + ", to " +
         ZORShownNumber(lowest) + " and " + ZORShownNumber(highest);
}

}  // namespace

ZOROutcome ZORImposeRange(ZORIStNewColorScale* scale, const ZORValueRange& range, const ZORMeasuredRange& measured,
                          std::string& line) {
  double lowest = range.lowest, highest = range.highest;
  if (range.symmetric) {
    highest = std::max(std::fabs(measured.smallest), std::fabs(measured.largest));
    lowest = -highest;
  }
  if (!std::isfinite(highest - lowest)) {
    return ZORBadInput("the range from " + ZORShownNumber(lowest) + " to " + ZORShownNumber(highest) +
                       " is wider than a double holds: its boundaries would be infinite");
  }
  int blocks = 0;
  scale->GetNumberOfBlocks(blocks);
  std::string widened;
  if (!HoldsBlocks(lowest, highest, blocks)) {
    const std::string asked = ZORShownNumber(lowest) + " and " + ZORShownNumber(highest);
    SpanAbout(lowest / 2.0 + highest / 2.0, lowest, highest);
    widened = " (" + asked + " hold no range for " + std::to_string(blocks) + " blocks: widened about their middle)";
  }
  scale->SetAutoMinMaxStatus(ZORFalse);
  scale->SetExtremeImposedValues(lowest, highest);
  line = "range: the extremes imposed at " + ZORShownNumber(lowest) + " and " + ZORShownNumber(highest) +
         (range.symmetric ? ", the largest magnitude measured either side of zero" : "") + widened;
  return std::nullopt;
}

std::optional<std::string> ZORNarrowSpanNote(const ZORMeasuredRange& measured) {
  if (!measured.any) return std::nullopt;
  const double magnitude = std::max(std::fabs(measured.smallest), std::fabs(measured.largest));
  const double span = measured.largest - measured.smallest;
  if (!(magnitude > 0.0) || span > kZORNarrowSpan * magnitude) return std::nullopt;
  return "the values span " + ZORShownNumber(100.0 * span / magnitude) +
         "% of their magnitude: the colors show little but the noise of the analysis; --range LO,HI "
         "paints a range of your own";
}

ZORMeasuredRange ZORMeasure(const std::vector<double>& values,
                            const std::vector<std::uint8_t>& covered) {
  ZORMeasuredRange range;
  bool anyNegative = false;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const double value = values[i];
    if (!std::isfinite(value) || (!covered.empty() && covered[i] == 0)) continue;
    range.smallest = range.any ? std::min(range.smallest, value) : value;
    range.largest = range.any ? std::max(range.largest, value) : value;
    range.any = true;
    range.finite.push_back(value);
    if (value < 0.0) {
      range.minNegative = anyNegative ? std::min(range.minNegative, value) : value;
      range.maxNegative = anyNegative ? std::max(range.maxNegative, value) : value;
      anyNegative = true;
    } else if (value > 0.0) {
      range.minPositive = std::min(range.minPositive, value);
      range.maxPositive = std::max(range.maxPositive, value);
    }
  }
  // Sorted once, so that every percentile after is a look-up: an editor asks at every change.
  std::sort(range.finite.begin(), range.finite.end());
  return range;
}

double ZORMeasuredRange::Percentile(double percent) const {
  if (finite.empty()) return 0.0;
  const double last = static_cast<double>(finite.size() - 1);
  const auto rank = static_cast<std::size_t>(std::lround(std::clamp(percent, 0.0, 100.0) / 100.0 * last));
  return finite[rank];
}

void ZORMeasuredRange::ExtremesAtPercentile(double percent, double tolerance, double& lowest,
                                            double& highest) const {
  const double low = Percentile(percent), high = Percentile(100.0 - percent);
  // The smallest value from low - tolerance, and the largest up to high + tolerance.
  lowest = std::min(low, *std::lower_bound(finite.begin(), finite.end(), low - tolerance));
  const auto above = std::upper_bound(finite.begin(), finite.end(), high + tolerance);
  highest = above == finite.begin() ? high : std::max(high, *(above - 1));
  // The values measured may be a sample of those painted (a part's): the same run holds values a
  // rounding beyond the sample's, which must not fall past the extremes either.
  lowest -= std::ldexp(std::fabs(lowest), -40);
  highest += std::ldexp(std::fabs(highest), -40);
}

std::vector<std::string> ZORApplyAnalysisOptions(ZORIStNewColorScale* scale,
                                                 const ZORMeasuredRange& measured) {
  std::vector<std::string> done;
  if (!measured.any) return done;
  scale->SetValueRange(measured.smallest, measured.largest);
  scale->SetCurvatureLimits(measured.minNegative, measured.maxNegative, measured.minPositive,
                            measured.maxPositive);
  int blocks = 0;
  scale->GetNumberOfBlocks(blocks);
  if (blocks < 2) return done;

  ZORBoolean automatic = 0;
  const bool follows = SUCCEEDED(scale->GetAutoMinMaxStatus(automatic)) && automatic != 0;
  double lowest = 0.0, highest = 0.0;
  scale->GetExtremeImposedValues(&lowest, &highest);
  int share = 0;
  if (follows) {
    scale->GetAutoMinMaxOption(share);
    if (share >= 1 && share <= kZORLargestOutlierShare) {
      measured.ExtremesAtPercentile(share, ZORRangeTolerance(measured.smallest, measured.largest), lowest, highest);
      done.push_back("AutoMinMaxStatus: the extremes follow the measured values, at percentiles " +
                     std::to_string(share) + " and " + std::to_string(100 - share) +
                     " (AutoMinMaxOption " + std::to_string(share) + ")");
    } else {
      lowest = measured.smallest;
      highest = measured.largest;
      done.push_back("AutoMinMaxStatus: the extremes follow the measured range" +
                     (share == 0 ? std::string()
                                 : " (AutoMinMaxOption " + std::to_string(share) +
                                       " is not a percentage from 0 to " +
                                       std::to_string(kZORLargestOutlierShare) + ")"));
    }
  }
  const bool symmetric = Option(&ZORIStNewColorScale::GetAbsoluteExtrema, scale);
  if (symmetric) {
    const double magnitude = std::max(std::fabs(lowest), std::fabs(highest));
    lowest = -magnitude;
    highest = magnitude;
    done.push_back("AbsoluteExtrema: the extremes are -" + ZORShownNumber(magnitude) + " and " +
                   ZORShownNumber(magnitude));
  }
  if (follows || symmetric) {
    const int outliers = share >= 1 && share <= kZORLargestOutlierShare ? share : 0;
    if (std::optional<std::string> widened = WidenCollapsed(measured, outliers, blocks, lowest, highest)) {
      done.push_back("extremes: " + *widened);
    }
  }
  // Stored extremes that no option moves stay as they are, imposed or not.
  if (follows || symmetric) scale->SetExtremeImposedValues(lowest, highest);
  if (Option(&ZORIStNewColorScale::GetGreenIsFlat, scale)) {
    done.push_back(KeepZeroInTheMiddle(scale, blocks, lowest, highest)
                       ? "GreenIsFlat: zero lies in the middle block"
                       : "GreenIsFlat: nothing done (no inner middle block free to move, or zero "
                         "outside the extremes)");
  }
  if (Option(&ZORIStNewColorScale::GetNonlinearScale, scale)) {
    done.push_back("NonlinearScale: " + std::to_string(SpaceNonlinearly(scale, lowest, highest)) +
                   " boundaries placed on a symmetric logarithmic spacing");
  }
  return done;
}
