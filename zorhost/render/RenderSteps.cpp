#include "zorhost/render/RenderSteps.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <vector>

#include "painter/ZORScalePainter.h"
#include "zor/ZORSettingRepository.h"
#include "zor/ZORText.h"
#include "zorhost/common/Deadline.h"
#include "zorhost/render/AnalysisOptions.h"
#include "zorhost/scale/Classification.h"
#include "zorhost/scale/ColorRamps.h"
#include "zorhost/common/ImageFiles.h"
#include "zorhost/scale/Legend.h"
#include "zorhost/scale/ScaleJobs.h"
#include "zorhost/script/ScriptValues.h"
#include "zorhost/render/ValueGrid.h"
#include "zorhost/surface/MeshExport.h"
#include "zorhost/surface/Part.h"
#include "zorhost/surface/PartPicture.h"

namespace {

constexpr int kSampleSize = 512;
constexpr int kFailure = 1;
constexpr int kBadInput = 2;

std::uint8_t Channel(int component) {
  return static_cast<std::uint8_t>(std::clamp(component, 0, 255));
}

// The part read and meshed within the time limit.
ZORRenderOutcome ReadAndPreparePart(const ZORRenderOptions& options, ZORRenderValues& values) {
  const std::string name = options.partPath.empty() ? "the sample part" : ZORPrintable(options.partPath);
  char limit[32];
  std::snprintf(limit, sizeof limit, "%g", options.timeLimit);
  const ZORDeadline deadline(options.timeLimit,
                             "zorhost " + options.job + ": " + name +
                                 ": reading and meshing the part took longer than the time limit, " +
                                 limit + " s (--time-limit SECONDS raises it); nothing was written",
                             kBadInput);
  std::string error;
  values.part = options.partPath.empty() ? ZORMakeSamplePart() : ZORReadPart(options.partPath, error);
  if (!values.part) return ZORRenderFailure{kBadInput, error};
  if (!ZORPreparePartForPicture(*values.part, options.view, options.width, options.height,
                                options.analysis, error)) {
    return ZORRenderFailure{kBadInput, values.part->Description() + ": " + error};
  }
  return std::nullopt;
}

// Step 1, for a part: its picture, a value a pixel.
ZORRenderOutcome PicturePart(const ZORRenderOptions& options, ZORRenderValues& values) {
  if (ZORRenderOutcome failure = ReadAndPreparePart(options, values)) return failure;
  ZORPartPicture picture =
      ZORPicturePreparedPart(*values.part, options.view, options.width, options.height);
  values.grid.width = picture.width;
  values.grid.height = picture.height;
  values.grid.values = std::move(picture.values);
  values.grid.description =
      std::string(ZORAnalysisName(options.analysis)) + " of " + values.part->Description();
  values.covered = std::move(picture.covered);
  if (options.shading == ZORRenderOptions::Shading::Lit) values.light = std::move(picture.light);
  return std::nullopt;
}

// A pixel's color: the background where nothing is seen, the undefined color where the scale
// gives none, and in a lit picture the color darkened by the light the point gets.
ZORRgba PixelColor(const ZORRenderValues& values, const ZORPainting& painting, std::size_t i,
                   const ZORRgba& undefined, const ZORRgba& background) {
  if (!values.Covered(i)) return background;
  ZORRgba color = painting.blocks[i] < 0 ? undefined : painting.colors[i];
  if (!values.light.empty()) {
    const double light = static_cast<double>(values.light[i]);
    auto lit = [light](int component) {
      return static_cast<int>(std::lround(std::clamp(component, 0, 255) * light));
    };
    color = {lit(color.red), lit(color.green), lit(color.blue), color.alpha};
  }
  return color;
}

ZORRgba UndefinedColor(ZORIStNewColorScale* scale) {
  ZORRgba undefined{255, 255, 255, 0};
  scale->GetColorUndefine(undefined.red, undefined.green, undefined.blue, undefined.alpha);
  return undefined;
}

std::string Difference(const ZORValueGrid& grid, std::size_t at, double value,
                       int paintedBlock, const ZORRgba& painted, int block,
                       const ZORRgba& color) {
  const std::size_t rowLength = static_cast<std::size_t>(grid.width);
  return "the painter and GetColorForValue differ at row " + std::to_string(at / rowLength + 1) +
         ", column " + std::to_string(at % rowLength + 1) + ", value " +
         ZORScriptValues::Double(value) + ": block " + std::to_string(paintedBlock) + " (" +
         std::to_string(painted.red) + ", " + std::to_string(painted.green) + ", " +
         std::to_string(painted.blue) + ", " + std::to_string(painted.alpha) +
         ") against block " + std::to_string(block) + " (" + std::to_string(color.red) + ", " +
         std::to_string(color.green) + ", " + std::to_string(color.blue) + ", " +
         std::to_string(color.alpha) + ")";
}

}  // namespace

ZORRenderOutcome ZORReadRenderValues(const ZORRenderOptions& options, ZORRenderValues& values) {
  if (options.PaintsPart()) {
    if (ZORRenderOutcome failure = PicturePart(options, values)) return failure;
  } else if (options.valuesPath.empty()) {
    values.grid = ZORSampleAnalysis(kSampleSize);
  } else if (std::string error; !ZORReadCsvGrid(options.valuesPath, values.grid, error)) {
    return ZORRenderFailure{kBadInput, error};
  } else {
    values.covered = std::move(values.grid.covered);
  }
  values.measured = ZORMeasure(values.grid.values, values.covered);
  if (!values.measured.any) {
    return ZORRenderFailure{kBadInput, (values.part ? values.part->Description() : options.valuesPath) +
                                        ": no finite value to paint"};
  }
  return std::nullopt;
}

ZORRenderOutcome ZORPrepareScale(ZORModuleHost& host, const ZORRenderOptions& options,
                           const ZORRenderValues& values, ZORIStNewColorScale_var& scale,
                           std::vector<std::string>& done, std::ostream& err) {
  scale = host.NewScale();
  if (!scale) return ZORRenderFailure{kFailure, "the host made no color scale"};
  // The scale evaluates with the host's model tolerance, which the painter must know.
  scale->SetTolerance(ZORHostSession::kDefaultModelTolerance);
  if (!options.settingsName.empty()) {
    std::vector<std::string> warnings;
    std::string error;
    const bool loaded = ZORLoadScale(scale.get(), options.settingsName, warnings, error);
    for (const std::string& warning : warnings) err << "zorhost render: " << warning << '\n';
    if (!loaded) return ZORRenderFailure{kBadInput, error};
  } else if (!ZORMakeDefaultScale(scale.get(), options.blocks)) {
    return ZORRenderFailure{kBadInput,
                         "cannot make a scale of " + std::to_string(options.blocks) + " blocks"};
  }
  if (options.preset && !ZORImposeRamp(scale.get(), options.preset->anchors)) {
    return ZORRenderFailure{kFailure, std::string("the scale refuses the colors of the preset ") +
                                       options.preset->name};
  }
  for (const std::string& line :
       ZORApplyAnalysisOptions(scale.get(), values.measured, ZORHostSession::kDefaultModelTolerance)) {
    done.push_back("option " + line);
  }
  if (options.classify) {
    std::string line;
    if (ZORRenderOutcome failure = ZORClassifyScale(scale.get(), *options.classify, values, line)) {
      failure->message = std::string("--classify ") + ZORClassMethodName(*options.classify) + ": " +
                         failure->message;
      return failure;
    }
    done.push_back(line);
  }
  if (!options.saveSettingsName.empty() &&
      scale->SaveToSettings(options.saveSettingsName.c_str()) != 1) {
    return ZORRenderFailure{kFailure, "cannot save the scale to the settings repository '" +
                                       options.saveSettingsName + "'"};
  }
  return std::nullopt;
}

ZORRenderOutcome ZORPaintValues(ZORIStNewColorScale* scale, const ZORScalePainter& painter,
                            const ZORValueGrid& grid, const ZORRenderOptions& options,
                            ZORPainting& painting, std::ostream& err) {
  using Mode = ZORRenderOptions::Painting;
  const ZORRgba undefined = UndefinedColor(scale);
  const std::size_t count = grid.values.size();
  painting.blocks.assign(count, -1);
  painting.colors.assign(count, undefined);
  ZORScalePainter::PaintOptions paintOptions;
  paintOptions.undefinedColorForNaN = true;
  const std::size_t rowLength = static_cast<std::size_t>(grid.width);
  const int rowsAtOnce = std::max(1, 65536 / std::max(grid.width, 1));
  for (int row = 0; row < grid.height; row += rowsAtOnce) {
    const std::size_t first = static_cast<std::size_t>(row) * rowLength;
    const std::size_t length =
        std::min(count - first, rowLength * static_cast<std::size_t>(rowsAtOnce));
    const std::span<const double> values(grid.values.data() + first, length);
    const std::span<int> blocks(painting.blocks.data() + first, length);
    const std::span<ZORRgba> colors(painting.colors.data() + first, length);
    if (options.painting != Mode::PerValue) painter.Paint(values, blocks, colors, paintOptions);
    if (options.painting != Mode::Painter) {
      for (std::size_t i = 0; i < length; ++i) {
        ZORRgba color = undefined;
        int block = ZORScalePainter::kUndefinedBlock;
        if (!std::isnan(values[i])) {
          color = colors[i];
          block = scale->GetColorForValue(values[i], &color.red, &color.green, &color.blue,
                                          &color.alpha);
        }
        if (options.painting == Mode::Check &&
            (block != blocks[i] || (block != -1 && !(color == colors[i])))) {
          return ZORRenderFailure{kFailure, Difference(grid, first + i, values[i], blocks[i],
                                                    colors[i], block, color)};
        }
        blocks[i] = block;
        colors[i] = color;
      }
    }
    if (options.progress) {
      err << "\rzorhost render: painting " << (first + length) * 100 / count << "%"
          << std::flush;
    }
  }
  if (options.progress) err << "\r\033[K" << std::flush;
  return std::nullopt;
}

ZORBlockCounts ZORCountBlocks(const ZORPainting& painting, const ZORRenderValues& values, int blockCount) {
  ZORBlockCounts counts;
  counts.perBlock.assign(static_cast<std::size_t>(blockCount) + 1, 0);
  for (std::size_t i = 0; i < painting.blocks.size(); ++i) {
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
  return counts;
}

std::string ZORRenderTitle(const ZORRenderValues& values) {
  const ZORValueGrid& grid = values.grid;
  std::string title = grid.description + ", " + std::to_string(grid.width) + " x " +
                      std::to_string(grid.height);
  if (!values.part) return title + " values";
  const long seen = std::count(values.covered.begin(), values.covered.end(), 1);
  return title + " pixels, " + std::to_string(seen) + " on the part";
}

std::vector<std::uint8_t> ZORPictureRgba(const ZORRenderValues& values, const ZORPainting& painting,
                                         const ZORRgba& undefined, const ZORRgba& background) {
  std::vector<std::uint8_t> rgba(painting.colors.size() * 4);
  for (std::size_t i = 0; i < painting.colors.size(); ++i) {
    const ZORRgba color = PixelColor(values, painting, i, undefined, background);
    rgba[4 * i] = Channel(color.red);
    rgba[4 * i + 1] = Channel(color.green);
    rgba[4 * i + 2] = Channel(color.blue);
    rgba[4 * i + 3] = Channel(color.alpha);
  }
  return rgba;
}

ZORRenderOutcome ZORClassifyScale(ZORIStNewColorScale* scale, ZORClassMethod method,
                                  const ZORRenderValues& values, std::string& line) {
  ZORClassRequest request;
  request.method = method;
  request.tolerance = ZORHostSession::kDefaultModelTolerance;
  if (FAILED(scale->GetNumberOfBlocks(request.blocks))) {
    return ZORRenderFailure{kFailure, "the scale gives no number of blocks"};
  }
  ZORScaleExtremes(scale, request.lowest, request.highest);
  std::vector<double> seen;
  seen.reserve(values.grid.values.size());
  for (std::size_t i = 0; i < values.grid.values.size(); ++i) {
    if (values.Covered(i)) seen.push_back(values.grid.values[i]);
  }
  ZORClassification classes;
  std::string error;
  if (!ZORClassify(request, seen, classes, error)) return ZORRenderFailure{kBadInput, error};
  if (!ZORImposeBoundaries(scale, classes.boundaries)) {
    return ZORRenderFailure{kFailure, "the scale refuses the boundaries"};
  }
  line = std::string("classify ") + ZORClassMethodName(method) + ": " +
         std::to_string(classes.boundaries.size()) + " boundaries imposed from " +
         std::to_string(classes.classified) + " values";
  if (classes.leftOut > 0) line += ", " + std::to_string(classes.leftOut) + " left out (not finite)";
  if (!classes.note.empty()) line += "; " + classes.note;
  return std::nullopt;
}
