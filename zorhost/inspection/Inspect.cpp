#include "zorhost/inspection/Inspect.h"

#include <algorithm>
#include <cmath>

#include "zorhost/common/Numbers.h"
#include "zorhost/figure/FigurePng.h"
#include "zorhost/inspection/InspectionRecord.h"
#include "zorhost/inspection/Report.h"
#include "zorhost/picture/PaintOptions.h"

namespace {

// What the analysis was asked with, as the command line says it.
std::vector<std::pair<std::string, std::string>> Settings(const ZORPaintRequest& paint) {
  const ZORPictureSettings& picture = paint.picture;
  const ZORAnalysisParameters& parameters = picture.parameters;
  const ZORScaleRecipe& scale = paint.scale;
  std::vector<std::pair<std::string, std::string>> settings = {{"analysis", ZORAnalysisKeyword(picture.analysis)}};
  if (picture.analysis == ZORAnalysis::Deviation) {
    settings.emplace_back("reference", parameters.referencePath);
    settings.emplace_back("deviation edges", parameters.keepBeyondEdges ? "keep" : "undefined");
    if (parameters.maxDistance) settings.emplace_back("max distance", ZORShownNumber(*parameters.maxDistance));
  }
  if (picture.analysis == ZORAnalysis::Draft) {
    settings.emplace_back("pull", ZORDirectionText(parameters.pull));
  }
  if (picture.analysis == ZORAnalysis::Field) settings.emplace_back("field", parameters.field);
  if (picture.analysis == ZORAnalysis::Thickness) {
    settings.emplace_back("thickness", ZORThicknessMethodKeyword(parameters.thickness));
  }
  if (parameters.light) settings.emplace_back("light", ZORDirectionText(*parameters.light));
  if (scale.stripes) settings.emplace_back("stripes", ZORShownNumber(*scale.stripes) + " degrees");
  if (!paint.source.lengthUnit.empty()) settings.emplace_back("unit", paint.source.lengthUnit);
  if (scale.tolerance) settings.emplace_back("tolerance", ZORToleranceText(*scale.tolerance));
  if (scale.minDraft) settings.emplace_back("min draft", ZORShownNumber(*scale.minDraft));
  if (scale.minThickness) settings.emplace_back("min thickness", ZORShownNumber(*scale.minThickness));
  if (scale.Passing()) settings.emplace_back("pass share", ZORShownNumber(scale.passShare) + " %");
  if (!scale.settingsName.empty()) {
    settings.emplace_back("scale", "settings repository " + scale.settingsName);
  } else if (scale.preset) {
    settings.emplace_back("scale", std::string("preset ") + scale.preset->name);
  } else if (!scale.Passing() && !scale.stripes) {
    settings.emplace_back("scale", std::string("default, ") + std::to_string(scale.blocks) + " blocks" +
                                       (scale.diverging ? ", diverging about zero" : ""));
  }
  if (scale.classify) settings.emplace_back("classify", ZORClassMethodName(*scale.classify));
  if (scale.range) {
    settings.emplace_back("range", scale.range->symmetric ? "symmetric"
                                                          : ZORShownNumber(scale.range->lowest) + "," +
                                                                ZORShownNumber(scale.range->highest));
  }
  settings.emplace_back("view", picture.viewpoint.Text());
  settings.emplace_back("size", std::to_string(picture.width) + "x" + std::to_string(picture.height));
  return settings;
}

// The files the part and its reference were read from.
ZOROutcome Inputs(const ZORPaintRequest& paint, const ZORRenderValues& values, std::vector<ZORInputFile>& inputs) {
  if (!paint.source.partPath.empty()) {
    ZORInputFile part;
    if (ZOROutcome problem = ZORDescribeInput("part", paint.source.partPath, values.part->LengthUnit(), part)) return problem;
    inputs.push_back(std::move(part));
  }
  if (values.reference) {
    ZORInputFile reference;
    if (ZOROutcome problem = ZORDescribeInput("reference", paint.picture.parameters.referencePath,
                                              values.reference->Part().LengthUnit(), reference)) {
      return problem;
    }
    inputs.push_back(std::move(reference));
  }
  return std::nullopt;
}

// The report's views, each pictured at a size whose pixels, all views together, are at most
// kViewsShare of the render's own (at most 640 wide), painted with the render's scale, its
// callouts drawn: the report costs less than half the render again.
constexpr double kViewsShare = 0.4;
std::vector<ZORReportView> PictureViews(const ZORInspectionRequest& request, const ZORPaintRequest& paint,
                                        const ZORRenderValues& values, ZORIStNewColorScale* scale,
                                        const ZORScaleSnapshot& snapshot, const std::vector<ZORCallout>& callouts,
                                        ZORStages& stages) {
  std::vector<ZORViewpoint> views = request.reportViews;
  if (views.empty()) {
    for (const char* name : {"iso", "front", "top", "right"}) views.push_back(*ZORViewpoint::Read(name));
  }
  ZORPictureSettings settings = paint.picture;
  const double shrink = std::min({1.0, std::sqrt(kViewsShare / static_cast<double>(views.size())), 640.0 / settings.width});
  settings.width = std::max(1, static_cast<int>(std::lround(settings.width * shrink)));
  settings.height = std::max(1, static_cast<int>(std::lround(settings.height * shrink)));
  std::vector<ZORReportView> pictured;
  for (const ZORViewpoint& view : views) {
    settings.viewpoint = view;
    settings.viewpoint.zoom = 1.0;
    settings.viewpoint.panX = settings.viewpoint.panY = 0.0;
    ZORPictureValues picture;
    ZORPicturePartValues(settings, values, picture, stages);
    ZORPainting painting;
    if (ZORPaintValues(scale, snapshot, picture.grid, ZORPaintingMode::Painter, painting, stages, settings.threads)) {
      continue;
    }
    const std::vector<std::uint8_t> rgba =
        ZORPictureRgba(picture, std::move(painting), snapshot.Definition().undefinedColor, settings.background,
                       settings.threads);
    const std::vector<ZORFigureCallout> placed =
        ZORPlaceCallouts(callouts, *values.part, settings.viewpoint, settings.width, settings.height, values.unit);
    pictured.push_back({view.Text(), ZORMarkedPicturePng(settings.width, settings.height, rgba, placed), placed});
  }
  return pictured;
}

// The edges' classes and their worst measures, as the summary tells them.
std::string EdgesLine(const std::vector<ZOREdgeContinuity>& edges, const ZORPart& part) {
  if (!part.Exact()) return "none measured: a mesh has no faces whose edges join them";
  double gap = 0.0, angle = 0.0, jump = 0.0;
  for (const ZOREdgeContinuity& e : edges) {
    gap = std::max(gap, e.gap);
    angle = std::max(angle, e.angle);
    jump = std::max(jump, e.curvatureJump);
  }
  return ZORContinuityCounts(edges) + "; largest gap " + ZORShownNumber(gap) + " " + ZORLengthUnitName(part.LengthUnit()) +
         ", angle " + ZORShownNumber(angle) + "°, curvature jump " + ZORShownNumber(100.0 * jump) + " %";
}

}  // namespace

ZOROutcome ZORInspect(const ZORInspectionRequest& request, const ZORPaintRequest& paint, const ZORRenderValues& values,
                      ZORIStNewColorScale* scale, const ZORScaleSnapshot& snapshot, ZORLegendModel& legend,
                      ZORStages& stages, ZORInspected& inspected) {
  if (!values.part) return std::nullopt;
  stages.Begin("statistics");
  inspected.statistics = ZORMeasureArea(values.area, snapshot, paint.scale.Passing(), paint.scale.passShare);
  if (!inspected.statistics) return std::nullopt;
  ZORAddAreaShares(*inspected.statistics, legend);
  inspected.callouts = ZORMakeCallouts(request.callouts, request.extremeCallouts, *values.part, *values.analysis,
                                       &*inspected.statistics);
  inspected.placed = ZORPlaceCallouts(inspected.callouts, *values.part, paint.picture.viewpoint, paint.picture.width,
                                      paint.picture.height, values.unit);
  if (request.MeasuresEdges()) {
    stages.Begin("continuity across the edges");
    inspected.edges = values.part->EdgesContinuity();
    if (!request.edgesPath.empty()) {
      inspected.files.emplace_back(request.edgesPath, ZORContinuityCsv(*inspected.edges, values.part->LengthUnit()));
    }
  }
  if (request.statisticsPath.empty() && request.reportPath.empty()) return std::nullopt;
  ZORInspection record{ZORRenderTitle(values), values.analysis->Name(), values.unit, values.lengthUnit, {},
                       Settings(paint), *inspected.statistics, legend, inspected.callouts, inspected.edges};
  if (ZOROutcome problem = Inputs(paint, values, record.inputs)) return problem;
  const std::string json = ZORInspectionJson(record);
  if (!request.statisticsPath.empty()) inspected.files.emplace_back(request.statisticsPath, json);
  if (request.reportPath.empty()) return std::nullopt;
  stages.Begin("the report's views");
  const std::vector<ZORReportView> views = PictureViews(request, paint, values, scale, snapshot, inspected.callouts, stages);
  inspected.files.emplace_back(request.reportPath, ZORReportHtml(record, views));
  inspected.files.emplace_back(request.ReportRecordPath(), json);
  return std::nullopt;
}

std::vector<std::string> ZORInspectionLines(const ZORInspected& inspected, const ZORRenderValues& values) {
  std::vector<std::string> lines;
  if (!inspected.statistics) return lines;
  for (const std::string& line : ZORStatisticsLines(*inspected.statistics, values.unit, values.lengthUnit)) {
    lines.push_back("statistics: " + line);
  }
  for (const ZORFigureCallout& callout : inspected.placed) {
    lines.push_back("callout " + callout.listed + (callout.seen ? "" : " (hidden in this view)"));
  }
  if (inspected.edges) lines.push_back("edges: " + EdgesLine(*inspected.edges, *values.part));
  return lines;
}
