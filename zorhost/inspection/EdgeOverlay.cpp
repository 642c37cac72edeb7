#include "zorhost/inspection/EdgeOverlay.h"

#include <algorithm>
#include <limits>

#include "zorhost/common/Numbers.h"
#include "zorhost/common/Parallel.h"
#include "zorhost/picture/PictureSteps.h"
#include "zorhost/scale/ScaleEdits.h"
#include "zorhost/scale/ToleranceScale.h"
#include "zorhost/surface/PartPicture.h"

std::string ZOREdgeMeasureTitle(ZOREdgeMeasure measure) {
  switch (measure) {
    case ZOREdgeMeasure::Gap: return "the largest gap between the faces";
    case ZOREdgeMeasure::Angle: return "the largest angle between the faces' normals";
    case ZOREdgeMeasure::Curvature: return "the largest relative jump of curvature across";
  }
  return {};
}

std::string ZOREdgeMeasureUnit(ZOREdgeMeasure measure, const std::string& lengthUnit) {
  if (measure == ZOREdgeMeasure::Gap) return ZORLengthUnitName(lengthUnit);
  return measure == ZOREdgeMeasure::Angle ? "\u00b0" : "of the larger";
}

namespace {

// The scale the edges are painted with: green up to the measure's tolerance (the loosest of the
// edges' own, for gaps), warm blocks above it out to the largest measured.
ZOROutcome EdgeScale(ZORModuleHost& host, const std::vector<double>& measures, ZOREdgeMeasure measure,
                     const std::vector<ZOREdgeContinuity>& edges, ZORIStNewColorScale_var& scale) {
  double limit = ZOREdgeTolerance(measure, 0.0);
  for (const ZOREdgeContinuity& edge : edges) limit = std::max(limit, ZOREdgeTolerance(measure, edge.gapTolerance));
  double highest = limit;
  for (double value : measures) {
    if (value > highest) highest = value;  // not a number is left out
  }
  scale = host.NewScale();
  if (!scale) return ZORFailure("the host made no color scale for the edges");
  scale->SetTolerance(ZORHostSession::kDefaultModelTolerance);
  if (!ZORImposeWholeScale(scale.get(), ZORMaximumScale(limit, highest))) {
    return ZORFailure("the edges' scale refuses its blocks");
  }
  return std::nullopt;
}

}  // namespace

ZOROutcome ZORMakeEdgeOverlay(ZORModuleHost& host, const std::vector<ZOREdgeContinuity>& edges, ZOREdgeMeasure measure,
                              const ZORPart& part, const ZORPictureSettings& picture, ZORFigureOverlay& overlay) {
  // The curvature across an edge that is not tangent says nothing of its continuity.
  std::vector<double> measures;
  long untangent = 0;
  for (const ZOREdgeContinuity& edge : edges) {
    const bool tangent = edge.continuity == ZORContinuity::G1 || edge.continuity == ZORContinuity::G2;
    untangent += tangent ? 0 : 1;
    measures.push_back(measure == ZOREdgeMeasure::Curvature && !tangent ? std::numeric_limits<double>::quiet_NaN()
                                                                         : edge.Measure(measure));
  }
  ZORIStNewColorScale_var scale;
  if (ZOROutcome problem = EdgeScale(host, measures, measure, edges, scale)) return problem;
  const ZORScaleSnapshot snapshot(scale.get());
  ZORPainting painting;
  painting.blocks.assign(measures.size(), -1);
  std::vector<ZORRgba> colors(measures.size(), snapshot.Definition().undefinedColor);
  ZORScalePainter::PaintOptions paintOptions;
  paintOptions.undefinedColorForNaN = true;
  snapshot.Painter().Paint(measures, painting.blocks, colors, paintOptions);
  const ZORBlockCounts counts = ZORCountBlocks(painting, ZORPictureValues{}, snapshot.Blocks());
  overlay.legend = ZORMakeLegend(snapshot, &counts);
  overlay.heading = "edges: " + ZOREdgeMeasureTitle(measure) + " (" + ZOREdgeMeasureUnit(measure, part.LengthUnit()) +
                    "), counted by edge";
  if (measure == ZOREdgeMeasure::Curvature && untangent > 0) {
    overlay.legend.notes.push_back("undefined: the " + std::to_string(untangent) +
                                   " edges whose faces are not tangent (G0 or apart), whose curvature jump says nothing");
  }
  overlay.legend.notes.push_back(ZORContinuityCounts(edges) + "; G1 within " + ZORShownNumber(kZORTangentDegrees) +
                                 "\u00b0, G2 within a curvature jump of " + ZORShownNumber(100.0 * kZORCurvatureJump) + " %");
  // Every edge's points placed at once; a piece drawn where both its ends are seen.
  std::vector<ZORVec3> points;
  for (const ZOREdgeContinuity& edge : edges) points.insert(points.end(), edge.along.begin(), edge.along.end());
  const ZORCamera camera = ZORFitCameraToMesh(part, picture.viewpoint, picture.width, picture.height);
  const std::vector<ZORPictureSpot> spots =
      ZORSpotsInPicture(part, camera, points, picture.width, picture.height, ZORThreadCount(picture.threads));
  std::size_t at = 0;
  for (std::size_t e = 0; e < edges.size(); ++e) {
    for (std::size_t k = 0; k < edges[e].along.size(); ++k, ++at) {
      if (k == 0 || !spots[at].seen || !spots[at - 1].seen) continue;
      overlay.pieces.push_back({spots[at - 1].x / picture.width, spots[at - 1].y / picture.height,
                                spots[at].x / picture.width, spots[at].y / picture.height, colors[e]});
    }
  }
  return std::nullopt;
}
