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

double ZORPictureDeflection(const ZORPart& part, ZORView view, int width, int height) {
  ZORVec3 lowest, highest;
  part.Bounds(lowest, highest);
  const ZORCamera camera = ZORFitCamera(view, lowest, highest, width, height);
  // From the part's box, which may be loose: then the mesh follows the surface within a little
  // more than half a pixel of the picture fitted to the mesh (a tenth more for a torus).
  const double deflection =
      std::max(kDeflectionInPixels / camera.pixelsPerUnit, kFinestDeflection * Length(highest - lowest));
  return deflection > 0.0 ? deflection : 1e-3;
}

ZORCamera ZORFitCameraToMesh(const ZORPart& part, ZORView view, int width, int height) {
  const std::vector<ZORVec3>& positions = part.Mesh().positions;
  ZORVec3 lowest = positions.empty() ? ZORVec3{} : positions.front(), highest = lowest;
  for (const ZORVec3& p : positions) {
    lowest = {std::min(lowest.x, p.x), std::min(lowest.y, p.y), std::min(lowest.z, p.z)};
    highest = {std::max(highest.x, p.x), std::max(highest.y, p.y), std::max(highest.z, p.z)};
  }
  return ZORFitCamera(view, lowest, highest, width, height);
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

bool ZORPreparePartForPicture(ZORPart& part, ZORView view, int width, int height,
                              ZORAnalysis analysis, std::string& error) {
  return part.Prepare(ZORPictureDeflection(part, view, width, height), analysis, error);
}

ZORPartPicture ZORPicturePreparedPart(const ZORPart& part, ZORView view, int width, int height) {
  ZORPartPicture picture;
  const ZORCamera camera = ZORFitCameraToMesh(part, view, width, height);
  ZOREvaluatePixels(part, ZORRasterizePart(part, camera, width, height), camera, picture);
  return picture;
}

bool ZORPicturePart(ZORPart& part, ZORView view, int width, int height, ZORAnalysis analysis,
                    ZORPartPicture& picture, std::string& error) {
  if (!ZORPreparePartForPicture(part, view, width, height, analysis, error)) return false;
  picture = ZORPicturePreparedPart(part, view, width, height);
  return true;
}
