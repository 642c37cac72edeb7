// Pictures a person can open: PNG through libpng (base64 for pictures inside SVG and pages).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zorhost/common/Base64.h"

// The PNG encoding of an RGBA image (8 bits a component, rows top to bottom).
std::string ZOREncodePng(int width, int height, const std::vector<std::uint8_t>& rgba);

