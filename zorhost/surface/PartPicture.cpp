#include "zorhost/surface/PartPicture.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kAmbient = 0.3;
constexpr double kDiffuse = 0.7;
constexpr double kDeflectionInPixels = 0.5;
constexpr double kFinestDeflection = 1.0 / 5000.0;

}  // namespace

ZORPictureSetting ZORSetPicture(const ZORPart& part, ZORView view, int width, int height) {
  ZORVec3 lowest, highest;
  part.Bounds(lowest, highest);
  ZORPictureSetting setting{ZORFitCamera(view, lowest, highest, width, height), 0.0};
  const double size = Length(highest - lowest);
  setting.deflection =
      std::max(kDeflectionInPixels / setting.camera.pixelsPerUnit, kFinestDeflection * size);
  if (!(setting.deflection > 0.0)) setting.deflection = 1e-3;
  return setting;
}

ZORRaster ZORRasterizePart(const ZORPart& part, const ZORCamera& camera, int width, int height) {
  const ZORSurfaceMesh& mesh = part.Mesh();
  std::vector<ZORVec3> screen;
  screen.reserve(mesh.positions.size());
  for (const ZORVec3& point : mesh.positions) screen.push_back(camera.ToScreen(point));
  return ZORRasterize(screen, mesh.triangles, width, height);
}

void ZOREvaluatePixels(const ZORPart& part, const ZORRaster& raster, const ZORCamera& camera,
                       ZORPartPicture& picture) {
  // Light from above the viewer's left shoulder; both sides of a surface are lit.
  const ZORVec3 light = Normalized(camera.toViewer + 0.6 * camera.up - 0.4 * camera.right);
  const std::size_t pixels = raster.triangle.size();
  picture.width = raster.width;
  picture.height = raster.height;
  picture.values.assign(pixels, std::numeric_limits<double>::quiet_NaN());
  picture.covered.assign(pixels, 0);
  picture.light.assign(pixels, 1.0f);
  for (std::size_t i = 0; i < pixels; ++i) {
    if (raster.triangle[i] < 0) continue;
    ZORVec3 normal;
    picture.values[i] = part.ValueAt(raster.triangle[i], raster.barycentric[i], normal);
    picture.covered[i] = 1;
    picture.light[i] = static_cast<float>(kAmbient + kDiffuse * std::fabs(Dot(normal, light)));
  }
}

bool ZORPicturePart(ZORPart& part, ZORView view, int width, int height, ZORAnalysis analysis,
                    ZORPartPicture& picture, std::string& error) {
  const ZORPictureSetting setting = ZORSetPicture(part, view, width, height);
  if (!part.Prepare(setting.deflection, analysis, error)) return false;
  picture.deflection = setting.deflection;
  ZOREvaluatePixels(part, ZORRasterizePart(part, setting.camera, width, height), setting.camera,
                    picture);
  return true;
}
