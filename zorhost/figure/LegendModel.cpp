#include "zorhost/figure/LegendModel.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "zorhost/common/Numbers.h"

namespace {

// The evaluation places a value within the tolerance of a boundary on one side of it, so the
// values a block takes start and end a tolerance away from its boundaries: shown as the boundary,
// which is the number a person set or reads elsewhere.
double Shown(double value, const std::vector<double>& boundaries, double tolerance) {
  double nearest = value;
  double distance = std::numeric_limits<double>::infinity();
  for (double boundary : boundaries) {
    const double d = std::fabs(value - boundary);
    const double rounding =
        std::ldexp(std::max({std::fabs(value), std::fabs(boundary), std::fabs(tolerance)}), -40);
    if (std::isfinite(boundary) && d <= std::fabs(tolerance) + rounding && d < distance) {
      nearest = boundary;
      distance = d;
    }
  }
  return nearest;
}

ZORLegendRow Row(const ZORScaleSnapshot& snapshot, int k) {
  const ZORScaleDefinition& definition = snapshot.Definition();
  const int n = snapshot.Blocks();
  const double tolerance = definition.tolerance;
  ZORLegendRow row;
  row.block = k;
  row.color = snapshot.Color(k);
  row.colorImposed = snapshot.ColorImposed(k);
  const ZORScaleSnapshot::Span& span = snapshot.SpanOf(k);
  row.placed = span.placed;
  const bool hasTable = static_cast<int>(definition.boundaries.size()) == n - 1;
  if (k > 1 && hasTable) {
    row.hasLowerBoundary = true;
    row.lowerBoundary = snapshot.Boundary(k - 1);
    row.lowerBoundaryImposed = snapshot.BoundaryImposed(k - 1);
    // Extremes that follow the values are set by the analysis, not by a person.
    const bool extreme = k == 2 || k == n;
    const bool automatic = extreme && snapshot.StoredOptions().autoMinMaxStatus.value_or(0) != 0;
    row.boundary = ZORShownNumber(row.lowerBoundary) +
                   (automatic ? " automatic" : row.lowerBoundaryImposed ? " imposed" : "");
  }
  if (row.placed) {
    // The boundaries a block's values start and end at: its own, and the stored first and last
    // boundaries that rules 1 to 4 of the evaluation place values by.
    std::vector<double> starts, ends;
    if (k > 1 && hasTable) starts.push_back(snapshot.Boundary(k - 1));
    if (k == 2) starts.push_back(definition.lower);
    if (k == n) starts.push_back(definition.upper);
    if (k < n && hasTable) ends.push_back(snapshot.Boundary(k));
    if (k == 1) ends.push_back(definition.lower);
    if (k == n - 1) ends.push_back(definition.upper);
    row.from = Shown(span.first, starts, tolerance);
    row.to = Shown(span.last, ends, tolerance);
    row.span = ZORShownNumber(row.from) + " to " + ZORShownNumber(row.to);
  } else {
    row.span = "none";
  }
  row.colorText = ZORColorText(row.color) + (row.colorImposed ? "" : " *");
  return row;
}

}  // namespace

ZORLegendModel ZORMakeLegend(const ZORScaleSnapshot& snapshot, const ZORBlockCounts* counts) {
  ZORLegendModel model;
  const ZORScaleDefinition& definition = snapshot.Definition();
  model.blocks = snapshot.Blocks();
  model.undefinedColor = definition.undefinedColor;
  for (int k = 1; k <= model.blocks; ++k) {
    ZORLegendRow row = Row(snapshot, k);
    if (counts != nullptr) row.count = counts->perBlock.at(static_cast<std::size_t>(k));
    model.anyInterpolated = model.anyInterpolated || !row.colorImposed;
    model.rows.push_back(std::move(row));
  }
  if (counts != nullptr) {
    model.counted = true;
    model.undefined = counts->undefined;
    model.noColor = counts->noColor;
  }
  if (snapshot.LimitsDisagree() && model.blocks >= 2) {
    model.notes.push_back("Values are placed by the first and last stored boundaries, " +
                          ZORShownNumber(definition.lower) + " and " + ZORShownNumber(definition.upper) +
                          ", not by the value table's ends, " +
                          ZORShownNumber(definition.boundaries.front()) + " and " +
                          ZORShownNumber(definition.boundaries.back()) + ".");
  }
  if (!snapshot.RangesKnown() && model.blocks >= 2) {
    model.notes.push_back(
        "The boundaries do not increase: the ranges shown are the value table's, and some values "
        "take no block.");
  }
  return model;
}
