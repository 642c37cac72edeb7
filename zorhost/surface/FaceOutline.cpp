#include "zorhost/surface/FaceOutline.h"

#include <BRepAdaptor_Surface.hxx>
#include <BRepTools.hxx>
#include <BRepTopAdaptor_FClass2d.hxx>
#include <BRep_Tool.hxx>
#include <Geom2d_Curve.hxx>
#include <Precision.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <gp_Pnt2d.hxx>

#include <algorithm>
#include <cmath>

namespace {

using Point = std::array<double, 2>;

Point At(const Handle(Geom2d_Curve) & curve, double t) {
  const gp_Pnt2d p = curve->Value(t);
  return {p.X(), p.Y()};
}

double Cross(const Point& origin, const Point& a, const Point& b) {
  return (a[0] - origin[0]) * (b[1] - origin[1]) - (a[1] - origin[1]) * (b[0] - origin[0]);
}

double DistanceToSegment(const Point& p, const Point& a, const Point& b) {
  const double dx = b[0] - a[0], dy = b[1] - a[1];
  const double squared = dx * dx + dy * dy;
  double t = squared > 0.0 ? ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / squared : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p[0] - (a[0] + t * dx), p[1] - (a[1] + t * dy));
}

}  // namespace

ZORFaceOutline::ZORFaceOutline(const TopoDS_Face& face) {
  const BRepAdaptor_Surface surface(face, false);
  periodic_ = {surface.IsUPeriodic(), surface.IsVPeriodic()};
  Discretize(face);
  if (segments_.size() < 3) return;
  Sort();
  ClassifyCentres();
  usable_ = AgreesWithKernel(face);
}

// Each edge's curve on the face cut into sides, halved where the curve strays from a side by more
// than a thousandth of the face's extent in its parameters; each side keeps twice the largest
// stray found at its quarters, and the kernel's tolerance in parameters, as its margin.
void ZORFaceOutline::Discretize(const TopoDS_Face& face) {
  double u0 = 0.0, u1 = 0.0, v0 = 0.0, v1 = 0.0;
  BRepTools::UVBounds(face, u0, u1, v0, v1);
  const double extent = std::hypot(u1 - u0, v1 - v0);
  if (!(extent > 0.0) || !std::isfinite(extent)) return;
  const double wanted = 1e-3 * extent;
  constexpr int kFirstCuts = 8;
  constexpr int kDeepest = 6;
  for (TopExp_Explorer edges(face, TopAbs_EDGE); edges.More(); edges.Next()) {
    double first = 0.0, last = 0.0;
    const Handle(Geom2d_Curve) curve = BRep_Tool::CurveOnSurface(TopoDS::Edge(edges.Current()), face, first, last);
    if (curve.IsNull() || !std::isfinite(first) || !std::isfinite(last)) {
      segments_.clear();  // an edge without its curve here: the polygon would not close
      return;
    }
    auto cut = [&](auto& self, double from, double to, int depth) -> void {
      const Point a = At(curve, from), b = At(curve, to);
      const double length = std::hypot(b[0] - a[0], b[1] - a[1]);
      double stray = 0.0;
      for (double share : {0.25, 0.5, 0.75}) {
        const Point p = At(curve, from + share * (to - from));
        stray = std::max(stray, length > 0.0 ? std::fabs(Cross(a, b, p)) / length : std::hypot(p[0] - a[0], p[1] - a[1]));
      }
      if (stray > wanted && depth < kDeepest) {
        const double middle = 0.5 * (from + to);
        self(self, from, middle, depth + 1);
        self(self, middle, to, depth + 1);
        return;
      }
      segments_.push_back({a, b, 2.0 * stray + Precision::PConfusion() + 1e-12 * extent});
    };
    for (int i = 0; i < kFirstCuts; ++i) {
      cut(cut, first + (last - first) * i / kFirstCuts, first + (last - first) * (i + 1) / kFirstCuts, 0);
    }
  }
}

void ZORFaceOutline::Sort() {
  lowest_ = highest_ = segments_.front().from;
  for (const Segment& s : segments_) {
    for (const Point& p : {s.from, s.to}) {
      for (int k = 0; k < 2; ++k) {
        lowest_[k] = std::min(lowest_[k], p[k] - s.margin);
        highest_[k] = std::max(highest_[k], p[k] + s.margin);
      }
    }
  }
  const int side = std::clamp(static_cast<int>(std::ceil(std::sqrt(static_cast<double>(segments_.size())))), 4, 64);
  columns_ = rows_ = side;
  cellWidth_ = (highest_[0] - lowest_[0]) / columns_;
  cellHeight_ = (highest_[1] - lowest_[1]) / rows_;
  if (!(cellWidth_ > 0.0) || !(cellHeight_ > 0.0)) {
    segments_.clear();
    return;
  }
  cells_.assign(static_cast<std::size_t>(columns_ * rows_), {});
  auto column = [this](double u) { return std::clamp(static_cast<int>((u - lowest_[0]) / cellWidth_), 0, columns_ - 1); };
  auto row = [this](double v) { return std::clamp(static_cast<int>((v - lowest_[1]) / cellHeight_), 0, rows_ - 1); };
  for (std::size_t i = 0; i < segments_.size(); ++i) {
    const Segment& s = segments_[i];
    const int c0 = column(std::min(s.from[0], s.to[0]) - s.margin), c1 = column(std::max(s.from[0], s.to[0]) + s.margin);
    const int r0 = row(std::min(s.from[1], s.to[1]) - s.margin), r1 = row(std::max(s.from[1], s.to[1]) + s.margin);
    for (int r = r0; r <= r1; ++r) {
      for (int c = c0; c <= c1; ++c) cells_[static_cast<std::size_t>(r * columns_ + c)].push_back(static_cast<int>(i));
    }
  }
}

ZORFaceOutline::Point ZORFaceOutline::CellCentre(int column, int row) const {
  return {lowest_[0] + (column + 0.5) * cellWidth_, lowest_[1] + (row + 0.5) * cellHeight_};
}

// Row by row: where the polygon crosses the row's line through the centres, each centre inside
// when an odd number of crossings lie before it.
void ZORFaceOutline::ClassifyCentres() {
  if (segments_.empty()) return;
  centres_.assign(cells_.size(), Centre::Unsure);
  for (int r = 0; r < rows_; ++r) {
    const double y = CellCentre(0, r)[1];
    std::vector<double> crossings;
    bool touched = false;  // a corner of the polygon on the line: no parity to trust
    for (const Segment& s : segments_) {
      if (s.from[1] == y || s.to[1] == y) touched = true;
      if ((s.from[1] > y) == (s.to[1] > y)) continue;
      crossings.push_back(s.from[0] + (y - s.from[1]) * (s.to[0] - s.from[0]) / (s.to[1] - s.from[1]));
    }
    if (touched) continue;
    std::sort(crossings.begin(), crossings.end());
    for (int c = 0; c < columns_; ++c) {
      const Point centre = CellCentre(c, r);
      const std::size_t cell = static_cast<std::size_t>(r * columns_ + c);
      const bool nearSide = std::any_of(cells_[cell].begin(), cells_[cell].end(), [&](int i) {
        const Segment& s = segments_[static_cast<std::size_t>(i)];
        return DistanceToSegment(centre, s.from, s.to) <= s.margin;
      });
      if (nearSide) continue;
      const auto before = std::lower_bound(crossings.begin(), crossings.end(), centre[0]) - crossings.begin();
      centres_[cell] = before % 2 == 1 ? Centre::Inside : Centre::Outside;
    }
  }
}

bool ZORFaceOutline::AgreesWithKernel(const TopoDS_Face& face) const {
  if (centres_.empty()) return false;
  const BRepTopAdaptor_FClass2d kernel(face, Precision::PConfusion());
  constexpr std::size_t kChecks = 48;
  const std::size_t step = std::max<std::size_t>(1, centres_.size() / kChecks);
  for (std::size_t cell = 0; cell < centres_.size(); cell += step) {
    if (centres_[cell] == Centre::Unsure) continue;
    const Point centre = CellCentre(static_cast<int>(cell) % columns_, static_cast<int>(cell) / columns_);
    const TopAbs_State state = kernel.Perform(gp_Pnt2d(centre[0], centre[1]));
    if (state == TopAbs_ON) continue;
    if ((state == TopAbs_IN) != (centres_[cell] == Centre::Inside)) return false;
  }
  return true;
}

ZORFaceOutline::Side ZORFaceOutline::Classify(double u, double v) const {
  if (!usable_) return Side::Unsure;
  // Past the box: off the face, unless a period brings the point back over it.
  const bool pastU = !(u >= lowest_[0] && u <= highest_[0]), pastV = !(v >= lowest_[1] && v <= highest_[1]);
  if ((pastU && periodic_[0]) || (pastV && periodic_[1])) return Side::Unsure;
  if (pastU || pastV) return Side::Outside;
  const int c = std::min(static_cast<int>((u - lowest_[0]) / cellWidth_), columns_ - 1);
  const int r = std::min(static_cast<int>((v - lowest_[1]) / cellHeight_), rows_ - 1);
  const std::size_t cell = static_cast<std::size_t>(r * columns_ + c);
  if (centres_[cell] == Centre::Unsure) return Side::Unsure;
  const Point p{u, v}, centre = CellCentre(c, r);
  // From the point to its cell's centre, within the cell: every side it crosses is the cell's.
  bool inside = centres_[cell] == Centre::Inside;
  for (int i : cells_[cell]) {
    const Segment& s = segments_[static_cast<std::size_t>(i)];
    if (DistanceToSegment(p, s.from, s.to) <= s.margin) return Side::Unsure;
    const double a = Cross(p, centre, s.from), b = Cross(p, centre, s.to);
    const double e = Cross(s.from, s.to, p), f = Cross(s.from, s.to, centre);
    const bool apart = (a > 0.0 && b > 0.0) || (a < 0.0 && b < 0.0) || (e > 0.0 && f > 0.0) || (e < 0.0 && f < 0.0);
    if (apart) continue;
    if (a == 0.0 || b == 0.0 || e == 0.0 || f == 0.0) return Side::Unsure;  // touching
    inside = !inside;
  }
  return inside ? Side::Inside : Side::Outside;
}
