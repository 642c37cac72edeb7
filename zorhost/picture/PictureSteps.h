// The steps of a render, each one thing: the values read, the scale prepared, the values painted
// and counted, the picture's pixels. `zorhost render` runs them once; `zorhost serve` paints
// again after every edit. Each takes the piece of the options it needs.
#pragma once

#include <array>

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "zorhost/common/Deadline.h"
#include "zorhost/common/ModuleHost.h"
#include "zorhost/common/Outcome.h"
#include "zorhost/common/PixelArrays.h"
#include "zorhost/scale/AnalysisOptions.h"
#include "zorhost/picture/PictureOptions.h"
#include "zorhost/picture/Stages.h"
#include "zorhost/picture/ValueGrid.h"
#include "zorhost/figure/LegendModel.h"
#include "zorhost/scale/ScaleSnapshot.h"
#include "zorhost/surface/Part.h"
#include "zorhost/surface/PartPicture.h"
#include "zorhost/surface/Reference.h"

// The points of a part its range is measured over: spread evenly over its area, the same for
// every view and size of its picture.
inline constexpr std::size_t kZORPartSampleSize = 16384;

// A picture's values, a value a pixel: a grid of them, where a surface is seen, and the light.
struct ZORPictureValues {
  ZORValueGrid grid;
  std::vector<std::uint8_t> covered;  // 1 where a surface is seen (a value given); empty: everywhere
  std::vector<float> light;           // a lit picture: the light each pixel gets

  bool Covered(std::size_t pixel) const { return covered.empty() || covered[pixel] != 0; }
};

// A part's analysis over its whole area: its value at each point standing for a piece of it.
struct ZORAreaValues {
  ZORAreaPoints points;
  std::vector<double> values;  // not a number where the analysis is undefined
};

// The values a render paints: a grid of them, or the picture of a part, a value a pixel, with
// what the scale's options act on.
struct ZORRenderValues : ZORPictureValues {
  std::unique_ptr<ZORPart> part;
  std::unique_ptr<ZORSurfaceAnalysis> analysis;  // a part's
  std::shared_ptr<const ZORReference> reference;  // what a deviation is measured against
  std::shared_ptr<const ZORReference> solid;      // the part itself, which a thickness is measured through
  // What the scale's options act on: a part's values over its whole area (`area`), a grid's
  // values.
  ZORMeasuredRange measured;
  ZORAreaValues area;
  std::string unit;  // of a part's values, "1/mm" say; empty for a grid
  std::string lengthUnit;  // a part's, its reference's when its file states none; empty when neither does
};

// What painting gave each value: its block (ZORScalePainter::kUndefinedBlock for an undefined
// value, -1 for none) and its color: four bytes a value, red first, each component clamped to a
// byte as pictures take it.
struct ZORPainting {
  std::vector<int> blocks;
  std::vector<std::uint8_t> colors;
};

// `part` given `unit` (--unit), when one is given; a problem when its file states another.
ZOROutcome ZORGiveUnit(const std::string& unit, ZORPart& part);
// The reference of a deviation read from `path` (given `givenUnit` when its file states none) into
// `values`, indexed; a problem naming the file, or when it and the part state two units.
ZOROutcome ZORReadReference(const std::string& path, const std::string& givenUnit, ZORRenderValues& values);

// The part at `partPath` (the sample part when empty; given `givenUnit` when its file states
// none) read again into `values` as the solid a thickness is measured through, indexed, unless
// it is there; a problem naming the file.
ZOROutcome ZORReadSolid(const std::string& partPath, const std::string& givenUnit, ZORRenderValues& values);

// The time limit of `source` (--time-limit) armed on the work until the result is dropped, which
// must be before anything is written; `job` names the job in its message.
std::unique_ptr<ZORDeadline> ZORArmTimeLimit(const ZORValueSource& source, std::string_view job);

// The arrays of a part's picture, in the order its steps fill them: the triangle seen, the value,
// coverage and light of each pixel, and the painting's colors (its blocks take the triangles'),
// made ahead while the part is read and meshed, on more than one thread.
using ZORPictureArraysAhead = ZORPixelArraysAhead<int, double, std::uint8_t, float, std::uint8_t>;
ZORPictureArraysAhead ZORMakePictureArraysAhead(const ZORValueSource& source, const ZORPictureSettings& picture);

// Step 1: the values, from a part, a CSV grid or the sample field, and their finite range, each
// stage begun on `stages`.
ZOROutcome ZORReadRenderValues(const ZORValueSource& source, const ZORPictureSettings& picture,
                               ZORRenderValues& values, ZORStages& stages);

// A part's analysis, as `settings` asks for it, made and measured over its whole part
// (kZORPartSampleSize points). Nothing changes when it cannot be (a deviation without its
// reference, no value anywhere).
ZOROutcome ZORAnalysePart(const ZORPictureSettings& settings, ZORRenderValues& values);

// The part's mesh made for a picture of `settings` (ZORPictureDeflection): no work when it is
// already. A problem when the part cannot be meshed.
ZOROutcome ZORPreparePart(const ZORPictureSettings& settings, ZORPart& part);

// The prepared part's picture of its analysis, a value a pixel, as `settings` asks for it; the
// analysis's progress on `stages`. False, `picture` unchanged, when `stop` was asked to stop first.
bool ZORPicturePartValues(const ZORPictureSettings& settings, const ZORRenderValues& values,
                          ZORPictureValues& picture, ZORStages& stages, std::stop_token stop = {});

// What the picture of `settings` shows at a pixel: its value exactly as painted, the block and
// color the snapshot paints it with, and on a part the surface point and the face or vertex
// there. Nothing outside the picture or where no surface is seen. A part's is found for that pixel
// alone, without the picture.
struct ZORProbeResult {
  double value = 0.0;
  int block = -1;  // ZORScalePainter::kUndefinedBlock for an undefined value, -1 for none
  ZORRgba color;
  bool onPart = false;  // the point, face and vertex mean something
  ZORProbe probe;
};
std::optional<ZORProbeResult> ZORProbeValues(const ZORRenderValues& values, const ZORPictureSettings& settings,
                                             const ZORScaleSnapshot& snapshot, ZORPixel pixel);
// The probe as a person reads it: "value 0.25 1/mm, block 3, color 0, 127, 255, 255, point (1, 2,
// 3), face 4", every number as people read them.
std::string ZORProbeText(const ZORProbeResult& result, const std::string& unit);

// Step 2: a scale made through the module, loaded from a repository or the default one, the
// preset's colors imposed, its analysis options acted on with the measured values, its
// boundaries classified; saved when asked. `done` says what was done, `warnings` what a load
// found wrong in the repository's record, a line each.
// A relative scale's boundaries (loaded from a repository that says so) stretch with its extremes;
// `relative`, when given, receives where they stand.
ZOROutcome ZORPrepareScale(ZORModuleHost& host, const ZORScaleRecipe& recipe,
                           const ZORRenderValues& values, ZORIStNewColorScale_var& scale,
                           std::vector<std::string>& done, std::vector<std::string>& warnings,
                           std::vector<double>* relative = nullptr);

// The scale of what passes, when `recipe` says: a tolerance's, out to its range (else the
// measured extremes); the draft scale of a pass limit; or the default scale diverging about zero.
// `done` says what was done.
ZOROutcome ZORImposeAcceptance(ZORIStNewColorScale* scale, const ZORScaleRecipe& recipe,
                               const ZORMeasuredRange& measured, std::vector<std::string>& done);

// The scale's boundaries imposed from the values seen, classified by `method` between the
// scale's extremes; `line` says what was done, for the summary.
ZOROutcome ZORClassifyScale(ZORIStNewColorScale* scale, ZORClassMethod method,
                            const ZORRenderValues& values, std::string& line);

// Step 3: every value painted with the snapshot's painter (on `threads` threads, 0 for one a
// core), or through GetColorForValue, or both and compared, as `mode` says; progress on `stages`.
ZOROutcome ZORPaintValues(ZORIStNewColorScale* scale, const ZORScaleSnapshot& snapshot,
                          const ZORValueGrid& grid, ZORPaintingMode mode, ZORPainting& painting,
                          ZORStages& stages, int threads = 0);

// Step 4: how many of the values seen each block holds.
ZORBlockCounts ZORCountBlocks(const ZORPainting& painting, const ZORPictureValues& values,
                              int blockCount, int threads = 1);
// The legend of a picture: the scale's, the values painted counted, and what a reader of a lit
// picture must know.
ZORLegendModel ZORPictureLegend(const ZORScaleSnapshot& snapshot, const ZORPainting& painting,
                                const ZORPictureValues& values, int threads = 1);

// The picture as RGBA bytes, a pixel a value, rows top first: the background where nothing is
// seen, the undefined color where the scale gives none, lit when the values carry light. Made
// in the painting's own colors, which it takes: a picture needs no second array of its size.
// Pieces of rows on `threads` threads (0: a core each).
std::vector<std::uint8_t> ZORPictureRgba(const ZORPictureValues& values, ZORPainting painting,
                                         const ZORRgba& undefined, const ZORRgba& background, int threads = 0);

// What was painted: the analysis and the part, or the grid, and how many values.
std::string ZORRenderTitle(const ZORRenderValues& values);
