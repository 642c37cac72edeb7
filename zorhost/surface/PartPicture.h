// A part seen in a picture: for every pixel, whether the surface is seen there, the analysis
// value of the surface point seen, and how much light that point gets. Made in three steps, each
// of its own cost: the part meshed for the picture, the mesh rasterized, every pixel evaluated.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zorhost/surface/Part.h"
#include "zorhost/surface/Rasterizer.h"
#include "zorhost/surface/View.h"

struct ZORPartPicture {
  int width = 0;
  int height = 0;
  std::vector<double> values;         // per pixel, rows top first; not a number where undefined
  std::vector<std::uint8_t> covered;  // 1 where the surface is seen
  std::vector<float> light;           // per pixel: ambient plus diffuse, 0 to 1
};

// How closely the mesh must follow the surface for a picture of the part: within half a pixel,
// and never finer than a 5000th of the part's size, so that a large smooth face does not make an
// outsized mesh however large the picture.
double ZORPictureDeflection(const ZORPart& part, ZORView view, int width, int height);

// Where the picture looks from: fitted to the prepared part's mesh, which is what it shows.
ZORCamera ZORFitCameraToMesh(const ZORPart& part, ZORView view, int width, int height);

// Which triangle of the prepared part's mesh each pixel sees, and where on it.
ZORRaster ZORRasterizePart(const ZORPart& part, const ZORCamera& camera, int width, int height);

// The value and light of every pixel of `raster`, from the surface point it sees.
void ZOREvaluatePixels(const ZORPart& part, const ZORRaster& raster, const ZORCamera& camera,
                       ZORPartPicture& picture);

// Meshes the part for a picture of `width` x `height` seen along `view`, with `analysis`'s values
// at its nodes (ZORPictureDeflection). False, with `error`, when the part cannot be meshed.
bool ZORPreparePartForPicture(ZORPart& part, ZORView view, int width, int height,
                              ZORAnalysis analysis, std::string& error);

// The picture of a prepared part: its mesh rasterized and every pixel evaluated.
ZORPartPicture ZORPicturePreparedPart(const ZORPart& part, ZORView view, int width, int height);

// Both: prepares the part and makes its picture. False, with `error`, when the part cannot be
// meshed.
bool ZORPicturePart(ZORPart& part, ZORView view, int width, int height, ZORAnalysis analysis,
                    ZORPartPicture& picture, std::string& error);
