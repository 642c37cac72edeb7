#include "zorhost/surface/Rasterizer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "zorhost/common/Parallel.h"
#include "zorhost/common/PixelArrays.h"

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

// How far past a triangle, in pixels, a centre is still tested: far more than the rounding of
// the arithmetic below, far less than a pixel.
constexpr double kMargin = 1e-3;

// The columns whose centres row `row` of the triangle may hold: between where the centre line
// meets its edges, an edge within the margin of the line taken at its point nearest it, and an
// edge nearly level with both its ends, so that rounding can only widen the span. Empty when
// first > last.
void RowSpan(const ScreenTriangle& t, int row, int left, int right, int& first, int& last) {
  const double y = row + 0.5;
  double lowest = std::numeric_limits<double>::infinity(), highest = -lowest;
  for (auto [p, q] : {std::pair{t.a, t.b}, std::pair{t.b, t.c}, std::pair{t.c, t.a}}) {
    if (y < std::min(p->y, q->y) - kMargin || y > std::max(p->y, q->y) + kMargin) continue;
    if (std::fabs(q->y - p->y) < kMargin) {
      lowest = std::min({lowest, p->x, q->x});
      highest = std::max({highest, p->x, q->x});
      continue;
    }
    const double at = std::clamp(y, std::min(p->y, q->y), std::max(p->y, q->y));
    const double x = p->x + (at - p->y) * ((q->x - p->x) / (q->y - p->y));
    lowest = std::min(lowest, x);
    highest = std::max(highest, x);
  }
  first = std::max(left, static_cast<int>(std::ceil(lowest - 0.5 - kMargin)));
  last = std::min(right, static_cast<int>(std::floor(highest - 0.5 + kMargin)));
}

// The pixels whose centres may lie in the triangle, within rows `top` to `bottom`.
struct Box {
  int left, right, top, bottom;
};
Box BoxOf(const ScreenTriangle& t, int width, int height) {
  const ZORVec3 &a = *t.a, &b = *t.b, &c = *t.c;
  // The centres c + 0.5 within the triangle's extent and the margin.
  auto firstCentre = [](double low) { return static_cast<int>(std::ceil(low - 0.5 - kMargin)); };
  auto lastCentre = [](double high) { return static_cast<int>(std::floor(high - 0.5 + kMargin)); };
  return {std::max(0, firstCentre(std::min({a.x, b.x, c.x}))), std::min(width - 1, lastCentre(std::max({a.x, b.x, c.x}))),
          std::max(0, firstCentre(std::min({a.y, b.y, c.y}))), std::min(height - 1, lastCentre(std::max({a.y, b.y, c.y})))};
}

// Rasterizes `triangles`, in their order, into rows `top` to `bottom` of `raster`, with `depth`
// the depth buffer of those rows; returns how many centres it tested.
std::uint64_t RasterizeRows(const std::vector<ZORVec3>& screen, const std::vector<ZORTriangle>& all,
                            const std::vector<int>& triangles, int top, int bottom, ZORRaster& raster,
                            std::vector<double>& depth) {
  std::uint64_t tests = 0;
  const auto width = static_cast<std::size_t>(raster.width);
  depth.assign(static_cast<std::size_t>(bottom - top + 1) * width, -std::numeric_limits<double>::infinity());
  for (int t : triangles) {
    ScreenTriangle triangle;
    if (!Prepared(screen, all[static_cast<std::size_t>(t)], triangle)) continue;
    const Box box = BoxOf(triangle, raster.width, raster.height);
    for (int row = std::max(box.top, top); row <= std::min(box.bottom, bottom); ++row) {
      int first = 0, last = -1;
      RowSpan(triangle, row, box.left, box.right, first, last);
      for (int column = first; column <= last; ++column) {
        ++tests;
        std::array<double, 3> at;
        double z = 0.0;
        if (!Covers(triangle, column + 0.5, row + 0.5, at, z)) continue;
        const std::size_t inBand = static_cast<std::size_t>(row - top) * width + static_cast<std::size_t>(column);
        if (z <= depth[inBand]) continue;
        depth[inBand] = z;
        raster.triangle[static_cast<std::size_t>(row) * width + static_cast<std::size_t>(column)] = t;
      }
    }
  }
  return tests;
}

}  // namespace

std::array<double, 3> ZORRaster::Barycentric(std::size_t pixel) const {
  ScreenTriangle t;
  std::array<double, 3> at{0.0, 0.0, 0.0};
  if (triangle[pixel] < 0 || !Prepared(screen, (*triangles)[static_cast<std::size_t>(triangle[pixel])], t)) return at;
  const auto row = static_cast<int>(pixel / static_cast<std::size_t>(width));
  const auto column = static_cast<int>(pixel % static_cast<std::size_t>(width));
  double z = 0.0;
  Covers(t, column + 0.5, row + 0.5, at, z);
  return at;
}

ZORRaster ZORRasterize(std::vector<ZORVec3> screen, const std::vector<ZORTriangle>& triangles, int width,
                       int height, int threads) {
  ZORRaster raster;
  raster.width = width;
  raster.height = height;
  raster.screen = std::move(screen);
  raster.triangles = &triangles;
  const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  ZORFillPixels(raster.triangle, pixels, -1, threads);
  // Bands of rows, each with the triangles that reach it in their order: every pixel meets its
  // triangles in the same order, whichever thread rasterizes its band; each thread keeps the
  // depth of one band at a time.
  const int used = height > 0 ? std::min(ZORThreadCount(threads), height) : 1;
  const int bands = std::max(1, std::min(height, 16 * used));
  const int bandRows = (height + bands - 1) / std::max(bands, 1);
  std::vector<std::vector<int>> inBand(static_cast<std::size_t>(bands));
  for (std::size_t t = 0; t < triangles.size(); ++t) {
    ScreenTriangle triangle;
    if (!Prepared(raster.screen, triangles[t], triangle)) continue;
    const Box box = BoxOf(triangle, width, height);
    if (box.left > box.right || box.top > box.bottom) continue;
    for (int band = box.top / bandRows; band <= box.bottom / bandRows; ++band) {
      inBand[static_cast<std::size_t>(band)].push_back(static_cast<int>(t));
    }
  }
  std::vector<std::uint64_t> tests(static_cast<std::size_t>(bands), 0);
  std::vector<std::vector<double>> depths(static_cast<std::size_t>(used));
  ZORInParallel(static_cast<std::size_t>(bands), 1, used, [&](int worker, std::size_t first, std::size_t last) {
    for (std::size_t band = first; band < last; ++band) {
      const int top = static_cast<int>(band) * bandRows;
      if (top >= height) continue;
      tests[band] = RasterizeRows(raster.screen, triangles, inBand[band], top, std::min(height - 1, top + bandRows - 1),
                                  raster, depths[static_cast<std::size_t>(worker)]);
    }
  });
  for (std::uint64_t count : tests) raster.centreTests += count;
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
