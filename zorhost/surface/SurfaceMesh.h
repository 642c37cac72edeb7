// A surface as the analysis paints it: triangles over nodes, each node with the analysis value
// there and the surface's outward normal; for a CAD part also the face each triangle lies on and
// each node's surface parameters on it.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ZORVec3 {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;

  friend ZORVec3 operator+(const ZORVec3& a, const ZORVec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
  friend ZORVec3 operator-(const ZORVec3& a, const ZORVec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
  friend ZORVec3 operator*(double s, const ZORVec3& a) { return {s * a.x, s * a.y, s * a.z}; }
  friend bool operator==(const ZORVec3&, const ZORVec3&) = default;
};

inline double Dot(const ZORVec3& a, const ZORVec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline ZORVec3 Cross(const ZORVec3& a, const ZORVec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(const ZORVec3& a) { return std::sqrt(Dot(a, a)); }
// The unit vector along `a`; `a` itself when it has no length (or is not finite).
inline ZORVec3 Normalized(const ZORVec3& a) {
  const double length = Length(a);
  if (length > 0.0 && std::isfinite(length)) {
    const double inverse = 1.0 / length;
    if (std::isfinite(inverse)) return inverse * a;
  }
  // Components whose squares overflow or vanish: measured against the largest first.
  const double largest = std::max({std::fabs(a.x), std::fabs(a.y), std::fabs(a.z)});
  if (!(largest > 0.0) || !std::isfinite(largest)) return a;
  const ZORVec3 scaled{a.x / largest, a.y / largest, a.z / largest};
  return (1.0 / Length(scaled)) * scaled;
}

// The angle between two unit directions, in degrees, 0 to 180.
inline double ZORDegreesBetween(const ZORVec3& a, const ZORVec3& b) {
  return std::acos(std::clamp(Dot(a, b), -1.0, 1.0)) * (180.0 / std::numbers::pi);
}

using ZORTriangle = std::array<int, 3>;

// Where on triangle (a, b, c) the point nearest `p` lies, in barycentric coordinates; exactly 0
// for the corners it does not depend on (Ericson, Real-Time Collision Detection, 5.1.5).
std::array<double, 3> ZORClosestOnTriangle(const ZORVec3& p, const ZORVec3& a, const ZORVec3& b, const ZORVec3& c);

// The area of triangle `t` of nodes at `positions`; 0 when it is not finite.
inline double ZORTriangleArea(const std::vector<ZORVec3>& positions, const ZORTriangle& t) {
  const ZORVec3& a = positions[static_cast<std::size_t>(t[0])];
  const double area = 0.5 * Length(Cross(positions[static_cast<std::size_t>(t[1])] - a,
                                         positions[static_cast<std::size_t>(t[2])] - a));
  return std::isfinite(area) ? area : 0.0;
}

// Coordinates are at most this far from the origin, and a part at most this large: beyond it the
// CAD kernel takes a value as infinite, and the squares that distances and areas take overflow.
inline constexpr double kZORLargestCoordinate = 1e100;

struct ZORSurfaceMesh {
  std::vector<ZORVec3> positions;
  std::vector<ZORTriangle> triangles;
  std::vector<double> values;    // per node; not a number where the analysis is not defined
  std::vector<ZORVec3> normals;  // per node, unit, outward
  std::vector<double> field;     // per node, a property its file gives, when one was asked for
  // CAD parts only.
  std::vector<int> triangleFaces;
  std::vector<std::array<double, 2>> parameters;  // per node, on its triangles' face
};

// The analyses: Gaussian and mean curvature, the principal curvatures k1 <= k2, the deviation
// from a reference part, the draft angle against a pull direction, and a field a mesh's file
// gives at its vertices.
enum class ZORAnalysis { Gaussian, Mean, Minimum, Maximum, Deviation, Draft, Field, Isophote, Reflection, Thickness };
// True for the curvatures.
bool ZORIsCurvature(ZORAnalysis analysis);
// What the analysis is, for titles ("mean curvature").
const char* ZORAnalysisName(ZORAnalysis analysis);
// The analysis a user names on the command line ("gaussian", "mean", "min", "max", "deviation",
// "draft", "field", "isophote", "reflection", "thickness"), if it is one, and every such name.
std::optional<ZORAnalysis> ZORAnalysisNamed(std::string_view keyword);
const char* ZORAnalysisKeyword(ZORAnalysis analysis);
std::vector<std::string> ZORAnalysisKeywords();

// The curvatures at a point, and the analysis's value of them.
struct ZORCurvatures {
  double gaussian;
  double mean;
  double minimum;
  double maximum;

  double Value(ZORAnalysis analysis) const;
};
