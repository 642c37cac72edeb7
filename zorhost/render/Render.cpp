#include "zorhost/render/Render.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <vector>

#include "zor/ZORSettingRepository.h"
#include "zorhost/figure/ImageFiles.h"
#include "zorhost/common/OutputFiles.h"
#include "zorhost/common/Parallel.h"
#include "zorhost/common/Numbers.h"
#include "zorhost/inspection/EdgeOverlay.h"
#include "zorhost/inspection/Inspect.h"
#include "zorhost/picture/PictureSteps.h"
#include "zorhost/picture/Stages.h"
#include "zorhost/figure/FigurePng.h"
#include "zorhost/figure/LegendSvg.h"
#include "zorhost/figure/LegendText.h"
#include "zorhost/surface/MeshExport.h"
#include "zorhost/surface/Part.h"

namespace {

// The picture's values as a CSV grid that --values reads: `nan` where undefined, empty where no
// surface is seen.
std::string ValuesCsv(const ZORRenderValues& values) {
  const ZORValueGrid& grid = values.grid;
  std::string csv;
  for (int row = 0; row < grid.height; ++row) {
    for (int column = 0; column < grid.width; ++column) {
      const std::size_t i = static_cast<std::size_t>(row) * static_cast<std::size_t>(grid.width) +
                            static_cast<std::size_t>(column);
      if (column > 0) csv += ',';
      if (values.Covered(i)) csv += ZORExactNumber(grid.values[i]);
    }
    csv += '\n';
  }
  return csv;
}

// The analysed mesh's file: the part meshed for it alone (within `deflection`, else the default
// share of its size), whatever the picture's size and view; each vertex's value exact at its
// surface point, painted as the picture paints it.
ZOROutcome AnalysedMeshFile(const std::string& path, std::optional<double> deflection, ZORRenderValues& values,
                            const ZORScaleSnapshot& snapshot, std::string& contents) {
  ZORVec3 lowest, highest;
  values.part->Bounds(lowest, highest);
  const double within = deflection.value_or(kZORAnalysedMeshShare * Length(highest - lowest));
  if (ZOROutcome problem = values.part->Prepare(within, false)) {
    return ZORInContext(values.part->Description() + ": meshing for --mesh-out: ", problem);
  }
  values.part->Evaluate(*values.analysis);
  const ZORSurfaceMesh& mesh = values.part->Mesh();
  const ZORRgba undefined = snapshot.Definition().undefinedColor;
  std::vector<int> blocks(mesh.values.size());
  std::vector<ZORRgba> colors(mesh.values.size(), undefined);
  ZORScalePainter::PaintOptions paintOptions;
  paintOptions.undefinedColorForNaN = true;
  snapshot.Painter().Paint(mesh.values, blocks, colors, paintOptions);
  for (std::size_t v = 0; v < blocks.size(); ++v) {
    if (blocks[v] < 0) colors[v] = undefined;
  }
  return ZORFormatMesh(path, mesh, colors, contents);
}

// Step 5: what is written, all of it or none: the picture, the picture with its legend, and,
// when asked, the analysed mesh, the picture's values and the inspection's files; the overlay's
// lines drawn on the picture, when given. The picture is
// made from the painting, which it takes; `title` heads the figures.
ZOROutcome WriteFiles(const ZOROutputs& outputs, const ZORPictureSettings& picture, const std::string& title,
                      ZORRenderValues& values, ZORPainting painting,
                      const ZORScaleSnapshot& snapshot, const ZORLegendModel& legend, ZORInspected inspected,
                      const ZORFigureOverlay* overlay) {
  const ZORValueGrid& grid = values.grid;
  const int threads = ZORThreadCount(picture.threads);
  const std::vector<std::uint8_t> rgba =
      ZORPictureRgba(values, std::move(painting), snapshot.Definition().undefinedColor, picture.background, threads);
  // The two pictures, each a PNG encoded on the threads asked for.
  const std::string png =
      outputs.legendInPicture ? ZORFigurePng(title, grid.width, grid.height, rgba, legend, inspected.placed, threads, overlay)
                              : ZORMarkedPicturePng(grid.width, grid.height, rgba, inspected.placed, threads, overlay);
  std::string svg = ZORLegendSvg(title, grid.width, grid.height, rgba, legend, inspected.placed, threads, overlay);
  if (png.empty()) return ZORFailure("the picture could not be encoded");
  std::vector<std::pair<std::string, std::string>> files = {{outputs.prefix + ".png", std::move(png)},
                                                            {outputs.prefix + ".svg", std::move(svg)}};
  if (!outputs.valuesPath.empty()) files.emplace_back(outputs.valuesPath, ValuesCsv(values));
  for (auto& file : inspected.files) files.push_back(std::move(file));
  return ZORWriteFilesWhole(files);
}

// What the picture's mesh is, a line each: its size and how its values are had, and what a
// person should know of it.
std::vector<std::string> PartLines(const ZORRenderValues& values) {
  if (!values.part) return {};
  const ZORSurfaceMesh& mesh = values.part->Mesh();
  const char* how = !mesh.field.empty() ? " vertices; values as the file gives them at the vertices, interpolated between them"
                    : values.part->Exact() ? " nodes; values exact at each pixel's surface point"
                                           : " vertices; values estimated at the vertices, interpolated between them";
  std::vector<std::string> lines = {"part: " + std::to_string(mesh.triangles.size()) + " triangles, " +
                                    std::to_string(mesh.positions.size()) + how};
  for (const std::string& note : values.part->MeshNotes()) lines.push_back("part: " + note);
  return lines;
}

// Step 6: what was painted (`title`), what the options did, the legend as text, what was written.
void PrintSummary(const ZOROutputs& outputs, const std::string& title, const ZORRenderValues& values,
                  const std::vector<std::string>& partLines,
                  const ZORLegendModel& legend, const std::vector<std::string>& done,
                  const std::vector<std::string>& inspectionFiles, std::ostream& out) {
  out << "zorhost render: " << title << ", ranging from "
      << ZORShownNumber(values.measured.smallest) << " to " << ZORShownNumber(values.measured.largest);
  if (values.part) out << " over the whole part (" << values.area.points.how << ")";
  out << "\n";
  if (std::optional<std::string> note = ZORNarrowSpanNote(values.measured)) out << "note: " << *note << "\n";
  for (const std::string& line : partLines) out << line << "\n";
  for (const std::string& line : done) out << line << "\n";
  out << ZORLegendSummary(legend);
  out << "wrote " << outputs.prefix << ".png and " << outputs.prefix << ".svg";
  if (!outputs.meshPath.empty()) out << ", " << outputs.meshPath;
  if (!outputs.valuesPath.empty()) out << ", " << outputs.valuesPath;
  for (const std::string& file : inspectionFiles) out << ", " << file;
  out << "\n";
}

// What --probe tells of a pixel.
std::string ProbeLine(const ZORRenderValues& values, const ZORPictureSettings& settings,
                      const ZORScaleSnapshot& snapshot, ZORPixel pixel) {
  const std::string line = "probe " + std::to_string(pixel.column) + "," + std::to_string(pixel.row) + ": ";
  const ZORValueGrid& grid = values.grid;
  if (pixel.column >= grid.width || pixel.row >= grid.height) {
    return line + "outside the picture, which is " + std::to_string(grid.width) + " x " + std::to_string(grid.height) +
           " pixels";
  }
  const std::optional<ZORProbeResult> result = ZORProbeValues(values, settings, snapshot, pixel);
  return line + (result ? ZORProbeText(*result, values.unit) : "no surface is seen there");
}

// Step 0: what would be written checked, before anything is read or written: no output may
// replace what is not a regular file, another output or an input.
ZOROutcome CheckFiles(const ZORRenderOptions& options) {
  const ZOROutputs& written = options.outputs;
  std::vector<ZORNamedFile> outputs = {{"--out", written.prefix + ".png"}, {"--out", written.prefix + ".svg"}};
  if (!written.meshPath.empty()) outputs.push_back({"--mesh-out", written.meshPath});
  if (!written.valuesPath.empty()) outputs.push_back({"--values-out", written.valuesPath});
  const ZORInspectionRequest& inspection = options.inspection;
  if (!inspection.statisticsPath.empty()) outputs.push_back({"--stats-out", inspection.statisticsPath});
  if (!inspection.edgesPath.empty()) outputs.push_back({"--edges-out", inspection.edgesPath});
  if (!inspection.reportPath.empty()) {
    outputs.push_back({"--report", inspection.reportPath});
    outputs.push_back({"--report", inspection.ReportRecordPath()});
  }
  const std::string& saved = options.scale.saveSettingsName;
  if (!saved.empty() && ZORCheckRepositoryName(saved).empty()) {
    outputs.push_back({"--save-settings", ZORRepositoryPath(saved), true});
  }
  std::vector<ZORNamedFile> inputs;
  if (!options.source.partPath.empty()) inputs.push_back({"the part", options.source.partPath});
  if (!options.source.valuesPath.empty()) inputs.push_back({"--values", options.source.valuesPath});
  const std::string& reference = options.picture.parameters.referencePath;
  if (!reference.empty()) inputs.push_back({"--reference", reference});
  ZOROutcome problem = ZORCheckFilePlan(outputs, inputs);
  if (problem) problem->message += "; nothing was written";
  return problem;
}

}  // namespace

ZOROutcome ZORRender(ZORModuleHost& host, const ZORRenderOptions& options, std::ostream& out,
                     std::ostream& err) {
  if (ZOROutcome problem = CheckFiles(options)) return problem;
  ZORStages stages(options.progress, "render", err);
  const ZORPictureArraysAhead arraysAhead = ZORMakePictureArraysAhead(options.source, options.picture);
  ZORRenderValues values;
  std::unique_ptr<ZORDeadline> timeLimit = ZORArmTimeLimit(options.source, "render");
  if (ZOROutcome problem = ZORReadRenderValues(options.source, options.picture, values, stages)) {
    return problem;
  }
  stages.Begin("the scale");
  ZORIStNewColorScale_var scale;
  std::vector<std::string> done, warnings;
  const ZOROutcome prepared = ZORPrepareScale(host, options.scale, values, scale, done, warnings);
  for (const std::string& warning : warnings) err << "zorhost render: " << warning << '\n';
  if (prepared) return prepared;
  const ZORScaleSnapshot snapshot(scale.get());
  stages.Begin("painting");
  ZORPainting painting;
  if (ZOROutcome problem = ZORPaintValues(scale.get(), snapshot, values.grid, options.painting, painting, stages,
                                                  options.picture.threads)) {
    return problem;
  }
  if (options.painting == ZORPaintingMode::Check) {
    done.push_back("check: the painter and GetColorForValue agree on all " +
                   std::to_string(values.grid.values.size()) + " values");
  }
  for (const ZORPixel& probe : options.probes) done.push_back(ProbeLine(values, options.picture, snapshot, probe));
  ZORLegendModel legend = ZORPictureLegend(snapshot, painting, values, options.picture.threads);
  ZORInspected inspected;
  if (ZOROutcome problem = ZORInspect(options.inspection, options, values, scale.get(), snapshot, legend, stages, inspected)) {
    return problem;
  }
  for (std::string& line : ZORInspectionLines(inspected, values)) done.push_back(std::move(line));
  // Drawn over the picture's own mesh, before the analysed mesh replaces it; a mesh has no edges
  // between faces, which the summary says.
  std::optional<ZORFigureOverlay> edges;
  if (options.inspection.drawEdges && inspected.edges && values.part->Exact()) {
    if (ZOROutcome problem = ZORMakeEdgeOverlay(host, *inspected.edges, options.inspection.edgeMeasure, *values.part,
                                                options.picture, edges.emplace())) {
      return problem;
    }
  }
  const std::vector<std::string> partLines = PartLines(values);  // the picture's, before the analysed mesh
  if (!options.outputs.meshPath.empty()) {
    stages.Begin("the analysed mesh");
    std::string contents;
    if (ZOROutcome problem = AnalysedMeshFile(options.outputs.meshPath, options.outputs.meshDeflection, values,
                                              snapshot, contents)) {
      return problem;
    }
    inspected.files.emplace_back(options.outputs.meshPath, std::move(contents));
    const ZORSurfaceMesh& mesh = values.part->Mesh();
    done.push_back("mesh-out: " + std::to_string(mesh.triangles.size()) + " triangles, " +
                   std::to_string(mesh.positions.size()) + " vertices, each with its value");
  }
  timeLimit.reset();  // what is written is written whole
  stages.Begin("writing");
  std::vector<std::string> written;
  for (const auto& file : inspected.files) {
    if (file.first != options.outputs.meshPath) written.push_back(file.first);
  }
  const std::string title = ZORRenderTitle(values);  // counts the pixels seen: once
  if (ZOROutcome problem = WriteFiles(options.outputs, options.picture, title, values, std::move(painting), snapshot,
                                      legend, std::move(inspected), edges ? &*edges : nullptr)) {
    return problem;
  }
  stages.End();
  if (options.timings) done.push_back("timings: " + stages.Timings());
  PrintSummary(options.outputs, title, values, partLines, legend, done, written, out);
  return std::nullopt;
}
