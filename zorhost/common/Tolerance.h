// The tolerance zorhost gives its scales: a share of the range from their first boundary to their
// last, so that values differing by a rounding are painted alike (a fillet of constant curvature
// is not speckled across a boundary), while a range of any size keeps blocks of its own: a fixed
// tolerance would swallow a range of 1e-15 whole and be lost in one of 1e15.
#pragma once

#include <cmath>

#include "zor/ZORHostSession.h"

inline constexpr double kZORToleranceShare = 1e-9;

// The tolerance of a scale whose first boundary is `lowest` and last `highest`; the host's model
// tolerance where they hold no range (equal, decreasing or not finite).
inline double ZORRangeTolerance(double lowest, double highest) {
  const double span = highest - lowest;
  if (!(span > 0.0) || !std::isfinite(span)) return ZORHostSession::kDefaultModelTolerance;
  return kZORToleranceShare * span;
}
