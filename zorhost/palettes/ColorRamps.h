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

// How a ramp's anchors are sampled onto blocks: spread evenly over them; or as matplotlib samples
// its tables, so that a table of matplotlib's shows its colors: block j of n (from 0) takes the
// entry at floor(j / (n - 1) x N), the last at most, of N entries.
enum class ZORRampSampling { Spread, Matplotlib };

// The colors to impose so that `blocks` blocks show `anchors` from the first block to the last.
// The anchors go on blocks spread evenly, the blocks between them left to the scale's
// interpolation, unless a run between two anchors would then be flat (the scale steps by whole
// numbers: more blocks than any component changes gives a step of 0); then every block's color
// is imposed, sampled from the ramp (blended between anchors; or, as matplotlib does, the entry
// each falls on).
std::vector<ZORImposedBlockColor> ZORSampleRamp(std::span<const ZORRgba> anchors, int blocks,
                                                ZORRampSampling sampling = ZORRampSampling::Spread);

// The ramp of zorhost's default scale: blue, cyan, green, yellow, red.
std::span<const ZORRgba> ZORDefaultRamp();

// A built-in ramp a user picks by name; or a whole scale, when it gives its boundaries: then a
// block each anchor, its color imposed, the boundaries between them imposed and the extremes fixed.
struct ZORColorPreset {
  const char* name;
  const char* use;  // what it is for, a line
  std::span<const ZORRgba> anchors;
  std::span<const double> boundaries = {};
  ZORRampSampling sampling = ZORRampSampling::Spread;
};
std::span<const ZORColorPreset> ZORColorPresets();
const ZORColorPreset* ZORFindColorPreset(std::string_view name);
// "default, viridis, ... or grayscale", for messages.
std::string ZORColorPresetChoices();
