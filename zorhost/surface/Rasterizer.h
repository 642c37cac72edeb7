// A small z-buffer rasterizer: which triangle each pixel sees, and where on it. The painting
// happens per pixel afterwards, from the surface point seen there, so the picture is exact
// however coarse the triangles.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "zorhost/surface/SurfaceMesh.h"

struct ZORRaster {
  int width = 0;
  int height = 0;
  // Per pixel, rows top first: the triangle seen (-1: none) and the barycentric coordinates of
  // the pixel's centre on it.
  std::vector<int> triangle;
  std::vector<std::array<double, 3>> barycentric;
};

// Rasterizes `triangles` over `screen` points: x to the right and y down in pixels (pixel (c, r)
// has its centre at c + 0.5, r + 0.5), z toward the viewer. A pixel sees the nearest triangle
// whose closed area holds its centre; a centre on an edge shared by two triangles is held by at
// least one of them, so no crack lets a surface behind show. Orthographic: the barycentric
// coordinates are exact for the triangle's plane.
ZORRaster ZORRasterize(const std::vector<ZORVec3>& screen, const std::vector<ZORTriangle>& triangles,
                       int width, int height);

// What ZORRasterize finds at one pixel, found alone: the triangle and where on it, or nothing.
struct ZORRasterHit {
  int triangle;
  std::array<double, 3> barycentric;
};
std::optional<ZORRasterHit> ZORRasterizePixel(const std::vector<ZORVec3>& screen,
                                              const std::vector<ZORTriangle>& triangles, int column,
                                              int row);
