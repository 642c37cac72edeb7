#include "zorhost/scale/ToleranceScale.h"

#include <algorithm>
#include <cmath>

#include "zorhost/common/Numbers.h"
#include "zorhost/palettes/ColorRamps.h"

namespace {

constexpr ZORRgba kInTolerance{0, 160, 0, 255};  // the draft scale's pass
constexpr ZORRgba kWarmNear{255, 230, 0, 255}, kWarmFar{160, 0, 0, 255};
constexpr ZORRgba kCoolNear{0, 200, 255, 255}, kCoolFar{0, 0, 140, 255};
constexpr int kMostStepsASide = 4;

ZORRgba Between(const ZORRgba& near, const ZORRgba& far, int index, int count) {
  const double t = count > 1 ? static_cast<double>(index) / (count - 1) : 0.0;
  auto mix = [t](int a, int b) { return static_cast<int>(std::lround(a + t * (b - a))); };
  return {mix(near.red, far.red), mix(near.green, far.green), mix(near.blue, far.blue), 255};
}

// The smallest of 1, 2 and 5 times a power of ten that is at least `wanted` (above 0).
double RoundStepAtLeast(double wanted) {
  const double power = std::pow(10.0, std::floor(std::log10(wanted)));
  for (double multiple : {1.0, 2.0, 5.0, 10.0}) {
    if (multiple * power >= wanted * (1.0 - 1e-12)) return multiple * power;
  }
  return 10.0 * power;
}

// `from` moved by `steps` steps, rounded to a few digits past the step's own, so that 0.1 + 0.1
// is 0.2 as written.
double Stepped(double from, int steps, double step) {
  const double value = from + steps * step;
  const int digits = std::clamp(12 - static_cast<int>(std::floor(std::log10(step))), 0, 22);
  double scale = 1.0;  // a power of ten up to 1e22 is exact
  for (int i = 0; i < digits; ++i) scale *= 10.0;
  return std::round(value * scale) / scale;
}

// The round steps past a limit that cover `reach` beyond it, the last block being open: it holds
// the extreme.
int StepsOut(double reach, double step) {
  return std::clamp(static_cast<int>(std::ceil(reach / step - 1e-9)) - 1, 0, kMostStepsASide - 1);
}

}  // namespace

std::optional<ZORToleranceBand> ZORReadTolerance(std::string_view text) {
  const std::optional<std::vector<double>> numbers = ZORReadDoubles(text);
  if (!numbers || numbers->empty() || numbers->size() > 2) return std::nullopt;
  for (double n : *numbers) {
    if (!std::isfinite(n)) return std::nullopt;
  }
  if (numbers->size() == 1) {
    if (!((*numbers)[0] > 0.0)) return std::nullopt;
    return ZORToleranceBand{-(*numbers)[0], (*numbers)[0]};
  }
  if (!((*numbers)[0] < (*numbers)[1])) return std::nullopt;
  return ZORToleranceBand{(*numbers)[0], (*numbers)[1]};
}

std::string ZORToleranceText(const ZORToleranceBand& tolerance) {
  if (tolerance.high == std::numeric_limits<double>::infinity()) return "at least " + ZORShownNumber(tolerance.low);
  if (tolerance.low == -tolerance.high) return "\u00b1" + ZORShownNumber(tolerance.high);
  return ZORShownNumber(tolerance.low) + " to " + ZORShownNumber(tolerance.high);
}

ZORWholeScale ZORToleranceScale(const ZORToleranceBand& tolerance, double lowest, double highest) {
  const double below = std::isfinite(lowest) ? std::max(0.0, tolerance.low - lowest) : 0.0;
  const double above = std::isfinite(highest) ? std::max(0.0, highest - tolerance.high) : 0.0;
  const double reach = std::max(below, above);
  const double step = RoundStepAtLeast(reach > 0.0 ? reach / kMostStepsASide : (tolerance.high - tolerance.low) / 2.0);
  const int stepsBelow = StepsOut(below, step), stepsAbove = StepsOut(above, step);
  ZORWholeScale scale;
  for (int k = stepsBelow; k >= 1; --k) scale.boundaries.push_back(Stepped(tolerance.low, -k, step));
  scale.boundaries.push_back(tolerance.low);
  scale.boundaries.push_back(tolerance.high);
  for (int k = 1; k <= stepsAbove; ++k) scale.boundaries.push_back(Stepped(tolerance.high, k, step));
  // Farthest first below, nearest first above: each side darker as it goes out.
  for (int k = stepsBelow; k >= 0; --k) scale.colors.push_back(Between(kCoolNear, kCoolFar, k, stepsBelow + 1));
  scale.colors.push_back(kInTolerance);
  for (int k = 0; k <= stepsAbove; ++k) scale.colors.push_back(Between(kWarmNear, kWarmFar, k, stepsAbove + 1));
  return scale;
}

ZORWholeScale ZORDraftScale(double passAngle) {
  const ZORColorPreset& draft = *ZORFindColorPreset("draft");
  ZORWholeScale scale{{draft.anchors.begin(), draft.anchors.end()}, {}};
  for (double boundary : draft.boundaries) scale.boundaries.push_back(boundary * (passAngle / draft.boundaries.back()));
  return scale;
}

std::string ZORStripeWidthForm() {
  return "a width in degrees from " + ZORShownNumber(kZORNarrowestStripes) + " to 90";
}

ZORWholeScale ZORZebraScale(double stripes) {
  const ZORColorPreset& zebra = *ZORFindColorPreset("zebra");
  ZORWholeScale scale;
  for (int k = 1; k * stripes < 180.0; ++k) scale.boundaries.push_back(k * stripes);
  for (std::size_t block = 0; block <= scale.boundaries.size(); ++block) scale.colors.push_back(zebra.anchors[block % 2]);
  return scale;
}

ZORToleranceBand ZORAtLeast(double minimum) { return {minimum, std::numeric_limits<double>::infinity()}; }

ZORToleranceBand ZORDraftPass(double passAngle) { return ZORAtLeast(passAngle); }

namespace {

// Values pass from `limit` on (`above`) or up to it: its side green, the other out to `reach`
// past it in warm blocks at round steps, darker as they go out, the last open.
ZORWholeScale OneSidedScale(double limit, double reach, bool above) {
  const double step = RoundStepAtLeast(reach > 0.0 ? reach / kMostStepsASide : std::fabs(limit) / 2.0);
  const int steps = StepsOut(reach, step);
  // Block by block from the lowest values up: below the limit, the failing blocks come first,
  // farthest first.
  const std::size_t last = static_cast<std::size_t>(steps);
  ZORWholeScale scale;
  scale.colors.assign(last + 2, kInTolerance);
  scale.boundaries.assign(last + 1, limit);
  for (int k = 0; k <= steps; ++k) {
    const std::size_t out = static_cast<std::size_t>(k);  // blocks out from the limit
    scale.colors[above ? last - out : 1 + out] = Between(kWarmNear, kWarmFar, k, steps + 1);
    if (k > 0) scale.boundaries[above ? last - out : out] = Stepped(limit, above ? -k : k, step);
  }
  return scale;
}

}  // namespace

ZORWholeScale ZORMinimumScale(double minimum, double lowest) {
  return OneSidedScale(minimum, std::isfinite(lowest) ? std::max(0.0, minimum - lowest) : 0.0, true);
}

ZORWholeScale ZORMaximumScale(double maximum, double highest) {
  return OneSidedScale(maximum, std::isfinite(highest) ? std::max(0.0, highest - maximum) : 0.0, false);
}
