#include "zorhost/surface/SurfaceMesh.h"

#include <limits>

#include "zorhost/common/Choices.h"

const char* ZORAnalysisName(ZORAnalysis analysis) {
  switch (analysis) {
    case ZORAnalysis::Gaussian: return "Gaussian curvature";
    case ZORAnalysis::Mean: return "mean curvature";
    case ZORAnalysis::Minimum: return "minimum principal curvature";
    case ZORAnalysis::Maximum: return "maximum principal curvature";
    case ZORAnalysis::Deviation: return "deviation from the reference";
    case ZORAnalysis::Draft: return "draft angle";
    case ZORAnalysis::Field: return "field";
    case ZORAnalysis::Isophote: return "isophote angle";
    case ZORAnalysis::Reflection: return "reflection angle";
    case ZORAnalysis::Thickness: return "wall thickness";
  }
  return "curvature";
}

bool ZORIsCurvature(ZORAnalysis analysis) {
  return analysis == ZORAnalysis::Gaussian || analysis == ZORAnalysis::Mean || analysis == ZORAnalysis::Minimum ||
         analysis == ZORAnalysis::Maximum;
}

double ZORCurvatures::Value(ZORAnalysis analysis) const {
  switch (analysis) {
    case ZORAnalysis::Gaussian: return gaussian;
    case ZORAnalysis::Mean: return mean;
    case ZORAnalysis::Minimum: return minimum;
    case ZORAnalysis::Maximum: return maximum;
    case ZORAnalysis::Deviation:
    case ZORAnalysis::Draft:
    case ZORAnalysis::Field:
    case ZORAnalysis::Isophote:
    case ZORAnalysis::Reflection:
    case ZORAnalysis::Thickness:
      break;
  }
  return std::numeric_limits<double>::quiet_NaN();
}

namespace {

constexpr ZORNamed<ZORAnalysis> kAnalysisKeywords[] = {{"gaussian", ZORAnalysis::Gaussian},
                                                       {"mean", ZORAnalysis::Mean},
                                                       {"min", ZORAnalysis::Minimum},
                                                       {"max", ZORAnalysis::Maximum},
                                                       {"deviation", ZORAnalysis::Deviation},
                                                       {"draft", ZORAnalysis::Draft},
                                                       {"field", ZORAnalysis::Field},
                                                       {"isophote", ZORAnalysis::Isophote},
                                                       {"reflection", ZORAnalysis::Reflection},
                                                       {"thickness", ZORAnalysis::Thickness}};

}  // namespace

std::optional<ZORAnalysis> ZORAnalysisNamed(std::string_view keyword) {
  return ZORValueNamed<ZORAnalysis>(kAnalysisKeywords, keyword);
}

const char* ZORAnalysisKeyword(ZORAnalysis analysis) { return ZORNameOf<ZORAnalysis>(kAnalysisKeywords, analysis); }

std::vector<std::string> ZORAnalysisKeywords() { return ZORNamesOf<ZORAnalysis>(kAnalysisKeywords); }

std::array<double, 3> ZORClosestOnTriangle(const ZORVec3& p, const ZORVec3& a, const ZORVec3& b, const ZORVec3& c) {
  const ZORVec3 ab = b - a, ac = c - a, ap = p - a;
  const double d1 = Dot(ab, ap), d2 = Dot(ac, ap);
  if (d1 <= 0.0 && d2 <= 0.0) return {1.0, 0.0, 0.0};
  const ZORVec3 bp = p - b;
  const double d3 = Dot(ab, bp), d4 = Dot(ac, bp);
  if (d3 >= 0.0 && d4 <= d3) return {0.0, 1.0, 0.0};
  const double vc = d1 * d4 - d3 * d2;
  if (vc <= 0.0 && d1 >= 0.0 && d3 <= 0.0) {
    const double v = d1 - d3 > 0.0 ? d1 / (d1 - d3) : 0.0;
    return {1.0 - v, v, 0.0};
  }
  const ZORVec3 cp = p - c;
  const double d5 = Dot(ab, cp), d6 = Dot(ac, cp);
  if (d6 >= 0.0 && d5 <= d6) return {0.0, 0.0, 1.0};
  const double vb = d5 * d2 - d1 * d6;
  if (vb <= 0.0 && d2 >= 0.0 && d6 <= 0.0) {
    const double w = d2 - d6 > 0.0 ? d2 / (d2 - d6) : 0.0;
    return {1.0 - w, 0.0, w};
  }
  const double va = d3 * d6 - d5 * d4;
  if (va <= 0.0 && d4 - d3 >= 0.0 && d5 - d6 >= 0.0) {
    const double w = (d4 - d3) + (d5 - d6) > 0.0 ? (d4 - d3) / ((d4 - d3) + (d5 - d6)) : 0.0;
    return {0.0, 1.0 - w, w};
  }
  const double sum = va + vb + vc;
  if (!(sum > 0.0)) return {1.0, 0.0, 0.0};  // no area: its first corner
  const double v = vb / sum, w = vc / sum;
  return {1.0 - v - w, v, w};
}
