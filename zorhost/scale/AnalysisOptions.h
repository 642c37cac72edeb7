// The options a color scale stores for the analyses that use it, acted on by zorhost's analysis:
// the measured range written to the scale, and the extremes and boundaries placed by the options.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "zor/ZORColorScaleInterfaces.h"
#include "zorhost/common/Outcome.h"

// "AutoMinMaxOption" above this would put the extremes past the middle: the largest share of the
// values, in percent, left to each end block.
inline constexpr int kZORLargestOutlierShare = 49;

// The finite values an analysis measured: their range, the ranges of the negative and of the
// positive ones (the four curvature limits), and the values themselves, for extremes placed at a
// share of them.
struct ZORMeasuredRange {
  bool any = false;
  double smallest = 0.0;
  double largest = 0.0;
  double minNegative = -ZORMathInfinite;  // the most negative value
  double maxNegative = ZORMathInfinite;   // the negative value nearest zero
  double minPositive = ZORMathInfinite;   // the positive value nearest zero
  double maxPositive = -ZORMathInfinite;  // the largest value
  std::vector<double> finite;  // sorted

  // The value that `percent` of the values lie below (nearest rank, from the smallest); the
  // smallest value for 0, the largest for 100.
  double Percentile(double percent) const;
  // The extremes at percentiles `percent` and 100 - `percent`, widened to take in whole the run
  // of values within `tolerance` of each (a fillet of constant curvature, say, whose values
  // differ only by rounding): the scale puts a value just below its first extreme in the first
  // block and one within tolerance of it in the second, so an extreme inside such a run would
  // speckle it. Each is then moved out by a rounding (2^-40 of its magnitude), for the values of the
  // run that a sample of them missed.
  void ExtremesAtPercentile(double percent, double tolerance, double& lowest, double& highest) const;
};

// The range of `values`; `covered`, when not empty, says which of them were measured.
ZORMeasuredRange ZORMeasure(const std::vector<double>& values,
                            const std::vector<std::uint8_t>& covered);

// A range the scale's extremes are imposed at instead of following the values: fixed, or
// symmetric about zero, from -m to m with m the largest magnitude measured.
struct ZORValueRange {
  bool symmetric = false;
  double lowest = 0.0;
  double highest = 0.0;
};

// Imposes `range` as the scale's extremes (for a symmetric range, -m and m with m the largest
// magnitude measured), turning off "AutoMinMaxStatus" so that they stay; what was done, a line. A
// range too narrow for the scale's blocks (all values 0, symmetric) is widened about its middle;
// one whose boundaries would overflow is refused.
ZOROutcome ZORImposeRange(ZORIStNewColorScale* scale, const ZORValueRange& range, const ZORMeasuredRange& measured,
                          std::string& line);

// Measured values spanning less than this share of their magnitude paint mostly the noise of the
// analysis (a sphere meshed as triangles, say).
inline constexpr double kZORNarrowSpan = 0.01;
// What a person should know when the values span so little, naming --range; nothing otherwise.
std::optional<std::string> ZORNarrowSpanNote(const ZORMeasuredRange& measured);

// Acts on the scale's options, through its interface:
// - the measured range goes to SetValueRange, the four curvature limits to SetCurvatureLimits;
// - with "AutoMinMaxStatus" on, the extremes (first and last boundaries) follow the measured
//   values; off, the stored ones are kept. "AutoMinMaxOption" says how they follow: 0, at the
//   smallest and largest value; p from 1 to 49, at the p-th and (100 - p)-th percentiles, so that
//   about p percent of the values, the outliers at each end, are painted in the end blocks;
// - "AbsoluteExtrema" makes the extremes symmetric about zero, +-max(|first|, |last|);
// - "GreenIsFlat" puts zero in the middle block (block (n + 1) / 2): its two boundaries, when they
//   are inner ones and not imposed, are imposed at -t and +t, t half a block of the range;
// - "NonlinearScale" places every boundary that is not imposed on a symmetric logarithmic
//   spacing between the imposed ones around it, by imposing it: x = c sinh(s) with s linear
//   between the neighbours' asinh(x / c), and c a hundredth of the larger extreme's magnitude.
// - automatic extremes that hold no range of blocks (both 0 on a part of flat faces) are widened:
//   to the values off the plateau they stand on, else the smallest and largest, else a span about
//   the value, so that every block holds values of its own.
// Runs of values that differ by a rounding are taken whole at the percentiles (ZORRangeTolerance
// of the measured range). Returns what was done, a line each, for the summary.
std::vector<std::string> ZORApplyAnalysisOptions(ZORIStNewColorScale* scale,
                                                 const ZORMeasuredRange& measured);
