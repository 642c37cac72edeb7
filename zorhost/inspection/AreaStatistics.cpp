#include "zorhost/inspection/AreaStatistics.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "zorhost/common/Numbers.h"

namespace {

ZORValuePoint At(const ZORAreaValues& area, std::size_t i) {
  ZORValuePoint at;
  at.value = area.values[i];
  at.point = area.points.points[i].position;
  at.face = area.points.points[i].face;
  if (!area.points.vertices.empty()) at.vertex = area.points.vertices[i];
  return at;
}

// The value below which `percent` of the weight lies, of values sorted with their weights.
double WeightedPercentile(const std::vector<std::pair<double, double>>& sorted, double total, double percent) {
  const double wanted = percent / 100.0 * total;
  double upTo = 0.0;
  for (const auto& [value, weight] : sorted) {
    upTo += weight;
    if (upTo >= wanted) return value;
  }
  return sorted.back().first;
}

// The mean, spread, RMS and percentiles over the points with a value.
void Moments(const ZORAreaValues& area, const std::vector<std::size_t>& defined, double definedArea,
             ZORAreaStatistics& statistics) {
  double sum = 0.0, squares = 0.0;
  std::vector<std::pair<double, double>> sorted;
  sorted.reserve(defined.size());
  for (std::size_t i : defined) {
    const double value = area.values[i], weight = area.points.areas[i];
    sum += weight * value;
    squares += weight * value * value;
    sorted.emplace_back(value, weight);
  }
  statistics.mean = sum / definedArea;
  statistics.rms = std::sqrt(squares / definedArea);
  double spread = 0.0;
  for (std::size_t i : defined) {
    const double away = area.values[i] - statistics.mean;
    spread += area.points.areas[i] * away * away;
  }
  statistics.standardDeviation = std::sqrt(spread / definedArea);
  std::sort(sorted.begin(), sorted.end());
  for (double percent : kZORStatisticsPercentiles) {
    statistics.percentiles.emplace_back(percent, WeightedPercentile(sorted, definedArea, percent));
  }
}

// Each block's share of the area with a value, as the snapshot paints the values.
std::vector<double> BlockShares(const ZORAreaValues& area, const std::vector<std::size_t>& defined, double definedArea,
                                const ZORScaleSnapshot& snapshot) {
  std::vector<double> values;
  values.reserve(defined.size());
  for (std::size_t i : defined) values.push_back(area.values[i]);
  std::vector<int> blocks(values.size());
  std::vector<ZORRgba> colors(values.size());
  snapshot.Painter().Paint(values, blocks, colors);
  std::vector<double> shares(static_cast<std::size_t>(snapshot.Blocks()), 0.0);
  for (std::size_t k = 0; k < defined.size(); ++k) {
    if (blocks[k] >= 1 && blocks[k] <= snapshot.Blocks()) {
      shares[static_cast<std::size_t>(blocks[k] - 1)] += area.points.areas[defined[k]];
    }
  }
  for (double& share : shares) share = 100.0 * share / definedArea;
  return shares;
}

// The shares in, below and above what passes, the farthest outside each side, and the verdict.
void Verdict(const ZORAreaValues& area, const std::vector<std::size_t>& defined, double definedArea,
             ZORAreaStatistics& statistics) {
  const ZORToleranceBand& band = *statistics.passing;
  double below = 0.0, above = 0.0, within = 0.0;
  for (std::size_t i : defined) {
    const double value = area.values[i], weight = area.points.areas[i];
    if (value < band.low) {
      below += weight;
      if (!statistics.worstBelow || value < statistics.worstBelow->value) statistics.worstBelow = At(area, i);
    } else if (value > band.high) {
      above += weight;
      if (!statistics.worstAbove || value > statistics.worstAbove->value) statistics.worstAbove = At(area, i);
    } else {
      within += weight;
    }
  }
  statistics.below = 100.0 * below / definedArea;
  statistics.above = 100.0 * above / definedArea;
  statistics.within = 100.0 * within / definedArea;
  statistics.passes = statistics.within >= statistics.passShare;
}

}  // namespace

std::optional<ZORAreaStatistics> ZORMeasureArea(const ZORAreaValues& area, const ZORScaleSnapshot& snapshot,
                                                const std::optional<ZORToleranceBand>& passing, double passShare) {
  ZORAreaStatistics statistics;
  statistics.how = area.points.how;
  statistics.points = area.values.size();
  std::vector<std::size_t> defined;
  double definedArea = 0.0;
  for (std::size_t i = 0; i < area.values.size(); ++i) {
    statistics.area += area.points.areas[i];
    if (std::isnan(area.values[i])) continue;
    defined.push_back(i);
    definedArea += area.points.areas[i];
    if (defined.size() == 1 || area.values[i] < statistics.minimum.value) statistics.minimum = At(area, i);
    if (defined.size() == 1 || area.values[i] > statistics.maximum.value) statistics.maximum = At(area, i);
  }
  if (defined.empty() || !(definedArea > 0.0)) return std::nullopt;
  statistics.undefinedShare = 100.0 * (statistics.area - definedArea) / statistics.area;
  Moments(area, defined, definedArea, statistics);
  statistics.blockShares = BlockShares(area, defined, definedArea, snapshot);
  statistics.passing = passing;
  statistics.passShare = passShare;
  if (passing) Verdict(area, defined, definedArea, statistics);
  return statistics;
}

void ZORAddAreaShares(const ZORAreaStatistics& statistics, ZORLegendModel& legend) {
  if (statistics.blockShares.size() != legend.rows.size()) return;
  for (std::size_t k = 0; k < legend.rows.size(); ++k) legend.rows[k].areaShare = statistics.blockShares[k];
  legend.areaShares = true;
}

std::string ZORShareText(double percent) {
  if (percent > 0.0 && percent < 0.1) return "< 0.1 %";
  if (percent < 100.0 && percent > 99.9) return "> 99.9 %";
  return ZORShownFixed(percent, 1) + " %";
}

namespace {

std::string Where(const ZORValuePoint& at) {
  std::string text = "at (" + ZORShownNumber(at.point.x) + ", " + ZORShownNumber(at.point.y) + ", " +
                     ZORShownNumber(at.point.z) + ")";
  if (at.face >= 0) text += ", face " + std::to_string(at.face + 1);
  if (at.vertex >= 0) text += ", vertex " + std::to_string(at.vertex + 1);
  return text;
}

}  // namespace

std::string ZORVerdictLine(const ZORAreaStatistics& statistics, const std::string& unit) {
  return std::string(statistics.passes ? "pass" : "fail") + ": " + ZORShareText(statistics.within) +
         " of the area within " + ZORToleranceText(*statistics.passing) + " " + unit + " (at least " +
         ZORShownNumber(statistics.passShare) + " % must be)";
}

std::vector<std::string> ZORStatisticsLines(const ZORAreaStatistics& statistics, const std::string& unit,
                                            const std::string& lengthUnit) {
  std::vector<std::string> lines;
  lines.push_back("over the whole part by area (" + statistics.how + ", " + ZORShownNumber(statistics.area) + " " +
                  ZORAreaUnitName(lengthUnit) + ")" +
                  (statistics.undefinedShare > 0.0 ? "; no value on " + ZORShareText(statistics.undefinedShare) : ""));
  lines.push_back("minimum " + ZORShownNumber(statistics.minimum.value) + " " + unit + " " + Where(statistics.minimum));
  lines.push_back("maximum " + ZORShownNumber(statistics.maximum.value) + " " + unit + " " + Where(statistics.maximum));
  lines.push_back("mean " + ZORShownNumber(statistics.mean) + ", standard deviation " +
                  ZORShownNumber(statistics.standardDeviation) + ", RMS " + ZORShownNumber(statistics.rms) + " " + unit);
  std::string percentiles = "percentiles";
  for (const auto& [percent, value] : statistics.percentiles) {
    percentiles += (percent == statistics.percentiles.front().first ? " " : ", ") + ZORShownNumber(percent) + ": " +
                   ZORShownNumber(value);
  }
  lines.push_back(percentiles + " " + unit);
  if (statistics.passing) {
    lines.push_back("tolerance " + ZORToleranceText(*statistics.passing) + " " + unit + ": " +
                    ZORShareText(statistics.within) + " within, " + ZORShareText(statistics.above) + " above, " +
                    ZORShareText(statistics.below) + " below");
    lines.push_back(ZORVerdictLine(statistics, unit));
  }
  return lines;
}
