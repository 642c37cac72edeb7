// A part seen in a picture: for every pixel, whether the surface is seen there, the analysis
// value of the surface point seen, and how much light that point gets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zorhost/surface/Part.h"
#include "zorhost/surface/View.h"

struct ZORPartPicture {
  int width = 0;
  int height = 0;
  std::vector<double> values;         // per pixel, rows top first; not a number where undefined
  std::vector<std::uint8_t> covered;  // 1 where the surface is seen
  std::vector<float> light;           // per pixel: ambient plus diffuse, 0 to 1
  double deflection = 0.0;            // of the mesh from the surface, model units
};

// Meshes the part for a picture of `width` x `height` seen along `view` (the mesh within half a
// pixel of the surface), rasterizes it and evaluates `analysis` at the point each pixel sees.
bool ZORPicturePart(ZORPart& part, ZORView view, int width, int height, ZORAnalysis analysis,
                    ZORPartPicture& picture, std::string& error);
