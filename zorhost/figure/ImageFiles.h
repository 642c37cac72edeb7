// Pictures a person can open: PNG (base64 for pictures inside SVG and pages).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zorhost/common/Base64.h"

// The PNG encoding of an RGBA image (8 bits a component, rows top to bottom); empty when the
// image's size does not match `rgba`. Bands of rows are filtered and deflated on `threads` threads
// (0: a core each) as independent deflate streams joined into the one the file holds, so that its
// bytes are the same for any number of threads.
std::string ZOREncodePng(int width, int height, const std::vector<std::uint8_t>& rgba, int threads = 0);

