#include "zorhost/surface/Continuity.h"

#include <BRepAdaptor_Curve.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepBndLib.hxx>
#include <BRepLProp_SLProps.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <GCPnts_AbscissaPoint.hxx>
#include <Geom2d_Curve.hxx>
#include <Precision.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_DataMapOfShapeInteger.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>

#include <algorithm>
#include <cmath>

#include "zorhost/common/Choices.h"
#include "zorhost/common/Numbers.h"
#include "zorhost/surface/CadKernel.h"

namespace {

constexpr ZORNamed<ZOREdgeMeasure> kMeasureKeywords[] = {
    {"gap", ZOREdgeMeasure::Gap}, {"angle", ZOREdgeMeasure::Angle}, {"curvature", ZOREdgeMeasure::Curvature}};

ZORVec3 Vec(const gp_XYZ& p) { return {p.X(), p.Y(), p.Z()}; }

// A face's surface where an edge runs on it: the point, the outward normal and the curvatures'
// directions, evaluated at the edge's parameter through the edge's curve on the face.
class FaceAlongEdge {
 public:
  FaceAlongEdge(const TopoDS_Face& face, const TopoDS_Edge& edge) : surface_(face), props_(2, Precision::Confusion()) {
    props_.SetSurface(surface_);
    double first = 0.0, last = 0.0;
    onFace_ = BRep_Tool::CurveOnSurface(edge, face, first, last);
    outward_ = face.Orientation() == TopAbs_REVERSED ? -1.0 : 1.0;
  }
  bool Usable() const { return !onFace_.IsNull(); }

  struct At {
    ZORVec3 position;
    std::optional<ZORVec3> normal;  // none at a pole
    // The normal curvature across `tangent` (positive bending away from the outward normal), when
    // defined.
    std::optional<double> across;
  };
  At Evaluate(double t, const ZORVec3& tangent) {
    const gp_Pnt2d uv = onFace_->Value(t);
    props_.SetParameters(uv.X(), uv.Y());
    At at{Vec(props_.Value().XYZ()), std::nullopt, std::nullopt};
    if (!props_.IsNormalDefined()) return at;
    const ZORVec3 normal = outward_ * Vec(props_.Normal().XYZ());
    at.normal = normal;
    if (!props_.IsCurvatureDefined()) return at;
    const ZORVec3 direction = Normalized(Cross(normal, tangent));
    double curvature = props_.MeanCurvature();
    if (!props_.IsUmbilic()) {
      gp_Dir largest, smallest;
      props_.CurvatureDirections(largest, smallest);
      const double c = Dot(direction, Vec(largest.XYZ()));
      curvature = props_.MaxCurvature() * c * c + props_.MinCurvature() * (1.0 - c * c);
    }
    // The kernel's curvature bends toward its normal; the outward one may be the other way.
    at.across = -outward_ * curvature;
    return at;
  }

 private:
  BRepAdaptor_Surface surface_;
  BRepLProp_SLProps props_;
  Handle(Geom2d_Curve) onFace_;
  double outward_ = 1.0;
};

// The relative jump between two curvatures; 0 where both are flat (`flat` or less).
double Jump(double a, double b, double flat) {
  const double larger = std::max(std::fabs(a), std::fabs(b));
  return larger <= flat ? 0.0 : std::fabs(a - b) / larger;
}

// The continuity of `edge` between `a` and `b`, measured along it; none when a face has no curve
// of it.
std::optional<ZOREdgeContinuity> Measure(const TopoDS_Edge& edge, const TopoDS_Face& a, const TopoDS_Face& b,
                                         double size) {
  FaceAlongEdge sides[2] = {FaceAlongEdge(a, edge), FaceAlongEdge(b, edge)};
  if (!sides[0].Usable() || !sides[1].Usable()) return std::nullopt;
  const BRepAdaptor_Curve curve(edge);
  const double first = curve.FirstParameter(), last = curve.LastParameter();
  ZOREdgeContinuity measured;
  measured.length = GCPnts_AbscissaPoint::Length(curve);
  measured.gapTolerance = std::max(BRep_Tool::Tolerance(edge), kZORGapShare * size);
  const double flat = 1e-6 / size;
  for (int i = 0; i <= kZOREdgeSamples; ++i) {
    const double t = first + (last - first) * i / kZOREdgeSamples;
    gp_Pnt p;
    gp_Vec d;
    curve.D1(t, p, d);
    measured.along.push_back(Vec(p.XYZ()));
    if (i == 0 || i == kZOREdgeSamples || !(d.Magnitude() > 0.0)) continue;
    const ZORVec3 tangent = Normalized(Vec(d.XYZ()));
    const FaceAlongEdge::At onA = sides[0].Evaluate(t, tangent), onB = sides[1].Evaluate(t, tangent);
    measured.gap = std::max(measured.gap, Length(onA.position - onB.position));
    if (!onA.normal || !onB.normal) continue;
    measured.angle = std::max(measured.angle, ZORDegreesBetween(*onA.normal, *onB.normal));
    if (onA.across && onB.across) measured.curvatureJump = std::max(measured.curvatureJump, Jump(*onA.across, *onB.across, flat));
  }
  measured.continuity = ZORClassifyEdge(measured.gap, measured.gapTolerance, measured.angle, measured.curvatureJump);
  return measured;
}

}  // namespace

const char* ZORContinuityName(ZORContinuity continuity) {
  switch (continuity) {
    case ZORContinuity::Gap: return "apart";
    case ZORContinuity::G0: return "G0";
    case ZORContinuity::G1: return "G1";
    case ZORContinuity::G2: return "G2";
  }
  return "G0";
}

std::optional<ZOREdgeMeasure> ZOREdgeMeasureNamed(std::string_view keyword) {
  return ZORValueNamed<ZOREdgeMeasure>(kMeasureKeywords, keyword);
}

const char* ZOREdgeMeasureKeyword(ZOREdgeMeasure measure) { return ZORNameOf<ZOREdgeMeasure>(kMeasureKeywords, measure); }

double ZOREdgeContinuity::Measure(ZOREdgeMeasure measure) const {
  switch (measure) {
    case ZOREdgeMeasure::Gap: return gap;
    case ZOREdgeMeasure::Angle: return angle;
    case ZOREdgeMeasure::Curvature: return curvatureJump;
  }
  return angle;
}

ZORContinuity ZORClassifyEdge(double gap, double gapTolerance, double angle, double curvatureJump) {
  if (gap > gapTolerance) return ZORContinuity::Gap;
  if (angle > kZORTangentDegrees) return ZORContinuity::G0;
  if (curvatureJump > kZORCurvatureJump) return ZORContinuity::G1;
  return ZORContinuity::G2;
}

double ZOREdgeTolerance(ZOREdgeMeasure measure, double gapTolerance) {
  switch (measure) {
    case ZOREdgeMeasure::Gap: return gapTolerance;
    case ZOREdgeMeasure::Angle: return kZORTangentDegrees;
    case ZOREdgeMeasure::Curvature: return kZORCurvatureJump;
  }
  return kZORTangentDegrees;
}

std::string ZORContinuityCounts(const std::vector<ZOREdgeContinuity>& edges) {
  int counts[4] = {0, 0, 0, 0};
  for (const ZOREdgeContinuity& edge : edges) ++counts[static_cast<int>(edge.continuity)];
  return std::to_string(edges.size()) + (edges.size() == 1 ? " edge joins" : " edges join") + " two faces: " +
         std::to_string(counts[3]) + " G2, " + std::to_string(counts[2]) + " G1, " + std::to_string(counts[1]) +
         " G0, " + std::to_string(counts[0]) + " apart";
}

std::string ZORContinuityCsv(const std::vector<ZOREdgeContinuity>& edges, const std::string& lengthUnit) {
  const std::string unit = lengthUnit.empty() ? "" : " (" + lengthUnit + ")";
  std::string csv = "edge,face_a,face_b,length" + unit + ",gap" + unit + ",angle (degrees),curvature jump,class\n";
  for (const ZOREdgeContinuity& e : edges) {
    csv += std::to_string(e.edge + 1) + "," + std::to_string(e.faces[0] + 1) + "," + std::to_string(e.faces[1] + 1) +
           "," + ZORExactNumber(e.length) + "," + ZORExactNumber(e.gap) + "," + ZORExactNumber(e.angle) + "," +
           ZORExactNumber(e.curvatureJump) + "," + ZORContinuityName(e.continuity) + "\n";
  }
  return csv;
}

std::vector<ZOREdgeContinuity> ZORMeasureContinuity(const TopoDS_Shape& shape) {
  // Faces numbered as the part numbers them: in the explorer's order, the first visit of each.
  std::vector<TopoDS_Face> faces;
  TopTools_DataMapOfShapeInteger faceNumbers;
  for (TopExp_Explorer explorer(shape, TopAbs_FACE); explorer.More(); explorer.Next()) {
    faceNumbers.Bind(explorer.Current(), static_cast<int>(faces.size()));
    faces.push_back(TopoDS::Face(explorer.Current()));
  }
  Bnd_Box box;
  BRepBndLib::Add(shape, box, false);
  const double extent = box.IsVoid() ? 0.0 : std::sqrt(box.SquareExtent());
  const double size = extent > 0.0 ? extent : 1.0;
  TopTools_IndexedDataMapOfShapeListOfShape facesOfEdges;
  TopExp::MapShapesAndAncestors(shape, TopAbs_EDGE, TopAbs_FACE, facesOfEdges);
  std::vector<ZOREdgeContinuity> edges;
  for (int i = 1; i <= facesOfEdges.Extent(); ++i) {
    const TopoDS_Edge& edge = TopoDS::Edge(facesOfEdges.FindKey(i));
    if (BRep_Tool::Degenerated(edge)) continue;
    // Two faces: a seam (one face twice) and a free or non-manifold edge are not between two.
    std::vector<int> joined;
    for (const TopoDS_Shape& face : facesOfEdges(i)) {
      const int* number = faceNumbers.Seek(face);
      if (number != nullptr && std::find(joined.begin(), joined.end(), *number) == joined.end()) joined.push_back(*number);
    }
    if (joined.size() != 2) continue;
    std::sort(joined.begin(), joined.end());
    std::optional<ZOREdgeContinuity> measured;
    static_cast<void>(ZORCatchingKernelFailures([&] {
      measured = Measure(edge, faces[static_cast<std::size_t>(joined[0])], faces[static_cast<std::size_t>(joined[1])], size);
      return ZOROutcome{};
    }));
    if (!measured) continue;
    measured->edge = i - 1;
    measured->faces[0] = joined[0];
    measured->faces[1] = joined[1];
    edges.push_back(std::move(*measured));
  }
  return edges;
}
