// A scale changed through its interface, as zorhost's jobs and zorscale change it: colors and
// ramps imposed, presets, zorhost's default scale, boundaries imposed.
#pragma once

#include <span>
#include <vector>

#include "zor/ZORColorScaleInterfaces.h"
#include "zorhost/palettes/ColorRamps.h"

// Imposes exactly these colors (SetColors); every other color is released. False when the scale
// refuses them.
bool ZORImposeColors(ZORIStNewColorScale* scale, std::span<const ZORImposedBlockColor> colors);

// Imposes the colors of `anchors` sampled onto the scale's blocks (ZORSampleRamp); every other
// color is released. False when the scale refuses them.
bool ZORImposeRamp(ZORIStNewColorScale* scale, std::span<const ZORRgba> anchors,
                   ZORRampSampling sampling = ZORRampSampling::Spread);

// A scale given whole: each block's color, the boundaries between them (one fewer).
struct ZORWholeScale {
  std::vector<ZORRgba> colors;
  std::vector<double> boundaries;
};
// Imposes a whole scale: its block count, every color and boundary, its extremes no longer
// following the values. False when the scale refuses any of it.
bool ZORImposeWholeScale(ZORIStNewColorScale* scale, const ZORWholeScale& whole);

// Imposes a preset: a ramp's colors on the scale's blocks, or a whole scale (ZORImposeWholeScale).
// False when the scale refuses any of it.
bool ZORImposePreset(ZORIStNewColorScale* scale, const ZORColorPreset& preset);

// Makes `scale` zorhost's default scale of `blocks` blocks: the default ramp sampled onto its
// blocks, undefined values in opaque gray, its extremes following the measured values ("AutoMinMaxStatus" on) at percentiles 1
// and 99 ("AutoMinMaxOption" 1), so that the outliers show in the end blocks, and the inner
// boundaries interpolated. False when the scale refuses any of it.
bool ZORMakeDefaultScale(ZORIStNewColorScale* scale, int blocks);

// Imposes every boundary (SetImposedValues) and the extremes (SetExtremeImposedValues).
bool ZORImposeBoundaries(ZORIStNewColorScale* scale, const std::vector<double>& boundaries);

// A relative scale's boundaries placed where `fractions` say between its extremes as they stand
// (the first boundary and the last), imposed; nothing for fractions not one a boundary.
void ZORStretchRelative(ZORIStNewColorScale* scale, const std::vector<double>& fractions);

// The boundaries of `scale` as it stands, the first to the last.
std::vector<double> ZORScaleBoundaries(ZORIStNewColorScale* scale);

// The first and last boundaries of `scale` as it stands: the range a classification divides.
void ZORScaleExtremes(ZORIStNewColorScale* scale, double& lowest, double& highest);
