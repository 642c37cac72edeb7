// The picture a person opens beside the painted values: the painted grid and the scale's legend,
// as one SVG document.
#pragma once

#include <string>
#include <vector>

#include "painter/ZORScalePainter.h"
#include "zorhost/ValueGrid.h"

// The scale as its tables give it.
struct ZORScaleTables {
  std::vector<double> boundaries;     // n - 1
  std::vector<int> boundaryIndices;   // n - 1
  std::vector<ZORRgba> colors;        // n
  std::vector<int> colorIndices;      // n
};
ZORScaleTables ZORReadScaleTables(ZORIStNewColorScale* scale);

// The painted grid (`png`, its PNG encoding) beside the legend: every block's color and the
// values counted in it (`counts[k]` for block k), every boundary value.
std::string ZORLegendSvg(const ZORValueGrid& grid, const std::string& png,
                         const ZORScaleTables& scale, const std::vector<long>& counts);
