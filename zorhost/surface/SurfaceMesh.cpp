#include "zorhost/surface/SurfaceMesh.h"

const char* ZORAnalysisName(ZORAnalysis analysis) {
  switch (analysis) {
    case ZORAnalysis::Gaussian: return "Gaussian curvature";
    case ZORAnalysis::Mean: return "mean curvature";
    case ZORAnalysis::Minimum: return "minimum principal curvature";
    case ZORAnalysis::Maximum: return "maximum principal curvature";
  }
  return "curvature";
}

double ZORCurvatures::Value(ZORAnalysis analysis) const {
  switch (analysis) {
    case ZORAnalysis::Gaussian: return gaussian;
    case ZORAnalysis::Mean: return mean;
    case ZORAnalysis::Minimum: return minimum;
    case ZORAnalysis::Maximum: return maximum;
  }
  return gaussian;
}

namespace {

struct AnalysisKeyword {
  const char* keyword;
  ZORAnalysis analysis;
};
constexpr AnalysisKeyword kAnalysisKeywords[] = {{"gaussian", ZORAnalysis::Gaussian},
                                                 {"mean", ZORAnalysis::Mean},
                                                 {"min", ZORAnalysis::Minimum},
                                                 {"max", ZORAnalysis::Maximum}};

}  // namespace

std::optional<ZORAnalysis> ZORAnalysisNamed(std::string_view keyword) {
  for (const AnalysisKeyword& row : kAnalysisKeywords) {
    if (keyword == row.keyword) return row.analysis;
  }
  return std::nullopt;
}

const char* ZORAnalysisKeyword(ZORAnalysis analysis) {
  for (const AnalysisKeyword& row : kAnalysisKeywords) {
    if (row.analysis == analysis) return row.keyword;
  }
  return "";
}

std::vector<std::string> ZORAnalysisKeywords() {
  std::vector<std::string> keywords;
  for (const AnalysisKeyword& row : kAnalysisKeywords) keywords.emplace_back(row.keyword);
  return keywords;
}
