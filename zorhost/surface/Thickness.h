// Wall thickness: how far the material reaches behind each point of a solid's surface, read by a
// ray into the solid or by the largest ball inside it.
#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "zorhost/surface/Analysis.h"
#include "zorhost/surface/Reference.h"

enum class ZORThicknessMethod {
  // The distance along the inward normal to the opposite wall. Where walls meet (a corner, a rib's
  // root, a fillet's inside) the ray runs along the material and reads the longer way through
  // it; a ray that leaves the part without meeting a wall facing it back gives no value.
  Ray,
  // The diameter of the largest ball inside the solid that touches the surface at the point: the
  // wall as a mould maker sizes it, smaller than the ray's reading where walls meet.
  Sphere,
};
std::optional<ZORThicknessMethod> ZORThicknessMethodNamed(std::string_view keyword);
const char* ZORThicknessMethodKeyword(ZORThicknessMethod method);
inline constexpr const char* kZORThicknessMethodChoices = "ray or sphere";

// The thickness of the solid `solid` (the part itself, indexed, its faces in the part's order) at each point of its surface,
// the point's outward normal pointing out of the material.
std::unique_ptr<ZORSurfaceAnalysis> ZORMakeThicknessAnalysis(std::shared_ptr<const ZORReference> solid,
                                                             ZORThicknessMethod method);
