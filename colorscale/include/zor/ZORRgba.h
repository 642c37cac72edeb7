// A color as a color scale gives it: four components, red first, as GetColorForValue writes them
// (normally 0 to 255; the scale keeps what it is given).
#pragma once

struct ZORRgba {
  int red = 0;
  int green = 0;
  int blue = 0;
  int alpha = 0;
  friend bool operator==(const ZORRgba&, const ZORRgba&) = default;
};
