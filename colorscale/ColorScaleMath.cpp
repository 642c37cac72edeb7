#include "colorscale/ColorScaleMath.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace ZORColorScaleMath {

namespace {

// Calls fill(first, last, p, q) for every run first..last (inclusive) of entries that are not
// imposed, with p the nearest imposed entry below the run (-1 when none) and q the nearest above
// it (size when none). Linear in the size.
template <class Fill>
void ForEachRunNotImposed(std::span<const int> imposedIndices, Fill fill) {
  const int size = static_cast<int>(imposedIndices.size());
  auto imposed = [&imposedIndices](int i) {
    return imposedIndices[static_cast<std::size_t>(i)] != kNotImposed;
  };
  int below = -1;
  for (int k = 0; k < size;) {
    if (imposed(k)) {
      below = k++;
      continue;
    }
    int above = k;
    while (above < size && !imposed(above)) ++above;
    fill(k, above - 1, below, above);
    k = above;
  }
}

double Line(double lowValue, double highValue, int lowPosition, int highPosition, int position) {
  return (highValue - lowValue) / static_cast<double>(highPosition - lowPosition) *
             static_cast<double>(position - lowPosition) +
         lowValue;
}

// An extended boundary that overflows is kept at the largest finite value on its side, which
// keeps the table non-decreasing; one that is not a number takes the nearest imposed value.
double KeepFinite(double extended, double nearestImposed) {
  if (std::isnan(extended)) return nearestImposed;
  constexpr double kLargest = std::numeric_limits<double>::max();
  if (extended > kLargest) return kLargest;
  if (extended < -kLargest) return -kLargest;
  return extended;
}

int TruncateToInt(double x) {
  // Conversion of a value outside the int range would be undefined: saturate instead.
  if (x >= 2147483648.0) return std::numeric_limits<int>::max();
  if (x <= -2147483649.0) return std::numeric_limits<int>::min();
  return static_cast<int>(x);
}

}  // namespace

void InterpolateColorComponent(std::span<const int> imposedIndices, std::span<int> component) {
  const int size = static_cast<int>(imposedIndices.size());
  auto at = [&component](int i) -> int& { return component[static_cast<std::size_t>(i)]; };
  ForEachRunNotImposed(imposedIndices, [&](int first, int last, int p, int q) {
    if (p >= 0 && q < size) {
      // One step for the whole run, the division truncating toward zero before the
      // multiplication; the difference is wide enough for any two ints, and every result lies
      // between the two imposed components.
      const std::int64_t step = (static_cast<std::int64_t>(at(q)) - at(p)) / (q - p);
      for (int k = first; k <= last; ++k) at(k) = static_cast<int>(at(p) + (k - p) * step);
    } else {
      const int nearest = p >= 0 ? at(p) : q < size ? at(q) : 0;
      for (int k = first; k <= last; ++k) at(k) = nearest;
    }
  });
}

void InterpolateBoundaries(std::span<const int> imposedIndices, std::span<double> values) {
  const int size = static_cast<int>(imposedIndices.size());
  auto at = [&values](int i) { return values[static_cast<std::size_t>(i)]; };
  auto imposed = [&imposedIndices](int i) {
    return imposedIndices[static_cast<std::size_t>(i)] != kNotImposed;
  };
  // The imposed boundary before the last imposed one, and the one after the first imposed one:
  // the pairs that the ends of the table are extended from.
  int last = size - 1;
  while (last >= 0 && !imposed(last)) --last;
  int beforeLast = last - 1;
  while (beforeLast >= 0 && !imposed(beforeLast)) --beforeLast;
  int first = 0;
  while (first < size && !imposed(first)) ++first;
  int afterFirst = first + 1;
  while (afterFirst < size && !imposed(afterFirst)) ++afterFirst;

  ForEachRunNotImposed(imposedIndices, [&](int firstOfRun, int lastOfRun, int a, int b) {
    for (int k = firstOfRun; k <= lastOfRun; ++k) {
      double& v = values[static_cast<std::size_t>(k)];
      if (a >= 0 && b < size) {
        v = Line(at(a), at(b), a, b, k);
      } else if (a >= 0) {
        v = beforeLast >= 0 ? KeepFinite(Line(at(beforeLast), at(a), beforeLast, a, k), at(a))
                            : at(a);
      } else if (b < size) {
        v = afterFirst < size ? KeepFinite(Line(at(b), at(afterFirst), b, afterFirst, k), at(b))
                              : at(b);
      } else {
        v = 0.0;
      }
    }
  });
}

Placement PlaceValue(double value, int blockCount, std::span<const double> boundaries,
                     std::span<const int> imposedColorIndices, double lower, double upper,
                     double tolerance) {
  const int n = blockCount;
  if (n == 1) return {1, false, 0.0};
  // A value exactly on the upper limit takes the color below it; the tolerance bands of the
  // limits come before any inner boundary.
  if (value > upper) return {n, false, 0.0};
  if (std::fabs(value - upper) <= tolerance) return {n - 1, false, 0.0};
  if (value < lower) return {1, false, 0.0};
  if (std::fabs(value - lower) <= tolerance) return {2, false, 0.0};
  if (std::fabs(upper - lower) <= tolerance) return {2, false, 0.0};
  for (int i = 1; i <= n - 1; ++i) {
    const double v = boundaries[static_cast<std::size_t>(i - 1)];
    // A value on an inner boundary takes the color of the block above it.
    if (std::fabs(value - v) <= tolerance) return {i + 1, false, 0.0};
    if (i <= n - 2) {
      const double next = boundaries[static_cast<std::size_t>(i)];
      if (v + tolerance < value && value < next - tolerance) {
        if (imposedColorIndices[static_cast<std::size_t>(i)] != kNotImposed) {
          return {i + 1, false, 0.0};
        }
        Placement placement{i + 1, false, 0.0};
        placement.blend = BlendWeight(v, next, value, placement.t);
        return placement;
      }
    }
  }
  return {};
}

bool BlendWeight(double lowerBoundary, double upperBoundary, double value, double& t) {
  // The block's boundaries are narrowed to single precision, as the colors were always drawn;
  // a double outside the float range narrows to an infinity.
  const float a = static_cast<float>(lowerBoundary);
  const float b = static_cast<float>(upperBoundary);
  const float width = b - a;
  if (width == 0.0f || !std::isfinite(width)) return false;
  const double weight = (static_cast<double>(b) - value) / static_cast<double>(width);
  if (!std::isfinite(weight)) return false;
  t = weight;
  return true;
}

int BlendComponent(int own, int next, double t) {
  const double difference = static_cast<double>(static_cast<std::int64_t>(own) - next);
  return TruncateToInt(static_cast<double>(next) + difference * t);
}

}  // namespace ZORColorScaleMath
