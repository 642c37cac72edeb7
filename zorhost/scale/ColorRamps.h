// Color ramps: colors given at a few evenly spread anchors, sampled onto the blocks of a scale
// by imposing colors.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "painter/ZORScalePainter.h"
#include "zor/ZORColorScaleInterfaces.h"

struct ZORImposedBlockColor {
  int position;  // 1-based block
  ZORRgba color;
};

// The colors to impose so that `blocks` blocks show `anchors` from the first block to the last.
// The anchors go on blocks spread evenly, the blocks between them left to the scale's
// interpolation, unless a run between two anchors would then be flat (the scale steps by whole
// numbers: more blocks than any component changes gives a step of 0); then every block's color
// is imposed, sampled from the ramp.
std::vector<ZORImposedBlockColor> ZORSampleRamp(std::span<const ZORRgba> anchors, int blocks);

// The ramp of zorhost's default scale: blue, cyan, green, yellow, red.
std::span<const ZORRgba> ZORDefaultRamp();

// A built-in ramp a user picks by name; or a whole scale, when it gives its boundaries: then a
// block each anchor, its color imposed, the boundaries between them imposed and the extremes fixed.
struct ZORColorPreset {
  const char* name;
  const char* use;  // what it is for, a line
  std::span<const ZORRgba> anchors;
  std::span<const double> boundaries = {};
};
std::span<const ZORColorPreset> ZORColorPresets();
const ZORColorPreset* ZORFindColorPreset(std::string_view name);
// "default, viridis, ... or grayscale", for messages.
std::string ZORColorPresetChoices();

// Imposes exactly these colors (SetColors); every other color is released. False when the scale
// refuses them.
bool ZORImposeColors(ZORIStNewColorScale* scale, std::span<const ZORImposedBlockColor> colors);

// Imposes the colors of `anchors` sampled onto the scale's blocks (ZORSampleRamp); every other
// color is released. False when the scale refuses them.
bool ZORImposeRamp(ZORIStNewColorScale* scale, std::span<const ZORRgba> anchors);

// Imposes a preset: a ramp's colors on the scale's blocks, or a whole scale, its block count,
// colors and boundaries, its extremes no longer following the values. False when the scale
// refuses any of it.
bool ZORImposePreset(ZORIStNewColorScale* scale, const ZORColorPreset& preset);

// Makes `scale` zorhost's default scale of `blocks` blocks: the default ramp sampled onto its
// blocks, undefined values in opaque gray, its extremes following the measured values ("AutoMinMaxStatus" on) at percentiles 1
// and 99 ("AutoMinMaxOption" 1), so that the outliers show in the end blocks, and the inner
// boundaries interpolated. False when the scale refuses any of it.
bool ZORMakeDefaultScale(ZORIStNewColorScale* scale, int blocks);
