#include "zorhost/surface/PartPicture.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "zorhost/common/Parallel.h"
#include "zorhost/common/PixelArrays.h"

namespace {

constexpr double kDeflectionInPixels = 0.5;
constexpr double kFinestDeflection = 1.0 / 5000.0;

// The part's mesh in the camera's picture coordinates.
std::vector<ZORVec3> OnScreen(const ZORPart& part, const ZORCamera& camera) {
  const ZORSurfaceMesh& mesh = part.Mesh();
  std::vector<ZORVec3> screen;
  screen.reserve(mesh.positions.size());
  for (const ZORVec3& point : mesh.positions) screen.push_back(camera.ToScreen(point));
  return screen;
}

// A point this many pixels behind the surface seen at its pixel is still seen: it lies on it.
constexpr double kSeenWithinPixels = 2.0;

}  // namespace

std::string ZORLitNote() {
  return "lit: each color is shaded to between " + std::to_string(static_cast<int>(kZORLitFloor * 100.0)) +
         " % and 100 % of its swatch, so that the shape reads and the color stays its legend's";
}

double ZORPictureDeflection(const ZORPart& part, int width, int height, double zoom) {
  ZORVec3 lowest, highest;
  part.Bounds(lowest, highest);
  const double diagonal = Length(highest - lowest);
  // From the part's box, which may be loose: the sphere around it fits the picture from every
  // side, so that the mesh follows the surface within half a pixel whatever the view.
  const double pixelsPerUnit = 0.9 * std::min(width, height) / std::max(diagonal, 1e-300) * std::max(zoom, 1e-9);
  const double deflection = std::max(kDeflectionInPixels / pixelsPerUnit, kFinestDeflection * diagonal);
  return deflection > 0.0 && std::isfinite(deflection) ? deflection : 1e-3;
}

ZORCamera ZORFitCameraToMesh(const ZORPart& part, const ZORViewpoint& viewpoint, int width, int height) {
  const std::vector<ZORVec3>& positions = part.Mesh().positions;
  ZORVec3 lowest = positions.empty() ? ZORVec3{} : positions.front(), highest = lowest;
  for (const ZORVec3& p : positions) {
    lowest = {std::min(lowest.x, p.x), std::min(lowest.y, p.y), std::min(lowest.z, p.z)};
    highest = {std::max(highest.x, p.x), std::max(highest.y, p.y), std::max(highest.z, p.z)};
  }
  return ZORFitCamera(viewpoint, lowest, highest, width, height);
}

ZORRaster ZORRasterizePart(const ZORPart& part, const ZORCamera& camera, int width, int height, int threads) {
  return ZORRasterize(OnScreen(part, camera), part.Mesh().triangles, width, height, threads);
}

bool ZOREvaluatePixels(const ZORPart& part, const ZORSurfaceAnalysis& analysis, const ZORRaster& raster,
                       const ZORCamera& camera, ZORPartPicture& picture, int threads,
                       const ZORPixelProgress& progress, std::stop_token stop) {
  // Light from above the viewer's left shoulder; both sides of a surface are lit.
  const ZORVec3 light = Normalized(camera.toViewer + 0.6 * camera.up - 0.4 * camera.right);
  const std::size_t pixels = raster.triangle.size();
  picture.width = raster.width;
  picture.height = raster.height;
  const int used = ZORThreadCount(threads);
  ZORFillPixels(picture.values, pixels, std::numeric_limits<double>::quiet_NaN(), used);
  ZORFillPixels(picture.covered, pixels, std::uint8_t{0}, used);
  ZORFillPixels(picture.light, pixels, 1.0f, used);
  std::vector<std::unique_ptr<ZORPart::Evaluator>> evaluators;
  for (int worker = 0; worker < used; ++worker) evaluators.push_back(part.NewEvaluator());
  // Each pixel's own, whichever thread evaluates it: the picture is the same for any number.
  const std::size_t rows = static_cast<std::size_t>(std::max(raster.width, 1)) * 16;
  ZORInParallel(pixels, rows, used, [&](int worker, std::size_t first, std::size_t last) {
    if (stop.stop_requested()) return;
    ZORPart::Evaluator& evaluator = *evaluators[static_cast<std::size_t>(worker)];
    for (std::size_t i = first; i < last; ++i) {
      if (raster.triangle[i] < 0) continue;
      const ZORSurfacePoint point = evaluator.PointAt(raster.triangle[i], raster.Barycentric(i));
      picture.values[i] = analysis.ValueAt(point);
      picture.covered[i] = 1;
      picture.light[i] =
          static_cast<float>(kZORLitFloor + (1.0 - kZORLitFloor) * std::fabs(Dot(point.normal, light)));
    }
    if (worker == 0 && progress) progress(last, pixels);
  });
  return !stop.stop_requested();
}

std::optional<ZORPartPicture> ZORPictureUnlessStopped(const ZORPart& part, const ZORSurfaceAnalysis& analysis,
                                                      const ZORViewpoint& viewpoint, int width, int height,
                                                      int threads, const ZORPixelProgress& progress,
                                                      std::stop_token stop) {
  ZORPartPicture picture;
  const ZORCamera camera = ZORFitCameraToMesh(part, viewpoint, width, height);
  ZORRaster raster = ZORRasterizePart(part, camera, width, height, threads);
  const bool evaluated = ZOREvaluatePixels(part, analysis, raster, camera, picture, threads, progress, stop);
  ZORShelvePixels(std::move(raster.triangle));  // a painting's blocks take its pages
  if (!evaluated) return std::nullopt;
  return picture;
}

ZORPartPicture ZORPicturePreparedPart(const ZORPart& part, const ZORSurfaceAnalysis& analysis,
                                      const ZORViewpoint& viewpoint, int width, int height, int threads,
                                      const ZORPixelProgress& progress) {
  return *ZORPictureUnlessStopped(part, analysis, viewpoint, width, height, threads, progress, {});
}

namespace {

// The depth of the point at barycentric coordinates `at` of triangle `t` over `screen` points.
double DepthOf(const std::vector<ZORVec3>& screen, const ZORTriangle& t, const std::array<double, 3>& at) {
  double depth = 0.0;
  for (std::size_t k = 0; k < 3; ++k) depth += at[k] * screen[static_cast<std::size_t>(t[k])].z;
  return depth;
}

// Where `point` lies in the picture, and whether it is seen: `depthSeen(column, row)` gives the
// depth of the surface its pixel sees, none where the pixel sees none (on the outline, between
// pixel centres: seen).
template <class DepthSeen>
ZORPictureSpot PlaceSpot(const ZORCamera& camera, const ZORVec3& point, int width, int height, DepthSeen depthSeen) {
  const ZORVec3 at = camera.ToScreen(point);
  ZORPictureSpot spot{at.x, at.y, false};
  if (!(at.x >= 0.0 && at.y >= 0.0 && at.x < width && at.y < height)) return spot;
  const std::optional<double> depth = depthSeen(static_cast<int>(at.x), static_cast<int>(at.y));
  spot.seen = !depth || at.z >= *depth - kSeenWithinPixels / camera.pixelsPerUnit;
  return spot;
}

}  // namespace

ZORPictureSpot ZORSpotInPicture(const ZORPart& part, const ZORCamera& camera, const ZORVec3& point, int width,
                                int height) {
  return PlaceSpot(camera, point, width, height, [&](int column, int row) -> std::optional<double> {
    const std::vector<ZORVec3> screen = OnScreen(part, camera);
    const std::vector<ZORTriangle>& triangles = part.Mesh().triangles;
    const std::optional<ZORRasterHit> hit = ZORRasterizePixel(screen, triangles, column, row);
    if (!hit) return std::nullopt;
    return DepthOf(screen, triangles[static_cast<std::size_t>(hit->triangle)], hit->barycentric);
  });
}

std::vector<ZORPictureSpot> ZORSpotsInPicture(const ZORPart& part, const ZORCamera& camera,
                                              const std::vector<ZORVec3>& points, int width, int height, int threads) {
  const ZORRaster raster = ZORRasterizePart(part, camera, width, height, threads);
  const std::vector<ZORTriangle>& triangles = part.Mesh().triangles;
  auto depthSeen = [&](int column, int row) -> std::optional<double> {
    const std::size_t pixel = static_cast<std::size_t>(row) * static_cast<std::size_t>(width) + static_cast<std::size_t>(column);
    const int seen = raster.triangle[pixel];
    if (seen < 0) return std::nullopt;
    return DepthOf(raster.screen, triangles[static_cast<std::size_t>(seen)], raster.Barycentric(pixel));
  };
  std::vector<ZORPictureSpot> spots;
  spots.reserve(points.size());
  for (const ZORVec3& point : points) spots.push_back(PlaceSpot(camera, point, width, height, depthSeen));
  return spots;
}

ZORSurfacePoint ZORNearestOnPart(const ZORPart& part, const ZORVec3& point, int* vertex) {
  const ZORSurfaceMesh& mesh = part.Mesh();
  int best = -1;
  std::array<double, 3> bestAt{};
  double nearest = std::numeric_limits<double>::infinity();
  for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
    const ZORTriangle& corners = mesh.triangles[t];
    const ZORVec3 &a = mesh.positions[static_cast<std::size_t>(corners[0])], &b = mesh.positions[static_cast<std::size_t>(corners[1])],
                  &c = mesh.positions[static_cast<std::size_t>(corners[2])];
    const std::array<double, 3> at = ZORClosestOnTriangle(point, a, b, c);
    const double distance = Length(point - (at[0] * a + at[1] * b + at[2] * c));
    if (distance < nearest) {
      nearest = distance;
      best = static_cast<int>(t);
      bestAt = at;
    }
  }
  if (best < 0) return {};
  if (vertex) {
    const int corner = static_cast<int>(std::max_element(bestAt.begin(), bestAt.end()) - bestAt.begin());
    *vertex = mesh.triangles[static_cast<std::size_t>(best)][static_cast<std::size_t>(corner)];
  }
  return part.PointAt(best, bestAt);
}

std::optional<ZORProbe> ZORProbePreparedPart(const ZORPart& part, const ZORSurfaceAnalysis& analysis,
                                             const ZORViewpoint& viewpoint, int width, int height,
                                             int column, int row) {
  const ZORCamera camera = ZORFitCameraToMesh(part, viewpoint, width, height);
  const ZORSurfaceMesh& mesh = part.Mesh();
  const std::optional<ZORRasterHit> hit = ZORRasterizePixel(OnScreen(part, camera), mesh.triangles, column, row);
  if (!hit) return std::nullopt;
  ZORProbe probe;
  const ZORSurfacePoint point = part.PointAt(hit->triangle, hit->barycentric);
  probe.value = analysis.ValueAt(point);
  probe.point = point.position;
  const std::size_t t = static_cast<std::size_t>(hit->triangle);
  if (t < mesh.triangleFaces.size()) {
    probe.face = mesh.triangleFaces[t];
  } else {
    const auto& at = hit->barycentric;
    const int corner = static_cast<int>(std::max_element(at.begin(), at.end()) - at.begin());
    probe.vertex = mesh.triangles[t][static_cast<std::size_t>(corner)];
  }
  return probe;
}
