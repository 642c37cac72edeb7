// What a person reads beside the painted values: the scale as the evaluation places values, as an
// SVG legend beside the picture, and as the text summary of a render.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "painter/ZORScalePainter.h"

// The scale as its tables give it and as its evaluation places values.
struct ZORScaleView {
  std::vector<double> boundaries;     // the value table, n - 1
  std::vector<int> boundaryIndices;   // n - 1
  std::vector<ZORRgba> colors;        // the color table, n
  std::vector<int> colorIndices;      // n
  double lower = 0.0;                 // the first and last stored boundaries: the evaluation's
  double upper = 0.0;                 // limits
  std::vector<ZORBlockRange> ranges;  // where the evaluation places values; empty: not known
  ZORRgba undefinedColor{255, 255, 255, 0};

  int Blocks() const { return static_cast<int>(colors.size()); }
  // The limits differ from the value table's ends: the legend then says so.
  bool LimitsDisagree() const;
  // The lowest and the highest value that take `block`, from the ranges (or the value table when
  // the ranges are not known); false when no value takes it.
  bool Span(int block, double& first, double& last) const;

  // Each block's span, entry k - 1 for block k, found once from the ranges.
  struct BlockSpan {
    bool placed = false;
    double first = 0.0;
    double last = 0.0;
  };
  std::vector<BlockSpan> spans;
};
ZORScaleView ZORDescribeScale(ZORIStNewColorScale* scale, double tolerance);

// How many values each block holds (entry k for block k), and those without a color.
struct ZORBlockCounts {
  std::vector<long> perBlock;
  long undefined = 0;  // not a number: painted with the undefined color
  long noColor = 0;    // no block: painted with the undefined color
};

// The painted picture (`rgba`, `columns` x `rows`, rows top first) beside the scale's legend,
// under `title`. The picture is resampled, nearest pixel, to the size it is shown at, so that it looks
// the same in every viewer.
std::string ZORLegendSvg(const std::string& title, int columns, int rows,
                         const std::vector<std::uint8_t>& rgba, const ZORScaleView& scale,
                         const ZORBlockCounts& counts);

// A number as legends and summaries show it: seven significant digits.
std::string ZORShortNumber(double value);
