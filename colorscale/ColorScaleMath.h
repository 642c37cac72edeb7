// The arithmetic of a color scale, apart from any host type: interpolation of the color table and
// of the value table, placement of a value among the boundaries, and the blend inside a block.
// Tables here are indexed from 0: entry k - 1 holds block or boundary k.
#pragma once

#include <span>

namespace ZORColorScaleMath {

inline constexpr int kNotImposed = -1;

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

// Where a value falls: the 1-based color to use, -1 for none; inside a block whose color is not
// imposed, that color is blended toward the next block's with weight `t`.
struct Placement {
  int color = -1;
  bool blend = false;
  double t = 0.0;
};

// Places `value` on a scale of `blockCount` blocks with boundaries `boundaries` (blockCount - 1),
// color index entries `imposedColorIndices` (blockCount), first and last stored boundaries
// `lower` and `upper`, and tolerance `tolerance`. The rules are tested in order; comparisons with
// not-a-number are false. A scale of one block gives color 1 for every value.
Placement PlaceValue(double value, int blockCount, std::span<const double> boundaries,
                     std::span<const int> imposedColorIndices, double lower, double upper,
                     double tolerance);

// The blend weight inside the block between `lowerBoundary` and `upperBoundary`: 1 at the lower
// boundary, 0 at the upper one. Both boundaries are narrowed to single precision first; the
// numerator is taken in double from the narrowed upper boundary, the denominator is the
// single-precision width widened to double. False when the narrowed width is zero or not
// finite, or the weight is not finite: the block's own color is used then.
bool BlendWeight(double lowerBoundary, double upperBoundary, double value, double& t);

// next + (own - next) * t in double precision, the difference taken without overflow, truncated
// toward zero and saturated to the int range.
int BlendComponent(int own, int next, double t);

}  // namespace ZORColorScaleMath
