// CAD parts through Open CASCADE: STEP and IGES files and the built-in sample, meshed for the
// picture, with the exact curvature of their surfaces at any parameters.
#include <BRepAdaptor_Curve.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBndLib.hxx>
#include <BRepGProp.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <GProp_GProps.hxx>
#include <BRepTools.hxx>
#include <BRepClass_FaceClassifier.hxx>
#include <BRepTopAdaptor_FClass2d.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <Extrema_ExtPC.hxx>
#include <Extrema_ExtPS.hxx>
#include <Extrema_GenLocateExtPS.hxx>
#include <Extrema_POnSurf.hxx>
#include <GeomAPI_PointsToBSplineSurface.hxx>
#include <GeomLProp_SLProps.hxx>
#include <Geom2d_Curve.hxx>
#include <Geom_BSplineSurface.hxx>
#include <Geom_Surface.hxx>
#include <IGESControl_Reader.hxx>
#include <Poly_Triangulation.hxx>
#include <Precision.hxx>
#include <STEPControl_Reader.hxx>
#include <Standard_Failure.hxx>
#include <TColgp_Array2OfPnt.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Face.hxx>
#include <gp_Pnt2d.hxx>
#include <gp_Vec2d.hxx>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "zorhost/common/Numbers.h"
#include "zorhost/common/Parallel.h"
#include "zorhost/surface/CadKernel.h"
#include "zorhost/surface/EdgeUses.h"
#include "zorhost/surface/FaceOutline.h"
#include "zorhost/surface/Part.h"
#include "zorhost/surface/StepCheck.h"

namespace {

// A box around a set of points, to tell how near a point it may come.
struct Box {
  ZORVec3 lowest, highest;
  double Distance(const ZORVec3& p) const {
    const auto outside = [](double x, double low, double high) { return std::max({low - x, 0.0, x - high}); };
    return Length({outside(p.x, lowest.x, highest.x), outside(p.y, lowest.y, highest.y), outside(p.z, lowest.z, highest.z)});
  }
};

// An edge of a face: its curve on the face's surface between `first` and `last`, and a box
// around it.
struct FaceEdge {
  TopoDS_Edge edge;
  Handle(Geom2d_Curve) onFace;
  double first = 0.0, last = 0.0;
  Box box;
};

// One face of the part: its surface, where it sits, which way its outward normal points
// relative to the surface's own (the first derivatives' cross product), and its edges.
struct Face {
  Handle(Geom_Surface) surface;
  gp_Trsf placement;
  bool reversed = false;
  TopoDS_Face face;
  std::vector<FaceEdge> edges;  // but the degenerate (a pole's)
};

std::vector<FaceEdge> EdgesOf(const TopoDS_Face& face) {
  std::vector<FaceEdge> edges;
  for (TopExp_Explorer explorer(face, TopAbs_EDGE); explorer.More(); explorer.Next()) {
    FaceEdge edge;
    edge.edge = TopoDS::Edge(explorer.Current());
    if (BRep_Tool::Degenerated(edge.edge)) continue;
    edge.onFace = BRep_Tool::CurveOnSurface(edge.edge, face, edge.first, edge.last);
    if (edge.onFace.IsNull()) continue;
    Bnd_Box box;
    BRepBndLib::Add(edge.edge, box, false);
    if (box.IsVoid()) continue;
    double x0, y0, z0, x1, y1, z1;
    box.Get(x0, y0, z0, x1, y1, z1);
    edge.box = {{x0, y0, z0}, {x1, y1, z1}};
    edges.push_back(std::move(edge));
  }
  return edges;
}

// The kernel's evaluation state of one thread: the local properties of every face, and the faces'
// adaptors and classifiers, made when first needed.
struct Evaluation {
  explicit Evaluation(const std::vector<GeomLProp_SLProps>& of)
      : props(of), adaptors(of.size()), classifiers(of.size()) {}
  std::vector<GeomLProp_SLProps> props;
  std::vector<std::unique_ptr<BRepAdaptor_Surface>> adaptors;
  std::vector<std::unique_ptr<BRepTopAdaptor_FClass2d>> classifiers;
};

// Which triangles of a mesh whose faces are meshed apart may reach past their face's trimming:
// those with a corner on its outline (an edge that one triangle alone uses) where the outline
// curves in the face's parameters (`curvedOutline`, by face), so that its polygon cuts across it.
std::vector<std::uint8_t> AtOutline(const ZORSurfaceMesh& mesh, const std::vector<std::uint8_t>& curvedOutline) {
  const ZOREdgeUses uses(mesh.triangles);
  std::vector<std::uint8_t> onOutline(mesh.positions.size(), 0);
  uses.ForEach([&onOutline](int a, int b, int count) {
    if (count != 1) return;
    onOutline[static_cast<std::size_t>(a)] = 1;
    onOutline[static_cast<std::size_t>(b)] = 1;
  });
  std::vector<std::uint8_t> touching(mesh.triangles.size(), 0);
  for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
    if (!curvedOutline[static_cast<std::size_t>(mesh.triangleFaces[t])]) continue;
    for (int node : mesh.triangles[t]) touching[t] |= onOutline[static_cast<std::size_t>(node)];
  }
  return touching;
}

// Whether an edge's curve on a face is straight in the face's parameters: its polygon there is
// then exact.
bool Straight(const FaceEdge& edge) {
  constexpr int kSamples = 8;
  const gp_Pnt2d from = edge.onFace->Value(edge.first), to = edge.onFace->Value(edge.last);
  const gp_Vec2d along(from, to);
  const double length = along.Magnitude();
  if (!(length > 0.0)) return false;  // closed: a circle's
  for (int i = 1; i < kSamples; ++i) {
    const gp_Pnt2d p = edge.onFace->Value(edge.first + (edge.last - edge.first) * i / kSamples);
    if (std::fabs(along.Crossed(gp_Vec2d(from, p))) > 1e-12 * length * length) return false;
  }
  return true;
}

class CadPart final : public ZORPart {
 public:
  CadPart(std::string description, TopoDS_Shape shape, std::string lengthUnit)
      : ZORPart(std::move(description), std::move(lengthUnit)), shape_(std::move(shape)) {
    TopTools_IndexedDataMapOfShapeListOfShape facesOfEdges;
    TopExp::MapShapesAndAncestors(shape_, TopAbs_EDGE, TopAbs_FACE, facesOfEdges);
    for (int i = 1; i <= facesOfEdges.Extent() && !hasFreeEdges_; ++i) {
      hasFreeEdges_ = facesOfEdges(i).Extent() == 1 && !BRep_Tool::Degenerated(TopoDS::Edge(facesOfEdges.FindKey(i)));
    }
    for (TopExp_Explorer explorer(shape_, TopAbs_FACE); explorer.More(); explorer.Next()) {
      const TopoDS_Face& face = TopoDS::Face(explorer.Current());
      TopLoc_Location location;
      Handle(Geom_Surface) surface = BRep_Tool::Surface(face, location);
      faces_.push_back({surface, location.Transformation(), face.Orientation() == TopAbs_REVERSED, face, EdgesOf(face)});
      props_.emplace_back(surface, 2, Precision::Confusion());
      const std::vector<FaceEdge>& edges = faces_.back().edges;
      curvedOutline_.push_back(!std::all_of(edges.begin(), edges.end(), Straight));
    }
    own_ = std::make_unique<Evaluation>(props_);
    outlines_ = std::vector<Outline>(faces_.size());
    constexpr double kOnSurfaceShare = 1e-11;
    onSurface_ = kOnSurfaceShare * Size();
  }

  bool Exact() const override { return true; }



  // Quick and not always tight (a torus's box is loose): a tight box of a freeform surface costs
  // a good part of a render.
  void Bounds(ZORVec3& lowest, ZORVec3& highest) const override {
    Bnd_Box box;
    BRepBndLib::Add(shape_, box, false);
    double x0, y0, z0, x1, y1, z1;
    box.Get(x0, y0, z0, x1, y1, z1);
    lowest = {x0, y0, z0};
    highest = {x1, y1, z1};
  }

  // The mesh depends on the deflection alone, not on the meshes made before: the kernel keeps a
  // face's finer triangulation when asked for a coarser one, so they are removed first.
  ZOROutcome Prepare(double deflection, bool, int threads) override {
    if (meshedDeflection_ == deflection) return std::nullopt;
    if (meshedDeflection_) BRepTools::Clean(shape_);
    meshedDeflection_.reset();
    ZOROutcome problem = ZORCatchingKernelFailures([&] { return Mesh(deflection, threads); });
    if (!problem) meshedDeflection_ = deflection;
    return problem;
  }

  ZORSurfacePoint PointAt(int triangle, const std::array<double, 3>& at) const override {
    return PointWith(*own_, triangle, at);
  }

  // Each evaluator with the kernel's evaluation state of its own.
  std::unique_ptr<Evaluator> NewEvaluator() const override {
    struct Own final : Evaluator {
      explicit Own(const CadPart& of) : part(of), evaluation(of.props_) {}
      ZORSurfacePoint PointAt(int triangle, const std::array<double, 3>& at) override {
        return part.PointWith(evaluation, triangle, at);
      }
      // The faces are meshed apart, so the mesh's edges are not the part's: a point is beyond
      // the part's edge when the part has free edges (a sheet) and the nearest point is not
      // straight below it, as it is over a face.
      std::optional<Nearest> NearestFrom(const ZORVec3& point, int triangle, const std::array<double, 3>& at,
                                         bool) override {
        const std::optional<ZORSurfacePoint> nearest = part.NearestWith(evaluation, point, triangle, at);
        if (!nearest) return std::nullopt;
        return Nearest{*nearest, part.hasFreeEdges_ && !part.Below(point, *nearest)};
      }
      std::optional<Crossing> CrossingFrom(const ZORVec3& origin, const ZORVec3& direction, int triangle,
                                           const std::array<double, 3>& at) override {
        return part.CrossingWith(evaluation, origin, direction, triangle, at);
      }
      const CadPart& part;
      Evaluation evaluation;
    };
    return std::make_unique<Own>(*this);
  }

  // How far the surface comes from the triangle, measured where it departs most from a plane
  // through its corners (its centre and the middles of its edges), with a margin; never more
  // than the deflection its face was meshed with. A plane's triangles lie on it.
  double DeflectionAt(int triangle) const override {
    if (triangleDeflections_.size() != mesh_.triangles.size()) {
      triangleDeflections_.assign(mesh_.triangles.size(), 0.0);
      constexpr double kMargin = 1.5;
      constexpr std::array<std::array<double, 3>, 4> kSamples = {
          {{1.0 / 3, 1.0 / 3, 1.0 / 3}, {0.5, 0.5, 0.0}, {0.0, 0.5, 0.5}, {0.5, 0.0, 0.5}}};
      for (std::size_t t = 0; t < mesh_.triangles.size(); ++t) {
        const ZORTriangle& corners = mesh_.triangles[t];
        double farthest = 0.0;
        for (const std::array<double, 3>& at : kSamples) {
          ZORVec3 onMesh;
          for (int k = 0; k < 3; ++k) onMesh = onMesh + at[static_cast<std::size_t>(k)] * mesh_.positions[static_cast<std::size_t>(corners[static_cast<std::size_t>(k)])];
          const auto [u, v] = ParametersAt(static_cast<int>(t), at);
          const ZORSurfacePoint onSurface = SurfaceAt(props_, mesh_.triangleFaces[t], u, v);
          farthest = std::max(farthest, Length(onSurface.position - onMesh));
        }
        const double face = faceDeflections_[static_cast<std::size_t>(mesh_.triangleFaces[t])];
        triangleDeflections_[t] = std::min(face, kMargin * farthest);
      }
    }
    return triangleDeflections_[static_cast<std::size_t>(triangle)];
  }

  std::vector<ZOREdgeContinuity> EdgesContinuity() const override { return ZORMeasureContinuity(shape_); }

  ZORSurfacePoint NodeAt(int node) const override {
    const std::array<double, 2>& p = mesh_.parameters[static_cast<std::size_t>(node)];
    return SurfaceAt(props_, nodeFaces_[static_cast<std::size_t>(node)], p[0], p[1]);
  }

  ZORAreaPoints AreaPoints(std::size_t count, int threads) const override {
    ZORAreaPoints area;
    // A failure leaves no points, which the caller tells.
    static_cast<void>(ZORCatchingKernelFailures([&] {
      area = AreaPointsOfCopy(count, threads);
      return ZOROutcome{};
    }));
    return area;
  }

 private:
  // The face's triangulation, made alone at coarser deflections when meshing the whole shape
  // left it without one (the mesher gives up on some faces at fine deflections, such as blends
  // whose boundary it finds self-intersecting). The values stay exact; only the face's outline
  // in the picture is coarser. Null when no deflection up to `coarsest` works.
  static Handle(Poly_Triangulation) TriangulationOf(const TopoDS_Face& face, double deflection,
                                                    double coarsest, TopLoc_Location& location,
                                                    double& used) {
    Handle(Poly_Triangulation) triangulation = BRep_Tool::Triangulation(face, location);
    used = deflection;
    while (triangulation.IsNull() && used < coarsest) {
      used *= 2.0;
      BRepMesh_IncrementalMesh alone(face, used, false, 0.5, false);
      triangulation = BRep_Tool::Triangulation(face, location);
    }
    return triangulation;
  }

  double Size() const {
    ZORVec3 lowest, highest;
    Bounds(lowest, highest);
    return Length(highest - lowest);
  }

  // The triangulations of `shape`'s faces at `deflection`, face by face in the order of faces_:
  // each face's nodes in model space with their parameters, and its triangles turning
  // counterclockwise seen from outside, appended to `mesh` (`faces` the face of each node).
  // How many faces had to be meshed coarser, or could not be meshed at all. With more than one
  // of `threads`, the kernel meshes the faces on its threads, each face as it would alone.
  struct Meshed {
    int coarser = 0;
    int unmeshed = 0;
    double coarsest = 0.0;
  };
  Meshed Triangulate(const TopoDS_Shape& shape, double deflection, int threads, ZORSurfaceMesh& mesh,
                     std::vector<int>& nodeFaces, std::vector<double>* faceDeflections = nullptr) const {
    if (faceDeflections) faceDeflections->assign(faces_.size(), 0.0);
    BRepMesh_IncrementalMesh mesher(shape, deflection, false, 0.5, ZORThreadCount(threads) > 1);
    Meshed meshed;
    meshed.coarsest = deflection;
    int index = 0;
    for (TopExp_Explorer explorer(shape, TopAbs_FACE); explorer.More(); explorer.Next(), ++index) {
      const TopoDS_Face& face = TopoDS::Face(explorer.Current());
      TopLoc_Location location;
      double used = deflection;
      const Handle(Poly_Triangulation) triangulation =
          TriangulationOf(face, deflection, Size() / 10.0, location, used);
      if (triangulation.IsNull() || !triangulation->HasUVNodes() ||
          faces_[static_cast<std::size_t>(index)].surface.IsNull()) {
        ++meshed.unmeshed;
        continue;
      }
      if (used > deflection) {
        ++meshed.coarser;
        meshed.coarsest = std::max(meshed.coarsest, used);
      }
      if (faceDeflections) (*faceDeflections)[static_cast<std::size_t>(index)] = used;
      const int first = static_cast<int>(mesh.positions.size());
      const gp_Trsf placement = location.Transformation();
      for (int n = 1; n <= triangulation->NbNodes(); ++n) {
        const gp_Pnt point = triangulation->Node(n).Transformed(placement);
        const gp_Pnt2d uv = triangulation->UVNode(n);
        mesh.positions.push_back({point.X(), point.Y(), point.Z()});
        mesh.parameters.push_back({uv.X(), uv.Y()});
        nodeFaces.push_back(index);
      }
      for (int t = 1; t <= triangulation->NbTriangles(); ++t) {
        int a, b, c;
        triangulation->Triangle(t).Get(a, b, c);
        if (faces_[static_cast<std::size_t>(index)].reversed) std::swap(b, c);
        mesh.triangles.push_back({first + a - 1, first + b - 1, first + c - 1});
        mesh.triangleFaces.push_back(index);
      }
    }
    return meshed;
  }

  ZOROutcome Mesh(double deflection, int threads) {
    mesh_ = {};
    triangleDeflections_.clear();
    meshNotes_.clear();
    nodeFaces_.clear();
    atOutline_.clear();
    const Meshed meshed = Triangulate(shape_, deflection, threads, mesh_, nodeFaces_, &faceDeflections_);
    atOutline_ = AtOutline(mesh_, curvedOutline_);
    for (std::size_t node = 0; node < mesh_.positions.size(); ++node) {
      mesh_.normals.push_back(NodeAt(static_cast<int>(node)).normal);
    }
    if (mesh_.triangles.empty()) {
      return ZORBadInput(meshed.unmeshed > 0 ? "no face of the part could be meshed" : "the part holds no surface");
    }
    const std::string of = " of " + std::to_string(faces_.size()) + " faces";
    if (meshed.coarser > 0) {
      meshNotes_.push_back(std::to_string(meshed.coarser) + of + " could only be meshed coarser, within " +
                           ZORShownNumber(meshed.coarsest) + " instead of " + ZORShownNumber(deflection) +
                           ": their outlines are coarser, their values still exact");
    }
    if (meshed.unmeshed > 0) {
      meshNotes_.push_back(std::to_string(meshed.unmeshed) + of + " could not be meshed and are not shown");
    }
    return std::nullopt;
  }

  // Points spread evenly over a coarse triangulation of a copy of the shape, made for them alone
  // at a fixed share of the part's size, so that they do not follow the picture's mesh: each face
  // its share of `count` by its area, one at least, so that a small face is measured too; each
  // point the exact surface at its parameters, standing for its face's area over its points.
  // Those that fall past their face's trimming (between a curve of its outline and the polygon's
  // chord) are left out: they are not points of the part.
  ZORAreaPoints AreaPointsOfCopy(std::size_t count, int threads) const {
    constexpr double kSampleDeflectionShare = 1.0 / 200.0;
    const TopoDS_Shape copy = BRepBuilderAPI_Copy(shape_, false, false).Shape();
    ZORSurfaceMesh coarse;
    std::vector<int> nodeFaces;
    Triangulate(copy, kSampleDeflectionShare * Size(), threads, coarse, nodeFaces);
    const std::vector<std::uint8_t> atOutline = AtOutline(coarse, curvedOutline_);
    const FaceSamples samples = SpreadOverFaces(coarse, count);
    std::vector<std::optional<ZORSurfacePoint>> points(samples.triangles.size());
    const int used = ZORThreadCount(threads);
    std::vector<Evaluation> evaluations;
    for (int worker = 0; worker < used; ++worker) evaluations.emplace_back(props_);
    ZORInParallel(points.size(), 1024, used, [&](int worker, std::size_t first, std::size_t last) {
      Evaluation& evaluation = evaluations[static_cast<std::size_t>(worker)];
      for (std::size_t i = first; i < last; ++i) {
        const std::size_t triangle = static_cast<std::size_t>(samples.triangles[i]);
        const ZORTriangle& t = coarse.triangles[triangle];
        double u = 0.0, v = 0.0;
        for (int k = 0; k < 3; ++k) {
          const std::array<double, 2>& p = coarse.parameters[static_cast<std::size_t>(t[k])];
          u += samples.at[i][k] * p[0];
          v += samples.at[i][k] * p[1];
        }
        const std::size_t face = static_cast<std::size_t>(coarse.triangleFaces[triangle]);
        if (atOutline[triangle] && !Inside(evaluation, face, u, v)) continue;
        points[i] = SurfaceAt(evaluation.props, static_cast<int>(face), u, v);
      }
    });
    std::vector<int> kept(faces_.size(), 0);
    for (const std::optional<ZORSurfacePoint>& point : points) {
      if (point) ++kept[static_cast<std::size_t>(point->face)];
    }
    ZORAreaPoints area;
    for (const std::optional<ZORSurfacePoint>& point : points) {
      if (!point) continue;
      const std::size_t face = static_cast<std::size_t>(point->face);
      area.points.push_back(*point);
      area.areas.push_back(samples.faceAreas[face] / kept[face]);
    }
    area.how = std::to_string(area.points.size()) + " points spread evenly over its area, each face's share, one at least";
    return area;
  }

  // Where the points of each face fall on `mesh`'s triangles: the face's share of `count` by its
  // area (the exact surface's), one at least, spread evenly over its triangles.
  struct FaceSamples : ZORAreaSample {
    std::vector<double> faceAreas;
  };
  FaceSamples SpreadOverFaces(const ZORSurfaceMesh& mesh, std::size_t count) const {
    FaceSamples samples;
    samples.faceAreas.assign(faces_.size(), 0.0);
    std::vector<std::vector<int>> trianglesOf(faces_.size());
    for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
      trianglesOf[static_cast<std::size_t>(mesh.triangleFaces[t])].push_back(static_cast<int>(t));
    }
    for (std::size_t face = 0; face < faces_.size(); ++face) {
      if (trianglesOf[face].empty()) continue;  // not meshed: not measured
      GProp_GProps properties;
      BRepGProp::SurfaceProperties(faces_[face].face, properties);
      samples.faceAreas[face] = std::fabs(properties.Mass());
    }
    double total = 0.0;
    for (double a : samples.faceAreas) total += a;
    if (!(total > 0.0)) return samples;
    for (std::size_t face = 0; face < faces_.size(); ++face) {
      if (trianglesOf[face].empty()) continue;
      std::vector<ZORTriangle> ofFace;
      for (int t : trianglesOf[face]) ofFace.push_back(mesh.triangles[static_cast<std::size_t>(t)]);
      const std::size_t share = std::max<std::size_t>(
          1, static_cast<std::size_t>(std::llround(static_cast<double>(count) * samples.faceAreas[face] / total)));
      const ZORAreaSample spread = ZORSpreadOverArea(mesh.positions, ofFace, share);
      for (std::size_t i = 0; i < spread.triangles.size(); ++i) {
        samples.triangles.push_back(trianglesOf[face][static_cast<std::size_t>(spread.triangles[i])]);
        samples.at.push_back(spread.at[i]);
      }
    }
    return samples;
  }

  // Whether (u, v) lies on `face`, within its trimming: against a polygon of the face's edges, and
  // where that cannot tell (near the polygon, within its own deflection), against the edges
  // themselves: a point between a hole's polygon and its circle is in the hole.
  bool Inside(Evaluation& evaluation, std::size_t face, double u, double v) const {
    std::call_once(outlines_[face].made, [&] { outlines_[face].outline = std::make_unique<ZORFaceOutline>(faces_[face].face); });
    const ZORFaceOutline::Side side = outlines_[face].outline->Classify(u, v);
    if (side != ZORFaceOutline::Side::Unsure) return side == ZORFaceOutline::Side::Inside;
    if (!evaluation.classifiers[face]) {
      evaluation.classifiers[face] = std::make_unique<BRepTopAdaptor_FClass2d>(faces_[face].face, Precision::PConfusion());
    }
    const TopAbs_State state = evaluation.classifiers[face]->Perform(gp_Pnt2d(u, v));
    if (state != TopAbs_ON) return state == TopAbs_IN;
    BRepClass_FaceClassifier classifier;
    classifier.Perform(faces_[face].face, gp_Pnt2d(u, v), Precision::PConfusion());
    return classifier.State() != TopAbs_OUT;
  }

  // The point of the face of `triangle` nearest `point`: the kernel's local search for the
  // nearest point, started from the parameters of the mesh's point (`triangle` at `at`), within
  // the face's parameter bounds, if it lies on the face (not past its trimming, in a hole), else
  // the surface at the mesh's point if that does. Where that is not straight below the point,
  // the nearest point of the face's edges if nearer. None when no point of the face is found.
  std::optional<ZORSurfacePoint> NearestWith(Evaluation& own, const ZORVec3& point, int triangle,
                                             const std::array<double, 3>& at) const {
    const auto [u0, v0] = ParametersAt(triangle, at);
    const std::size_t face = static_cast<std::size_t>(mesh_.triangleFaces[static_cast<std::size_t>(triangle)]);
    if (!own.adaptors[face]) own.adaptors[face] = std::make_unique<BRepAdaptor_Surface>(faces_[face].face);
    const BRepAdaptor_Surface& adaptor = *own.adaptors[face];
    const gp_Pnt target(point.x, point.y, point.z);
    // Inside the mesh's triangle in the face's parameters, away from the outline, is on the
    // face: the classifier, which costs as much as the search, is asked only near the outline.
    auto inside = [this, &own, face, triangle](double u, double v) {
      return (!atOutline_[static_cast<std::size_t>(triangle)] && InTriangle(triangle, u, v)) || Inside(own, face, u, v);
    };
    std::optional<ZORSurfacePoint> nearest;
    auto consider = [&](double u, double v) {
      if (!inside(u, v)) return;
      const ZORSurfacePoint candidate = SurfaceAt(own.props, static_cast<int>(face), u, v);
      if (!nearest || Length(candidate.position - point) < Length(nearest->position - point)) nearest = candidate;
    };
    auto below = [&] { return nearest && Below(point, *nearest); };
    // The kernel's local search by the normal's direction (Newton's, with few evaluations), and
    // where that does not end straight below the point, by distance: each converges in places
    // where the other stops short (near a pole, on some blends' corners).
    Extrema_GenLocateExtPS local(adaptor);
    auto search = [&](double u, double v) {
      std::optional<std::pair<double, double>> last;
      for (const Standard_Boolean byDistance : {Standard_False, Standard_True}) {
        local.Perform(target, u, v, byDistance);
        if (!local.IsDone()) continue;
        last.emplace();
        local.Point().Parameter(last->first, last->second);
        consider(last->first, last->second);
        if (below()) break;
      }
      return last;
    };
    const std::optional<std::pair<double, double>> found = search(u0, v0);
    if (found && !below()) {
      // Stopped at a seam, the bound of a periodic parameter: the nearest point may lie just past
      // it, at the other bound.
      if (const std::optional<std::pair<double, double>> across = AcrossSeam(adaptor, *found)) {
        search(across->first, across->second);
      }
    }
    if (!found || (!below() && AtPole(adaptor, *found))) {
      // Neither search converged, or both ran into a pole, where a parameter says nothing: the
      // search over the whole face, which costs far more, is the last resort.
      Extrema_ExtPS global(target, adaptor, Precision::PConfusion(), Precision::PConfusion());
      for (int i = 1; global.IsDone() && i <= global.NbExt(); ++i) {
        double u = 0.0, v = 0.0;
        global.Point(i).Parameter(u, v);
        consider(u, v);
      }
    }
    if (below()) return nearest;
    consider(u0, v0);
    // Not straight below the point: the nearest point of the face is on one of its edges.
    NearestOnEdges(own.props, face, point, nearest);
    return nearest;
  }

  // Where the line from `origin` along the unit `direction` crosses the face of `triangle`: Newton's
  // method on (u, v, distance along the line) from the mesh's point at `at`. None when it does not
  // converge, the line runs along the face (its tangent plane holds the direction), or the
  // crossing lies past the face's trimming.
  std::optional<Evaluator::Crossing> CrossingWith(Evaluation& own, const ZORVec3& origin, const ZORVec3& direction,
                                                  int triangle, const std::array<double, 3>& at) const {
    constexpr int kMostSteps = 30;
    constexpr double kGrazing = 1e-6;  // the sine below which the line is taken to run along the face
    auto [u, v] = ParametersAt(triangle, at);
    const std::size_t face = static_cast<std::size_t>(mesh_.triangleFaces[static_cast<std::size_t>(triangle)]);
    if (!own.adaptors[face]) own.adaptors[face] = std::make_unique<BRepAdaptor_Surface>(faces_[face].face);
    const BRepAdaptor_Surface& adaptor = *own.adaptors[face];
    const gp_Vec along(direction.x, direction.y, direction.z);
    const gp_XYZ from(origin.x, origin.y, origin.z);
    const ZORTriangle& corners = mesh_.triangles[static_cast<std::size_t>(triangle)];
    ZORVec3 onMesh;
    for (std::size_t k = 0; k < 3; ++k) onMesh = onMesh + at[k] * mesh_.positions[static_cast<std::size_t>(corners[k])];
    double distance = Dot(onMesh - origin, direction);
    bool converged = false;
    for (int step = 0; step < kMostSteps && !converged; ++step) {
      gp_Pnt p;
      gp_Vec du, dv;
      adaptor.D1(u, v, p, du, dv);
      const gp_Vec miss(p.XYZ() - (from + distance * along.XYZ()));
      if (miss.Magnitude() <= onSurface_) {
        converged = true;
        break;
      }
      // (du dv -along) (Δu Δv Δdistance) = -miss, by Cramer's rule.
      const gp_Vec back = -along, rest = -miss;
      const double determinant = du.Dot(dv.Crossed(back));
      if (!(std::fabs(determinant) > kGrazing * du.Magnitude() * dv.Magnitude())) return std::nullopt;
      u += rest.Dot(dv.Crossed(back)) / determinant;
      v += du.Dot(rest.Crossed(back)) / determinant;
      distance += du.Dot(dv.Crossed(rest)) / determinant;
      WithinBounds(adaptor, u, v);
    }
    if (!converged) return std::nullopt;
    const bool inside = (!atOutline_[static_cast<std::size_t>(triangle)] && InTriangle(triangle, u, v)) ||
                        Inside(own, face, u, v);
    if (!inside) return std::nullopt;
    // The point and its normal from the first derivatives, which the search has; its curvatures,
    // which cost as much as the search, are not asked for. At a pole, the full evaluation.
    gp_Pnt p;
    gp_Vec du, dv;
    adaptor.D1(u, v, p, du, dv);
    const gp_Vec across = du.Crossed(dv);
    const double length = across.Magnitude();
    if (!(length > 0.0)) return Evaluator::Crossing{SurfaceAt(own.props, static_cast<int>(face), u, v), distance};
    constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();
    ZORSurfacePoint point;
    point.position = {p.X(), p.Y(), p.Z()};
    const double outward = (faces_[face].reversed ? -1.0 : 1.0) / length;
    point.normal = {outward * across.X(), outward * across.Y(), outward * across.Z()};
    point.curvatures = {kUndefined, kUndefined, kUndefined, kUndefined};
    point.face = static_cast<int>(face);
    return Evaluator::Crossing{point, distance};
  }

  // (u, v) brought within the face's parameter bounds: a periodic parameter by whole periods,
  // another held at its bound.
  static void WithinBounds(const BRepAdaptor_Surface& adaptor, double& u, double& v) {
    auto bound = [](double& t, bool periodic, double period, double first, double last) {
      if (periodic && period > 0.0) {
        t = first + std::fmod(std::fmod(t - first, period) + period, period);
      } else {
        t = std::clamp(t, first, last);
      }
    };
    bound(u, adaptor.IsUPeriodic(), adaptor.IsUPeriodic() ? adaptor.UPeriod() : 0.0, adaptor.FirstUParameter(),
          adaptor.LastUParameter());
    bound(v, adaptor.IsVPeriodic(), adaptor.IsVPeriodic() ? adaptor.VPeriod() : 0.0, adaptor.FirstVParameter(),
          adaptor.LastVParameter());
  }

  // Whether (u, v) lies within `triangle` of the mesh in its face's parameters.
  bool InTriangle(int triangle, double u, double v) const {
    const ZORTriangle& t = mesh_.triangles[static_cast<std::size_t>(triangle)];
    const std::array<double, 2>& a = mesh_.parameters[static_cast<std::size_t>(t[0])];
    const std::array<double, 2>& b = mesh_.parameters[static_cast<std::size_t>(t[1])];
    const std::array<double, 2>& c = mesh_.parameters[static_cast<std::size_t>(t[2])];
    const auto side = [u, v](const std::array<double, 2>& from, const std::array<double, 2>& to) {
      return (to[0] - from[0]) * (v - from[1]) - (to[1] - from[1]) * (u - from[0]);
    };
    const double ab = side(a, b), bc = side(b, c), ca = side(c, a);
    return (ab >= 0.0 && bc >= 0.0 && ca >= 0.0) || (ab <= 0.0 && bc <= 0.0 && ca <= 0.0);
  }

  // Whether the surface's point at `at` is a pole: where moving along one parameter moves it not.
  static bool AtPole(const BRepAdaptor_Surface& adaptor, std::pair<double, double> at) {
    constexpr double kStill = 1e-7;
    gp_Pnt p;
    gp_Vec alongU, alongV;
    adaptor.D1(at.first, at.second, p, alongU, alongV);
    const double u = alongU.Magnitude(), v = alongV.Magnitude();
    return u <= kStill * v || v <= kStill * u;
  }

  // Where (u, v) lies when a seam it is on is crossed: the other bound of each periodic parameter
  // it is at; nothing when it is on no seam.
  static std::optional<std::pair<double, double>> AcrossSeam(const BRepAdaptor_Surface& adaptor,
                                                             std::pair<double, double> at) {
    auto& [u, v] = at;
    const double near = Precision::PConfusion();
    bool crossed = false;
    auto cross = [&](bool periodic, double& t, double first, double last) {
      if (!periodic) return;
      if (std::fabs(t - first) <= near) {
        t = last;
        crossed = true;
      } else if (std::fabs(t - last) <= near) {
        t = first;
        crossed = true;
      }
    };
    cross(adaptor.IsUPeriodic(), u, adaptor.FirstUParameter(), adaptor.LastUParameter());
    cross(adaptor.IsVPeriodic(), v, adaptor.FirstVParameter(), adaptor.LastVParameter());
    if (!crossed) return std::nullopt;
    return at;
  }

  // `nearest` replaced by the nearest point of `face`'s edges to `point` where that is nearer;
  // edges whose box lies farther than the nearest point yet are not searched.
  void NearestOnEdges(std::vector<GeomLProp_SLProps>& props, std::size_t face, const ZORVec3& point,
                      std::optional<ZORSurfacePoint>& nearest) const {
    const gp_Pnt target(point.x, point.y, point.z);
    for (const FaceEdge& edge : faces_[face].edges) {
      if (nearest && edge.box.Distance(point) >= Length(nearest->position - point)) continue;
      const BRepAdaptor_Curve curve(edge.edge);
      Extrema_ExtPC along(target, curve);
      std::vector<double> onEdge = {edge.first, edge.last};
      for (int i = 1; along.IsDone() && i <= along.NbExt(); ++i) onEdge.push_back(along.Point(i).Parameter());
      for (double t : onEdge) {
        // On the face's surface, at the edge's curve on it: where the file gives an edge a
        // tolerance of its own, its curve in space may lie that far from the face.
        const gp_Pnt2d uv = edge.onFace->Value(t);
        const ZORSurfacePoint candidate = SurfaceAt(props, static_cast<int>(face), uv.X(), uv.Y());
        if (!nearest || Length(candidate.position - point) < Length(nearest->position - point)) nearest = candidate;
      }
    }
  }

  // Whether `nearest`, a point of the surface, lies straight below `point`: along its normal, or
  // so near that `point` is on the surface (its direction is then rounding's alone).
  bool Below(const ZORVec3& point, const ZORSurfacePoint& nearest) const {
    constexpr double kSine = 1e-6;
    const ZORVec3 away = point - nearest.position;
    const double distance = Length(away);
    return distance <= onSurface_ || Length(Cross(away, nearest.normal)) <= kSine * distance;
  }

  // The surface parameters of the mesh's point on `triangle` at barycentric coordinates `at`.
  std::pair<double, double> ParametersAt(int triangle, const std::array<double, 3>& at) const {
    const ZORTriangle& t = mesh_.triangles[static_cast<std::size_t>(triangle)];
    double u = 0.0, v = 0.0;
    for (int i = 0; i < 3; ++i) {
      const std::array<double, 2>& p = mesh_.parameters[static_cast<std::size_t>(t[i])];
      u += at[i] * p[0];
      v += at[i] * p[1];
    }
    return {u, v};
  }

  // The surface at the point of `triangle` with barycentric coordinates `at`, evaluated with
  // `evaluation`: at the surface parameters interpolated to that point. Where those fall past the
  // face's trimming (the mesh's chord across a curve of its outline), the nearest point of the
  // face's edges instead: a point of the part, never of the surface the face was cut from.
  ZORSurfacePoint PointWith(Evaluation& evaluation, int triangle, const std::array<double, 3>& at) const {
    const auto [u, v] = ParametersAt(triangle, at);
    const std::size_t t = static_cast<std::size_t>(triangle);
    const int face = mesh_.triangleFaces[t];
    const ZORSurfacePoint untrimmed = SurfaceAt(evaluation.props, face, u, v);
    if (!atOutline_[t] || Inside(evaluation, static_cast<std::size_t>(face), u, v)) return untrimmed;
    std::optional<ZORSurfacePoint> onEdge;
    NearestOnEdges(evaluation.props, static_cast<std::size_t>(face), untrimmed.position, onEdge);
    return onEdge.value_or(untrimmed);
  }

  // The surface at (u, v) of `face`, evaluated with `evaluation` (a face's state each): its
  // point, outward unit normal and curvatures.
  ZORSurfacePoint SurfaceAt(std::vector<GeomLProp_SLProps>& evaluation, int face, double u, double v) const {
    constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();
    const Face& f = faces_[static_cast<std::size_t>(face)];
    GeomLProp_SLProps& props = evaluation[static_cast<std::size_t>(face)];
    props.SetParameters(u, v);
    ZORSurfacePoint at;
    at.face = face;
    at.curvatures = {kUndefined, kUndefined, kUndefined, kUndefined};
    const gp_Pnt p = props.Value().Transformed(f.placement);
    at.position = {p.X(), p.Y(), p.Z()};
    if (!props.IsNormalDefined()) return at;
    gp_Dir n = props.Normal();
    if (f.reversed) n.Reverse();
    n.Transform(f.placement);
    at.normal = {n.X(), n.Y(), n.Z()};
    if (!props.IsCurvatureDefined()) return at;
    // The kernel's curvatures bend toward its normal; here they are positive where the surface
    // bends away from the outward normal, as on a convex part.
    const double sign = f.reversed ? 1.0 : -1.0;
    const double minimum = sign > 0 ? props.MinCurvature() : -props.MaxCurvature();
    const double maximum = sign > 0 ? props.MaxCurvature() : -props.MinCurvature();
    at.curvatures = {props.GaussianCurvature(), sign * props.MeanCurvature(), minimum, maximum};
    return at;
  }

  TopoDS_Shape shape_;
  std::vector<Face> faces_;  // every face of the shape, in the explorer's order
  std::vector<int> nodeFaces_;  // the face of each node of the mesh
  std::vector<double> faceDeflections_;  // how closely each face's mesh follows it
  mutable std::vector<double> triangleDeflections_;  // each triangle's, measured when first asked
  std::optional<double> meshedDeflection_;  // of the mesh made
  bool hasFreeEdges_ = false;  // edges of one face only: a sheet's, not a closed solid's
  double onSurface_ = 0.0;  // a point nearer the surface than this is on it
  // The evaluation's state per face for the part's own evaluations; evaluating changes it, the
  // part does not.
  mutable std::vector<GeomLProp_SLProps> props_;
  std::unique_ptr<Evaluation> own_;  // the state of the part's own evaluations, PointAt's
  std::vector<std::uint8_t> curvedOutline_;  // by face: whether an edge of it curves in its parameters
  // Each face's outline, made when first asked, by whichever thread asks.
  struct Outline {
    std::once_flag made;
    std::unique_ptr<ZORFaceOutline> outline;
  };
  mutable std::vector<Outline> outlines_;
  std::vector<std::uint8_t> atOutline_;  // by triangle of the mesh: AtOutline
};

// The shape a STEP or IGES reader makes of the file; `format` names the format in messages.
template <class Reader>
ZOROutcome ReadShape(const std::string& path, const char* format, TopoDS_Shape& shape) {
  Reader reader;
  if (reader.ReadFile(path.c_str()) != IFSelect_RetDone) {
    return ZORBadInput(std::string("is not ") + format + " file that can be read");
  }
  if (reader.TransferRoots() == 0) return ZORBadInput("holds nothing that can be made into a shape");
  shape = reader.OneShape();
  return std::nullopt;
}

bool HasFaces(const TopoDS_Shape& shape) {
  return !shape.IsNull() && TopExp_Explorer(shape, TopAbs_FACE).More();
}

}  // namespace

ZOROutcome ZORReadCadPart(const std::string& path, bool iges, std::unique_ptr<ZORPart>& part) {
  if (!iges) {
    if (ZOROutcome problem = ZORCheckStepFile(path)) return problem;
  }
  ZOROutcome problem = ZORCatchingKernelFailures([&]() -> ZOROutcome {
    TopoDS_Shape shape;
    if (ZOROutcome unread = iges ? ReadShape<IGESControl_Reader>(path, "an IGES", shape)
                                 : ReadShape<STEPControl_Reader>(path, "a STEP", shape)) {
      return unread;
    }
    if (!HasFaces(shape)) return ZORBadInput("holds no surface");
    // The readers convert the file's lengths to the kernel's unit, millimetres.
    part = ZORMakeCadPart(path, shape, "mm");
    return std::nullopt;
  });
  if (problem) problem->message = path + ": " + problem->message;
  return problem;
}

TopoDS_Shape ZORSampleShape() {
  // A saddle with a bump off its centre, z = a (x^2 - y^2) + b exp(-r^2 / s^2), through 33 x 33
  // points over [-1, 1]^2, as a B-spline surface: its Gaussian curvature is negative around the
  // saddle and positive on the bump.
  constexpr int kPoints = 33;
  constexpr double a = 0.6, b = 0.35, s = 0.5, x0 = 0.3, y0 = -0.25;
  TColgp_Array2OfPnt points(1, kPoints, 1, kPoints);
  for (int i = 1; i <= kPoints; ++i) {
    for (int j = 1; j <= kPoints; ++j) {
      const double x = -1.0 + 2.0 * (i - 1) / (kPoints - 1);
      const double y = -1.0 + 2.0 * (j - 1) / (kPoints - 1);
      const double u = x - x0, v = y - y0;
      points.SetValue(i, j, gp_Pnt(x, y, a * (x * x - y * y) + b * std::exp(-(u * u + v * v) / (s * s))));
    }
  }
  const Handle(Geom_BSplineSurface) spline =
      GeomAPI_PointsToBSplineSurface(points, 3, 8, GeomAbs_C2, 1e-6).Surface();
  const Handle(Geom_Surface) surface(spline);
  return BRepBuilderAPI_MakeFace(surface, Precision::Confusion()).Shape();
}

std::unique_ptr<ZORPart> ZORMakeSamplePart() {
  return ZORMakeCadPart("the sample part, a freeform surface", ZORSampleShape(), "model unit");
}

std::unique_ptr<ZORPart> ZORMakeCadPart(std::string description, const TopoDS_Shape& shape,
                                        std::string lengthUnit) {
  return std::make_unique<CadPart>(std::move(description), shape, std::move(lengthUnit));
}
