// The steps of a render, each one thing: the values read, the scale prepared, the values painted
// and counted, the picture's pixels. `zorhost render` runs them once; `zorhost serve` paints
// again after every edit. Each takes the piece of the options it needs.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "zorhost/common/ModuleHost.h"
#include "zorhost/common/Outcome.h"
#include "zorhost/render/AnalysisOptions.h"
#include "zorhost/render/RenderOptions.h"
#include "zorhost/render/ValueGrid.h"
#include "zorhost/scale/LegendModel.h"
#include "zorhost/scale/ScaleSnapshot.h"
#include "zorhost/surface/Part.h"
#include "zorhost/surface/PartPicture.h"

// The points of a part its range is measured over: spread evenly over its area, the same for
// every view and size of its picture.
inline constexpr std::size_t kZORPartSampleSize = 16384;

// The values a render paints: a grid of them, or the picture of a part, a value a pixel.
struct ZORRenderValues {
  ZORValueGrid grid;
  std::vector<std::uint8_t> covered;  // 1 where a surface is seen (a value given); empty: everywhere
  std::vector<float> light;           // a lit picture: the light each pixel gets
  std::unique_ptr<ZORPart> part;
  std::unique_ptr<ZORSurfaceAnalysis> analysis;  // a part's
  // What the scale's options act on: a part's values at points spread over its whole area
  // (`sampled` of them), a grid's values.
  ZORMeasuredRange measured;
  std::size_t sampled = 0;
  std::string unit;  // of a part's values, "1/mm" say; empty for a grid

  bool Covered(std::size_t pixel) const { return covered.empty() || covered[pixel] != 0; }
};

// What painting gave each value: its block (ZORScalePainter::kUndefinedBlock for an undefined
// value, -1 for none) and its color.
struct ZORPainting {
  std::vector<int> blocks;
  std::vector<ZORRgba> colors;
};

// Step 1: the values, from a part, a CSV grid or the sample field, and their finite range. `job`
// names the job in the message of the time limit.
ZOROutcome ZORReadRenderValues(const ZORValueSource& source, const ZORPictureSettings& picture,
                               std::string_view job, ZORRenderValues& values);

// A part's analysis made and measured over its whole part (kZORPartSampleSize points).
ZOROutcome ZORAnalysePart(ZORAnalysis kind, ZORRenderValues& values);

// A prepared part's picture, a value a pixel, as `settings` asks for it.
void ZORPicturePartValues(const ZORPictureSettings& settings, ZORRenderValues& values);

// What the picture shows at a pixel: its value exactly as painted, and on a part the surface point
// and the face or vertex there. Nothing outside the picture or where no surface is seen.
struct ZORProbeResult {
  double value = 0.0;
  bool onPart = false;  // the point, face and vertex mean something
  ZORProbe probe;
};
std::optional<ZORProbeResult> ZORProbeValues(const ZORRenderValues& values,
                                             const ZORPictureSettings& settings, ZORPixel pixel);

// Step 2: a scale made through the module, loaded from a repository or the default one, the
// preset's colors imposed, its analysis options acted on with the measured values, its
// boundaries classified; saved when asked. `done` says what was done, `warnings` what a load
// found wrong in the repository's record, a line each.
ZOROutcome ZORPrepareScale(ZORModuleHost& host, const ZORScaleRecipe& recipe,
                           const ZORRenderValues& values, ZORIStNewColorScale_var& scale,
                           std::vector<std::string>& done, std::vector<std::string>& warnings);

// The scale's boundaries imposed from the values seen, classified by `method` between the
// scale's extremes; `line` says what was done, for the summary.
ZOROutcome ZORClassifyScale(ZORIStNewColorScale* scale, ZORClassMethod method,
                            const ZORRenderValues& values, std::string& line);

// Step 3: every value painted with the snapshot's painter, or through GetColorForValue, or both
// and compared, as `mode` says; progress on `err` when asked. `checked` says what a check found.
ZOROutcome ZORPaintValues(ZORIStNewColorScale* scale, const ZORScaleSnapshot& snapshot,
                          const ZORValueGrid& grid, ZORPaintingMode mode, bool progress,
                          ZORPainting& painting, std::ostream& err);

// Step 4: how many of the values seen each block holds.
ZORBlockCounts ZORCountBlocks(const ZORPainting& painting, const ZORRenderValues& values,
                              int blockCount);

// The picture as RGBA bytes, a pixel a value, rows top first: the background where nothing is
// seen, the undefined color where the scale gives none, lit when the values carry light.
std::vector<std::uint8_t> ZORPictureRgba(const ZORRenderValues& values, const ZORPainting& painting,
                                         const ZORRgba& undefined, const ZORRgba& background);

// What was painted: the analysis and the part, or the grid, and how many values.
std::string ZORRenderTitle(const ZORRenderValues& values);
