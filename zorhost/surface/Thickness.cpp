#include "zorhost/surface/Thickness.h"

#include <cmath>
#include <limits>

#include "zorhost/common/Choices.h"

namespace {

constexpr ZORNamed<ZORThicknessMethod> kMethodKeywords[] = {{"ray", ZORThicknessMethod::Ray},
                                                            {"sphere", ZORThicknessMethod::Sphere}};

constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();

class ThicknessAnalysis final : public ZORSurfaceAnalysis {
 public:
  ThicknessAnalysis(std::shared_ptr<const ZORReference> solid, ZORThicknessMethod method)
      : solid_(std::move(solid)), method_(method), ownSurface_(kOwnSurfaceShare * solid_->Size()) {}
  std::string Name() const override {
    return method_ == ZORThicknessMethod::Ray ? "wall thickness" : "wall thickness by the largest ball";
  }
  std::string Unit(const std::string& lengthUnit) const override { return ZORLengthUnitName(lengthUnit); }
  double ValueAt(const ZORSurfacePoint& point) const override {
    if (!(Length(point.normal) > 0.0)) return kUndefined;
    const ZORVec3 inward = -1.0 * point.normal;
    const std::optional<ZORPart::Evaluator::Crossing> wall = solid_->FirstCrossing(point.position, inward, ownSurface_, point.face);
    // A wall met from outside is another body's, or a sheet's: the point's material does not
    // reach it.
    if (!wall || Dot(wall->point.normal, inward) < 0.0) return kUndefined;
    if (method_ == ZORThicknessMethod::Ray) return wall->distance;
    return 2.0 * LargestBall(point.position, inward, 0.5 * wall->distance);
  }

 private:
  // The radius of the largest ball touching the surface at `at` from inside, its centre along
  // `inward`, by shrinking one of `radius` (the ray's half, which touches the opposite wall):
  // while a point of the surface lies inside, the ball through it and `at` is the next.
  double LargestBall(const ZORVec3& at, const ZORVec3& inward, double radius) const {
    constexpr int kMostSteps = 64;
    constexpr double kInside = 1.0 - 1e-9;
    for (int step = 0; step < kMostSteps; ++step) {
      const ZORVec3 centre = at + radius * inward;
      const std::optional<ZORReference::Nearest> nearest = solid_->NearestTo(centre, kInside * radius);
      if (!nearest) break;
      const ZORVec3 toward = nearest->point.position - at;
      const double along = Dot(toward, inward);
      if (!(along > 0.0) || Length(toward) <= ownSurface_) break;
      const double smaller = Dot(toward, toward) / (2.0 * along);
      if (!(smaller < radius)) break;
      radius = smaller;
    }
    return radius;
  }

  // Crossings nearer the ray's origin than this are its own surface's.
  static constexpr double kOwnSurfaceShare = 1e-8;
  std::shared_ptr<const ZORReference> solid_;
  ZORThicknessMethod method_;
  double ownSurface_;
};

}  // namespace

std::optional<ZORThicknessMethod> ZORThicknessMethodNamed(std::string_view keyword) {
  return ZORValueNamed<ZORThicknessMethod>(kMethodKeywords, keyword);
}

const char* ZORThicknessMethodKeyword(ZORThicknessMethod method) {
  return ZORNameOf<ZORThicknessMethod>(kMethodKeywords, method);
}

std::unique_ptr<ZORSurfaceAnalysis> ZORMakeThicknessAnalysis(std::shared_ptr<const ZORReference> solid,
                                                             ZORThicknessMethod method) {
  return std::make_unique<ThicknessAnalysis>(std::move(solid), method);
}
