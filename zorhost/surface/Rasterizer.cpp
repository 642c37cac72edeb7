#include "zorhost/surface/Rasterizer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Twice the signed area of (a, b, p) in the screen plane, positive with p left of a to b.
// Computed from the edge's endpoints in one fixed order, whichever way a triangle runs along it:
// the two triangles on an edge then get exactly opposite values at every pixel, so that no pixel
// centre on or near a shared edge falls between them and lets the surface behind show through.
double Edge(const ZORVec3& a, const ZORVec3& b, double px, double py) {
  const bool ordered = a.x < b.x || (a.x == b.x && a.y <= b.y);
  const ZORVec3& from = ordered ? a : b;
  const ZORVec3& to = ordered ? b : a;
  const double side = (to.x - from.x) * (py - from.y) - (to.y - from.y) * (px - from.x);
  return ordered ? side : -side;
}

}  // namespace

ZORRaster ZORRasterize(const std::vector<ZORVec3>& screen, const std::vector<ZORTriangle>& triangles,
                       int width, int height) {
  ZORRaster raster;
  raster.width = width;
  raster.height = height;
  const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  raster.triangle.assign(pixels, -1);
  raster.barycentric.assign(pixels, {0.0, 0.0, 0.0});
  std::vector<double> depth(pixels, -std::numeric_limits<double>::infinity());
  for (std::size_t t = 0; t < triangles.size(); ++t) {
    const ZORVec3& a = screen[static_cast<std::size_t>(triangles[t][0])];
    const ZORVec3& b = screen[static_cast<std::size_t>(triangles[t][1])];
    const ZORVec3& c = screen[static_cast<std::size_t>(triangles[t][2])];
    const double area = Edge(a, b, c.x, c.y);
    if (!(std::fabs(area) > 0.0)) continue;  // seen edge on, or not a number
    // Pixels whose centres may lie inside.
    const int left = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}) - 0.5)));
    const int right = std::min(width - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}) - 0.5)));
    const int top = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}) - 0.5)));
    const int bottom = std::min(height - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}) - 0.5)));
    for (int row = top; row <= bottom; ++row) {
      const double py = row + 0.5;
      for (int column = left; column <= right; ++column) {
        const double px = column + 0.5;
        // Inside the closed triangle, either winding: all three edge functions of the area's sign.
        const double ea = Edge(b, c, px, py);
        const double eb = Edge(c, a, px, py);
        const double ec = Edge(a, b, px, py);
        if (area > 0.0 ? (ea < 0.0 || eb < 0.0 || ec < 0.0) : (ea > 0.0 || eb > 0.0 || ec > 0.0)) {
          continue;
        }
        const double sum = ea + eb + ec;
        const double wa = ea / sum, wb = eb / sum, wc = ec / sum;
        const double z = wa * a.z + wb * b.z + wc * c.z;
        const std::size_t at = static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                               static_cast<std::size_t>(column);
        if (z <= depth[at]) continue;
        depth[at] = z;
        raster.triangle[at] = static_cast<int>(t);
        raster.barycentric[at] = {wa, wb, wc};
      }
    }
  }
  return raster;
}
