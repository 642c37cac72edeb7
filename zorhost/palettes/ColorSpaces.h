// Colors as other tools write and blend them: names, hex and HSV notations, and interpolation in
// the color spaces of their color maps (RGB, CIELAB and Moreland's diverging space).
#pragma once

#include <optional>
#include <string_view>

#include "painter/ZORScalePainter.h"

// The color a standard name gives ("red", "darkgreen", "gray"): the X11 names, as GMT takes them.
std::optional<ZORRgba> ZORNamedColor(std::string_view name);
// An sRGB component from 0 to 1 as the light it stands for (linear), and back (IEC 61966-2-1).
double ZORLinearOfSrgb(double component);
double ZORSrgbOfLinear(double light);
// "#rrggbb".
std::optional<ZORRgba> ZORHexColor(std::string_view text);
// Hue in degrees (0 to 360), saturation and value from 0 to 1.
ZORRgba ZORColorOfHsv(double hue, double saturation, double value);

// How a color map blends between two of its colors.
enum class ZORColorSpace {
  Rgb,        // each component along a line
  Lab,        // along a line in CIELAB (D65)
  Diverging,  // Moreland's: through a white middle between two distinct saturated colors
};
// The space a color map's "ColorSpace" names ("RGB", "Lab", "Diverging"), if it is one of them.
std::optional<ZORColorSpace> ZORColorSpaceNamed(std::string_view name);

// The color at `s` (0 at `from`, 1 at `to`) of the blend between them in `space`, rounded to
// whole components; opaque.
ZORRgba ZORBlendColors(ZORColorSpace space, const ZORRgba& from, const ZORRgba& to, double s);
