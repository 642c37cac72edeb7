#include "zorhost/surface/View.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

struct ViewRow {
  const char* name;
  ZORView view;
  ZORVec3 toViewer;
  ZORVec3 up;
};
const ViewRow kViews[] = {
    {"iso", ZORView::Iso, {1.0, -1.0, 1.0}, {0.0, 0.0, 1.0}},
    {"front", ZORView::Front, {0.0, -1.0, 0.0}, {0.0, 0.0, 1.0}},
    {"back", ZORView::Back, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}},
    {"top", ZORView::Top, {0.0, 0.0, 1.0}, {0.0, 1.0, 0.0}},
    {"bottom", ZORView::Bottom, {0.0, 0.0, -1.0}, {0.0, -1.0, 0.0}},
    {"left", ZORView::Left, {-1.0, 0.0, 0.0}, {0.0, 0.0, 1.0}},
    {"right", ZORView::Right, {1.0, 0.0, 0.0}, {0.0, 0.0, 1.0}},
};

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

ZORVec3 ZORCamera::ToScreen(const ZORVec3& point) const {
  const ZORVec3 d = point - centre;
  return {width / 2.0 + pixelsPerUnit * Dot(d, right), height / 2.0 - pixelsPerUnit * Dot(d, up),
          Dot(d, toViewer)};
}

ZORCamera ZORFitCamera(ZORView view, const ZORVec3& lowest, const ZORVec3& highest, int width,
                       int height) {
  const ViewRow& row = *std::find_if(std::begin(kViews), std::end(kViews),
                                     [view](const ViewRow& r) { return r.view == view; });
  ZORCamera camera;
  camera.toViewer = Normalized(row.toViewer);
  // The up direction, made square to the view direction.
  camera.up = Normalized(row.up - Dot(row.up, camera.toViewer) * camera.toViewer);
  camera.right = Cross(camera.up, camera.toViewer);
  camera.centre = 0.5 * (lowest + highest);
  camera.width = width;
  camera.height = height;
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
  return camera;
}
