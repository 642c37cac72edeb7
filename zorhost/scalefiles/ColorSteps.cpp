#include "zorhost/scalefiles/ColorSteps.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "zorhost/common/OrderedBits.h"

namespace {

// The first value above `from` painted other than `color`, knowing that `to` is: each component
// of a blend moves one way as the value grows, so the values painted `color` are one run.
double FirstChange(const ZORScalePainter& painter, double from, double to, const ZORRgba& color) {
  std::uint64_t same = ZOROrderedBits(from), other = ZOROrderedBits(to);
  while (other - same > 1) {
    const std::uint64_t middle = same + (other - same) / 2;
    ZORRgba painted;
    painter.PaintOne(ZORFromOrderedBits(middle), painted);
    (painted == color ? same : other) = middle;
  }
  return ZORFromOrderedBits(other);
}

}  // namespace

std::optional<ZORColorSteps> ZORStepsOf(const ZORScalePainter& painter, const ZORRgba& undefined) {
  if (!painter.SearchesIntervals()) return std::nullopt;
  ZORColorSteps steps;
  auto step = [&](double from, const ZORRgba& color) {
    if (!steps.colors.empty() && steps.colors.back() == color) return;
    if (!steps.colors.empty()) steps.thresholds.push_back(from);
    steps.colors.push_back(color);
  };
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  double next = -kInfinity;  // the first value not yet stepped through
  for (const ZORBlockRange& range : painter.Intervals()) {
    if (range.first != next) step(next, undefined);  // values no block takes
    ZORRgba color;
    painter.PaintOne(range.first, color);
    step(range.first, color);
    for (double from = range.first;;) {
      ZORRgba last;
      painter.PaintOne(range.last, last);
      if (last == color) break;
      from = FirstChange(painter, from, range.last, color);
      painter.PaintOne(from, color);
      step(from, color);
    }
    next = range.last == kInfinity ? kInfinity : std::nextafter(range.last, kInfinity);
  }
  if (next != kInfinity || steps.colors.empty()) step(next, undefined);
  return steps;
}
