// What a person reads beside painted values, built once from a scale's snapshot: a row for each
// block and the notes under them, every number already in its text. The SVG legend, the picture's
// legend, the text summary, `zorhost scale show` and the editor's page are renderings of it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "zorhost/scale/ScaleSnapshot.h"

// How many of the values painted each block holds (entry k for block k), and those without one.
struct ZORBlockCounts {
  std::vector<long> perBlock;
  long undefined = 0;  // not a number: painted with the undefined color
  long noColor = 0;    // no block: painted with the undefined color
};

struct ZORLegendRow {
  int block = 0;
  ZORRgba color;
  bool colorImposed = false;
  bool placed = false;           // some value takes the block
  double from = 0.0;             // the values it takes, as shown: a boundary where the values
  double to = 0.0;               // start or end within the tolerance of one
  bool hasLowerBoundary = false;  // every block but the first
  double lowerBoundary = 0.0;
  bool lowerBoundaryImposed = false;
  long count = 0;
  double areaShare = -1.0;  // percent of the part's area with a value in the block; -1 when not known

  std::string span;      // "FROM to TO", or "none"
  std::string boundary;  // "VALUE imposed", "VALUE", or empty for the first block
  std::string colorText; // "r, g, b, a", with " *" for an interpolated color
};

struct ZORLegendModel {
  int blocks = 0;
  std::vector<ZORLegendRow> rows;  // block 1 first
  bool counted = false;            // the rows' counts are the values painted
  bool areaShares = false;         // the rows give their shares of the part's area
  ZORRgba undefinedColor;
  long undefined = 0;
  long noColor = 0;
  bool anyInterpolated = false;    // some color is blended: the rows mark it with " *"
  std::vector<std::string> notes;  // sentences about the scale a reader must know

  static constexpr const char* kInterpolatedNote =
      "* interpolated color: values inside its block are blended toward the next block";
};

// The model of `snapshot`'s scale, with the counts of what was painted when given.
ZORLegendModel ZORMakeLegend(const ZORScaleSnapshot& snapshot, const ZORBlockCounts* counts);
