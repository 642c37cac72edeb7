// The arithmetic of a color scale, apart from any host type: interpolation of the color table and
// of the value table, placement of a value among the boundaries, and the blend inside a block.
// Tables here are indexed from 0: entry k - 1 holds block or boundary k. The module's evaluation
// and the caller-side painter both compute with these functions, so they agree bit for bit.
#pragma once

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

#include "zor/ZORRgba.h"

namespace ZORColorScaleMath {

inline constexpr int kNotImposed = -1;

using Rgba = ZORRgba;

// Interpolates one color component over the blocks whose index entry is kNotImposed. Between
// imposed blocks p < k < q:  c = Cp + (k - p) * ((Cq - Cp) div (q - p)), the division truncating
// toward zero before the multiplication, so the last step up to Cq absorbs the remainder.
// Before the first or after the last imposed block, the nearest imposed color is used; with no
// imposed block at all, 0.
void InterpolateColorComponent(std::span<const int> imposedIndices, std::span<int> component);

// Interpolates the boundaries whose index entry is kNotImposed. Between imposed boundaries
// a < k < b:  (Vb - Va) / (b - a) * (k - a) + Va, in double precision in that order. Before the
// first or after the last imposed boundary the line through the two nearest imposed boundaries
// is extended (the single imposed value when there is only one), kept finite; with no imposed
// boundary at all, 0.0.
void InterpolateBoundaries(std::span<const int> imposedIndices, std::span<double> values);

// What the placement rules look at.
struct PlacementTable {
  int blockCount = 0;
  std::span<const double> boundaries;        // blockCount - 1 entries, the value table
  std::span<const int> imposedColorIndices;  // blockCount entries
  double lower = 0.0;                        // the first stored boundary
  double upper = 0.0;                        // the last stored boundary
  double tolerance = 0.0;
  // Set only when SortedAndFinite holds: the inner boundaries are then found by bisection, with
  // exactly the outcome of the scan in order.
  bool bisect = false;
};

// The table may be bisected: boundaries that do not decrease, and they, the limits and the
// tolerance finite, the tolerance not negative.
bool SortedAndFinite(const PlacementTable& table);

// Where a value falls: the 1-based color, -1 for none; `blended` when the block's color is not
// imposed, so that the value's color is blended toward the next block's.
struct Placement {
  int color = -1;
  bool blended = false;
  friend bool operator==(const Placement&, const Placement&) = default;
};

// The rules, tested in order; comparisons with not-a-number are false. A scale of one block
// gives color 1 for every value; a scale of no blocks (or fewer) gives no color.
Placement PlaceValue(double value, const PlacementTable& table);

// Every value where one of the rules' comparisons changes its answer, for a table that
// SortedAndFinite holds; sorted, each once, -inf left out. Each comparison is monotone in the
// value, so every value from one of these points up to the next (and every value below the
// first) has the same placement.
std::vector<double> ChangePoints(const PlacementTable& table);

// The block a blend runs in: its boundaries narrowed to single precision, as the colors were
// always drawn.
struct BlendSpan {
  double upper = 0.0;  // the narrowed upper boundary, widened
  double width = 0.0;  // the single-precision width of the narrowed block, widened
};
// False when the narrowed width is zero or not finite: the block's own color is used then.
bool NarrowBlock(double lowerBoundary, double upperBoundary, BlendSpan& span);

// The blend weight: 1 at the lower boundary, 0 at the upper one. The numerator is taken in
// double from the narrowed upper boundary. False, with `t` untouched, when it is not finite:
// the block's own color is used then.
inline bool BlendWeight(const BlendSpan& span, double value, double& t) {
  const double weight = (span.upper - value) / span.width;
  if (!std::isfinite(weight)) return false;
  t = weight;
  return true;
}

// The int range as doubles: a blended component is clamped to it before it is truncated.
inline constexpr double kLowestInt = -2147483648.0;
inline constexpr double kHighestInt = 2147483647.0;

// Truncation toward zero, saturated to the int range. Clamping first gives the same ints as
// saturating after: a value between INT_MAX and INT_MAX + 1 truncates to INT_MAX either way,
// and likewise below INT_MIN. Not for not-a-number.
inline int SaturateToInt(double x) {
  return static_cast<int>(std::min(std::max(x, kLowestInt), kHighestInt));
}

// One component of a blend, prepared: the next block's component and own - next, the
// difference taken without overflow. Both are whole numbers, exact in double.
struct ComponentBlend {
  double next = 0.0;
  double difference = 0.0;
};
ComponentBlend PrepareComponentBlend(int own, int next);

// next + (own - next) * t in double precision, then SaturateToInt.
inline int BlendComponent(const ComponentBlend& component, double t) {
  return SaturateToInt(component.next + component.difference * t);
}
int BlendComponent(int own, int next, double t);

// The color of a value placed in block `color`: its own color, or for a blended block between
// `lowerBoundary` and `upperBoundary` the blend toward `next`.
Rgba BlendedColor(const Rgba& own, const Rgba& next, double lowerBoundary,
                  double upperBoundary, double value);

}  // namespace ZORColorScaleMath
