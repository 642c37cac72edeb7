// A grid of analysed values: the built-in sample analysis, or a grid read from a CSV file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct ZORValueGrid {
  int width = 0;
  int height = 0;
  std::vector<double> values;  // row by row, top row first; not a number: undefined
  std::string description;

  double At(int row, int column) const {
    return values[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(column)];
  }
};

// The Gaussian curvature of a saddle with a bump, z = a (x^2 - y^2) + b exp(-r^2 / s^2), sampled
// on a size x size grid over [-1, 1]^2: negative around the saddle, positive on the bump.
ZORValueGrid ZORSampleAnalysis(int size);

// Reads a grid: one row a line, values separated by commas; an empty cell or `nan` is an
// undefined value. On failure returns false and sets `error` to "FILE:LINE:COLUMN: what".
bool ZORReadCsvGrid(const std::string& path, ZORValueGrid& grid, std::string& error);
