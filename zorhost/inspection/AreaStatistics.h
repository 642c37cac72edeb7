// What a part's analysis says over its whole area, not one view: its extremes and where they
// lie, its mean, spread and percentiles, each block's share of the area, and, with what passes,
// the shares in, above and below it and the verdict. Every share is of the area, each point of
// the part's area points (ZORPart::AreaPoints) weighing what it stands for.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "zorhost/figure/LegendModel.h"
#include "zorhost/picture/PictureSteps.h"
#include "zorhost/scale/ScaleSnapshot.h"
#include "zorhost/scale/ToleranceScale.h"

// A value of the analysis where it was found on the part.
struct ZORValuePoint {
  double value = 0.0;
  ZORVec3 point;
  int face = -1;    // a CAD part's, 0-based
  int vertex = -1;  // a mesh's, 0-based
};

// The percentiles the statistics give.
inline constexpr double kZORStatisticsPercentiles[] = {1.0, 5.0, 50.0, 95.0, 99.0};

struct ZORAreaStatistics {
  std::string how;            // the points that stand for the area
  std::size_t points = 0;
  double area = 0.0;          // the part's, in its length unit squared
  double undefinedShare = 0.0;  // percent of the area where the analysis has no value
  // The rest over the area with a value.
  ZORValuePoint minimum, maximum;
  double mean = 0.0, standardDeviation = 0.0, rms = 0.0;
  std::vector<std::pair<double, double>> percentiles;  // (percent, value)
  std::vector<double> blockShares;  // percent of the area in each block, block 1 first

  // With what passes:
  std::optional<ZORToleranceBand> passing;
  double below = 0.0, within = 0.0, above = 0.0;  // percent of the area with a value
  double passShare = 100.0;                       // percent that must be within
  bool passes = false;
  std::optional<ZORValuePoint> worstBelow, worstAbove;  // farthest outside on each side
};

// The statistics of `area` (its part's, with the values of its analysis) painted with
// `snapshot`'s scale. Nothing when no point has a value.
std::optional<ZORAreaStatistics> ZORMeasureArea(const ZORAreaValues& area, const ZORScaleSnapshot& snapshot,
                                                const std::optional<ZORToleranceBand>& passing, double passShare);

// Each block's share of the area given to the legend's rows, for its histogram.
void ZORAddAreaShares(const ZORAreaStatistics& statistics, ZORLegendModel& legend);

// The statistics as a person reads them in the summary, a line each, with the values' `unit` and
// the part's `lengthUnit`.
std::vector<std::string> ZORStatisticsLines(const ZORAreaStatistics& statistics, const std::string& unit,
                                            const std::string& lengthUnit);
// "pass: 99.2 % of the area within ±0.1 (at least 95 % must be)", the verdict's line.
std::string ZORVerdictLine(const ZORAreaStatistics& statistics, const std::string& unit);
// "1.5 %", a share as people read it.
std::string ZORShareText(double percent);
