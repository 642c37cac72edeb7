// An analysis is a step with one input and one output: the surface at a point in, a value out.
// Parts give the surface (exact on a CAD part, interpolated from the vertices on a mesh); a new
// analysis is one more of these steps.
#pragma once

#include <limits>
#include <memory>
#include <string>

#include "zorhost/surface/SurfaceMesh.h"

// The surface at a point of a part.
struct ZORSurfacePoint {
  ZORVec3 position;
  ZORVec3 normal;            // unit and outward; zero where the surface has none
  ZORCurvatures curvatures;  // signed so that a convex part's are positive; not a number where undefined
  int face = -1;             // a CAD part's face, 0-based
  double field = std::numeric_limits<double>::quiet_NaN();  // a mesh's field, where it has one
};

// ValueAt may be called from several threads at once.
class ZORSurfaceAnalysis {
 public:
  virtual ~ZORSurfaceAnalysis() = default;
  // What it measures, for titles: "mean curvature".
  virtual std::string Name() const = 0;
  // The unit of its values on a part whose lengths are in `lengthUnit` ("mm"; empty when the
  // part's file does not say).
  virtual std::string Unit(const std::string& lengthUnit) const = 0;
  // The value at `point`; not a number where the analysis is not defined there.
  virtual double ValueAt(const ZORSurfacePoint& point) const = 0;
};

// A length unit as a reader sees it: "mm", or "length unit of the file" when the file does not
// say (empty); the area unit of it, "mm²".
std::string ZORLengthUnitName(const std::string& unit);
std::string ZORAreaUnitName(const std::string& unit);

// The curvature analyses: Gaussian, mean, or a principal curvature.
std::unique_ptr<ZORSurfaceAnalysis> ZORMakeCurvatureAnalysis(ZORAnalysis kind);
// The draft angle against the pull direction `pull` (not zero), in degrees: 90 less the angle
// between the outward normal and the pull; positive where the surface opens toward the pull,
// negative on an undercut.
std::unique_ptr<ZORSurfaceAnalysis> ZORMakeDraftAnalysis(const ZORVec3& pull);
// The angle in degrees, 0 to 180, between the outward normal and the direction `light` (not
// zero): isophotes are its lines of one value, the stripes a zebra scale paints.
std::unique_ptr<ZORSurfaceAnalysis> ZORMakeIsophoteAnalysis(const ZORVec3& light);
// Reflection lines as a surface designer sees them: the angle in degrees, 0 to 180, between the
// view ray reflected by the surface and the direction `light`, for a viewer looking along
// -`toViewer`; the stripes move as the view turns.
std::unique_ptr<ZORSurfaceAnalysis> ZORMakeReflectionAnalysis(const ZORVec3& toViewer, const ZORVec3& light);
// The field `name` that a mesh's file gives at its vertices (ZORSurfacePoint::field), its unit
// unknown.
std::unique_ptr<ZORSurfaceAnalysis> ZORMakeFieldAnalysis(const std::string& name);
