#include "zorhost/render/Render.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <vector>

#include "zor/ZORSettingRepository.h"
#include "zorhost/common/ImageFiles.h"
#include "zorhost/common/OutputFiles.h"
#include "zorhost/scale/Legend.h"
#include "zorhost/render/RenderSteps.h"
#include "zorhost/script/ScriptValues.h"
#include "zorhost/surface/MeshExport.h"
#include "zorhost/surface/Part.h"

namespace {

constexpr int kFailure = 1;
constexpr int kBadInput = 2;

// The picture's values as a CSV grid that --values reads: empty where nothing is seen.
std::string ValuesCsv(const ZORRenderValues& values) {
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

// Step 5: what is written, all of it or none: the picture, the picture with its legend, and,
// when asked, the analysed mesh and the picture's values.
ZORRenderOutcome WriteFiles(const ZORRenderOptions& options, const ZORRenderValues& values,
                         const ZORPainting& painting, const ZORScaleView& scale,
                         const ZORScalePainter& painter, const ZORBlockCounts& counts) {
  const ZORValueGrid& grid = values.grid;
  const std::vector<std::uint8_t> rgba =
      ZORPictureRgba(values, painting, scale.undefinedColor, options.background);
  const std::string png = ZOREncodePng(grid.width, grid.height, rgba);
  if (png.empty()) return ZORRenderFailure{kFailure, "the picture could not be encoded"};
  std::vector<std::pair<std::string, std::string>> files = {
      {options.outPrefix + ".png", png},
      {options.outPrefix + ".svg", ZORLegendSvg(ZORRenderTitle(values), grid.width, grid.height, rgba, scale, counts)}};
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
    if (contents.empty()) return ZORRenderFailure{kBadInput, error};
    files.emplace_back(options.meshOutPath, std::move(contents));
  }
  if (!options.valuesOutPath.empty()) files.emplace_back(options.valuesOutPath, ValuesCsv(values));
  if (!ZORWriteFilesWhole(files, error)) return ZORRenderFailure{kFailure, error};
  return std::nullopt;
}

// Step 6: the scale, the values in each block, what was written.
void PrintSummary(const ZORRenderOptions& options, const ZORRenderValues& values,
                  const ZORScaleView& scale, const ZORBlockCounts& counts,
                  const std::vector<std::string>& optionsDone, std::ostream& out) {
  const int blockCount = scale.Blocks();
  out << "zorhost render: " << ZORRenderTitle(values) << ", ranging from " << ZORScriptValues::Double(values.measured.smallest) << " to "
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

// Step 0: what would be written checked, before anything is read or written: no output may
// replace what is not a regular file, another output or an input.
ZORRenderOutcome CheckFiles(const ZORRenderOptions& options) {
  std::vector<ZORNamedFile> outputs = {{"--out", options.outPrefix + ".png"},
                                       {"--out", options.outPrefix + ".svg"}};
  if (!options.meshOutPath.empty()) outputs.push_back({"--mesh-out", options.meshOutPath});
  if (!options.valuesOutPath.empty()) outputs.push_back({"--values-out", options.valuesOutPath});
  if (!options.saveSettingsName.empty() &&
      ZORCheckRepositoryName(options.saveSettingsName).empty()) {
    outputs.push_back({"--save-settings", ZORRepositoryPath(options.saveSettingsName)});
  }
  std::vector<ZORNamedFile> inputs;
  if (!options.partPath.empty()) inputs.push_back({"the part", options.partPath});
  if (!options.valuesPath.empty()) inputs.push_back({"--values", options.valuesPath});
  if (std::optional<std::string> problem = ZORCheckFilePlan(outputs, inputs)) {
    return ZORRenderFailure{kBadInput, *problem + "; nothing was written"};
  }
  return std::nullopt;
}

int Report(const ZORRenderFailure& failure, std::ostream& err) {
  err << "zorhost render: " << failure.message << '\n';
  return failure.status;
}

}  // namespace

int ZORRender(ZORModuleHost& host, const ZORRenderOptions& options, std::ostream& out,
              std::ostream& err) {
  if (ZORRenderOutcome failure = CheckFiles(options)) return Report(*failure, err);
  ZORRenderValues values;
  if (ZORRenderOutcome failure = ZORReadRenderValues(options, values)) return Report(*failure, err);
  ZORIStNewColorScale_var scale;
  std::vector<std::string> optionsDone;
  if (ZORRenderOutcome failure = ZORPrepareScale(host, options, values, scale, optionsDone, err)) {
    return Report(*failure, err);
  }
  const ZORScalePainter painter(scale.get(), ZORHostSession::kDefaultModelTolerance);
  ZORPainting painting;
  if (ZORRenderOutcome failure = ZORPaintValues(scale.get(), painter, values.grid, options, painting, err)) {
    return Report(*failure, err);
  }
  const ZORScaleView view = ZORDescribeScale(scale.get(), ZORHostSession::kDefaultModelTolerance);
  const ZORBlockCounts counts = ZORCountBlocks(painting, values, view.Blocks());
  if (ZORRenderOutcome failure = WriteFiles(options, values, painting, view, painter, counts)) {
    return Report(*failure, err);
  }
  PrintSummary(options, values, view, counts, optionsDone, out);
  return 0;
}
