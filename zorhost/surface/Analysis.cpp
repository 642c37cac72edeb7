#include "zorhost/surface/Analysis.h"

namespace {

// A length unit as an analysis's unit names it: the file's own when the file does not say.
std::string Length(const std::string& unit) { return unit.empty() ? "length unit of the file" : unit; }

class CurvatureAnalysis final : public ZORSurfaceAnalysis {
 public:
  explicit CurvatureAnalysis(ZORAnalysis kind) : kind_(kind) {}
  std::string Name() const override { return ZORAnalysisName(kind_); }
  std::string Unit(const std::string& lengthUnit) const override {
    const std::string unit = Length(lengthUnit);
    const bool word = unit.find(' ') != std::string::npos;
    // Gaussian curvature is a product of two curvatures: per square length.
    if (kind_ == ZORAnalysis::Gaussian) return word ? "1/(" + unit + ")\u00b2" : "1/" + unit + "\u00b2";
    return word ? "1/(" + unit + ")" : "1/" + unit;
  }
  double ValueAt(const ZORSurfacePoint& point) const override { return point.curvatures.Value(kind_); }

 private:
  ZORAnalysis kind_;
};

}  // namespace

std::unique_ptr<ZORSurfaceAnalysis> ZORMakeCurvatureAnalysis(ZORAnalysis kind) {
  return std::make_unique<CurvatureAnalysis>(kind);
}
