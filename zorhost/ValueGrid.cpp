#include "zorhost/ValueGrid.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <string_view>

#include "zorhost/ScriptValues.h"

ZORValueGrid ZORSampleAnalysis(int size) {
  // A saddle with a bump off its centre; the curvature spans both signs about evenly.
  constexpr double a = 0.6, b = 0.35, s = 0.5, x0 = 0.3, y0 = -0.25;
  ZORValueGrid grid;
  grid.width = grid.height = size;
  grid.values.resize(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
  grid.description = "Gaussian curvature of a saddle with a bump";
  for (int row = 0; row < size; ++row) {
    const double y = 1.0 - 2.0 * row / (size - 1);
    for (int column = 0; column < size; ++column) {
      const double x = -1.0 + 2.0 * column / (size - 1);
      const double u = x - x0, v = y - y0;
      const double g = b * std::exp(-(u * u + v * v) / (s * s));
      const double s2 = s * s, s4 = s2 * s2;
      const double zx = 2 * a * x - 2 * u / s2 * g;
      const double zy = -2 * a * y - 2 * v / s2 * g;
      const double zxx = 2 * a + (4 * u * u / s4 - 2 / s2) * g;
      const double zyy = -2 * a + (4 * v * v / s4 - 2 / s2) * g;
      const double zxy = 4 * u * v / s4 * g;
      const double w = 1 + zx * zx + zy * zy;
      grid.values[static_cast<std::size_t>(row * size + column)] = (zxx * zyy - zxy * zxy) / (w * w);
    }
  }
  return grid;
}

bool ZORReadCsvGrid(const std::string& path, ZORValueGrid& grid, std::string& error) {
  constexpr std::size_t kMaximumValues = std::size_t{1} << 26;
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = path + ": cannot be read";
    return false;
  }
  grid = ZORValueGrid{};
  grid.description = "values of " + path;
  std::string line;
  int number = 0;
  while (std::getline(file, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    int columns = 0;
    std::size_t start = 0;
    for (;;) {
      const std::size_t comma = line.find(',', start);
      std::string_view cell(line.data() + start,
                            (comma == std::string::npos ? line.size() : comma) - start);
      const std::size_t column = start + 1;
      while (!cell.empty() && (cell.front() == ' ' || cell.front() == '\t')) cell.remove_prefix(1);
      while (!cell.empty() && (cell.back() == ' ' || cell.back() == '\t')) cell.remove_suffix(1);
      double value = std::numeric_limits<double>::quiet_NaN();
      if (!cell.empty() && cell != "nan") {
        std::optional<double> read = ZORScriptValues::ReadDouble(cell);
        if (!read) {
          error = path + ":" + std::to_string(number) + ":" + std::to_string(column) + ": '" +
                  std::string(cell.substr(0, 40)) + "' is not a number";
          return false;
        }
        value = *read;
      }
      grid.values.push_back(value);
      ++columns;
      if (grid.values.size() > kMaximumValues) {
        error = path + ":" + std::to_string(number) + ": more than 2^26 values";
        return false;
      }
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    if (grid.height == 0) {
      grid.width = columns;
    } else if (columns != grid.width) {
      error = path + ":" + std::to_string(number) + ":1: the row holds " + std::to_string(columns) +
              " values, the rows before it " + std::to_string(grid.width);
      return false;
    }
    ++grid.height;
  }
  if (grid.height == 0) {
    error = path + ":1:1: no values";
    return false;
  }
  return true;
}
