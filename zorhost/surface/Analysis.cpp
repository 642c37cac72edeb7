#include "zorhost/surface/Analysis.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

std::string ZORLengthUnitName(const std::string& unit) { return unit.empty() ? "length unit of the file" : unit; }

std::string ZORAreaUnitName(const std::string& unit) {
  const std::string length = ZORLengthUnitName(unit);
  return length.find(' ') != std::string::npos ? "(" + length + ")\u00b2" : length + "\u00b2";
}

namespace {


class CurvatureAnalysis final : public ZORSurfaceAnalysis {
 public:
  explicit CurvatureAnalysis(ZORAnalysis kind) : kind_(kind) {}
  std::string Name() const override { return ZORAnalysisName(kind_); }
  std::string Unit(const std::string& lengthUnit) const override {
    const std::string unit = ZORLengthUnitName(lengthUnit);
    const bool word = unit.find(' ') != std::string::npos;
    // Gaussian curvature is a product of two curvatures: per square length.
    if (kind_ == ZORAnalysis::Gaussian) return word ? "1/(" + unit + ")\u00b2" : "1/" + unit + "\u00b2";
    return word ? "1/(" + unit + ")" : "1/" + unit;
  }
  double ValueAt(const ZORSurfacePoint& point) const override { return point.curvatures.Value(kind_); }

 private:
  ZORAnalysis kind_;
};

// The angle between the surface and the pull: 90 degrees less the angle between the outward
// normal and the pull, so that a face opening toward the pull is positive and an undercut
// negative.
class DraftAnalysis final : public ZORSurfaceAnalysis {
 public:
  explicit DraftAnalysis(const ZORVec3& pull) : pull_(Normalized(pull)) {}
  std::string Name() const override { return "draft angle"; }
  std::string Unit(const std::string&) const override { return "\u00b0"; }
  double ValueAt(const ZORSurfacePoint& point) const override {
    if (!(Dot(point.normal, point.normal) > 0.0)) return std::numeric_limits<double>::quiet_NaN();
    const double along = std::clamp(Dot(Normalized(point.normal), pull_), -1.0, 1.0);
    return std::asin(along) * (180.0 / std::numbers::pi);
  }

 private:
  ZORVec3 pull_;
};

class IsophoteAnalysis final : public ZORSurfaceAnalysis {
 public:
  explicit IsophoteAnalysis(const ZORVec3& light) : light_(Normalized(light)) {}
  std::string Name() const override { return "isophote angle"; }
  std::string Unit(const std::string&) const override { return "\u00b0"; }
  double ValueAt(const ZORSurfacePoint& point) const override {
    if (!(Dot(point.normal, point.normal) > 0.0)) return std::numeric_limits<double>::quiet_NaN();
    return ZORDegreesBetween(Normalized(point.normal), light_);
  }

 private:
  ZORVec3 light_;
};

class ReflectionAnalysis final : public ZORSurfaceAnalysis {
 public:
  ReflectionAnalysis(const ZORVec3& toViewer, const ZORVec3& light)
      : ray_(-1.0 * Normalized(toViewer)), light_(Normalized(light)) {}
  std::string Name() const override { return "reflection angle"; }
  std::string Unit(const std::string&) const override { return "\u00b0"; }
  double ValueAt(const ZORSurfacePoint& point) const override {
    if (!(Dot(point.normal, point.normal) > 0.0)) return std::numeric_limits<double>::quiet_NaN();
    const ZORVec3 normal = Normalized(point.normal);
    const ZORVec3 reflected = ray_ - (2.0 * Dot(ray_, normal)) * normal;
    return ZORDegreesBetween(Normalized(reflected), light_);
  }

 private:
  ZORVec3 ray_;  // the direction the viewer looks in
  ZORVec3 light_;
};

class FieldAnalysis final : public ZORSurfaceAnalysis {
 public:
  explicit FieldAnalysis(std::string name) : name_(std::move(name)) {}
  std::string Name() const override { return name_; }
  std::string Unit(const std::string&) const override { return ""; }
  double ValueAt(const ZORSurfacePoint& point) const override { return point.field; }

 private:
  std::string name_;
};

}  // namespace

std::unique_ptr<ZORSurfaceAnalysis> ZORMakeCurvatureAnalysis(ZORAnalysis kind) {
  return std::make_unique<CurvatureAnalysis>(kind);
}

std::unique_ptr<ZORSurfaceAnalysis> ZORMakeDraftAnalysis(const ZORVec3& pull) {
  return std::make_unique<DraftAnalysis>(pull);
}

std::unique_ptr<ZORSurfaceAnalysis> ZORMakeIsophoteAnalysis(const ZORVec3& light) {
  return std::make_unique<IsophoteAnalysis>(light);
}

std::unique_ptr<ZORSurfaceAnalysis> ZORMakeReflectionAnalysis(const ZORVec3& toViewer, const ZORVec3& light) {
  return std::make_unique<ReflectionAnalysis>(toViewer, light);
}

std::unique_ptr<ZORSurfaceAnalysis> ZORMakeFieldAnalysis(const std::string& name) {
  return std::make_unique<FieldAnalysis>(name);
}
