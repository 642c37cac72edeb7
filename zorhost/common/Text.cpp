#include "zorhost/common/Text.h"

#include <cmath>
#include <cstdio>

#include "zor/ZORSettingRepository.h"

std::string ZORShownNumber(double value) {
  if (std::isnan(value)) return "nan";
  if (value == 0.0) return "0";  // -0 too: its sign tells a reader nothing
  char text[32];
  std::snprintf(text, sizeof text, "%.7g", value);
  return text;
}

std::string ZORExactNumber(double value) {
  if (std::isnan(value)) return "nan";
  return ZORFormatDouble(value);
}

std::string ZORColorText(const ZORRgba& c) {
  return std::to_string(c.red) + ", " + std::to_string(c.green) + ", " + std::to_string(c.blue) +
         ", " + std::to_string(c.alpha);
}
