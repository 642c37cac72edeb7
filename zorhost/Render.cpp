#include "zorhost/Render.h"

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
#include "zorhost/AnalysisOptions.h"
#include "zorhost/Classification.h"
#include "zorhost/ColorRamps.h"
#include "zorhost/ImageFiles.h"
#include "zorhost/Legend.h"
#include "zorhost/ScaleJobs.h"
#include "zorhost/ScriptValues.h"
#include "zorhost/ValueGrid.h"
#include "zorhost/surface/MeshExport.h"
#include "zorhost/surface/Part.h"
#include "zorhost/surface/PartPicture.h"

namespace {

constexpr int kSampleSize = 512;
constexpr int kFailure = 1;
constexpr int kBadInput = 2;

// Why a step stopped the render: the exit status and the message for standard error.
struct RenderFailure {
  int status;
  std::string message;
};
using RenderOutcome = std::optional<RenderFailure>;

// The values a render paints: a grid of them, or the picture of a part, a value a pixel.
struct RenderValues {
  ZORValueGrid grid;
  std::vector<std::uint8_t> covered;  // a part's picture: 1 where the surface is seen
  std::vector<float> light;           // a lit picture: the light each pixel gets
  std::unique_ptr<ZORPart> part;
  ZORMeasuredRange measured;

  bool Covered(std::size_t pixel) const { return covered.empty() || covered[pixel] != 0; }
};

// What painting gave each value: its block (ZORScalePainter::kUndefinedBlock for an undefined
// value, -1 for none) and its color.
struct Painting {
  std::vector<int> blocks;
  std::vector<ZORRgba> colors;
};


std::uint8_t Channel(int component) {
  return static_cast<std::uint8_t>(std::clamp(component, 0, 255));
}

// Step 1, for a part: its picture, a value a pixel.
RenderOutcome PicturePart(const ZORRenderOptions& options, RenderValues& values) {
  std::string error;
  values.part = options.partPath.empty() ? ZORMakeSamplePart() : ZORReadPart(options.partPath, error);
  if (!values.part) return RenderFailure{kBadInput, error};
  ZORPartPicture picture;
  if (!ZORPicturePart(*values.part, options.view, options.width, options.height, options.analysis,
                      picture, error)) {
    return RenderFailure{kBadInput, values.part->Description() + ": " + error};
  }
  values.grid.width = picture.width;
  values.grid.height = picture.height;
  values.grid.values = std::move(picture.values);
  values.grid.description =
      std::string(ZORAnalysisName(options.analysis)) + " of " + values.part->Description();
  values.covered = std::move(picture.covered);
  if (options.shading == ZORRenderOptions::Shading::Lit) values.light = std::move(picture.light);
  return std::nullopt;
}

// Step 1: the values, from a part, a CSV grid or the sample field, and their finite range.
RenderOutcome ReadValues(const ZORRenderOptions& options, RenderValues& values) {
  if (options.PaintsPart()) {
    if (RenderOutcome failure = PicturePart(options, values)) return failure;
  } else if (options.valuesPath.empty()) {
    values.grid = ZORSampleAnalysis(kSampleSize);
  } else if (std::string error; !ZORReadCsvGrid(options.valuesPath, values.grid, error)) {
    return RenderFailure{kBadInput, error};
  }
  values.measured = ZORMeasure(values.grid.values, values.covered);
  if (!values.measured.any) {
    return RenderFailure{kBadInput, (values.part ? values.part->Description() : options.valuesPath) +
                                        ": no finite value to paint"};
  }
  return std::nullopt;
}

// The scale's boundaries imposed from the values seen, by `method`.
RenderOutcome Classify(ZORIStNewColorScale* scale, ZORClassMethod method, const RenderValues& values,
                       std::vector<std::string>& done) {
  ZORClassRequest request;
  request.method = method;
  request.tolerance = ZORHostSession::kDefaultModelTolerance;
  if (FAILED(scale->GetNumberOfBlocks(request.blocks))) {
    return RenderFailure{kFailure, "the scale gives no number of blocks"};
  }
  ZORScaleExtremes(scale, request.lowest, request.highest);
  std::vector<double> seen;
  seen.reserve(values.grid.values.size());
  for (std::size_t i = 0; i < values.grid.values.size(); ++i) {
    if (values.Covered(i)) seen.push_back(values.grid.values[i]);
  }
  ZORClassification classes;
  std::string error;
  const std::string name = ZORClassMethodName(method);
  if (!ZORClassify(request, seen, classes, error)) {
    return RenderFailure{kBadInput, "--classify " + name + ": " + error};
  }
  if (!ZORImposeBoundaries(scale, classes.boundaries)) {
    return RenderFailure{kFailure, "the scale refuses the boundaries of --classify " + name};
  }
  std::string line = "classify " + name + ": " + std::to_string(classes.boundaries.size()) +
                     " boundaries imposed from " + std::to_string(classes.classified) + " values";
  if (classes.leftOut > 0) {
    line += ", " + std::to_string(classes.leftOut) + " left out (not finite)";
  }
  if (!classes.note.empty()) line += "; " + classes.note;
  done.push_back(line);
  return std::nullopt;
}

// Step 2: a scale made through the module, loaded from a repository or the default one, its
// analysis options acted on with the measured values (`done` says how); saved when asked.
RenderOutcome PrepareScale(ZORModuleHost& host, const ZORRenderOptions& options,
                           const RenderValues& values, ZORIStNewColorScale_var& scale,
                           std::vector<std::string>& done, std::ostream& err) {
  scale = host.NewScale();
  if (!scale) return RenderFailure{kFailure, "the host made no color scale"};
  // The scale evaluates with the host's model tolerance, which the painter must know.
  scale->SetTolerance(ZORHostSession::kDefaultModelTolerance);
  if (!options.settingsName.empty()) {
    std::vector<std::string> warnings;
    std::string error;
    const bool loaded = ZORLoadScale(scale.get(), options.settingsName, warnings, error);
    for (const std::string& warning : warnings) err << "zorhost render: " << warning << '\n';
    if (!loaded) return RenderFailure{kBadInput, error};
  } else if (!ZORMakeDefaultScale(scale.get(), options.blocks)) {
    return RenderFailure{kBadInput,
                         "cannot make a scale of " + std::to_string(options.blocks) + " blocks"};
  }
  if (options.preset && !ZORImposeRamp(scale.get(), options.preset->anchors)) {
    return RenderFailure{kFailure, std::string("the scale refuses the colors of the preset ") +
                                       options.preset->name};
  }
  for (const std::string& line :
       ZORApplyAnalysisOptions(scale.get(), values.measured, ZORHostSession::kDefaultModelTolerance)) {
    done.push_back("option " + line);
  }
  if (options.classify) {
    if (RenderOutcome failure = Classify(scale.get(), *options.classify, values, done)) return failure;
  }
  if (!options.saveSettingsName.empty() &&
      scale->SaveToSettings(options.saveSettingsName.c_str()) != 1) {
    return RenderFailure{kFailure, "cannot save the scale to the settings repository '" +
                                       options.saveSettingsName + "'"};
  }
  return std::nullopt;
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

// Step 3: every value painted, by the painter, value by value through the scale, or both ways
// compared; rows at a time, so that a long run can show its progress.
RenderOutcome PaintAndCheck(ZORIStNewColorScale* scale, const ZORScalePainter& painter,
                            const ZORValueGrid& grid, const ZORRenderOptions& options,
                            Painting& painting, std::ostream& err) {
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
          return RenderFailure{kFailure, Difference(grid, first + i, values[i], blocks[i],
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

// Step 4: how many of the values seen each block holds.
ZORBlockCounts Count(const Painting& painting, const RenderValues& values, int blockCount) {
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

// A pixel's color: the background where nothing is seen, the undefined color where the scale
// gives none, and in a lit picture the color darkened by the light the point gets.
ZORRgba PixelColor(const RenderValues& values, const Painting& painting, std::size_t i,
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

// The picture's values as a CSV grid that --values reads: empty where nothing is seen.
std::string ValuesCsv(const RenderValues& values) {
  const ZORValueGrid& grid = values.grid;
  std::string csv;
  for (int row = 0; row < grid.height; ++row) {
    for (int column = 0; column < grid.width; ++column) {
      const std::size_t i = static_cast<std::size_t>(row) * static_cast<std::size_t>(grid.width) +
                            static_cast<std::size_t>(column);
      if (column > 0) csv += ',';
      if (values.Covered(i)) csv += ZORScriptValues::Double(grid.values[i]);
    }
    csv += '\n';
  }
  return csv;
}

// What was painted: the analysis and the part, or the grid, and how many values.
std::string Title(const RenderValues& values) {
  const ZORValueGrid& grid = values.grid;
  std::string title = grid.description + ", " + std::to_string(grid.width) + " x " +
                      std::to_string(grid.height);
  if (!values.part) return title + " values";
  const long seen = std::count(values.covered.begin(), values.covered.end(), 1);
  return title + " pixels, " + std::to_string(seen) + " on the part";
}

// Step 5: what is written, all of it or none: the picture, the picture with its legend, and,
// when asked, the analysed mesh and the picture's values.
RenderOutcome WriteFiles(const ZORRenderOptions& options, const RenderValues& values,
                         const Painting& painting, const ZORScaleView& scale,
                         const ZORScalePainter& painter, const ZORBlockCounts& counts) {
  const ZORValueGrid& grid = values.grid;
  std::vector<std::uint8_t> rgba(painting.colors.size() * 4);
  for (std::size_t i = 0; i < painting.colors.size(); ++i) {
    const ZORRgba color = PixelColor(values, painting, i, scale.undefinedColor, options.background);
    rgba[4 * i] = Channel(color.red);
    rgba[4 * i + 1] = Channel(color.green);
    rgba[4 * i + 2] = Channel(color.blue);
    rgba[4 * i + 3] = Channel(color.alpha);
  }
  const std::string png = ZOREncodePng(grid.width, grid.height, rgba);
  if (png.empty()) return RenderFailure{kFailure, "the picture could not be encoded"};
  std::vector<std::pair<std::string, std::string>> files = {
      {options.outPrefix + ".png", png},
      {options.outPrefix + ".svg", ZORLegendSvg(Title(values), grid, rgba, scale, counts)}};
  std::string error;
  if (!options.meshOutPath.empty()) {
    const ZORSurfaceMesh& mesh = values.part->Mesh();
    std::vector<int> blocks(mesh.values.size());
    std::vector<ZORRgba> colors(mesh.values.size(), scale.undefinedColor);
    ZORScalePainter::PaintOptions paintOptions;
    paintOptions.undefinedColorForNaN = true;
    painter.Paint(mesh.values, blocks, colors, paintOptions);
    for (std::size_t v = 0; v < blocks.size(); ++v) {
      if (blocks[v] < 0) colors[v] = scale.undefinedColor;
    }
    std::string contents = ZORFormatMesh(options.meshOutPath, mesh, colors, error);
    if (contents.empty()) return RenderFailure{kBadInput, error};
    files.emplace_back(options.meshOutPath, std::move(contents));
  }
  if (!options.valuesOutPath.empty()) files.emplace_back(options.valuesOutPath, ValuesCsv(values));
  if (!ZORWriteFilesWhole(files, error)) return RenderFailure{kFailure, error};
  return std::nullopt;
}

// Step 6: the scale, the values in each block, what was written.
void PrintSummary(const ZORRenderOptions& options, const RenderValues& values,
                  const ZORScaleView& scale, const ZORBlockCounts& counts,
                  const std::vector<std::string>& optionsDone, std::ostream& out) {
  const int blockCount = scale.Blocks();
  out << "zorhost render: " << Title(values) << ", ranging from " << ZORScriptValues::Double(values.measured.smallest) << " to "
      << ZORScriptValues::Double(values.measured.largest) << "\n";
  if (values.part) {
    const ZORSurfaceMesh& mesh = values.part->Mesh();
    out << "part: " << mesh.triangles.size() << " triangles, " << mesh.positions.size()
        << (values.part->Exact() ? " nodes; values exact at each pixel's surface point"
                                 : " vertices; values estimated at the vertices, interpolated between them")
        << "\n";
    for (const std::string& note : values.part->MeshNotes()) out << "part: " << note << "\n";
  }
  for (const std::string& line : optionsDone) out << line << "\n";
  out << "scale: " << blockCount << " blocks\n";
  out << "  block  values from    to               color (r, g, b, a)      values\n";
  for (int k = 1; k <= blockCount; ++k) {
    const std::size_t at = static_cast<std::size_t>(k - 1);
    double first = 0.0, last = 0.0;
    const bool placed = scale.Span(k, first, last);
    const ZORRgba& c = scale.colors[at];
    char color[64];
    std::snprintf(color, sizeof color, "%d, %d, %d, %d%s", c.red, c.green, c.blue, c.alpha,
                  scale.colorIndices[at] == -1 ? " *" : "");
    char line[256];
    std::snprintf(line, sizeof line, "  %5d  %-14s  %-14s  %-22s  %ld\n", k,
                  placed ? ZORShortNumber(first).c_str() : "none",
                  placed ? ZORShortNumber(last).c_str() : "", color,
                  counts.perBlock[static_cast<std::size_t>(k)]);
    out << line;
  }
  out << "  (* interpolated color: values inside its block are blended toward the next block)\n";
  if (scale.LimitsDisagree() && blockCount >= 2) {
    out << "note: values are placed by the first and last stored boundaries, "
        << ZORScriptValues::Double(scale.lower) << " and " << ZORScriptValues::Double(scale.upper)
        << ", which differ from the value table's ends, "
        << ZORScriptValues::Double(scale.boundaries.front()) << " and "
        << ZORScriptValues::Double(scale.boundaries.back()) << "\n";
  }
  if (scale.ranges.empty() && blockCount >= 2) {
    out << "note: the boundaries do not increase; the ranges shown are the value table's\n";
  }
  if (counts.undefined > 0) out << "undefined values: " << counts.undefined << "\n";
  if (counts.noColor > 0) out << "values the scale gave no color: " << counts.noColor << "\n";
  out << "wrote " << options.outPrefix << ".png and " << options.outPrefix << ".svg";
  if (!options.meshOutPath.empty()) out << ", " << options.meshOutPath;
  if (!options.valuesOutPath.empty()) out << ", " << options.valuesOutPath;
  out << "\n";
}

int Report(const RenderFailure& failure, std::ostream& err) {
  err << "zorhost render: " << failure.message << '\n';
  return failure.status;
}

}  // namespace

int ZORRender(ZORModuleHost& host, const ZORRenderOptions& options, std::ostream& out,
              std::ostream& err) {
  RenderValues values;
  if (RenderOutcome failure = ReadValues(options, values)) return Report(*failure, err);
  ZORIStNewColorScale_var scale;
  std::vector<std::string> optionsDone;
  if (RenderOutcome failure = PrepareScale(host, options, values, scale, optionsDone, err)) {
    return Report(*failure, err);
  }
  const ZORScalePainter painter(scale.get(), ZORHostSession::kDefaultModelTolerance);
  Painting painting;
  if (RenderOutcome failure = PaintAndCheck(scale.get(), painter, values.grid, options, painting, err)) {
    return Report(*failure, err);
  }
  const ZORScaleView view = ZORDescribeScale(scale.get(), ZORHostSession::kDefaultModelTolerance);
  const ZORBlockCounts counts = Count(painting, values, view.Blocks());
  if (RenderOutcome failure = WriteFiles(options, values, painting, view, painter, counts)) {
    return Report(*failure, err);
  }
  PrintSummary(options, values, view, counts, optionsDone, out);
  return 0;
}
