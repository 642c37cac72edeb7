#include "zorhost/scale/ScaleSnapshot.h"

#include <algorithm>
#include <limits>

#include "zorhost/common/Tolerance.h"

namespace {

// An option's value, or none when the scale gives none.
template <class Value>
std::optional<int> Option(ZORIStNewColorScale* scale, HRESULT (ZORIStNewColorScale::*getter)(Value&)) {
  Value value{};
  if (FAILED((scale->*getter)(value))) return std::nullopt;
  return static_cast<int>(value);
}

}  // namespace

double ZORFitScaleTolerance(ZORIStNewColorScale* scale) {
  double lowest = 0.0, highest = 0.0;
  scale->GetExtremeImposedValues(&lowest, &highest);
  const double tolerance = ZORRangeTolerance(lowest, highest);
  scale->SetTolerance(tolerance);
  return tolerance;
}

ZORScaleSnapshot::ZORScaleSnapshot(ZORIStNewColorScale* scale)
    : definition_(ZORReadScaleDefinition(scale, ZORFitScaleTolerance(scale))), painter_(definition_) {
  options_ = {Option(scale, &ZORIStNewColorScale::GetAutoMinMaxStatus),
              Option(scale, &ZORIStNewColorScale::GetAutoMinMaxOption),
              Option(scale, &ZORIStNewColorScale::GetAbsoluteExtrema),
              Option(scale, &ZORIStNewColorScale::GetGreenIsFlat),
              Option(scale, &ZORIStNewColorScale::GetNonlinearScale),
              Option(scale, &ZORIStNewColorScale::GetNumberOfColorsStatus)};
  const int n = Blocks();
  spans_.resize(static_cast<std::size_t>(n));
  const std::vector<ZORBlockRange> ranges = painter_.BlockRanges();
  rangesKnown_ = !ranges.empty();
  for (const ZORBlockRange& range : ranges) {
    if (range.block < 1 || range.block > n) continue;
    Span& span = spans_[static_cast<std::size_t>(range.block - 1)];
    span.first = span.placed ? std::min(span.first, range.first) : range.first;
    span.last = span.placed ? std::max(span.last, range.last) : range.last;
    span.placed = true;
  }
  if (rangesKnown_) return;
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  for (int k = 1; k <= n && n == static_cast<int>(definition_.boundaries.size()) + 1; ++k) {
    spans_[static_cast<std::size_t>(k - 1)] = {true, k == 1 ? -kInfinity : Boundary(k - 1),
                                               k == n ? kInfinity : Boundary(k)};
  }
}

bool ZORScaleSnapshot::ColorImposed(int block) const {
  const std::vector<int>& indices = definition_.colorIndices;
  const std::size_t at = static_cast<std::size_t>(block - 1);
  return at < indices.size() && indices[at] != -1;
}

bool ZORScaleSnapshot::BoundaryImposed(int k) const {
  const std::vector<int>& indices = definition_.boundaryIndices;
  const std::size_t at = static_cast<std::size_t>(k - 1);
  return at < indices.size() && indices[at] != -1;
}

bool ZORScaleSnapshot::LimitsDisagree() const {
  const std::vector<double>& boundaries = definition_.boundaries;
  return !boundaries.empty() &&
         (definition_.lower != boundaries.front() || definition_.upper != boundaries.back());
}
