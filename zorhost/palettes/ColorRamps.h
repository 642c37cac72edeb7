// Color ramps: colors given at a few evenly spread anchors, sampled onto the blocks of a scale
// by imposing colors.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "painter/ZORScalePainter.h"

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
