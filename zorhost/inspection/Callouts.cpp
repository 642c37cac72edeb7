#include "zorhost/inspection/Callouts.h"

#include "zorhost/common/Numbers.h"

namespace {

std::string PointText(const ZORVec3& p) {
  return "(" + ZORShownNumber(p.x) + ", " + ZORShownNumber(p.y) + ", " + ZORShownNumber(p.z) + ")";
}

bool SamePoint(const ZORValuePoint& a, const ZORValuePoint& b) { return a.point == b.point; }

}  // namespace

std::vector<ZORCallout> ZORMakeCallouts(const std::vector<ZORVec3>& asked, bool extremes, const ZORPart& part,
                                        const ZORSurfaceAnalysis& analysis, const ZORAreaStatistics* statistics) {
  std::vector<ZORCallout> callouts;
  auto add = [&callouts](std::string what, const ZORValuePoint& at) {
    for (const ZORCallout& callout : callouts) {
      if (SamePoint(callout.at, at)) return;
    }
    callouts.push_back({static_cast<int>(callouts.size()) + 1, std::move(what), at});
  };
  for (const ZORVec3& point : asked) {
    int vertex = -1;
    const ZORSurfacePoint surface = ZORNearestOnPart(part, point, part.Exact() ? nullptr : &vertex);
    ZORValuePoint at{analysis.ValueAt(surface), surface.position, surface.face, vertex};
    callouts.push_back({static_cast<int>(callouts.size()) + 1, "asked at " + PointText(point), at});
  }
  if (extremes && statistics) {
    add("minimum", statistics->minimum);
    add("maximum", statistics->maximum);
    if (statistics->worstAbove) add("worst above the tolerance", *statistics->worstAbove);
    if (statistics->worstBelow) add("worst below the tolerance", *statistics->worstBelow);
  }
  return callouts;
}

std::string ZORCalloutText(const ZORCallout& callout, const std::string& unit) {
  std::string text = std::to_string(callout.number) + ": " + ZORShownNumber(callout.at.value) + " " + unit + ", " +
                     callout.what + ", at " + PointText(callout.at.point);
  if (callout.at.face >= 0) text += ", face " + std::to_string(callout.at.face + 1);
  if (callout.at.vertex >= 0) text += ", vertex " + std::to_string(callout.at.vertex + 1);
  return text;
}

std::vector<ZORFigureCallout> ZORPlaceCallouts(const std::vector<ZORCallout>& callouts, const ZORPart& part,
                                               const ZORViewpoint& viewpoint, int width, int height,
                                               const std::string& unit) {
  const ZORCamera camera = ZORFitCameraToMesh(part, viewpoint, width, height);
  std::vector<ZORFigureCallout> placed;
  for (const ZORCallout& callout : callouts) {
    const ZORPictureSpot spot = ZORSpotInPicture(part, camera, callout.at.point, width, height);
    placed.push_back({callout.number, spot.x / width, spot.y / height, spot.seen,
                      ZORShownNumber(callout.at.value) + " " + unit, ZORCalloutText(callout, unit)});
  }
  return placed;
}
