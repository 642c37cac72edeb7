#include "zorhost/surface/Reference.h"

#include <BVH_BinnedBuilder.hxx>
#include <BVH_Distance.hxx>
#include <BVH_Tools.hxx>
#include <BVH_Triangulation.hxx>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>

#include "zorhost/surface/CadKernel.h"
#include "zorhost/surface/EdgeUses.h"

namespace {

// A mesh's triangles, each boxed with the deflection of its face around it: where the surface it
// stands for may be.
class Triangulation final : public BVH_Triangulation<double, 3> {
 public:
  Triangulation() : BVH_Triangulation<double, 3>(new BVH_BinnedBuilder<double, 3, 32>(4, 64)) {}
  std::vector<double> deflections;  // by the triangle's index in the mesh (an element's fourth member)
  BVH_Box<double, 3> Box(const Standard_Integer index) const override {
    BVH_Box<double, 3> box = BVH_Triangulation<double, 3>::Box(index);
    const double d = deflections[static_cast<std::size_t>(Elements[static_cast<std::size_t>(index)].w())];
    if (d > 0.0) {
      box.Add(box.CornerMin() - BVH_Vec3d(d, d, d));
      box.Add(box.CornerMax() + BVH_Vec3d(d, d, d));
    }
    return box;
  }
  using BVH_Triangulation<double, 3>::Box;
};

BVH_Vec3d Vec(const ZORVec3& p) { return BVH_Vec3d(p.x, p.y, p.z); }

// The triangle of a BVH triangulation nearest a point, no farther than the squared distance it
// starts with. The triangulation's elements carry their triangle's index in the mesh as their
// fourth member, since building the hierarchy reorders them.
class NearestTriangle final : public BVH_Distance<double, 3, BVH_Vec3d, Triangulation> {
 public:
  NearestTriangle(const ZORVec3& point, double withinSquared) {
    SetObject(Vec(point));
    myDistance = withinSquared;
  }
  Standard_Boolean RejectNode(const BVH_Vec3d& lowest, const BVH_Vec3d& highest, double& metric) const override {
    metric = BVH_Tools<double, 3>::PointBoxSquareDistance(myObject, lowest, highest);
    return RejectMetric(metric);
  }
  Standard_Boolean Accept(const Standard_Integer index, const double&) override {
    const BVH_Vec4i& element = myBVHSet->Elements[static_cast<std::size_t>(index)];
    const std::vector<BVH_Vec3d>& vertices = myBVHSet->Vertices;
    const double squared = BVH_Tools<double, 3>::PointTriangleSquareDistance(
        myObject, vertices[static_cast<std::size_t>(element.x())], vertices[static_cast<std::size_t>(element.y())],
        vertices[static_cast<std::size_t>(element.z())]);
    if (squared > myDistance || (squared == myDistance && best_ >= 0)) return Standard_False;
    myDistance = squared;
    best_ = element.w();
    return Standard_True;
  }
  int Best() const { return best_; }

 private:
  int best_ = -1;
};

// The triangles of a BVH triangulation whose surface may come within a distance of a point:
// the triangle itself within that distance and its deflection.
class TrianglesWithin final : public BVH_Traverse<double, 3, Triangulation, double> {
 public:
  TrianglesWithin(const ZORVec3& point, double within) : point_(Vec(point)), within_(within) {}
  Standard_Boolean RejectNode(const BVH_Vec3d& lowest, const BVH_Vec3d& highest, double& metric) const override {
    metric = BVH_Tools<double, 3>::PointBoxSquareDistance(point_, lowest, highest);
    return metric > within_ * within_;
  }
  Standard_Boolean Accept(const Standard_Integer index, const double&) override {
    const BVH_Vec4i& element = myBVHSet->Elements[static_cast<std::size_t>(index)];
    const std::vector<BVH_Vec3d>& vertices = myBVHSet->Vertices;
    const double distance = std::sqrt(BVH_Tools<double, 3>::PointTriangleSquareDistance(
        point_, vertices[static_cast<std::size_t>(element.x())], vertices[static_cast<std::size_t>(element.y())],
        vertices[static_cast<std::size_t>(element.z())]));
    if (distance - myBVHSet->deflections[static_cast<std::size_t>(element.w())] >= within_) return Standard_False;
    found_.push_back(element.w());
    return Standard_True;
  }
  const std::vector<int>& Found() const { return found_; }

 private:
  BVH_Vec3d point_;
  double within_;
  std::vector<int> found_;
};

// The first crossing of a ray with the surface a BVH triangulation stands for, past `beyond`:
// the triangles whose box, widened by the triangle's deflection, the ray passes through, nearest
// box first, each refined (`refine`) from the point of the triangle where the ray comes nearest
// (taken where it meets the triangle's plane) when that lies within the deflection of the ray
// (rounding's own reach on a mesh, whose triangles are its surface). Boxes past the first
// crossing found are not entered.
class FirstAlongRay final : public BVH_Traverse<double, 3, Triangulation, double> {
 public:
  using Crossing = ZORPart::Evaluator::Crossing;
  using Refine = std::function<std::optional<Crossing>(int triangle, const std::array<double, 3>& at)>;
  // `ownFace`, the origin's face when it is one of the surface's (-1 when not): its triangles at the
  // origin are crossed there, and not refined. `faces`: the face of each triangle.
  FirstAlongRay(const ZORVec3& origin, const ZORVec3& direction, double beyond, int ownFace,
                const std::vector<int>& faces, Refine refine)
      : origin_(origin), direction_(direction), beyond_(beyond), ownFace_(ownFace), faces_(faces),
        refine_(std::move(refine)) {
    const double d[3] = {direction.x, direction.y, direction.z};
    for (std::size_t axis = 0; axis < 3; ++axis) {
      inverse_[axis] = d[axis] != 0.0 ? 1.0 / d[axis] : std::numeric_limits<double>::infinity();  // an axis-parallel ray
    }
  }
  Standard_Boolean IsMetricBetter(const double& a, const double& b) const override { return a < b; }
  Standard_Boolean RejectMetric(const double& entry) const override { return first_ && entry > first_->distance; }
  Standard_Boolean RejectNode(const BVH_Vec3d& lowest, const BVH_Vec3d& highest, double& metric) const override {
    metric = std::numeric_limits<double>::infinity();  // set on every path: the walk reads it
    double entry = 0.0, exit = std::numeric_limits<double>::infinity();
    const double o[3] = {origin_.x, origin_.y, origin_.z};
    const double low[3] = {lowest.x(), lowest.y(), lowest.z()}, high[3] = {highest.x(), highest.y(), highest.z()};
    for (std::size_t axis = 0; axis < 3; ++axis) {
      if (std::isinf(inverse_[axis])) {
        if (o[axis] < low[axis] || o[axis] > high[axis]) return Standard_True;
        continue;
      }
      double near = (low[axis] - o[axis]) * inverse_[axis], far = (high[axis] - o[axis]) * inverse_[axis];
      if (near > far) std::swap(near, far);
      entry = std::max(entry, near);
      exit = std::min(exit, far);
    }
    metric = entry;
    return entry > exit || exit <= beyond_ || RejectMetric(entry);
  }
  Standard_Boolean Accept(const Standard_Integer index, const double&) override {
    const BVH_Vec4i& element = myBVHSet->Elements[static_cast<std::size_t>(index)];
    const std::vector<BVH_Vec3d>& vertices = myBVHSet->Vertices;
    auto corner = [&vertices](int k) {
      const BVH_Vec3d& v = vertices[static_cast<std::size_t>(k)];
      return ZORVec3{v.x(), v.y(), v.z()};
    };
    const ZORVec3 a = corner(element.x()), b = corner(element.y()), c = corner(element.z());
    const ZORVec3 normal = Cross(b - a, c - a);
    const double across = Dot(normal, direction_);
    if (across == 0.0) return Standard_False;  // the ray runs along its plane: its neighbours meet it
    const ZORVec3 onPlane = origin_ + (Dot(normal, a - origin_) / across) * direction_;
    const double deflection = myBVHSet->deflections[static_cast<std::size_t>(element.w())];
    // Where the ray meets the plane, in the triangle's barycentric coordinates: inside, the ray
    // crosses it there; outside a flat one (a plane's, or a mesh's), it misses, but for rounding.
    const double squared = Dot(normal, normal);
    if (!(squared > 0.0)) return Standard_False;  // no area: its neighbours meet the ray
    const double inverse = 1.0 / squared;
    const double wa = Dot(Cross(b - onPlane, c - onPlane), normal) * inverse;
    const double wb = Dot(Cross(c - onPlane, a - onPlane), normal) * inverse;
    const double wc = 1.0 - wa - wb;
    constexpr double kRounding = 1e-9;
    const double rounding = kRounding * std::sqrt(std::max({Dot(b - a, b - a), Dot(c - b, c - b), Dot(a - c, a - c)}));
    const bool inside = wa >= 0.0 && wb >= 0.0 && wc >= 0.0;
    if (!inside && deflection <= rounding && std::min({wa, wb, wc}) < -kRounding) return Standard_False;
    const std::array<double, 3> at = inside ? std::array<double, 3>{wa, wb, wc} : ZORClosestOnTriangle(onPlane, a, b, c);
    const ZORVec3 nearest = inside ? onPlane : at[0] * a + at[1] * b + at[2] * c;
    const double distance = Dot(nearest - origin_, direction_);
    const double reach = 2.0 * deflection + rounding;
    if (!inside && !(Length(nearest - origin_ - distance * direction_) <= reach)) return Standard_False;
    if (distance + reach <= beyond_ || (first_ && distance - reach > first_->distance)) return Standard_False;
    if (ownFace_ >= 0 && std::fabs(distance) <= reach && faces_[static_cast<std::size_t>(element.w())] == ownFace_) {
      return Standard_False;
    }
    std::optional<Crossing> crossing = refine_(element.w(), at);
    if (!crossing || !(crossing->distance > beyond_) || (first_ && crossing->distance >= first_->distance)) {
      return Standard_False;
    }
    first_ = std::move(crossing);
    return Standard_True;
  }
  std::optional<Crossing>& First() { return first_; }

 private:
  ZORVec3 origin_;
  ZORVec3 direction_;
  double inverse_[3];  // of the direction's components
  double beyond_;
  int ownFace_;
  const std::vector<int>& faces_;
  Refine refine_;
  std::optional<Crossing> first_;
};

}  // namespace

// The reference's mesh in a BVH, and which of its edges and nodes are on the mesh's edge: those
// of one triangle only.
class ZORReference::Index {
 public:
  Index(const ZORSurfaceMesh& mesh, std::vector<double> deflections) : mesh_(mesh) {
    for (const ZORVec3& p : mesh.positions) triangulation_.Vertices.push_back(Vec(p));
    for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
      const ZORTriangle& triangle = mesh.triangles[t];
      triangulation_.Elements.push_back(BVH_Vec4i(triangle[0], triangle[1], triangle[2], static_cast<int>(t)));
    }
    triangulation_.deflections = std::move(deflections);
    triangulation_.MarkDirty();
    triangulation_.BVH();  // built now, read only after: the queries may come from several threads
    FindBoundary();
  }

  struct Found {
    int triangle;
    std::array<double, 3> at;  // the point of the triangle nearest
    double distance;
  };
  std::optional<Found> Nearest(const ZORVec3& point, double withinSquared) {
    NearestTriangle search(point, withinSquared);
    search.SetBVHSet(&triangulation_);
    search.ComputeDistance();
    if (search.Best() < 0) return std::nullopt;
    return On(point, search.Best());
  }
  // Every triangle whose surface may come nearer `point` than `within`.
  std::vector<Found> Within(const ZORVec3& point, double within) {
    TrianglesWithin search(point, within);
    search.SetBVHSet(&triangulation_);
    search.Select();
    std::vector<Found> found;
    for (int triangle : search.Found()) found.push_back(On(point, triangle));
    return found;
  }

  // The first crossing of the ray from `origin` along `direction` past `beyond`, each
  // candidate refined by `refine`.
  std::optional<ZORPart::Evaluator::Crossing> FirstCrossing(const ZORVec3& origin, const ZORVec3& direction,
                                                            double beyond, int ownFace, FirstAlongRay::Refine refine) {
    if (mesh_.triangleFaces.empty()) ownFace = -1;
    FirstAlongRay search(origin, direction, beyond, ownFace, mesh_.triangleFaces, std::move(refine));
    search.SetBVHSet(&triangulation_);
    search.Select();
    return std::move(search.First());
  }

  // The point of `triangle` nearest `point`.
  Found On(const ZORVec3& point, int triangle) const {
    const ZORTriangle& t = mesh_.triangles[static_cast<std::size_t>(triangle)];
    const auto corner = [this, &t](int k) { return mesh_.positions[static_cast<std::size_t>(t[static_cast<std::size_t>(k)])]; };
    const std::array<double, 3> at = ZORClosestOnTriangle(point, corner(0), corner(1), corner(2));
    const ZORVec3 q = at[0] * corner(0) + at[1] * corner(1) + at[2] * corner(2);
    return Found{triangle, at, Length(point - q)};
  }

  // Whether the point of `triangle` at `at` is on the boundary: on an edge of that triangle alone,
  // or at a node of such an edge.
  bool OnBoundary(int triangle, const std::array<double, 3>& at) const {
    const std::size_t t = static_cast<std::size_t>(triangle);
    int zeros = 0, zero = -1, nonzero = -1;
    for (int k = 0; k < 3; ++k) {
      if (at[static_cast<std::size_t>(k)] == 0.0) {
        ++zeros;
        zero = k;
      } else {
        nonzero = k;
      }
    }
    if (zeros == 1) return boundaryEdges_[t][static_cast<std::size_t>(zero)];
    if (zeros == 2) {
      const int node = mesh_.triangles[t][static_cast<std::size_t>(nonzero)];
      return boundaryNodes_[static_cast<std::size_t>(node)];
    }
    return false;
  }

 private:
  // Edge k of a triangle is the one opposite its corner k.
  void FindBoundary() {
    const ZOREdgeUses uses(mesh_.triangles);
    boundaryEdges_.resize(mesh_.triangles.size());
    boundaryNodes_.assign(mesh_.positions.size(), false);
    for (std::size_t i = 0; i < mesh_.triangles.size(); ++i) {
      const ZORTriangle& t = mesh_.triangles[i];
      for (int k = 0; k < 3; ++k) {
        const int a = t[static_cast<std::size_t>((k + 1) % 3)], b = t[static_cast<std::size_t>((k + 2) % 3)];
        const bool boundary = uses.Uses(a, b) == 1;
        boundaryEdges_[i][static_cast<std::size_t>(k)] = boundary;
        if (boundary) {
          boundaryNodes_[static_cast<std::size_t>(a)] = true;
          boundaryNodes_[static_cast<std::size_t>(b)] = true;
        }
      }
    }
  }

  const ZORSurfaceMesh& mesh_;
  Triangulation triangulation_;
  std::vector<std::array<bool, 3>> boundaryEdges_;
  std::vector<bool> boundaryNodes_;
};

ZORReference::ZORReference(std::unique_ptr<ZORPart> part) : part_(std::move(part)) {}

ZORReference::~ZORReference() = default;

ZOROutcome ZORReference::Make(std::unique_ptr<ZORPart> part, std::unique_ptr<ZORReference>& reference) {
  constexpr double kDeflectionShare = 1.0 / 2000.0;
  ZORVec3 lowest, highest;
  part->Bounds(lowest, highest);
  if (ZOROutcome problem = part->Prepare(kDeflectionShare * Length(highest - lowest), false)) {
    problem->message = part->Description() + ": " + problem->message;
    return problem;
  }
  std::unique_ptr<ZORReference> made(new ZORReference(std::move(part)));
  const ZORPart& meshed = *made->part_;
  std::vector<double> deflections(meshed.Mesh().triangles.size());
  for (std::size_t t = 0; t < deflections.size(); ++t) deflections[t] = meshed.DeflectionAt(static_cast<int>(t));
  made->size_ = Length(highest - lowest);
  made->exact_ = std::any_of(deflections.begin(), deflections.end(), [](double d) { return d > 0.0; });
  made->index_ = std::make_unique<Index>(meshed.Mesh(), std::move(deflections));
  reference = std::move(made);
  return std::nullopt;
}

std::unique_ptr<ZORPart::Evaluator> ZORReference::TakeEvaluator() const {
  std::lock_guard lock(evaluatorsMutex_);
  if (evaluators_.empty()) return part_->NewEvaluator();
  std::unique_ptr<ZORPart::Evaluator> evaluator = std::move(evaluators_.back());
  evaluators_.pop_back();
  return evaluator;
}

void ZORReference::GiveBack(std::unique_ptr<ZORPart::Evaluator> evaluator) const {
  std::lock_guard lock(evaluatorsMutex_);
  evaluators_.push_back(std::move(evaluator));
}

std::optional<ZORReference::Nearest> ZORReference::NearestTo(const ZORVec3& point, double within) const {
  const double reachSquared = std::isfinite(within) ? within * within : std::numeric_limits<double>::max();
  const std::optional<Index::Found> nearest = index_->Nearest(point, reachSquared);
  // A surface's point nearer than `within` may hide behind a triangle farther: the search goes on
  // from the surface's own points, not the mesh's.
  if (!nearest && !exact_) return std::nullopt;
  const Lease lease(*this);
  std::optional<Nearest> best;
  auto distance = [&point](const Nearest& n) { return Length(n.point.position - point); };
  auto search = [&](const Index::Found& from) {
    const std::optional<ZORPart::Evaluator::Nearest> found =
        lease.evaluator->NearestFrom(point, from.triangle, from.at, index_->OnBoundary(from.triangle, from.at));
    if (found && (!best || Length(found->point.position - point) < distance(*best))) {
      best = Nearest{found->point, found->beyondEdge};
    }
  };
  if (nearest) search(*nearest);
  if (exact_) {
    // Every other face whose surface may come nearer than the best point yet, nearest first,
    // each searched from its nearest triangle.
    const double bound = best ? distance(*best) : within;
    std::vector<Index::Found> others;
    for (const Index::Found& found : index_->Within(point, bound)) {
      const int face = FaceOf(found.triangle);
      if (nearest && face == FaceOf(nearest->triangle)) continue;
      auto same = std::find_if(others.begin(), others.end(), [&](const Index::Found& o) { return FaceOf(o.triangle) == face; });
      if (same == others.end()) {
        others.push_back(found);
      } else if (found.distance < same->distance) {
        *same = found;
      }
    }
    std::sort(others.begin(), others.end(), [](const Index::Found& a, const Index::Found& b) {
      return a.distance < b.distance || (a.distance == b.distance && a.triangle < b.triangle);
    });
    for (const Index::Found& other : others) {
      if (best && other.distance - part_->DeflectionAt(other.triangle) >= distance(*best)) continue;
      search(other);
    }
  }
  // No face's own point: the surface at the mesh's nearest point, within its deflection.
  if (!best && nearest) best = Nearest{lease.evaluator->PointAt(nearest->triangle, nearest->at), false};
  if (!best || distance(*best) > within) return std::nullopt;
  return best;
}

std::optional<ZORPart::Evaluator::Crossing> ZORReference::FirstCrossing(const ZORVec3& origin,
                                                                        const ZORVec3& direction,
                                                                        double beyond, int ownFace) const {
  const Lease lease(*this);
  return index_->FirstCrossing(origin, direction, beyond, ownFace, [&](int triangle, const std::array<double, 3>& at) {
    return lease.evaluator->CrossingFrom(origin, direction, triangle, at);
  });
}

int ZORReference::FaceOf(int triangle) const {
  const std::vector<int>& faces = part_->Mesh().triangleFaces;
  return faces.empty() ? 0 : faces[static_cast<std::size_t>(triangle)];
}

namespace {

class DeviationAnalysis final : public ZORSurfaceAnalysis {
 public:
  DeviationAnalysis(std::shared_ptr<const ZORReference> reference, const ZORDeviationOptions& options)
      : reference_(std::move(reference)), options_(options) {}
  std::string Name() const override { return "deviation from " + reference_->Part().Title(); }
  // The reference's unit, which a mesh measured against it, stating none, is taken to share.
  std::string Unit(const std::string& lengthUnit) const override {
    const std::string& own = reference_->Part().LengthUnit();
    return ZORLengthUnitName(own.empty() ? lengthUnit : own);
  }
  double ValueAt(const ZORSurfacePoint& point) const override {
    constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();
    const double within = options_.within.value_or(std::numeric_limits<double>::infinity());
    const std::optional<ZORReference::Nearest> nearest = reference_->NearestTo(point.position, within);
    if (!nearest || (nearest->beyondEdge && !options_.keepBeyondEdges)) return kUndefined;
    const ZORVec3 away = point.position - nearest->point.position;
    const double distance = Length(away);
    if (distance > within) return kUndefined;  // the exact point may lie a little farther than the mesh's
    return Dot(away, nearest->point.normal) < 0.0 ? -distance : distance;
  }

 private:
  std::shared_ptr<const ZORReference> reference_;
  ZORDeviationOptions options_;
};

}  // namespace

std::unique_ptr<ZORSurfaceAnalysis> ZORMakeDeviationAnalysis(std::shared_ptr<const ZORReference> reference,
                                                              const ZORDeviationOptions& options) {
  return std::make_unique<DeviationAnalysis>(std::move(reference), options);
}
