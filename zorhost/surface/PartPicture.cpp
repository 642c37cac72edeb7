#include "zorhost/surface/PartPicture.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "zorhost/surface/Rasterizer.h"

namespace {

constexpr double kAmbient = 0.3;
constexpr double kDiffuse = 0.7;
// The mesh stays within half a pixel of the surface, and within this share of the part's size
// however large the picture: a large smooth face never makes an outsized mesh.
constexpr double kDeflectionInPixels = 0.5;
constexpr double kFinestDeflection = 1.0 / 5000.0;

}  // namespace

bool ZORPicturePart(ZORPart& part, ZORView view, int width, int height, ZORAnalysis analysis,
                    ZORPartPicture& picture, std::string& error) {
  ZORVec3 lowest, highest;
  part.Bounds(lowest, highest);
  const ZORCamera camera = ZORFitCamera(view, lowest, highest, width, height);
  const double size = Length(highest - lowest);
  picture.deflection = std::max(kDeflectionInPixels / camera.pixelsPerUnit, kFinestDeflection * size);
  if (!(picture.deflection > 0.0)) picture.deflection = 1e-3;
  if (!part.Prepare(picture.deflection, analysis, error)) return false;

  const ZORSurfaceMesh& mesh = part.Mesh();
  std::vector<ZORVec3> screen;
  screen.reserve(mesh.positions.size());
  for (const ZORVec3& point : mesh.positions) screen.push_back(camera.ToScreen(point));
  const ZORRaster raster = ZORRasterize(screen, mesh.triangles, width, height);

  // Light from above the viewer's left shoulder; both sides of a surface are lit.
  const ZORVec3 light = Normalized(camera.toViewer + 0.6 * camera.up - 0.4 * camera.right);
  const std::size_t pixels = raster.triangle.size();
  picture.width = width;
  picture.height = height;
  picture.values.assign(pixels, std::numeric_limits<double>::quiet_NaN());
  picture.covered.assign(pixels, 0);
  picture.light.assign(pixels, 1.0f);
  for (std::size_t i = 0; i < pixels; ++i) {
    if (raster.triangle[i] < 0) continue;
    ZORVec3 point, normal;
    picture.values[i] = part.ValueAt(raster.triangle[i], raster.barycentric[i], point, normal);
    picture.covered[i] = 1;
    picture.light[i] = static_cast<float>(kAmbient + kDiffuse * std::fabs(Dot(normal, light)));
  }
  return true;
}
