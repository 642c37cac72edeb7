#include "zorhost/render/RenderJob.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <ostream>

#include "zorhost/common/Choices.h"
#include "zorhost/common/ModuleHost.h"
#include "zorhost/picture/PaintOptions.h"
#include "zorhost/render/Render.h"
#include "zorhost/common/Numbers.h"

namespace {

enum RenderOption {
  kOut = kZORFirstJobOption, kLegend, kMeshOut, kValuesOut, kSaveSettings, kPerValue, kCheck, kProbe, kTimings,
  kStatsOut, kCallout, kCallouts, kReport, kReportViews, kMeshDeflection, kEdges, kEdgeMeasure, kEdgesOut
};

const char* const kHelp = R"(usage: zorhost render [PART] [options]

Paints the curvature of PART (STEP .step/.stp, IGES .iges/.igs, or a mesh: STL, OBJ, PLY)
through the scale, pixel by pixel; without PART, the built-in sample part.

)";

const char* const kOwnHelp = R"(  --out PREFIX          write PREFIX.png, the picture with the scale's legend beside it, and
                        PREFIX.svg, the same as SVG (default: analysis)
  --legend none         PREFIX.png the picture alone
  --mesh-out FILE       write the analysed mesh, its values and colors: FILE.vtp (ParaView and
                        VTK read the values), FILE.ply or FILE.glb. A CAD part is meshed for it
                        alone, within a thousandth of its box's diagonal (whatever the
                        picture's size, zoom and view), its values exact at the vertices; a
                        mesh part is its own mesh
  --mesh-deflection D   the analysed mesh within D of a CAD part's surface instead
  --values-out FILE     write the picture's values as a CSV grid that --values reads
  --save-settings NAME  save the scale to the settings repository NAME
  --per-value           paint through GetColorForValue, value by value
  --check               paint both ways and fail on the first pixel that differs
  --probe X,Y           tell what the picture shows at pixel X,Y (from the top left): the value
                        (--values-out holds it exactly), its block and color, the surface point
                        and its face (CAD) or nearest vertex (mesh); give it again for more pixels
  --timings             tell each stage's time and the peak memory
  --stats-out FILE.json write the statistics of the whole part by area, with the inputs, the
                        scale and the callouts (docs/statistics.md tells its schema)
  --callout X,Y,Z       a numbered label at the part's point nearest X,Y,Z with its value, a
                        leader line to it on PREFIX.png and .svg, listed under the legend (a
                        point the part hides in the view is listed as hidden); give it again
                        for more
  --callouts extremes   callouts at the minimum and maximum, and with --tolerance or
                        --min-draft at the worst point outside on each side
  --report FILE.html    write a report to hand on: one page, pictures embedded, printable on
                        A4: the inputs (sizes, SHA-256, units), the analysis and its options,
                        pictures of the views on one scale, the legend with each block's share
                        of the area, the statistics, the callouts and the verdict; FILE.json
                        beside it holds the same numbers (--stats-out's schema)
  --edges continuity    draw the part's edges that join two faces over the picture, each colored
                        by its continuity (--edge-measure) through a scale of its own, green
                        within the tolerance, with its legend under the picture's. Measured at
                        16 places along each edge: the gap between the faces (G0: within the
                        edge's own tolerance, or a millionth of the part's size), the angle
                        between their normals (G1: within 0.1 degrees) and the relative jump of
                        the curvature across the edge (G2: within 5 %). A CAD part's; a mesh
                        has no edges between faces. The record and the report carry them too
  --edge-measure M      angle (default), gap or curvature: what --edges colors
  --edges-out FILE.csv  list each edge: its faces, length, gap, angle, curvature jump and class
  --report-views V,...  the report's views (default iso,front,top,right), each as --view
                        takes it; separate azimuth and elevation with a colon: 30:20
  -h, --help            this text
)";

// An output prefix may not name a folder.
ZOROutcome CheckOutPrefix(const std::string& prefix) {
  if (prefix.empty()) return ZORUsageProblem("--out needs a PREFIX that is not empty");
  const std::string last = prefix.substr(prefix.rfind('/') + 1);
  if (last.empty() || last == "." || last == ".." || ZORIsDirectory(prefix)) {
    return ZORUsageProblem("--out " + ZORShown(prefix) + " names a folder; give a file prefix such as " +
                           ZORShown(prefix + (prefix.back() == '/' ? "" : "/") + "analysis"));
  }
  return std::nullopt;
}

// The options of an inspection.
ZOROutcome TakeInspectionOption(int id, const std::string& value, ZORRenderOptions& options) {
  ZORInspectionRequest& inspection = options.inspection;
  switch (id) {
    case kStatsOut:
      options.inspection.statisticsPath = value;
      return ZORCheckNotEmpty("--stats-out", value);
    case kCallout: {
      const std::optional<std::vector<double>> point = ZORReadDoubles(value);
      if (!point || point->size() != 3 || !std::all_of(point->begin(), point->end(), [](double c) { return std::isfinite(c); })) {
        return ZORUsageProblem("--callout is X,Y,Z, a point: three finite numbers, not " + ZORShown(value));
      }
      inspection.callouts.push_back({(*point)[0], (*point)[1], (*point)[2]});
      return std::nullopt;
    }
    case kCallouts:
      if (value != "extremes") return ZORUsageProblem("--callouts is extremes, not " + ZORShown(value));
      inspection.extremeCallouts = true;
      return std::nullopt;
    case kReport: {
      options.inspection.reportPath = value;
      const std::size_t dot = value.rfind('.');
      if (dot == std::string::npos || value.substr(dot) != ".html") {
        return ZORUsageProblem("--report names an HTML file, FILE.html, not " + ZORShown(value));
      }
      return std::nullopt;
    }
  }
  if (id == kEdges) {
    if (value != "continuity") return ZORUsageProblem("--edges is continuity, not " + ZORShown(value));
    inspection.drawEdges = true;
    return std::nullopt;
  }
  if (id == kEdgeMeasure) {
    const std::optional<ZOREdgeMeasure> measure = ZOREdgeMeasureNamed(value);
    if (!measure) return ZORUsageProblem(std::string("--edge-measure is ") + kZOREdgeMeasureChoices + ", not " + ZORShown(value));
    inspection.edgeMeasure = *measure;
    return std::nullopt;
  }
  if (id == kEdgesOut) {
    inspection.edgesPath = value;
    return ZORCheckNotEmpty("--edges-out", value);
  }
  inspection.reportViews.clear();
  std::size_t at = 0;
  while (at <= value.size()) {
    const std::size_t comma = std::min(value.find(',', at), value.size());
    std::string view = value.substr(at, comma - at);
    std::replace(view.begin(), view.end(), ':', ',');
    const std::optional<ZORViewpoint> viewpoint = ZORViewpoint::Read(view);
    if (!viewpoint) {
      return ZORUsageProblem("--report-views is a list of views (" + ZORChoices(ZORViewNames()) +
                             ", or AZ:EL in degrees), not " + ZORShown(value));
    }
    inspection.reportViews.push_back(*viewpoint);
    at = comma + 1;
  }
  return std::nullopt;
}

// The render's own options; the others go to `paint`.
ZOROutcome TakeOption(int id, const std::string& value, ZORRenderOptions& options, ZORPaintOptionReader& paint) {
  switch (id) {
    case kOut:
      options.outputs.prefix = value;
      return CheckOutPrefix(value);
    case kMeshOut:
      options.outputs.meshPath = value;
      return ZORCheckNotEmpty("--mesh-out", value);
    case kMeshDeflection: {
      const std::optional<double> deflection = ZORReadDouble(value);
      if (!deflection || !(*deflection > 0.0) || !std::isfinite(*deflection)) {
        return ZORUsageProblem("--mesh-deflection is a finite length above 0, not " + ZORShown(value));
      }
      options.outputs.meshDeflection = deflection;
      return std::nullopt;
    }
    case kValuesOut:
      options.outputs.valuesPath = value;
      return ZORCheckNotEmpty("--values-out", value);
    case kSaveSettings:
      options.scale.saveSettingsName = value;
      return ZORCheckNotEmpty("--save-settings", value);
    case kPerValue:
      options.painting = ZORPaintingMode::PerValue;
      return std::nullopt;
    case kCheck:
      options.painting = ZORPaintingMode::Check;
      return std::nullopt;
    case kLegend:
      if (value != "none" && value != "beside") return ZORUsageProblem("--legend is none or beside, not " + ZORShown(value));
      options.outputs.legendInPicture = value == "beside";
      return std::nullopt;
    case kProbe: {
      const std::optional<std::vector<int>> pixel = ZORReadInts(value);
      if (!pixel || pixel->size() != 2 || (*pixel)[0] < 0 || (*pixel)[1] < 0) {
        return ZORUsageProblem("--probe is X,Y, a pixel's column and row from the top left, not " + ZORShown(value));
      }
      options.probes.push_back(ZORPixel{(*pixel)[0], (*pixel)[1]});
      return std::nullopt;
    }
    case kTimings:
      options.timings = true;
      return std::nullopt;
    case kStatsOut:
    case kCallout:
    case kCallouts:
    case kReport:
    case kReportViews:
    case kEdges:
    case kEdgeMeasure:
    case kEdgesOut:
      return TakeInspectionOption(id, value, options);
  }
  return paint.Take(id, value);
}

// The outputs only a part's picture has.
ZOROutcome PartOnly(const ZORRenderOptions& options) {
  const ZOROutputs& outputs = options.outputs;
  const ZORInspectionRequest& inspection = options.inspection;
  for (const auto& [given, option] : {std::pair{!outputs.meshPath.empty(), "--mesh-out"},
                                      {!inspection.statisticsPath.empty(), "--stats-out"},
                                      {!inspection.reportPath.empty(), "--report"},
                                      {!inspection.callouts.empty() || inspection.extremeCallouts, "--callout"},
                                      {!inspection.reportViews.empty(), "--report-views"},
                                      {inspection.drawEdges, "--edges"},
                                      {!inspection.edgesPath.empty(), "--edges-out"}}) {
    if (given) return ZORUsageProblem(std::string(option) + " is for a part's picture, not a grid of values");
  }
  return std::nullopt;
}

}  // namespace

int ZORRenderJob(ZORJobArguments& arguments, std::string modulePath, std::ostream& out,
                 std::ostream& err) {
  static const std::vector<option> kOptions = ZORPaintOptionTable({
      {"out", required_argument, nullptr, kOut},
      {"legend", required_argument, nullptr, kLegend},
      {"mesh-out", required_argument, nullptr, kMeshOut},
      {"values-out", required_argument, nullptr, kValuesOut},
      {"save-settings", required_argument, nullptr, kSaveSettings},
      {"per-value", no_argument, nullptr, kPerValue},
      {"check", no_argument, nullptr, kCheck},
      {"probe", required_argument, nullptr, kProbe},
      {"timings", no_argument, nullptr, kTimings},
      {"stats-out", required_argument, nullptr, kStatsOut},
      {"callout", required_argument, nullptr, kCallout},
      {"callouts", required_argument, nullptr, kCallouts},
      {"report", required_argument, nullptr, kReport},
      {"report-views", required_argument, nullptr, kReportViews},
      {"mesh-deflection", required_argument, nullptr, kMeshDeflection},
      {"edges", required_argument, nullptr, kEdges},
      {"edge-measure", required_argument, nullptr, kEdgeMeasure},
      {"edges-out", required_argument, nullptr, kEdgesOut},
  });
  ZORRenderOptions options;
  ZORPaintOptionReader paint(options, modulePath);
  ZORCommandLine read = ZORReadCommandLine(arguments, kOptions, [&](int id, const std::string& value) {
    return TakeOption(id, value, options, paint);
  });
  if (!read.problem && read.helpAsked) {
    out << kHelp << ZORPaintOptionsHelp() << kOwnHelp;
    return 0;
  }
  if (!read.problem) read.problem = paint.Finish(read.positional);
  if (!read.problem && !options.source.PaintsPart()) read.problem = PartOnly(options);
  if (!read.problem && options.outputs.meshDeflection && options.outputs.meshPath.empty()) {
    read.problem = ZORUsageProblem("--mesh-deflection is for the mesh --mesh-out writes");
  }
  if (!read.problem && !options.inspection.reportViews.empty() && options.inspection.reportPath.empty()) {
    read.problem = ZORUsageProblem("--report-views is for the report --report writes");
  }
  // The default measure alone is not told apart from none given.
  if (!read.problem && options.inspection.edgeMeasure != ZOREdgeMeasure::Angle && !options.inspection.drawEdges) {
    read.problem = ZORUsageProblem("--edge-measure is for the edges --edges continuity draws");
  }
  if (read.problem) return ZORReport(read.problem, "render", err);
  options.progress = isatty(STDERR_FILENO) != 0;
  std::unique_ptr<ZORModuleHost> host;
  if (ZOROutcome problem = ZORModuleHost::Find(modulePath, host)) return ZORReport(problem, "", err);
  return ZORReport(ZORRender(*host, options, out, err), "render", err);
}
