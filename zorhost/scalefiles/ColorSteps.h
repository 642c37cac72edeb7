// Where a scale's painted color changes as values grow: the exact staircase of what it paints,
// which other tools' files and matplotlib's colormaps carry so that they paint as the scale does.
#pragma once

#include <optional>
#include <vector>

#include "painter/ZORScalePainter.h"

// Values from thresholds[k - 1] (or -inf) up to below thresholds[k] (or +inf) are painted colors[k].
// Exact: each threshold is the first double painted with the new color.
struct ZORColorSteps {
  std::vector<double> thresholds;  // colors.size() - 1, increasing
  std::vector<ZORRgba> colors;
};

// The steps of what `painter` paints, `undefined` where no block takes a value; nothing when the
// painter paints value by value (one block, boundaries that do not increase).
std::optional<ZORColorSteps> ZORStepsOf(const ZORScalePainter& painter, const ZORRgba& undefined);
