// Continuity across a part's edges: where two faces meet, how far apart they are (G0), how far
// their normals turn (G1) and how much their curvature jumps across the edge (G2), sampled along
// its length; each edge classed by the tolerances it keeps.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "zorhost/surface/SurfaceMesh.h"

// How smoothly two faces meet: apart (a gap past the position tolerance), touching (G0), tangent
// (G1) or with equal curvature across (G2).
enum class ZORContinuity { Gap, G0, G1, G2 };
const char* ZORContinuityName(ZORContinuity continuity);

// What an edge's continuity is read by: its largest gap, angle or curvature jump.
enum class ZOREdgeMeasure { Gap, Angle, Curvature };
std::optional<ZOREdgeMeasure> ZOREdgeMeasureNamed(std::string_view keyword);
const char* ZOREdgeMeasureKeyword(ZOREdgeMeasure measure);
inline constexpr const char* kZOREdgeMeasureChoices = "gap, angle or curvature";

// Within these an edge keeps its class. Gap: the larger of the edge's own tolerance (what the file
// says its faces may stand apart) and kZORGapShare of the part's size.
inline constexpr double kZORGapShare = 1e-6;
inline constexpr double kZORTangentDegrees = 0.1;
inline constexpr double kZORCurvatureJump = 0.05;  // a twentieth of the larger curvature
// How many places along an edge are measured (its ends apart, where faces often meet in a point).
inline constexpr int kZOREdgeSamples = 16;

struct ZOREdgeContinuity {
  int edge = 0;                 // the part's edge, 0-based, in the order its file gives them
  int faces[2] = {0, 0};        // the two faces it joins, 0-based, as ZORSurfacePoint::face
  double length = 0.0;
  double gap = 0.0;             // largest distance between the two faces' points on it
  double gapTolerance = 0.0;    // the gap it may have and be G0
  double angle = 0.0;           // largest angle between the faces' outward normals, degrees
  double curvatureJump = 0.0;   // largest |k1 - k2| / max(|k1|, |k2|) of the normal curvatures across it
  ZORContinuity continuity = ZORContinuity::G2;
  std::vector<ZORVec3> along;   // points along it, end to end, to draw it

  double Measure(ZOREdgeMeasure measure) const;
};

// The class of an edge of these measures.
ZORContinuity ZORClassifyEdge(double gap, double gapTolerance, double angle, double curvatureJump);

// The tolerance of `measure` an edge of `gapTolerance` keeps its class within: where its scale
// turns from pass to fail.
double ZOREdgeTolerance(ZOREdgeMeasure measure, double gapTolerance);

// "64 edges join two faces: 12 G2, 30 G1, 22 G0, 0 apart", the edges' classes counted.
std::string ZORContinuityCounts(const std::vector<ZOREdgeContinuity>& edges);

// The edges as a CSV table: a row each, its faces 1-based as the probe names them.
std::string ZORContinuityCsv(const std::vector<ZOREdgeContinuity>& edges, const std::string& lengthUnit);
