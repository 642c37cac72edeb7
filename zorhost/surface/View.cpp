#include "zorhost/surface/View.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

#include "zorhost/common/Numbers.h"

namespace {

struct ViewRow {
  const char* name;
  ZORView view;
  ZORVec3 toViewer;
  ZORVec3 up;
  double azimuth;
  double elevation;
};
const ViewRow kViews[] = {
    {"iso", ZORView::Iso, {1.0, -1.0, 1.0}, {0.0, 0.0, 1.0}, -45.0, 35.26438968275465},
    {"front", ZORView::Front, {0.0, -1.0, 0.0}, {0.0, 0.0, 1.0}, -90.0, 0.0},
    {"back", ZORView::Back, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}, 90.0, 0.0},
    {"top", ZORView::Top, {0.0, 0.0, 1.0}, {0.0, 1.0, 0.0}, -90.0, 90.0},
    {"bottom", ZORView::Bottom, {0.0, 0.0, -1.0}, {0.0, -1.0, 0.0}, -90.0, -90.0},
    {"left", ZORView::Left, {-1.0, 0.0, 0.0}, {0.0, 0.0, 1.0}, 180.0, 0.0},
    {"right", ZORView::Right, {1.0, 0.0, 0.0}, {0.0, 0.0, 1.0}, 0.0, 0.0},
};

const ViewRow& RowOf(ZORView view) {
  return *std::find_if(std::begin(kViews), std::end(kViews), [view](const ViewRow& r) { return r.view == view; });
}

// An angle in degrees: a finite number.
std::optional<double> Angle(std::string_view text) {
  const std::optional<double> value = ZORReadDouble(text);
  return value && std::isfinite(*value) ? value : std::nullopt;
}

// The viewer's direction and the picture's up for an azimuth and elevation in degrees: up is the
// direction of growing elevation, so that +z is up from the side and the azimuth's own direction
// turns the picture seen from straight above or below.
void Directions(double azimuth, double elevation, ZORVec3& toViewer, ZORVec3& up) {
  // Whole turns taken off exactly first: a huge azimuth in radians would keep no digit of its angle.
  const double a = std::fmod(azimuth, 360.0) * std::numbers::pi / 180.0, e = elevation * std::numbers::pi / 180.0;
  toViewer = {std::cos(e) * std::cos(a), std::cos(e) * std::sin(a), std::sin(e)};
  up = {-std::sin(e) * std::cos(a), -std::sin(e) * std::sin(a), std::cos(e)};
}

}  // namespace

std::optional<ZORView> ZORViewNamed(const std::string& name) {
  for (const ViewRow& row : kViews) {
    if (name == row.name) return row.view;
  }
  return std::nullopt;
}

std::vector<std::string> ZORViewNames() {
  std::vector<std::string> names;
  for (const ViewRow& row : kViews) names.emplace_back(row.name);
  return names;
}

std::optional<ZORViewpoint> ZORViewpoint::Read(const std::string& text) {
  ZORViewpoint viewpoint;
  if (const std::optional<ZORView> view = ZORViewNamed(text)) {
    const ViewRow& row = RowOf(*view);
    viewpoint.named = view;
    viewpoint.azimuth = row.azimuth;
    viewpoint.elevation = row.elevation;
    return viewpoint;
  }
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos) return std::nullopt;
  const std::optional<double> azimuth = Angle(std::string_view(text).substr(0, comma));
  const std::optional<double> elevation = Angle(std::string_view(text).substr(comma + 1));
  if (!azimuth || !elevation || *elevation < -90.0 || *elevation > 90.0) return std::nullopt;
  viewpoint.named.reset();
  viewpoint.azimuth = *azimuth;
  viewpoint.elevation = *elevation;
  return viewpoint;
}

std::string ZORViewpoint::Text() const {
  if (named) return RowOf(*named).name;
  return ZORExactNumber(azimuth) + "," + ZORExactNumber(elevation);
}

ZORVec3 ZORCamera::ToScreen(const ZORVec3& point) const {
  const ZORVec3 d = point - centre;
  return {width / 2.0 + panX + pixelsPerUnit * Dot(d, right),
          height / 2.0 + panY - pixelsPerUnit * Dot(d, up), Dot(d, toViewer)};
}

namespace {

// The direction toward the viewer and the one up, as a viewpoint gives them.
void ViewDirections(const ZORViewpoint& viewpoint, ZORVec3& toViewer, ZORVec3& up) {
  if (viewpoint.named) {
    const ViewRow& row = RowOf(*viewpoint.named);
    toViewer = row.toViewer;
    up = row.up;
  } else {
    Directions(viewpoint.azimuth, viewpoint.elevation, toViewer, up);
  }
}

}  // namespace

ZORVec3 ZORToViewer(const ZORViewpoint& viewpoint) {
  ZORVec3 toViewer, up;
  ViewDirections(viewpoint, toViewer, up);
  return Normalized(toViewer);
}

ZORCamera ZORFitCamera(const ZORViewpoint& viewpoint, const ZORVec3& lowest, const ZORVec3& highest,
                       int width, int height) {
  ZORCamera camera;
  ZORVec3 toViewer, up;
  ViewDirections(viewpoint, toViewer, up);
  camera.toViewer = Normalized(toViewer);
  // The up direction, made square to the view direction.
  camera.up = Normalized(up - Dot(up, camera.toViewer) * camera.toViewer);
  camera.right = Cross(camera.up, camera.toViewer);
  camera.centre = 0.5 * (lowest + highest);
  camera.width = width;
  camera.height = height;
  camera.panX = viewpoint.panX * width;
  camera.panY = viewpoint.panY * height;
  // The box's corners in the view's plane.
  double halfWidth = 0.0, halfHeight = 0.0;
  for (int corner = 0; corner < 8; ++corner) {
    const ZORVec3 point{(corner & 1) != 0 ? highest.x : lowest.x, (corner & 2) != 0 ? highest.y : lowest.y,
                        (corner & 4) != 0 ? highest.z : lowest.z};
    const ZORVec3 d = point - camera.centre;
    halfWidth = std::max(halfWidth, std::abs(Dot(d, camera.right)));
    halfHeight = std::max(halfHeight, std::abs(Dot(d, camera.up)));
  }
  const double usable = 0.9;
  const double byWidth = halfWidth > 0.0 ? usable * width / (2.0 * halfWidth) : std::numeric_limits<double>::infinity();
  const double byHeight = halfHeight > 0.0 ? usable * height / (2.0 * halfHeight) : std::numeric_limits<double>::infinity();
  camera.pixelsPerUnit = std::min(byWidth, byHeight);
  if (!std::isfinite(camera.pixelsPerUnit)) camera.pixelsPerUnit = 1.0;  // a single point
  camera.pixelsPerUnit *= viewpoint.zoom;
  return camera;
}
