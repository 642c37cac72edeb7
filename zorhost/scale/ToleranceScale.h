// Scales that tell whether a part passes: a tolerance on a deviation, one neutral block between its
// limits, graded warm blocks above and cool below out to the range; and the draft scale with its
// pass limit moved. Both are whole scales, imposed through the scale's interface as presets are.
#pragma once

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "zorhost/scale/ScaleEdits.h"

// Values from `low` to `high` (both included) pass.
struct ZORToleranceBand {
  double low = 0.0;
  double high = 0.0;
  friend bool operator==(const ZORToleranceBand&, const ZORToleranceBand&) = default;
};

// "T" (from -T to T, T above 0) or "LO,HI" (LO below HI), finite numbers; nothing for any other
// text.
std::optional<ZORToleranceBand> ZORReadTolerance(std::string_view text);
inline constexpr const char* kZORToleranceForm = "T (values from -T to T pass, T above 0) or LO,HI (LO below HI)";
// "±0.1" or "-0.05 to 0.2", for titles and legends.
std::string ZORToleranceText(const ZORToleranceBand& tolerance);

// The scale of `tolerance` for values from `lowest` to `highest` (the range the picture must
// show; the tolerance's own limits when narrower): the tolerance's block in green; above it warm
// blocks, yellow to dark red, below it cool ones, light to dark blue, their boundaries every round
// step (1, 2 or 5 times a power of ten) out from the tolerance's limits, so that at most four
// blocks cover each side's reach of the range, the last of them open to hold the extreme.
ZORWholeScale ZORToleranceScale(const ZORToleranceBand& tolerance, double lowest, double highest);

// The draft preset with its pass limit, its last boundary, moved to `passAngle` degrees (above 0)
// and its other boundaries in proportion; undercuts (below 0) stay apart.
ZORWholeScale ZORDraftScale(double passAngle);
// Zebra stripes for angles from 0 to 180 degrees: blocks `stripes` degrees wide (the last one
// narrower when 180 is no multiple), dark and light in turn, as the zebra preset colors them.
ZORWholeScale ZORZebraScale(double stripes);
inline constexpr double kZORDefaultStripes = 10.0;
inline constexpr double kZORNarrowestStripes = 0.5;  // 360 blocks from 0 to 180
// The stripes' widths the zebra scale takes, and how a message says it.
inline bool ZORIsStripeWidth(double degrees) { return degrees >= kZORNarrowestStripes && degrees <= 90.0; }
std::string ZORStripeWidthForm();
// A draft's pass limits, and a wall's minimums, and how a message says each.
inline bool ZORIsDraftPassLimit(double angle) { return angle > 0.0 && angle < 90.0; }
inline constexpr const char* kZORDraftPassLimitForm = "an angle in degrees above 0 and below 90";
inline bool ZORIsMinimumWall(double thickness) { return thickness > 0.0 && std::isfinite(thickness); }
inline constexpr const char* kZORMinimumWallForm = "a finite thickness above 0";
// The draft angles that pass with a pass limit of `passAngle`: from it on.
ZORToleranceBand ZORDraftPass(double passAngle);
// The values from `minimum` on.
ZORToleranceBand ZORAtLeast(double minimum);
// The scale of values that pass from `minimum` on (a wall's thickness), for values down to
// `lowest`: green from the limit on, and below it warm blocks, yellow to dark red as they go down,
// their boundaries every round step, the last open to hold the extreme.
ZORWholeScale ZORMinimumScale(double minimum, double lowest);
// Likewise for values that pass up to `maximum` (a gap, an angle), for values up to `highest`:
// green to the limit, warm blocks above.
ZORWholeScale ZORMaximumScale(double maximum, double highest);
