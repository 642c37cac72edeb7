#include "zorhost/picture/ValueGrid.h"

#include <cmath>
#include <limits>
#include <optional>
#include <string_view>

#include "zor/ZORText.h"
#include "zorhost/common/InputFiles.h"
#include "zorhost/common/Limits.h"
#include "zorhost/common/Numbers.h"

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

namespace {

// A grid read from a stream, a byte at a time: only the values are kept, never a line or a run of
// blanks, so memory follows the values however the file is laid out.
class CsvGridReader {
 public:
  CsvGridReader(const std::string& path, ZORValueGrid& grid) : path_(path), grid_(grid) {}

  // Takes the next byte; false, with the error set, when the grid cannot be read.
  bool Take(char c) {
    if (c == '\n') return EndRow();
    if (pendingReturn_) {
      // A carriage return counts only at the end of a line.
      pendingReturn_ = false;
      if (!Add('\r')) return false;
    }
    ++column_;
    if (c == '\r') {
      pendingReturn_ = true;
      return true;
    }
    if (c == ',') return EndCell();
    if (c == ' ' || c == '\t') {
      if (!cell_.empty()) ++pendingBlanks_;
      return true;
    }
    return Add(c);
  }

  // Ends the last row; false when the grid holds no value.
  bool Finish() {
    if (!EndRow()) return false;
    if (grid_.height == 0) return Fail(1, 1, "no values");
    if (!anyEmpty_) grid_.covered.clear();
    return true;
  }

  const std::string& Error() const { return error_; }

 private:
  bool Add(char c) {
    if (cellStart_ == 0) cellStart_ = column_;
    if (cell_.size() + pendingBlanks_ + 1 > kZORLongestGridCell) {
      return Fail(line_, cellStart_,
                  "a cell longer than " + std::to_string(kZORLongestGridCell) +
                      " characters is not a number");
    }
    cell_.append(pendingBlanks_, ' ');
    pendingBlanks_ = 0;
    cell_ += c;
    return true;
  }

  bool EndCell() {
    double value = std::numeric_limits<double>::quiet_NaN();
    rowCovered_.push_back(cell_.empty() ? 0 : 1);
    anyEmpty_ = anyEmpty_ || cell_.empty();
    if (!cell_.empty() && cell_ != "nan") {
      const std::optional<double> read = ZORReadDouble(cell_);
      if (!read) {
        return Fail(line_, cellStart_, "'" + ZORPrintable(cell_) + "' is not a number");
      }
      value = *read;
    }
    if (++columns_ > kZORMostGridSide) {
      return Fail(line_, cellStart_ == 0 ? column_ : cellStart_,
                  "a row holds more than " + std::to_string(kZORMostGridSide) +
                      " values");
    }
    if (grid_.values.size() >= kZORMostGridValues) {
      return Fail(line_, column_, "more than 2^26 values");
    }
    row_.push_back(value);
    cell_.clear();
    pendingBlanks_ = 0;
    cellStart_ = 0;
    return true;
  }

  bool EndRow() {
    pendingReturn_ = false;
    // A line of blanks only is no row.
    const bool blank = columns_ == 0 && cell_.empty();
    if (!blank) {
      if (!EndCell()) return false;
      if (grid_.height == 0) {
        grid_.width = columns_;
      } else if (columns_ != grid_.width) {
        return Fail(line_, 1,
                    "the row holds " + std::to_string(columns_) + " values, the rows before it " +
                        std::to_string(grid_.width));
      }
      if (grid_.height == kZORMostGridSide) {
        return Fail(line_, 1,
                    "more than " + std::to_string(kZORMostGridSide) + " rows");
      }
      grid_.values.insert(grid_.values.end(), row_.begin(), row_.end());
      grid_.covered.insert(grid_.covered.end(), rowCovered_.begin(), rowCovered_.end());
      ++grid_.height;
    }
    row_.clear();
    rowCovered_.clear();
    columns_ = 0;
    column_ = 0;
    ++line_;
    return true;
  }

  bool Fail(long line, long column, const std::string& what) {
    error_ = path_ + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + what;
    return false;
  }

  const std::string& path_;
  ZORValueGrid& grid_;
  std::vector<double> row_;
  std::vector<std::uint8_t> rowCovered_;
  bool anyEmpty_ = false;
  std::string cell_;
  std::size_t pendingBlanks_ = 0;  // blanks after the cell's text so far: kept only if more follows
  bool pendingReturn_ = false;
  long line_ = 1;
  long column_ = 0;     // of the byte last taken, 1-based
  long cellStart_ = 0;  // column of the cell's first character, 0 while there is none
  int columns_ = 0;
  std::string error_;
};

}  // namespace

ZOROutcome ZORReadCsvGrid(const std::string& path, ZORValueGrid& grid) {
  grid = ZORValueGrid{};
  grid.description = "values of " + path.substr(path.rfind('/') + 1);
  CsvGridReader reader(path, grid);
  bool read = true;
  // A grid may come down a pipe: the reader keeps only its values, within its limits.
  if (ZOROutcome problem = ZORReadChunks(path, ZORInputKind::FileOrStream, [&reader, &read](std::string_view chunk) {
        for (std::size_t i = 0; i < chunk.size() && read; ++i) read = reader.Take(chunk[i]);
        return read;
      })) {
    grid = ZORValueGrid{};
    return problem;
  }
  if (!read || !reader.Finish()) {
    grid = ZORValueGrid{};
    return ZORBadInput(reader.Error());
  }
  return std::nullopt;
}
