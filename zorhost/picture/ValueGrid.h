// A grid of analysed values: the built-in sample analysis, or a grid read from a CSV file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "zorhost/common/Outcome.h"

struct ZORValueGrid {
  int width = 0;
  int height = 0;
  std::vector<double> values;  // row by row, top row first; not a number: undefined
  // 1 where the grid gives a value (`nan` included), 0 where it gives none: no surface there,
  // painted with the background and not counted. Empty when every cell gives a value.
  std::vector<std::uint8_t> covered;
  std::string description;

  double At(int row, int column) const {
    return values[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(column)];
  }
};

// The Gaussian curvature of a saddle with a bump, z = a (x^2 - y^2) + b exp(-r^2 / s^2), sampled
// on a size x size grid over [-1, 1]^2: negative around the saddle, positive on the bump.
ZORValueGrid ZORSampleAnalysis(int size);

// Reads a grid: one row a line, values separated by commas; `nan` is an undefined value, an empty
// cell no value at all (no surface seen there, as --values-out writes it). Memory follows the
// values kept, however long a line or a run of blanks. A problem "FILE:LINE:COLUMN: what" (or
// "FILE: what") when it cannot be read.
ZOROutcome ZORReadCsvGrid(const std::string& path, ZORValueGrid& grid);
