// Boundaries of a scale from the values it paints: equal intervals, equal counts, natural breaks,
// standard deviations, centred on zero or logarithmic; imposed through the scale's interface.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "zorhost/common/Outcome.h"

#include "zor/ZORColorScaleInterfaces.h"

enum class ZORClassMethod { Equal, Quantile, Jenks, StdDev, Symmetric, Log };

// The method a name gives ("equal", "quantile", "jenks", "stddev", "symmetric", "log").
std::optional<ZORClassMethod> ZORClassMethodNamed(std::string_view name);
const char* ZORClassMethodName(ZORClassMethod method);
// Every method's name, in the order above.
std::vector<std::string> ZORClassMethodNames();
// "equal, quantile, jenks, stddev, symmetric or log", for messages.
std::string ZORClassMethodChoices();

// Natural breaks are found exactly on at most this many points: the distinct values with their
// counts when there are no more of them, else the values at this many evenly spread ranks.
inline constexpr std::size_t kZORJenksPoints = 4096;

// What to classify and into how many blocks. `lowest` and `highest` are the scale's extremes,
// the range that equal intervals, the symmetric range and the logarithmic range divide. The
// boundaries are placed for the tolerance the scale will have over them (ZORRangeTolerance).
struct ZORClassRequest {
  ZORClassMethod method = ZORClassMethod::Equal;
  int blocks = 0;
  double lowest = 0.0;
  double highest = 0.0;
};

struct ZORClassification {
  std::vector<double> boundaries;  // blocks - 1, increasing, ready to impose
  std::size_t classified = 0;      // the finite values used
  std::size_t leftOut = 0;         // not a number or infinite: left out
  std::string note;                // what the method did that a user should know, or empty
};

// The boundaries `request` asks for on `values`. Counts equal values once each way: a run of
// equal values is never cut, so with ties the counts of equal-count blocks differ by more than
// one where they must. Where fewer cuts exist than boundaries are asked for (fewer distinct values
// than blocks), each distinct value keeps a block of its own and the boundaries left over are
// spread evenly inside the widest gaps between values, giving empty blocks. A problem of the
// input when the method cannot classify these values (none finite, all equal, log of values that
// are not all above zero).
ZOROutcome ZORClassify(const ZORClassRequest& request, std::span<const double> values,
                       ZORClassification& result);

// Sorts finite values as std::sort does, -0 before +0: by their bits, 11 at a time, for many of
// them (six passes however many they are, and one more array of them), by comparison for a few.
void ZORSortValues(std::vector<double>& values);
