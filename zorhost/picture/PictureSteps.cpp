#include "zorhost/picture/PictureSteps.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <vector>

#include "painter/ZORScalePainter.h"
#include "zor/ZORSettingRepository.h"
#include "zor/ZORText.h"
#include "zorhost/common/Parallel.h"
#include "zorhost/common/PixelArrays.h"
#include "zorhost/scale/AnalysisOptions.h"
#include "zorhost/classification/Classification.h"
#include "zorhost/palettes/ColorRamps.h"
#include "zorhost/common/Numbers.h"
#include "zorhost/scale/ScaleEdits.h"
#include "zorhost/scale/ScaleStore.h"
#include "zorhost/picture/ValueGrid.h"
#include "zorhost/surface/Part.h"
#include "zorhost/surface/PartPicture.h"

namespace {

constexpr int kSampleSize = 512;

std::uint8_t Channel(int component) {
  return static_cast<std::uint8_t>(std::clamp(component, 0, 255));
}

// A color kept as the four bytes of a pixel.
void PutRgba(const ZORRgba& color, std::uint8_t* bytes) {
  bytes[0] = Channel(color.red);
  bytes[1] = Channel(color.green);
  bytes[2] = Channel(color.blue);
  bytes[3] = Channel(color.alpha);
}

}  // namespace

// `part` given the unit of --unit, when asked; a problem when its file states another.
ZOROutcome ZORGiveUnit(const std::string& unit, ZORPart& part) {
  if (unit.empty() || part.GiveLengthUnit(unit)) return std::nullopt;
  return ZORBadInput(part.Description() + " states its lengths in " + part.LengthUnit() + ": --unit " + unit +
                     " is for meshes that state none");
}

ZOROutcome ZORReadReference(const std::string& path, const std::string& givenUnit, ZORRenderValues& values) {
  std::unique_ptr<ZORPart> part;
  if (ZOROutcome problem = ZORReadPart(path, part)) return ZORInContext("--reference ", problem);
  if (ZOROutcome problem = ZORGiveUnit(givenUnit, *part)) return problem;
  const std::string& unit = part->LengthUnit();
  const std::string& partUnit = values.part->LengthUnit();
  if (!unit.empty() && !partUnit.empty() && unit != partUnit) {
    return ZORBadInput(values.part->Description() + " is in " + partUnit + ", the reference " + part->Description() +
                       " in " + unit + ": give both in one unit");
  }
  std::unique_ptr<ZORReference> reference;
  if (ZOROutcome problem = ZORReference::Make(std::move(part), reference)) {
    return ZORInContext("--reference ", problem);
  }
  values.reference = std::move(reference);
  return std::nullopt;
}

namespace {

// The part at `path` (the sample part when empty), read as it stands, given `givenUnit`.
ZOROutcome ReadPartAt(const std::string& path, const std::string& givenUnit, const std::string& field,
                      std::unique_ptr<ZORPart>& part) {
  if (path.empty()) {
    part = ZORMakeSamplePart();
  } else if (ZOROutcome problem = ZORReadPart(path, part, field)) {
    return problem;
  }
  return ZORGiveUnit(givenUnit, *part);
}

}  // namespace

ZOROutcome ZORReadSolid(const std::string& partPath, const std::string& givenUnit, ZORRenderValues& values) {
  if (values.solid) return std::nullopt;
  std::unique_ptr<ZORPart> part;
  if (ZOROutcome problem = ReadPartAt(partPath, givenUnit, {}, part)) return problem;
  std::unique_ptr<ZORReference> solid;
  if (ZOROutcome problem = ZORReference::Make(std::move(part), solid)) return problem;
  values.solid = std::move(solid);
  return std::nullopt;
}

namespace {

// The part read and meshed, and the reference with it.
ZOROutcome ReadAndPreparePart(const ZORValueSource& source, const ZORPictureSettings& picture,
                              ZORRenderValues& values, ZORStages& stages) {
  stages.Begin("reading");
  if (ZOROutcome problem = ReadPartAt(source.partPath, source.lengthUnit, picture.parameters.field, values.part)) {
    return problem;
  }
  stages.Begin("meshing");
  if (ZOROutcome problem = ZORPreparePart(picture, *values.part)) {
    return ZORInContext(values.part->Description() + ": ", problem);
  }
  if (picture.analysis == ZORAnalysis::Thickness) {
    stages.Begin("reading and indexing the solid");
    return ZORReadSolid(source.partPath, source.lengthUnit, values);
  }
  if (picture.parameters.referencePath.empty()) return std::nullopt;
  stages.Begin("reading and indexing the reference");
  return ZORReadReference(picture.parameters.referencePath, source.lengthUnit, values);
}

}  // namespace

namespace {

// The analysis `settings` asks for; null with `problem` when a deviation has no reference.
std::unique_ptr<ZORSurfaceAnalysis> MakeAnalysis(const ZORPictureSettings& settings, const ZORRenderValues& values,
                                                 ZOROutcome& problem) {
  switch (settings.analysis) {
    case ZORAnalysis::Deviation:
      if (!values.reference) {
        problem = ZORBadInput("the deviation needs a reference: give --reference REF");
        return nullptr;
      }
      return ZORMakeDeviationAnalysis(values.reference, {settings.parameters.keepBeyondEdges,
                                                         settings.parameters.maxDistance});
    case ZORAnalysis::Draft:
      return ZORMakeDraftAnalysis(settings.parameters.pull);
    case ZORAnalysis::Thickness:
      if (!values.solid) {
        problem = ZORFailure("the thickness needs the part indexed as a solid");
        return nullptr;
      }
      return ZORMakeThicknessAnalysis(values.solid, settings.parameters.thickness);
    case ZORAnalysis::Field:
      return ZORMakeFieldAnalysis(settings.parameters.field);
    case ZORAnalysis::Isophote:
      return ZORMakeIsophoteAnalysis(settings.parameters.light.value_or(ZORToViewer(settings.viewpoint)));
    case ZORAnalysis::Reflection:
      return ZORMakeReflectionAnalysis(ZORToViewer(settings.viewpoint), settings.parameters.light.value_or(ZORVec3{0.0, 0.0, 1.0}));
    default:
      return ZORMakeCurvatureAnalysis(settings.analysis);
  }
}

// Why a part has no value to paint, for the analysis that found none.
std::string NoValue(const ZORPictureSettings& settings, const ZORRenderValues& values, const ZORSurfaceAnalysis& analysis) {
  const std::string part = values.part->Description();
  if (settings.analysis == ZORAnalysis::Thickness) {
    return part + ": no ray into it meets an opposite wall: it is no closed solid (a sheet, or a mesh with holes "
                  "or normals pointing in)";
  }
  if (settings.analysis != ZORAnalysis::Deviation) return part + ": no finite value of its " + analysis.Name();
  if (settings.parameters.maxDistance) {
    return part + ": no point of it is within --max-distance " + ZORShownNumber(*settings.parameters.maxDistance) +
           " of " + values.reference->Part().Description() + " (both are read where their files place them)";
  }
  return part + ": no point of it lies over " + values.reference->Part().Description() +
         " (every nearest point is on its edge: --deviation-edges keep measures to the edge)";
}

}  // namespace

ZOROutcome ZORAnalysePart(const ZORPictureSettings& settings, ZORRenderValues& values) {
  ZOROutcome problem;
  std::unique_ptr<ZORSurfaceAnalysis> analysis = MakeAnalysis(settings, values, problem);
  if (!analysis) return problem;
  ZORAreaValues area;
  area.points = values.part->AreaPoints(kZORPartSampleSize, settings.threads);
  const std::vector<ZORSurfacePoint>& points = area.points.points;
  area.values.resize(points.size());
  ZORInParallel(points.size(), 1024, ZORThreadCount(settings.threads), [&](int, std::size_t first, std::size_t last) {
    for (std::size_t i = first; i < last; ++i) area.values[i] = analysis->ValueAt(points[i]);
  });
  ZORMeasuredRange measured = ZORMeasure(area.values, {});
  if (!measured.any) return ZORBadInput(NoValue(settings, values, *analysis));
  values.lengthUnit = values.part->LengthUnit();
  if (values.lengthUnit.empty() && values.reference) values.lengthUnit = values.reference->Part().LengthUnit();
  values.unit = analysis->Unit(values.lengthUnit);
  values.analysis = std::move(analysis);
  values.measured = std::move(measured);
  values.area = std::move(area);
  return std::nullopt;
}

ZOROutcome ZORPreparePart(const ZORPictureSettings& settings, ZORPart& part) {
  return part.Prepare(ZORPictureDeflection(part, settings.width, settings.height, settings.viewpoint.zoom),
                      ZORIsCurvature(settings.analysis), settings.threads);
}

bool ZORPicturePartValues(const ZORPictureSettings& settings, const ZORRenderValues& values,
                          ZORPictureValues& picture, ZORStages& stages, std::stop_token stop) {
  std::optional<ZORPartPicture> pictured = ZORPictureUnlessStopped(
      *values.part, *values.analysis, settings.viewpoint, settings.width, settings.height, settings.threads,
      [&stages](std::size_t done, std::size_t of) { stages.Progress(done, of); }, stop);
  if (!pictured) return false;
  ZORPartPicture& seen = *pictured;
  picture.grid.width = seen.width;
  picture.grid.height = seen.height;
  picture.grid.values = std::move(seen.values);
  picture.grid.description = values.analysis->Name() + " of " + values.part->Title();
  picture.covered = std::move(seen.covered);
  picture.light.clear();
  if (settings.shading == ZORPictureSettings::Shading::Lit) picture.light = std::move(seen.light);
  return true;
}

namespace {

// std::lround of a component times its light, without a call into the math library for each of
// a big picture's components: half rounds away from zero, as there.
int RoundedLight(double lit) {
  if (!(lit >= 0.0 && lit < 256.0)) return static_cast<int>(std::lround(lit));
  const int whole = static_cast<int>(lit);
  return whole + (lit - whole >= 0.5 ? 1 : 0);
}

// A pixel's color: the background where nothing is seen, the undefined color where the scale
// gives none, and in a lit picture the color darkened by the light the point gets.
ZORRgba PixelColor(const ZORPictureValues& values, const ZORPainting& painting, std::size_t i,
                   const ZORRgba& undefined, const ZORRgba& background) {
  if (!values.Covered(i)) return background;
  const std::uint8_t* bytes = &painting.colors[4 * i];
  ZORRgba color = painting.blocks[i] < 0 ? undefined : ZORRgba{bytes[0], bytes[1], bytes[2], bytes[3]};
  if (!values.light.empty()) {
    const double light = static_cast<double>(values.light[i]);
    auto lit = [light](int component) { return RoundedLight(std::clamp(component, 0, 255) * light); };
    color = {lit(color.red), lit(color.green), lit(color.blue), color.alpha};
  }
  return color;
}

std::string Difference(const ZORValueGrid& grid, std::size_t at, double value,
                       int paintedBlock, const ZORRgba& painted, int block,
                       const ZORRgba& color) {
  const std::size_t rowLength = static_cast<std::size_t>(grid.width);
  return "the painter and GetColorForValue differ at row " + std::to_string(at / rowLength + 1) +
         ", column " + std::to_string(at % rowLength + 1) + ", value " +
         ZORExactNumber(value) + ": block " + std::to_string(paintedBlock) + " (" +
         ZORColorText(painted) + ") against block " + std::to_string(block) + " (" +
         ZORColorText(color) + ")";
}

// The scale itself asked for each value of a piece that starts at `first`: its answers replace
// the painter's (`blocks`, `colors`), or, for a check, a problem at the first that differs.
ZOROutcome AskTheScale(ZORIStNewColorScale* scale, ZORPaintingMode mode, const ZORValueGrid& grid, std::size_t first,
                       const ZORRgba& undefined, std::span<int> blocks, std::span<ZORRgba> colors) {
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const double value = grid.values[first + i];
    ZORRgba color = undefined;
    int block = ZORScalePainter::kUndefinedBlock;
    if (!std::isnan(value)) {
      color = colors[i];
      block = scale->GetColorForValue(value, &color.red, &color.green, &color.blue, &color.alpha);
    }
    if (mode == ZORPaintingMode::Check && (block != blocks[i] || (block != -1 && !(color == colors[i])))) {
      return ZORFailure(Difference(grid, first + i, value, blocks[i], colors[i], block, color));
    }
    blocks[i] = block;
    colors[i] = color;
  }
  return std::nullopt;
}

}  // namespace

std::unique_ptr<ZORDeadline> ZORArmTimeLimit(const ZORValueSource& source, std::string_view job) {
  const std::string name = source.partPath.empty() ? "the sample part" : ZORPrintable(source.partPath);
  return std::make_unique<ZORDeadline>(source.timeLimit,
                                       "zorhost " + std::string(job) + ": " + name +
                                           ": reading, meshing and analysing the parts took longer than the time "
                                           "limit, " +
                                           ZORShownNumber(source.timeLimit) +
                                           " s (--time-limit SECONDS raises it); nothing was written",
                                       ZORExitStatus(ZORBadInput("")));
}

ZORPictureArraysAhead ZORMakePictureArraysAhead(const ZORValueSource& source, const ZORPictureSettings& picture) {
  const std::size_t pixels =
      source.PaintsPart() ? static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) : 0;
  return ZORPictureArraysAhead({pixels, pixels, pixels, pixels, 4 * pixels}, picture.threads);
}

ZOROutcome ZORReadRenderValues(const ZORValueSource& source, const ZORPictureSettings& picture,
                               ZORRenderValues& values, ZORStages& stages) {
  if (source.PaintsPart()) {
    if (ZOROutcome problem = ReadAndPreparePart(source, picture, values, stages)) return problem;
    stages.Begin("measuring the whole part");
    if (ZOROutcome problem = ZORAnalysePart(picture, values)) return problem;
    stages.Begin("the analysis at each pixel");
    ZORPicturePartValues(picture, values, values, stages);
    return std::nullopt;
  }
  stages.Begin("reading");
  if (source.valuesPath.empty()) {
    values.grid = ZORSampleAnalysis(kSampleSize);
  } else if (ZOROutcome problem = ZORReadCsvGrid(source.valuesPath, values.grid)) {
    return problem;
  } else {
    values.covered = std::move(values.grid.covered);
  }
  values.measured = ZORMeasure(values.grid.values, values.covered);
  if (!values.measured.any) return ZORBadInput(source.valuesPath + ": no finite value to paint");
  return std::nullopt;
}

ZOROutcome ZORImposeAcceptance(ZORIStNewColorScale* scale, const ZORScaleRecipe& recipe, const ZORMeasuredRange& measured,
                            std::vector<std::string>& done) {
  if (recipe.tolerance) {
    double lowest = measured.smallest, highest = measured.largest;
    if (recipe.range && !recipe.range->symmetric) {
      lowest = recipe.range->lowest;
      highest = recipe.range->highest;
    } else if (recipe.range) {
      highest = std::max(std::fabs(lowest), std::fabs(highest));
      lowest = -highest;
    }
    if (!ZORImposeWholeScale(scale, ZORToleranceScale(*recipe.tolerance, lowest, highest))) {
      return ZORFailure("the scale refuses the tolerance's blocks");
    }
    done.push_back("tolerance " + ZORToleranceText(*recipe.tolerance) + ": its scale out to " + ZORShownNumber(lowest) +
                   " and " + ZORShownNumber(highest));
  } else if (recipe.minDraft) {
    if (!ZORImposeWholeScale(scale, ZORDraftScale(*recipe.minDraft))) return ZORFailure("the scale refuses the draft scale");
    done.push_back("draft: the pass limit at " + ZORShownNumber(*recipe.minDraft) + " degrees");
  } else if (recipe.minThickness) {
    if (!ZORImposeWholeScale(scale, ZORMinimumScale(*recipe.minThickness, measured.smallest))) {
      return ZORFailure("the scale refuses the thickness scale");
    }
    done.push_back("thickness: walls thinner than " + ZORShownNumber(*recipe.minThickness) + " fail");
  } else if (recipe.stripes) {
    if (!ZORImposeWholeScale(scale, ZORZebraScale(*recipe.stripes))) return ZORFailure("the scale refuses the zebra stripes");
    done.push_back("zebra: stripes " + ZORShownNumber(*recipe.stripes) + " degrees wide, dark and light in turn");
  } else if (recipe.diverging) {
    if (!ZORImposePreset(scale, *ZORFindColorPreset("cool-warm")) || FAILED(scale->SetAbsoluteExtrema(ZORTrue))) {
      return ZORFailure("the scale refuses the diverging colors");
    }
  }
  return std::nullopt;
}

ZOROutcome ZORPrepareScale(ZORModuleHost& host, const ZORScaleRecipe& recipe,
                           const ZORRenderValues& values, ZORIStNewColorScale_var& scale,
                           std::vector<std::string>& done, std::vector<std::string>& warnings,
                           std::vector<double>* relative) {
  std::vector<double> fractions;
  scale = host.NewScale();
  if (!scale) return ZORFailure("the host made no color scale");
  // The scale evaluates with the host's model tolerance, which the painter must know.
  scale->SetTolerance(ZORHostSession::kDefaultModelTolerance);
  if (!recipe.settingsName.empty()) {
    if (ZOROutcome problem = ZORLoadScale(scale.get(), recipe.settingsName, warnings, &fractions)) return problem;
    if (!fractions.empty()) done.push_back("relative: the boundaries stretch with the extremes");
  } else if (!ZORMakeDefaultScale(scale.get(), recipe.blocks)) {
    return ZORBadInput("cannot make a scale of " + std::to_string(recipe.blocks) + " blocks");
  }
  if (recipe.preset && !ZORImposePreset(scale.get(), *recipe.preset)) {
    return ZORFailure(std::string("the scale refuses the colors of the preset ") + recipe.preset->name);
  }
  if (ZOROutcome problem = ZORImposeAcceptance(scale.get(), recipe, values.measured, done)) return problem;
  if (recipe.range && !recipe.tolerance) {
    std::string line;
    if (ZOROutcome problem = ZORImposeRange(scale.get(), *recipe.range, values.measured, line)) return problem;
    done.push_back(line);
  }
  for (const std::string& line :
       ZORApplyAnalysisOptions(scale.get(), values.measured)) {
    done.push_back("option " + line);
  }
  // Boundaries placed anew make the scale absolute.
  if ((recipe.preset && !recipe.preset->boundaries.empty()) || recipe.Passing() || recipe.stripes || recipe.classify) {
    fractions.clear();
  }
  ZORStretchRelative(scale.get(), fractions);
  if (recipe.classify) {
    std::string line;
    if (ZOROutcome problem = ZORClassifyScale(scale.get(), *recipe.classify, values, line)) {
      problem->message = std::string("--classify ") + ZORClassMethodName(*recipe.classify) + ": " +
                         problem->message;
      return problem;
    }
    done.push_back(line);
  }
  if (!recipe.saveSettingsName.empty()) {
    if (ZOROutcome problem = ZORSaveScale(scale.get(), recipe.saveSettingsName, fractions)) return problem;
  }
  if (relative != nullptr) *relative = std::move(fractions);
  return std::nullopt;
}

ZOROutcome ZORPaintValues(ZORIStNewColorScale* scale, const ZORScaleSnapshot& snapshot,
                          const ZORValueGrid& grid, ZORPaintingMode mode, ZORPainting& painting,
                          ZORStages& stages, int threads) {
  const ZORScalePainter& painter = snapshot.Painter();
  const ZORRgba undefined = snapshot.Definition().undefinedColor;
  const std::size_t count = grid.values.size();
  ZORFillPixels(painting.blocks, count, -1, threads);
  ZORFillPixels(painting.colors, 4 * count, std::uint8_t{0}, threads);
  ZORScalePainter::PaintOptions paintOptions;
  paintOptions.undefinedColorForNaN = true;
  paintOptions.threads = 1;  // the pieces are shared among the threads
  // The scale itself is asked on this thread alone, in the values' order, so that a check tells
  // the first difference.
  const int used = mode == ZORPaintingMode::Painter ? ZORThreadCount(threads) : 1;
  // Each piece painted at full width, then kept as bytes: 8 bytes a pixel, not 20.
  std::vector<std::vector<ZORRgba>> pieces(static_cast<std::size_t>(used));
  const std::size_t rowLength = static_cast<std::size_t>(grid.width);
  // Pieces of whole rows, few enough to tell the progress.
  const std::size_t rowsAtOnce = static_cast<std::size_t>(std::max(1, (1 << 16) / std::max(grid.width, 1)));
  ZOROutcome problem;
  ZORInParallel(count, rowLength * rowsAtOnce, used, [&](int worker, std::size_t first, std::size_t last) {
    if (problem) return;
    const std::size_t length = last - first;
    const std::span<const double> values(grid.values.data() + first, length);
    const std::span<int> blocks(painting.blocks.data() + first, length);
    std::vector<ZORRgba>& piece = pieces[static_cast<std::size_t>(worker)];
    piece.assign(length, undefined);
    const std::span<ZORRgba> colors(piece.data(), length);
    if (mode != ZORPaintingMode::PerValue) painter.Paint(values, blocks, colors, paintOptions);
    if (mode != ZORPaintingMode::Painter) {
      problem = AskTheScale(scale, mode, grid, first, undefined, blocks, colors);
      if (problem) return;
    }
    for (std::size_t i = 0; i < length; ++i) PutRgba(colors[i], &painting.colors[4 * (first + i)]);
    if (worker == 0) stages.Progress(last, count);
  });
  return problem;
}

ZORBlockCounts ZORCountBlocks(const ZORPainting& painting, const ZORPictureValues& values, int blockCount,
                              int threads) {
  constexpr std::size_t kPiece = std::size_t{1} << 16;
  const int used = ZORThreadCount(threads);
  std::vector<ZORBlockCounts> counted(static_cast<std::size_t>(used));
  for (ZORBlockCounts& counts : counted) counts.perBlock.assign(static_cast<std::size_t>(blockCount) + 1, 0);
  ZORInParallel(painting.blocks.size(), kPiece, used, [&](int worker, std::size_t first, std::size_t last) {
    ZORBlockCounts& counts = counted[static_cast<std::size_t>(worker)];
    for (std::size_t i = first; i < last; ++i) {
      if (!values.Covered(i)) continue;
      const int block = painting.blocks[i];
      if (block == ZORScalePainter::kUndefinedBlock) {
        ++counts.undefined;
      } else if (block < 0) {
        ++counts.noColor;
      } else if (block <= blockCount) {
        ++counts.perBlock[static_cast<std::size_t>(block)];
      }
    }
  });
  ZORBlockCounts& counts = counted.front();
  for (std::size_t worker = 1; worker < counted.size(); ++worker) {
    counts.undefined += counted[worker].undefined;
    counts.noColor += counted[worker].noColor;
    for (std::size_t block = 0; block < counts.perBlock.size(); ++block) {
      counts.perBlock[block] += counted[worker].perBlock[block];
    }
  }
  return std::move(counts);
}

ZORLegendModel ZORPictureLegend(const ZORScaleSnapshot& snapshot, const ZORPainting& painting,
                                const ZORPictureValues& values, int threads) {
  const ZORBlockCounts counts = ZORCountBlocks(painting, values, snapshot.Blocks(), threads);
  ZORLegendModel legend = ZORMakeLegend(snapshot, &counts);
  if (!values.light.empty()) legend.notes.push_back(ZORLitNote());
  return legend;
}

std::optional<ZORProbeResult> ZORProbeValues(const ZORRenderValues& values, const ZORPictureSettings& settings,
                                             const ZORScaleSnapshot& snapshot, ZORPixel pixel) {
  ZORProbeResult result;
  if (values.part) {
    if (pixel.column < 0 || pixel.row < 0 || pixel.column >= settings.width || pixel.row >= settings.height) {
      return std::nullopt;
    }
    const std::optional<ZORProbe> probe = ZORProbePreparedPart(
        *values.part, *values.analysis, settings.viewpoint, settings.width, settings.height, pixel.column, pixel.row);
    if (!probe) return std::nullopt;
    result.value = probe->value;
    result.onPart = true;
    result.probe = *probe;
  } else {
    const ZORValueGrid& grid = values.grid;
    if (pixel.column < 0 || pixel.row < 0 || pixel.column >= grid.width || pixel.row >= grid.height) {
      return std::nullopt;
    }
    const std::size_t at = static_cast<std::size_t>(pixel.row) * static_cast<std::size_t>(grid.width) +
                           static_cast<std::size_t>(pixel.column);
    if (!values.Covered(at)) return std::nullopt;
    result.value = grid.values[at];
  }
  // Painted as the picture's values are.
  result.color = snapshot.Definition().undefinedColor;
  ZORScalePainter::PaintOptions paintOptions;
  paintOptions.undefinedColorForNaN = true;
  snapshot.Painter().Paint(std::span(&result.value, 1), std::span(&result.block, 1), std::span(&result.color, 1),
                           paintOptions);
  return result;
}

std::string ZORProbeText(const ZORProbeResult& result, const std::string& unit) {
  std::string text = "value " + ZORShownNumber(result.value) + (unit.empty() ? "" : " " + unit);
  text += result.block > 0 ? ", block " + std::to_string(result.block) + ", color " + ZORColorText(result.color)
          : result.block == ZORScalePainter::kUndefinedBlock ? ", undefined"
                                                               : ", no block";
  if (result.onPart) {
    const ZORProbe& probe = result.probe;
    text += ", point (" + ZORShownNumber(probe.point.x) + ", " + ZORShownNumber(probe.point.y) + ", " +
            ZORShownNumber(probe.point.z) + ")";
    text += probe.face >= 0 ? ", face " + std::to_string(probe.face + 1)
                            : ", nearest vertex " + std::to_string(probe.vertex + 1);
  }
  return text;
}

std::string ZORRenderTitle(const ZORRenderValues& values) {
  const ZORValueGrid& grid = values.grid;
  std::string title = grid.description + (values.unit.empty() ? "" : " (" + values.unit + ")") + ", " +
                      std::to_string(grid.width) + " x " + std::to_string(grid.height);
  if (!values.part) return title + " values";
  const long seen = std::count(values.covered.begin(), values.covered.end(), 1);
  return title + " pixels, " + std::to_string(seen) + " on the part";
}

std::vector<std::uint8_t> ZORPictureRgba(const ZORPictureValues& values, ZORPainting painting,
                                         const ZORRgba& undefined, const ZORRgba& background, int threads) {
  constexpr std::size_t kPiece = std::size_t{1} << 16;
  ZORInParallel(painting.blocks.size(), kPiece, ZORThreadCount(threads), [&](int, std::size_t first, std::size_t last) {
    for (std::size_t i = first; i < last; ++i) {
      PutRgba(PixelColor(values, painting, i, undefined, background), &painting.colors[4 * i]);
    }
  });
  return std::move(painting.colors);
}

ZOROutcome ZORClassifyScale(ZORIStNewColorScale* scale, ZORClassMethod method,
                            const ZORRenderValues& values, std::string& line) {
  ZORClassRequest request;
  request.method = method;
  if (FAILED(scale->GetNumberOfBlocks(request.blocks))) {
    return ZORFailure("the scale gives no number of blocks");
  }
  ZORScaleExtremes(scale, request.lowest, request.highest);
  ZORClassification classes;
  if (ZOROutcome problem = ZORClassify(request, values.measured.finite, classes)) return problem;
  if (!ZORImposeBoundaries(scale, classes.boundaries)) return ZORFailure("the scale refuses the boundaries");
  line = std::string("classify ") + ZORClassMethodName(method) + ": " +
         std::to_string(classes.boundaries.size()) + " boundaries imposed from " +
         std::to_string(classes.classified) + " values";
  line += values.part ? " over the whole part" : "";
  if (!classes.note.empty()) line += "; " + classes.note;
  return std::nullopt;
}
