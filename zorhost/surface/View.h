// Where the picture looks at a part from: an orthographic view along one of seven named
// directions or any azimuth and elevation, zoomed and panned, fitted to the picture.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "zorhost/surface/SurfaceMesh.h"

enum class ZORView { Iso, Front, Back, Top, Bottom, Left, Right };
// The view of a name (iso, front, back, top, bottom, left, right), if it is one, and every name.
std::optional<ZORView> ZORViewNamed(const std::string& name);
std::vector<std::string> ZORViewNames();

// A direction to look from: a named view, or an azimuth and an elevation in degrees (the viewer
// at (cos e cos a, cos e sin a, sin e) from the part, +z up; a named view is one of these too:
// front -90, 0; iso -45, 35.26), with a zoom (1: the part fits the picture with a twentieth's
// margin) and a pan, the part moved by these fractions of the picture's width and height (right
// and down positive).
struct ZORViewpoint {
  std::optional<ZORView> named = ZORView::Iso;
  double azimuth = -45.0;
  double elevation = 35.26438968275465;
  double zoom = 1.0;
  double panX = 0.0;
  double panY = 0.0;

  // The viewpoint of a named view, or of "AZIMUTH,ELEVATION" in degrees (elevation from -90 to
  // 90); nullopt for any other text.
  static std::optional<ZORViewpoint> Read(const std::string& text);
  // Its text as Read takes it: the name, or "AZIMUTH,ELEVATION".
  std::string Text() const;
  friend bool operator==(const ZORViewpoint&, const ZORViewpoint&) = default;
};

// Model coordinates to the picture's: x to the right and y down in pixels, z toward the viewer.
struct ZORCamera {
  ZORVec3 right;
  ZORVec3 up;
  ZORVec3 toViewer;
  ZORVec3 centre;         // of the part, at the picture's centre before the pan
  double pixelsPerUnit;   // model units to pixels
  double width;
  double height;
  double panX = 0.0;      // pixels
  double panY = 0.0;

  ZORVec3 ToScreen(const ZORVec3& point) const;
};

// The direction toward the viewer of `viewpoint`, unit.
ZORVec3 ZORToViewer(const ZORViewpoint& viewpoint);

// The camera that shows the box from `lowest` to `highest` whole, seen from `viewpoint`, in a
// picture of `width` x `height` pixels with a margin of a twentieth on each side, then zoomed and
// panned. Front looks along +y with +z up, top down -z with +y up, iso from (1, -1, 1) with +z up.
ZORCamera ZORFitCamera(const ZORViewpoint& viewpoint, const ZORVec3& lowest, const ZORVec3& highest,
                       int width, int height);
