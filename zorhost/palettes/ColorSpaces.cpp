#include "zorhost/palettes/ColorSpaces.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <numbers>
#include <string>

#include "zorhost/common/Choices.h"

double ZORLinearOfSrgb(double c) { return c > 0.04045 ? std::pow((c + 0.055) / 1.055, 2.4) : c / 12.92; }
double ZORSrgbOfLinear(double c) { return c > 0.0031308 ? 1.055 * std::pow(c, 1.0 / 2.4) - 0.055 : 12.92 * c; }

namespace {

// The CSS names with the values X11 gives, where the two differ (gray, green, maroon, purple).
constexpr ZORNamed<ZORRgba> kNamedColors[] = {
    {"aliceblue", {240, 248, 255, 255}}, {"antiquewhite", {250, 235, 215, 255}},
    {"aqua", {0, 255, 255, 255}}, {"aquamarine", {127, 255, 212, 255}},
    {"azure", {240, 255, 255, 255}}, {"beige", {245, 245, 220, 255}},
    {"bisque", {255, 228, 196, 255}}, {"black", {0, 0, 0, 255}},
    {"blanchedalmond", {255, 235, 205, 255}}, {"blue", {0, 0, 255, 255}},
    {"blueviolet", {138, 43, 226, 255}}, {"brown", {165, 42, 42, 255}},
    {"burlywood", {222, 184, 135, 255}}, {"cadetblue", {95, 158, 160, 255}},
    {"chartreuse", {127, 255, 0, 255}}, {"chocolate", {210, 105, 30, 255}},
    {"coral", {255, 127, 80, 255}}, {"cornflowerblue", {100, 149, 237, 255}},
    {"cornsilk", {255, 248, 220, 255}}, {"crimson", {220, 20, 60, 255}},
    {"cyan", {0, 255, 255, 255}}, {"darkblue", {0, 0, 139, 255}}, {"darkcyan", {0, 139, 139, 255}},
    {"darkgoldenrod", {184, 134, 11, 255}}, {"darkgray", {169, 169, 169, 255}},
    {"darkgreen", {0, 100, 0, 255}}, {"darkgrey", {169, 169, 169, 255}},
    {"darkkhaki", {189, 183, 107, 255}}, {"darkmagenta", {139, 0, 139, 255}},
    {"darkolivegreen", {85, 107, 47, 255}}, {"darkorange", {255, 140, 0, 255}},
    {"darkorchid", {153, 50, 204, 255}}, {"darkred", {139, 0, 0, 255}},
    {"darksalmon", {233, 150, 122, 255}}, {"darkseagreen", {143, 188, 143, 255}},
    {"darkslateblue", {72, 61, 139, 255}}, {"darkslategray", {47, 79, 79, 255}},
    {"darkslategrey", {47, 79, 79, 255}}, {"darkturquoise", {0, 206, 209, 255}},
    {"darkviolet", {148, 0, 211, 255}}, {"deeppink", {255, 20, 147, 255}},
    {"deepskyblue", {0, 191, 255, 255}}, {"dimgray", {105, 105, 105, 255}},
    {"dimgrey", {105, 105, 105, 255}}, {"dodgerblue", {30, 144, 255, 255}},
    {"firebrick", {178, 34, 34, 255}}, {"floralwhite", {255, 250, 240, 255}},
    {"forestgreen", {34, 139, 34, 255}}, {"fuchsia", {255, 0, 255, 255}},
    {"gainsboro", {220, 220, 220, 255}}, {"ghostwhite", {248, 248, 255, 255}},
    {"gold", {255, 215, 0, 255}}, {"goldenrod", {218, 165, 32, 255}},
    {"gray", {190, 190, 190, 255}}, {"green", {0, 255, 0, 255}},
    {"greenyellow", {173, 255, 47, 255}}, {"grey", {190, 190, 190, 255}},
    {"honeydew", {240, 255, 240, 255}}, {"hotpink", {255, 105, 180, 255}},
    {"indianred", {205, 92, 92, 255}}, {"indigo", {75, 0, 130, 255}},
    {"ivory", {255, 255, 240, 255}}, {"khaki", {240, 230, 140, 255}},
    {"lavender", {230, 230, 250, 255}}, {"lavenderblush", {255, 240, 245, 255}},
    {"lawngreen", {124, 252, 0, 255}}, {"lemonchiffon", {255, 250, 205, 255}},
    {"lightblue", {173, 216, 230, 255}}, {"lightcoral", {240, 128, 128, 255}},
    {"lightcyan", {224, 255, 255, 255}}, {"lightgoldenrodyellow", {250, 250, 210, 255}},
    {"lightgray", {211, 211, 211, 255}}, {"lightgreen", {144, 238, 144, 255}},
    {"lightgrey", {211, 211, 211, 255}}, {"lightpink", {255, 182, 193, 255}},
    {"lightsalmon", {255, 160, 122, 255}}, {"lightseagreen", {32, 178, 170, 255}},
    {"lightskyblue", {135, 206, 250, 255}}, {"lightslategray", {119, 136, 153, 255}},
    {"lightslategrey", {119, 136, 153, 255}}, {"lightsteelblue", {176, 196, 222, 255}},
    {"lightyellow", {255, 255, 224, 255}}, {"lime", {0, 255, 0, 255}},
    {"limegreen", {50, 205, 50, 255}}, {"linen", {250, 240, 230, 255}},
    {"magenta", {255, 0, 255, 255}}, {"maroon", {176, 48, 96, 255}},
    {"mediumaquamarine", {102, 205, 170, 255}}, {"mediumblue", {0, 0, 205, 255}},
    {"mediumorchid", {186, 85, 211, 255}}, {"mediumpurple", {147, 112, 219, 255}},
    {"mediumseagreen", {60, 179, 113, 255}}, {"mediumslateblue", {123, 104, 238, 255}},
    {"mediumspringgreen", {0, 250, 154, 255}}, {"mediumturquoise", {72, 209, 204, 255}},
    {"mediumvioletred", {199, 21, 133, 255}}, {"midnightblue", {25, 25, 112, 255}},
    {"mintcream", {245, 255, 250, 255}}, {"mistyrose", {255, 228, 225, 255}},
    {"moccasin", {255, 228, 181, 255}}, {"navajowhite", {255, 222, 173, 255}},
    {"navy", {0, 0, 128, 255}}, {"oldlace", {253, 245, 230, 255}}, {"olive", {128, 128, 0, 255}},
    {"olivedrab", {107, 142, 35, 255}}, {"orange", {255, 165, 0, 255}},
    {"orangered", {255, 69, 0, 255}}, {"orchid", {218, 112, 214, 255}},
    {"palegoldenrod", {238, 232, 170, 255}}, {"palegreen", {152, 251, 152, 255}},
    {"paleturquoise", {175, 238, 238, 255}}, {"palevioletred", {219, 112, 147, 255}},
    {"papayawhip", {255, 239, 213, 255}}, {"peachpuff", {255, 218, 185, 255}},
    {"peru", {205, 133, 63, 255}}, {"pink", {255, 192, 203, 255}}, {"plum", {221, 160, 221, 255}},
    {"powderblue", {176, 224, 230, 255}}, {"purple", {160, 32, 240, 255}},
    {"rebeccapurple", {102, 51, 153, 255}}, {"red", {255, 0, 0, 255}},
    {"rosybrown", {188, 143, 143, 255}}, {"royalblue", {65, 105, 225, 255}},
    {"saddlebrown", {139, 69, 19, 255}}, {"salmon", {250, 128, 114, 255}},
    {"sandybrown", {244, 164, 96, 255}}, {"seagreen", {46, 139, 87, 255}},
    {"seashell", {255, 245, 238, 255}}, {"sienna", {160, 82, 45, 255}},
    {"silver", {192, 192, 192, 255}}, {"skyblue", {135, 206, 235, 255}},
    {"slateblue", {106, 90, 205, 255}}, {"slategray", {112, 128, 144, 255}},
    {"slategrey", {112, 128, 144, 255}}, {"snow", {255, 250, 250, 255}},
    {"springgreen", {0, 255, 127, 255}}, {"steelblue", {70, 130, 180, 255}},
    {"tan", {210, 180, 140, 255}}, {"teal", {0, 128, 128, 255}}, {"thistle", {216, 191, 216, 255}},
    {"tomato", {255, 99, 71, 255}}, {"turquoise", {64, 224, 208, 255}},
    {"violet", {238, 130, 238, 255}}, {"wheat", {245, 222, 179, 255}},
    {"white", {255, 255, 255, 255}}, {"whitesmoke", {245, 245, 245, 255}},
    {"yellow", {255, 255, 0, 255}}, {"yellowgreen", {154, 205, 50, 255}}
};

using Triple = std::array<double, 3>;

constexpr double kPi = std::numbers::pi;
// The D65 white point of sRGB.
constexpr Triple kWhite = {0.9505, 1.0, 1.089};

double Linear(double c) { return ZORLinearOfSrgb(c); }
double Gamma(double c) { return ZORSrgbOfLinear(c); }
double LabF(double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; }
double LabInverse(double f) {
  const double cube = f * f * f;
  return cube > 0.008856 ? cube : (f - 16.0 / 116.0) / 7.787;
}

Triple LabOf(const ZORRgba& color) {
  const double r = Linear(color.red / 255.0), g = Linear(color.green / 255.0), b = Linear(color.blue / 255.0);
  const double x = (r * 0.4124 + g * 0.3576 + b * 0.1805) / kWhite[0];
  const double y = (r * 0.2126 + g * 0.7152 + b * 0.0722) / kWhite[1];
  const double z = (r * 0.0193 + g * 0.1192 + b * 0.9505) / kWhite[2];
  const double fx = LabF(x), fy = LabF(y), fz = LabF(z);
  return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

int Component(double c) { return static_cast<int>(std::lround(std::clamp(c, 0.0, 1.0) * 255.0)); }

ZORRgba RgbOfLab(const Triple& lab) {
  const double fy = (lab[0] + 16.0) / 116.0;
  const double x = kWhite[0] * LabInverse(lab[1] / 500.0 + fy);
  const double y = kWhite[1] * LabInverse(fy);
  const double z = kWhite[2] * LabInverse(fy - lab[2] / 200.0);
  const double r = 3.2406 * x - 1.5372 * y - 0.4986 * z;
  const double g = -0.9689 * x + 1.8758 * y + 0.0415 * z;
  const double b = 0.0557 * x - 0.2040 * y + 1.0570 * z;
  return {Component(Gamma(r)), Component(Gamma(g)), Component(Gamma(b)), 255};
}

// Moreland's Msh: the magnitude, saturation and hue of a Lab color.
Triple MshOf(const Triple& lab) {
  const double m = std::sqrt(lab[0] * lab[0] + lab[1] * lab[1] + lab[2] * lab[2]);
  const double s = m > 0.001 ? std::acos(lab[0] / m) : 0.0;
  const double h = s > 0.001 ? std::atan2(lab[2], lab[1]) : 0.0;
  return {m, s, h};
}
Triple LabOfMsh(const Triple& msh) {
  return {msh[0] * std::cos(msh[1]), msh[0] * std::sin(msh[1]) * std::cos(msh[2]),
          msh[0] * std::sin(msh[1]) * std::sin(msh[2])};
}
double AngleBetween(double a, double b) {
  double difference = std::fmod(std::fabs(a - b), 2.0 * kPi);
  return difference > kPi ? 2.0 * kPi - difference : difference;
}
// The hue an unsaturated color of magnitude `m` takes toward the saturated `msh`, so that the
// blend does not turn through unrelated hues.
double HueToward(const Triple& msh, double m) {
  if (msh[0] >= m - 0.1) return msh[2];
  const double spin = msh[1] * std::sqrt(m * m - msh[0] * msh[0]) / (msh[0] * std::sin(msh[1]));
  return msh[2] > -0.3 * kPi ? msh[2] + spin : msh[2] - spin;
}

ZORRgba Diverging(const ZORRgba& from, const ZORRgba& to, double s) {
  Triple a = MshOf(LabOf(from)), b = MshOf(LabOf(to));
  constexpr double kSaturated = 0.05;
  if (a[1] > kSaturated && b[1] > kSaturated && AngleBetween(a[2], b[2]) > kPi / 3.0) {
    const double white = std::max({a[0], b[0], 88.0});
    if (s < 0.5) {
      b = {white, 0.0, 0.0};
      s = 2.0 * s;
    } else {
      a = {white, 0.0, 0.0};
      s = 2.0 * s - 1.0;
    }
  }
  if (a[1] < kSaturated && b[1] > kSaturated) {
    a[2] = HueToward(b, a[0]);
  } else if (b[1] < kSaturated && a[1] > kSaturated) {
    b[2] = HueToward(a, b[0]);
  }
  Triple msh;
  for (std::size_t i = 0; i < 3; ++i) msh[i] = (1.0 - s) * a[i] + s * b[i];
  return RgbOfLab(LabOfMsh(msh));
}

}  // namespace

std::optional<ZORRgba> ZORNamedColor(std::string_view name) {
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ZORValueNamed<ZORRgba>(kNamedColors, lower);
}

std::optional<ZORRgba> ZORHexColor(std::string_view text) {
  if (text.size() != 7 || text[0] != '#') return std::nullopt;
  int components[3];
  for (int i = 0; i < 3; ++i) {
    int value = 0;
    for (char c : text.substr(static_cast<std::size_t>(1 + 2 * i), 2)) {
      const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                        : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                        : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                                                                    : -1;
      if (digit < 0) return std::nullopt;
      value = 16 * value + digit;
    }
    components[i] = value;
  }
  return ZORRgba{components[0], components[1], components[2], 255};
}

ZORRgba ZORColorOfHsv(double hue, double saturation, double value) {
  const double h = std::fmod(hue, 360.0) / 60.0;
  const double chroma = value * saturation;
  const double x = chroma * (1.0 - std::fabs(std::fmod(h, 2.0) - 1.0));
  Triple rgb{};
  switch (static_cast<int>(h)) {
    case 0: rgb = {chroma, x, 0.0}; break;
    case 1: rgb = {x, chroma, 0.0}; break;
    case 2: rgb = {0.0, chroma, x}; break;
    case 3: rgb = {0.0, x, chroma}; break;
    case 4: rgb = {x, 0.0, chroma}; break;
    default: rgb = {chroma, 0.0, x}; break;
  }
  const double m = value - chroma;
  return {Component(rgb[0] + m), Component(rgb[1] + m), Component(rgb[2] + m), 255};
}

std::optional<ZORColorSpace> ZORColorSpaceNamed(std::string_view name) {
  static constexpr ZORNamed<ZORColorSpace> kSpaces[] = {
      {"RGB", ZORColorSpace::Rgb}, {"Lab", ZORColorSpace::Lab}, {"CIELAB", ZORColorSpace::Lab},
      {"Diverging", ZORColorSpace::Diverging}};
  return ZORValueNamed<ZORColorSpace>(kSpaces, name);
}

ZORRgba ZORBlendColors(ZORColorSpace space, const ZORRgba& from, const ZORRgba& to, double s) {
  switch (space) {
    case ZORColorSpace::Lab: {
      const Triple a = LabOf(from), b = LabOf(to);
      return RgbOfLab({a[0] + s * (b[0] - a[0]), a[1] + s * (b[1] - a[1]), a[2] + s * (b[2] - a[2])});
    }
    case ZORColorSpace::Diverging:
      return Diverging(from, to, s);
    case ZORColorSpace::Rgb:
      break;
  }
  auto blend = [s](int a, int b) { return static_cast<int>(std::lround(a + s * (b - a))); };
  return {blend(from.red, to.red), blend(from.green, to.green), blend(from.blue, to.blue), 255};
}
