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

  const ZORColorScaleMath::Placement placement = ZORColorScaleMath::PlaceValue(
      value, n, std::span<const double>(boundaries.begin(), boundaries.end()),
      std::span<const int>(colorIndices.begin(), colorIndices.end()), lower, upper, tolerance);
  const int k = placement.color;
  if (k < 1) return -1;
  if (placement.blend) {
    *red = ZORColorScaleMath::BlendComponent(tableRed[k], tableRed[k + 1], placement.t);
    *green = ZORColorScaleMath::BlendComponent(tableGreen[k], tableGreen[k + 1], placement.t);
    *blue = ZORColorScaleMath::BlendComponent(tableBlue[k], tableBlue[k + 1], placement.t);
    *alpha = ZORColorScaleMath::BlendComponent(tableAlpha[k], tableAlpha[k + 1], placement.t);
  } else {
    *red = tableRed[k];
    *green = tableGreen[k];
    *blue = tableBlue[k];
    *alpha = tableAlpha[k];
  }
  return k;
}
