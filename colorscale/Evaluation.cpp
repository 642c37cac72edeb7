// The color of one value: the operation the host's analyses call for every value they paint.
#include <span>

#include "colorscale/ColorScaleMath.h"
#include "colorscale/ZORStNewColorScale.h"

int ZORStNewColorScale::GetColorForValue(double value, int* red, int* green, int* blue,
                                         int* alpha) {
  // Nothing is cached: both tables are rebuilt from the stored lists at every call, so every
  // setter takes effect at the next one.
  int n = 0;
  GetNumberOfBlocks(n);
  if (n == 0) return -1;
  ZORRawColldouble boundaries;
  ZORRawCollint boundaryIndices;
  GetValueTable(&boundaries, &boundaryIndices, nullptr, nullptr);
  ZORRawCollint tableRed, tableGreen, tableBlue, tableAlpha, colorIndices;
  GetColorTable(&tableRed, &tableGreen, &tableBlue, &tableAlpha, &colorIndices);
  if (tableRed.Size() != n || boundaries.Size() != n - 1) return -1;
  double lower = 0.0;
  double upper = 0.0;
  GetExtremeImposedValues(&lower, &upper);

  ZORColorScaleMath::PlacementTable table;
  table.blockCount = n;
  table.boundaries = std::span<const double>(boundaries.begin(), boundaries.end());
  table.imposedColorIndices = std::span<const int>(colorIndices.begin(), colorIndices.end());
  table.lower = lower;
  table.upper = upper;
  table.tolerance = tolerance;
  const ZORColorScaleMath::Placement placement = ZORColorScaleMath::PlaceValue(value, table);
  const int k = placement.color;
  if (k < 1) return -1;
  auto colorOf = [&](int block) -> ZORColorScaleMath::Rgba {
    return {tableRed[block], tableGreen[block], tableBlue[block], tableAlpha[block]};
  };
  ZORColorScaleMath::Rgba color = colorOf(k);
  if (placement.blended) {
    // Block k lies between boundaries k - 1 and k.
    color = ZORColorScaleMath::BlendedColor(color, colorOf(k + 1), boundaries[k - 1],
                                            boundaries[k], value);
  }
  *red = color.red;
  *green = color.green;
  *blue = color.blue;
  *alpha = color.alpha;
  return k;
}
