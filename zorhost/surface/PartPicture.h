// A part seen in a picture: for every pixel, whether the surface is seen there, the analysis
// value of the surface point seen, and how much light that point gets. Made in three steps, each
// of its own cost: the part meshed for the picture, the mesh rasterized, every pixel evaluated.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "zorhost/surface/Part.h"
#include "zorhost/surface/Rasterizer.h"
#include "zorhost/surface/View.h"

// The light a lit picture gives a point: from this share of its color, facing away from the light,
// to all of it, facing it; so that each color stays recognisable as its legend's swatch (yellow
// does not turn olive, nor red maroon), its hue kept.
inline constexpr double kZORLitFloor = 0.75;
// What a legend says of a lit picture.
std::string ZORLitNote();

struct ZORPartPicture {
  int width = 0;
  int height = 0;
  std::vector<double> values;         // per pixel, rows top first; not a number where undefined
  std::vector<std::uint8_t> covered;  // 1 where the surface is seen
  std::vector<float> light;           // per pixel: kZORLitFloor to 1
};

// How closely the mesh must follow the surface for a picture of the part of `width` x `height`
// pixels at `zoom`: within half a pixel from any side (the part's bounding sphere fits the
// picture), and never finer than a 5000th of the part's size, so that a large smooth face does
// not make an outsized mesh however large the picture. The same for every view.
double ZORPictureDeflection(const ZORPart& part, int width, int height, double zoom);

// Where the picture looks from: fitted to the prepared part's mesh, which is what it shows.
ZORCamera ZORFitCameraToMesh(const ZORPart& part, const ZORViewpoint& viewpoint, int width, int height);

// Which triangle of the prepared part's mesh each pixel sees, and where on it; on `threads`
// threads (ZORThreadCount), the same for any number.
ZORRaster ZORRasterizePart(const ZORPart& part, const ZORCamera& camera, int width, int height, int threads = 1);

// Told how many of how many pixels are done, now and then.
using ZORPixelProgress = std::function<void(std::size_t done, std::size_t of)>;

// The value of `analysis` and the light of every pixel of `raster`, from the surface point it
// sees; on `threads` threads (ZORThreadCount), the same for any number. False, the picture
// unfinished, when `stop` was asked to stop first.
bool ZOREvaluatePixels(const ZORPart& part, const ZORSurfaceAnalysis& analysis, const ZORRaster& raster,
                       const ZORCamera& camera, ZORPartPicture& picture, int threads = 0,
                       const ZORPixelProgress& progress = {}, std::stop_token stop = {});

// The picture of `analysis` on a prepared part seen from `viewpoint`: its mesh rasterized and
// every pixel evaluated; nothing when `stop` was asked to stop first.
std::optional<ZORPartPicture> ZORPictureUnlessStopped(const ZORPart& part, const ZORSurfaceAnalysis& analysis,
                                                      const ZORViewpoint& viewpoint, int width, int height,
                                                      int threads, const ZORPixelProgress& progress,
                                                      std::stop_token stop);
// The same, never stopped.
ZORPartPicture ZORPicturePreparedPart(const ZORPart& part, const ZORSurfaceAnalysis& analysis,
                                      const ZORViewpoint& viewpoint, int width, int height, int threads = 0,
                                      const ZORPixelProgress& progress = {});

// Where `point`, a point of the prepared part, lies in the picture `camera` makes, `width` x
// `height` pixels (x, y in pixels from the top left), and whether the part hides it there: seen
// when no surface nearer the viewer than it, by two pixels, covers its pixel.
struct ZORPictureSpot {
  double x = 0.0, y = 0.0;
  bool seen = false;
};
ZORPictureSpot ZORSpotInPicture(const ZORPart& part, const ZORCamera& camera, const ZORVec3& point, int width,
                                int height);

// The same for many points at once, the part rasterized once on `threads` threads.
std::vector<ZORPictureSpot> ZORSpotsInPicture(const ZORPart& part, const ZORCamera& camera,
                                              const std::vector<ZORVec3>& points, int width, int height, int threads);

// The point of the prepared part's mesh nearest `point`, and the part's surface there.
ZORSurfacePoint ZORNearestOnPart(const ZORPart& part, const ZORVec3& point, int* vertex = nullptr);

// What one pixel of that picture shows: its value, exactly the picture's, the surface point, and
// the face (CAD) or the nearest vertex (mesh) it lies on.
struct ZORProbe {
  double value = 0.0;
  ZORVec3 point;
  int face = -1;    // 0-based, a CAD part's
  int vertex = -1;  // 0-based, a mesh's
};
// Nothing when no surface is seen at pixel (`column`, `row`).
std::optional<ZORProbe> ZORProbePreparedPart(const ZORPart& part, const ZORSurfaceAnalysis& analysis,
                                             const ZORViewpoint& viewpoint, int width, int height,
                                             int column, int row);
