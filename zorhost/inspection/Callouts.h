// Callouts: numbered points of the part with their values, asked at points of space or found
// (the extremes, and the worst point outside a tolerance on each side), and where each lies in a
// view: drawn with a leader line where it is seen, listed as hidden where the part hides it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "zorhost/figure/LegendLayout.h"
#include "zorhost/inspection/AreaStatistics.h"
#include "zorhost/surface/PartPicture.h"

struct ZORCallout {
  int number = 0;     // from 1
  std::string what;   // "minimum", "maximum", "worst above", "worst below", "asked at (x, y, z)"
  ZORValuePoint at;   // the point of the part and its value
};

// The callouts asked: at the part's point nearest each of `asked` (its value there exact, as a
// pixel's is), then, with `extremes`, the statistics' minimum and maximum and, with what passes,
// the worst points outside it; numbered in that order.
std::vector<ZORCallout> ZORMakeCallouts(const std::vector<ZORVec3>& asked, bool extremes, const ZORPart& part,
                                        const ZORSurfaceAnalysis& analysis, const ZORAreaStatistics* statistics);

// Where each callout lies in the picture of the prepared part seen from `viewpoint`, `width` x
// `height` pixels, and whether the part hides it there; each labelled with its value and `unit`.
std::vector<ZORFigureCallout> ZORPlaceCallouts(const std::vector<ZORCallout>& callouts, const ZORPart& part,
                                               const ZORViewpoint& viewpoint, int width, int height,
                                               const std::string& unit);

// "1: maximum 0.4286 mm at (52.17, 11.13, 12.43), vertex 9283", a callout as the legend lists it.
std::string ZORCalloutText(const ZORCallout& callout, const std::string& unit);
