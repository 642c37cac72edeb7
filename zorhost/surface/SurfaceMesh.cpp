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
  }
  return "curvature";
}

bool ZORIsCurvature(ZORAnalysis analysis) {
  return analysis != ZORAnalysis::Deviation && analysis != ZORAnalysis::Draft && analysis != ZORAnalysis::Field;
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
                                                       {"field", ZORAnalysis::Field}};

}  // namespace

std::optional<ZORAnalysis> ZORAnalysisNamed(std::string_view keyword) {
  return ZORValueNamed<ZORAnalysis>(kAnalysisKeywords, keyword);
}

const char* ZORAnalysisKeyword(ZORAnalysis analysis) { return ZORNameOf<ZORAnalysis>(kAnalysisKeywords, analysis); }

std::vector<std::string> ZORAnalysisKeywords() { return ZORNamesOf<ZORAnalysis>(kAnalysisKeywords); }
