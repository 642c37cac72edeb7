#include "zorhost/common/PixelArrays.h"

zor_pixel_arrays::Ahead& zor_pixel_arrays::TheAhead() {
  static Ahead ahead;
  return ahead;
}
