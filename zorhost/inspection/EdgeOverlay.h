// A part's edges drawn over its picture, each in the color a scale of its continuity gives it
// (green within the measure's tolerance, warm past it), with that scale's legend.
#pragma once

#include <string>
#include <vector>

#include "zorhost/common/ModuleHost.h"
#include "zorhost/common/Outcome.h"
#include "zorhost/figure/LegendLayout.h"
#include "zorhost/picture/PictureOptions.h"
#include "zorhost/surface/Continuity.h"
#include "zorhost/surface/Part.h"

// What an edge's measure is, for the legend's heading: "the angle between the faces' normals".
std::string ZOREdgeMeasureTitle(ZOREdgeMeasure measure);
// Its unit on a part whose lengths are in `lengthUnit`.
std::string ZOREdgeMeasureUnit(ZOREdgeMeasure measure, const std::string& lengthUnit);

// The overlay of `edges` on the picture `picture` asks of the prepared `part`: each edge's pieces
// seen in that view, colored by `measure` through a scale the host makes. A problem when the
// host makes no scale or it refuses the blocks.
ZOROutcome ZORMakeEdgeOverlay(ZORModuleHost& host, const std::vector<ZOREdgeContinuity>& edges, ZOREdgeMeasure measure,
                              const ZORPart& part, const ZORPictureSettings& picture, ZORFigureOverlay& overlay);
