// Where the picture looks at a part from: an orthographic view along one of seven directions,
// fitted to the picture.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "zorhost/surface/SurfaceMesh.h"

enum class ZORView { Iso, Front, Back, Top, Bottom, Left, Right };
// The view of a name (iso, front, back, top, bottom, left, right), if it is one, and every name.
std::optional<ZORView> ZORViewNamed(const std::string& name);
std::vector<std::string> ZORViewNames();

// Model coordinates to the picture's: x to the right and y down in pixels, z toward the viewer.
struct ZORCamera {
  ZORVec3 right;
  ZORVec3 up;
  ZORVec3 toViewer;
  ZORVec3 centre;         // of the part, at the picture's centre
  double pixelsPerUnit;   // model units to pixels
  double width;
  double height;

  ZORVec3 ToScreen(const ZORVec3& point) const;
};

// The camera that shows the box from `lowest` to `highest` whole, along `view`, in a picture of
// `width` x `height` pixels with a margin of a twentieth on each side. Front looks along +y with
// +z up, top down -z with +y up, iso from (1, -1, 1) with +z up.
ZORCamera ZORFitCamera(ZORView view, const ZORVec3& lowest, const ZORVec3& highest, int width,
                       int height);
