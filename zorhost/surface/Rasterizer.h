// A small z-buffer rasterizer: which triangle each pixel sees, and where on it. The painting
// happens per pixel afterwards, from the surface point seen there, so the picture is exact
// however coarse the triangles.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "zorhost/surface/SurfaceMesh.h"

struct ZORRaster {
  int width = 0;
  int height = 0;
  // Per pixel, rows top first: the triangle seen, -1 for none.
  std::vector<int> triangle;
  // How many pixel centres were tested against a triangle: the rasterizer's work.
  std::uint64_t centreTests = 0;

  // The barycentric coordinates of pixel `pixel`'s centre on the triangle it sees: found again
  // exactly as the rasterizer found them, so that a picture needs 4 bytes a pixel, not 28.
  std::array<double, 3> Barycentric(std::size_t pixel) const;

  // What the coordinates are found from: the screen points and the triangles rasterized, which
  // must outlive the raster.
  std::vector<ZORVec3> screen;
  const std::vector<ZORTriangle>* triangles = nullptr;
};

// Rasterizes `triangles` over `screen` points: x to the right and y down in pixels (pixel (c, r)
// has its centre at c + 0.5, r + 0.5), z toward the viewer. A pixel sees the nearest triangle
// whose closed area holds its centre (the first of them in `triangles` at equal depth); a centre
// on an edge shared by two triangles is held by at least one of them, so no crack lets a surface
// behind show. Orthographic: the barycentric coordinates are exact for the triangle's plane. Each
// row of a triangle tests only the centres near its span; bands of rows go to `threads` threads
// (ZORThreadCount), with the same raster for any number.
ZORRaster ZORRasterize(std::vector<ZORVec3> screen, const std::vector<ZORTriangle>& triangles, int width,
                       int height, int threads = 1);

// What ZORRasterize finds at one pixel, found alone: the triangle and where on it, or nothing.
struct ZORRasterHit {
  int triangle;
  std::array<double, 3> barycentric;
};
std::optional<ZORRasterHit> ZORRasterizePixel(const std::vector<ZORVec3>& screen,
                                              const std::vector<ZORTriangle>& triangles, int column,
                                              int row);
