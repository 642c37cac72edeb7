// The whole scale in one call, in the caller's plain arrays (indexed from 0).
#include <array>

#include "colorscale/ZORStNewColorScale.h"

int ZORStNewColorScale::GetScaleDefinition(int* colorCount, int** red, int** green, int** blue,
                                           int** alpha, int** imposedColorIndices,
                                           int* valueCount, double** values,
                                           int** imposedValueIndices, double* minimum,
                                           double* maximum) {
  // Refusals, in this order; a refused call writes nothing.
  if (colorCount == nullptr || *colorCount < 1) return 0;
  if (valueCount == nullptr || *valueCount < 1) return 0;
  const std::array<int**, 6> integerArrays = {red,   green, blue,
                                              alpha, imposedColorIndices, imposedValueIndices};
  for (int** array : integerArrays) {
    if (array == nullptr || *array == nullptr) return 0;
  }
  if (values == nullptr || *values == nullptr) return 0;
  int n = 0;
  GetNumberOfBlocks(n);
  if (n != *colorCount) return 0;
  // The value table holds n - 1 boundaries: a larger count would read past it.
  if (*valueCount > n - 1) return 0;

  ZORRawColldouble tableValues;
  ZORRawCollint tableValueIndices;
  GetValueTable(&tableValues, &tableValueIndices, minimum, maximum);
  ZORRawCollint tableRed, tableGreen, tableBlue, tableAlpha, tableColorIndices;
  GetColorTable(&tableRed, &tableGreen, &tableBlue, &tableAlpha, &tableColorIndices);
  if (tableRed.Size() == n) {
    for (int k = 1; k <= n; ++k) {
      (*red)[k - 1] = tableRed[k];
      (*green)[k - 1] = tableGreen[k];
      (*blue)[k - 1] = tableBlue[k];
      (*alpha)[k - 1] = tableAlpha[k];
      (*imposedColorIndices)[k - 1] = tableColorIndices[k];
    }
  }
  for (int k = 1; k <= *valueCount; ++k) {
    (*values)[k - 1] = tableValues[k];
    (*imposedValueIndices)[k - 1] = tableValueIndices[k];
  }
  return 1;
}
