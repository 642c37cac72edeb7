#include "colorscale/ColorScaleMath.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
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

bool SortedAndFinite(const PlacementTable& table) {
  const std::span<const double> v = table.boundaries;
  return std::is_sorted(v.begin(), v.end()) &&
         std::all_of(v.begin(), v.end(), [](double b) { return std::isfinite(b); }) &&
         std::isfinite(table.lower) && std::isfinite(table.upper) &&
         std::isfinite(table.tolerance) && table.tolerance >= 0.0;
}

namespace {

// The inner rules for boundary i (1-based): a value within the tolerance of boundary i takes the
// color of the block above it; a value strictly inside block i + 1 takes that block.
bool OnBoundary(double value, double boundary, double tolerance) {
  return std::fabs(value - boundary) <= tolerance;
}
bool InsideBlock(double value, double lowerBoundary, double upperBoundary, double tolerance) {
  return lowerBoundary + tolerance < value && value < upperBoundary - tolerance;
}

// The first inner rule that applies, scanning i = 1 .. n - 1 in order: OnBoundary(i), then
// InsideBlock(i) for i <= n - 2. 0 when none applies; `inside` tells which rule applied.
int ScanInnerRules(double value, const PlacementTable& table, bool& inside) {
  const std::span<const double> v = table.boundaries;
  const int n = table.blockCount;
  for (int i = 1; i <= n - 1; ++i) {
    const std::size_t at = static_cast<std::size_t>(i - 1);
    if (OnBoundary(value, v[at], table.tolerance)) return i;
    if (i <= n - 2 && InsideBlock(value, v[at], v[at + 1], table.tolerance)) {
      inside = true;
      return i;
    }
  }
  return 0;
}

// The same answer by bisection, for boundaries that do not decrease. Each rule is the
// conjunction of one comparison that turns from false to true as i grows and one that turns
// from true to false (the roundings of value - v[i] and v[i] +- tolerance keep the order of the
// boundaries), so each rule holds on one run of i, and the first i where it holds is the first
// i where its rising comparison holds, provided its falling one still holds there.
int BisectInnerRules(double value, const PlacementTable& table, bool& inside) {
  const std::span<const double> v = table.boundaries;
  const double tolerance = table.tolerance;
  const int n = table.blockCount;
  auto firstTrue = [](int first, int last, auto rises) {  // in first .. last + 1
    while (first <= last) {
      const int middle = first + (last - first) / 2;
      if (rises(middle)) {
        last = middle - 1;
      } else {
        first = middle + 1;
      }
    }
    return first;
  };
  auto at = [&v](int i) { return v[static_cast<std::size_t>(i - 1)]; };
  int onBoundary = firstTrue(1, n - 1, [&](int i) { return value - at(i) <= tolerance; });
  if (onBoundary > n - 1 || !(value - at(onBoundary) >= -tolerance)) onBoundary = n;
  int insideBlock = firstTrue(1, n - 2, [&](int i) { return value < at(i + 1) - tolerance; });
  if (insideBlock > n - 2 || !(at(insideBlock) + tolerance < value)) insideBlock = n;
  // The scan tests OnBoundary(i) before InsideBlock(i).
  if (onBoundary <= insideBlock) return onBoundary < n ? onBoundary : 0;
  inside = true;
  return insideBlock;
}

}  // namespace

Placement PlaceValue(double value, const PlacementTable& table) {
  const int n = table.blockCount;
  if (n < 1) return {};
  if (n == 1) return {1, false};
  const double tolerance = table.tolerance;
  // A value exactly on the upper limit takes the color below it; the tolerance bands of the
  // limits come before any inner boundary.
  if (value > table.upper) return {n, false};
  if (OnBoundary(value, table.upper, tolerance)) return {n - 1, false};
  if (value < table.lower) return {1, false};
  if (OnBoundary(value, table.lower, tolerance)) return {2, false};
  if (std::fabs(table.upper - table.lower) <= tolerance) return {2, false};
  bool inside = false;
  const int i = table.bisect ? BisectInnerRules(value, table, inside)
                             : ScanInnerRules(value, table, inside);
  if (i == 0) return {};
  const bool blended =
      inside && table.imposedColorIndices[static_cast<std::size_t>(i)] == kNotImposed;
  return {i + 1, blended};
}

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Doubles in their numeric order as unsigned keys (not-a-number excluded), so that a search can
// step from one double to the next.
std::uint64_t Key(double x) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &x, sizeof bits);
  return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
}

double FromKey(std::uint64_t key) {
  const std::uint64_t bits = (key >> 63) != 0 ? key & ~(std::uint64_t{1} << 63) : ~key;
  double x = 0.0;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}

// The first double (from -inf to +inf) where a predicate that goes from false to true is true;
// not a number when it never is.
template <class Predicate>
double FirstTrue(Predicate predicate) {
  std::uint64_t low = Key(-kInfinity);
  std::uint64_t high = Key(kInfinity);
  if (!predicate(FromKey(high))) return std::numeric_limits<double>::quiet_NaN();
  if (predicate(FromKey(low))) return -kInfinity;
  // predicate(low) is false and predicate(high) true.
  while (high - low > 1) {
    const std::uint64_t middle = low + (high - low) / 2;
    if (predicate(FromKey(middle))) {
      high = middle;
    } else {
      low = middle;
    }
  }
  return FromKey(high);
}

}  // namespace

std::vector<double> ChangePoints(const PlacementTable& table) {
  const double tolerance = table.tolerance;
  std::vector<double> points;
  auto add = [&points](double point) {
    if (!std::isnan(point) && point != -kInfinity) points.push_back(point);
  };
  // OnBoundary with a tolerance that is not negative is value - centre >= -tolerance and
  // value - centre <= tolerance: it turns true at the first and false after the second.
  auto band = [&](double centre) {
    add(FirstTrue([=](double x) { return x - centre >= -tolerance; }));
    add(FirstTrue([=](double x) { return x - centre > tolerance; }));
  };
  add(FirstTrue([&](double x) { return x > table.upper; }));
  band(table.upper);
  add(FirstTrue([&](double x) { return !(x < table.lower); }));
  band(table.lower);
  const std::span<const double> v = table.boundaries;
  for (std::size_t i = 0; i < v.size(); ++i) {
    band(v[i]);
    if (i + 1 < v.size()) {
      // InsideBlock's two comparisons.
      const double above = v[i] + tolerance;
      const double below = v[i + 1] - tolerance;
      add(FirstTrue([=](double x) { return above < x; }));
      add(FirstTrue([=](double x) { return !(x < below); }));
    }
  }
  std::sort(points.begin(), points.end());
  points.erase(std::unique(points.begin(), points.end()), points.end());
  return points;
}

bool NarrowBlock(double lowerBoundary, double upperBoundary, BlendSpan& span) {
  // A double outside the float range narrows to an infinity.
  const float a = static_cast<float>(lowerBoundary);
  const float b = static_cast<float>(upperBoundary);
  const float width = b - a;
  if (width == 0.0f || !std::isfinite(width)) return false;
  span.upper = static_cast<double>(b);
  span.width = static_cast<double>(width);
  return true;
}

ComponentBlend PrepareComponentBlend(int own, int next) {
  return {static_cast<double>(next),
          static_cast<double>(static_cast<std::int64_t>(own) - next)};
}

int BlendComponent(int own, int next, double t) {
  return BlendComponent(PrepareComponentBlend(own, next), t);
}

Rgba BlendedColor(const Rgba& own, const Rgba& next, double lowerBoundary, double upperBoundary,
                  double value) {
  BlendSpan span;
  double t = 0.0;
  if (!NarrowBlock(lowerBoundary, upperBoundary, span) || !BlendWeight(span, value, t)) {
    return own;
  }
  return {BlendComponent(own.red, next.red, t), BlendComponent(own.green, next.green, t),
          BlendComponent(own.blue, next.blue, t), BlendComponent(own.alpha, next.alpha, t)};
}

}  // namespace ZORColorScaleMath
