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
