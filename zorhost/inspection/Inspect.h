// The inspection of a part a render paints: its statistics over its whole area, its callouts
// placed in the picture, and when asked its record (JSON) and report (HTML) to hand on.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "zorhost/inspection/AreaStatistics.h"
#include "zorhost/inspection/Callouts.h"
#include "zorhost/picture/PictureSteps.h"

// What an inspection is asked for besides the statistics, which every part's render has.
struct ZORInspectionRequest {
  std::vector<ZORVec3> callouts;     // at the part's points nearest these
  bool extremeCallouts = false;      // at the extremes and the worst points outside what passes
  std::string statisticsPath;        // the record, JSON
  std::string reportPath;            // the report, HTML, with its record beside it
  std::vector<ZORViewpoint> reportViews;  // empty: iso, front, top and right
  // The continuity across a part's edges: drawn over the picture by `edgeMeasure`, listed in a CSV
  // file; measured for these, and for the record and the report, which carry it.
  bool drawEdges = false;
  ZOREdgeMeasure edgeMeasure = ZOREdgeMeasure::Angle;
  std::string edgesPath;

  bool MeasuresEdges() const { return drawEdges || !edgesPath.empty() || !statisticsPath.empty() || !reportPath.empty(); }

  // The report's record: FILE.json beside FILE.html.
  std::string ReportRecordPath() const { return reportPath.substr(0, reportPath.size() - 5) + ".json"; }
};

struct ZORInspected {
  std::optional<ZORAreaStatistics> statistics;  // none for a grid, or a part without a value
  std::vector<ZORCallout> callouts;
  std::vector<ZORFigureCallout> placed;         // in the render's own picture
  std::optional<std::vector<ZOREdgeContinuity>> edges;  // when measured
  std::vector<std::pair<std::string, std::string>> files;  // to write with the pictures: path, contents
};

// Inspects the part of `values`, painted as `paint` asks with `scale` (read into `snapshot`):
// the statistics, the callouts, the legend given each block's share of the area; the record and
// the report made when asked, the report's views each pictured and painted with the same scale.
// A problem when an input cannot be read for its digest.
ZOROutcome ZORInspect(const ZORInspectionRequest& request, const ZORPaintRequest& paint, const ZORRenderValues& values,
                      ZORIStNewColorScale* scale, const ZORScaleSnapshot& snapshot, ZORLegendModel& legend,
                      ZORStages& stages, ZORInspected& inspected);

// The statistics, the verdict and the callouts as the summary tells them, a line each.
std::vector<std::string> ZORInspectionLines(const ZORInspected& inspected, const ZORRenderValues& values);
