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

// A triangle on the screen, ready for its pixels.
struct ScreenTriangle {
  const ZORVec3* a;
  const ZORVec3* b;
  const ZORVec3* c;
  double area;  // twice, signed
};

bool Prepared(const std::vector<ZORVec3>& screen, const ZORTriangle& t, ScreenTriangle& triangle) {
  triangle = {&screen[static_cast<std::size_t>(t[0])], &screen[static_cast<std::size_t>(t[1])],
              &screen[static_cast<std::size_t>(t[2])], 0.0};
  triangle.area = Edge(*triangle.a, *triangle.b, triangle.c->x, triangle.c->y);
  return std::fabs(triangle.area) > 0.0;  // seen edge on, or not a number: none
}

// Whether the pixel centre (px, py) lies in the closed triangle, either winding; its barycentric
// coordinates and depth when it does.
bool Covers(const ScreenTriangle& t, double px, double py, std::array<double, 3>& at, double& z) {
  const double ea = Edge(*t.b, *t.c, px, py);
  const double eb = Edge(*t.c, *t.a, px, py);
  const double ec = Edge(*t.a, *t.b, px, py);
  if (t.area > 0.0 ? (ea < 0.0 || eb < 0.0 || ec < 0.0) : (ea > 0.0 || eb > 0.0 || ec > 0.0)) return false;
  const double sum = ea + eb + ec;
  at = {ea / sum, eb / sum, ec / sum};
  z = at[0] * t.a->z + at[1] * t.b->z + at[2] * t.c->z;
  return true;
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
    ScreenTriangle triangle;
    if (!Prepared(screen, triangles[t], triangle)) continue;
    const ZORVec3 &a = *triangle.a, &b = *triangle.b, &c = *triangle.c;
    // Pixels whose centres may lie inside.
    const int left = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}) - 0.5)));
    const int right = std::min(width - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}) - 0.5)));
    const int top = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}) - 0.5)));
    const int bottom = std::min(height - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}) - 0.5)));
    for (int row = top; row <= bottom; ++row) {
      for (int column = left; column <= right; ++column) {
        std::array<double, 3> at;
        double z = 0.0;
        if (!Covers(triangle, column + 0.5, row + 0.5, at, z)) continue;
        const std::size_t pixel = static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                                  static_cast<std::size_t>(column);
        if (z <= depth[pixel]) continue;
        depth[pixel] = z;
        raster.triangle[pixel] = static_cast<int>(t);
        raster.barycentric[pixel] = at;
      }
    }
  }
  return raster;
}

std::optional<ZORRasterHit> ZORRasterizePixel(const std::vector<ZORVec3>& screen,
                                              const std::vector<ZORTriangle>& triangles, int column,
                                              int row) {
  std::optional<ZORRasterHit> hit;
  double depth = -std::numeric_limits<double>::infinity();
  for (std::size_t t = 0; t < triangles.size(); ++t) {
    ScreenTriangle triangle;
    if (!Prepared(screen, triangles[t], triangle)) continue;
    std::array<double, 3> at;
    double z = 0.0;
    if (!Covers(triangle, column + 0.5, row + 0.5, at, z) || z <= depth) continue;
    depth = z;
    hit = ZORRasterHit{static_cast<int>(t), at};
  }
  return hit;
}
