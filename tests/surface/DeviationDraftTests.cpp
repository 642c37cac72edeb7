// Deviation and draft against what they must be: analytic pairs written to STEP and read back as
// zorhost reads them (spheres and coaxial cylinders a known distance apart, a plane of known tilt,
// a cone of known half-angle), a mesh against a CAD reference, the kernel's own distance on the
// example scan, and a sheet's edge.
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <BRepPrimAPI_MakeCone.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <BRep_Tool.hxx>
#include <STEPControl_Reader.hxx>
#include <STEPControl_Writer.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <gp_Pln.hxx>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>

#include "zorhost/surface/Analysis.h"
#include "zorhost/surface/CadKernel.h"
#include "zorhost/surface/Part.h"
#include "zorhost/surface/PartPicture.h"
#include "zorhost/surface/Reference.h"
#include "tests/surface/AnalyticParts.h"

namespace {

namespace fs = std::filesystem;

class DeviationAndDraft : public ZORAnalyticPartTest {};

TEST_F(DeviationAndDraft, SpheresAndCylindersAKnownDistanceApart) {
  // A sphere of radius 5 inside one of 5.1: -0.1 everywhere, the reference's outward normals
  // pointing away from it.
  std::unique_ptr<ZORPart> inner = ThroughStep(BRepPrimAPI_MakeSphere(5.0).Shape(), "inner");
  const auto outer = Reference(ThroughStep(BRepPrimAPI_MakeSphere(5.1).Shape(), "outer"));
  const auto deviation = ZORMakeDeviationAnalysis(outer, {});
  EXPECT_EQ(deviation->Unit(inner->LengthUnit()), "mm");
  int seen = 0;
  for (const Measured& m : Everywhere(*inner, *deviation)) {
    ASSERT_NEAR(m.value, -0.1, 1e-9) << m.position.x << " " << m.position.y << " " << m.position.z;
    ++seen;
  }
  EXPECT_GT(seen, 5000);
  // And the other way round: +0.1.
  std::unique_ptr<ZORPart> outerPart = ThroughStep(BRepPrimAPI_MakeSphere(5.1).Shape(), "outer-part");
  const auto inward = ZORMakeDeviationAnalysis(Reference(ThroughStep(BRepPrimAPI_MakeSphere(5.0).Shape(), "inner-ref")), {});
  for (const Measured& m : Everywhere(*outerPart, *inward)) ASSERT_NEAR(m.value, 0.1, 1e-9);

  // A cylinder of radius 3 inside a longer coaxial one of 3.2: -0.2 on its side.
  std::unique_ptr<ZORPart> cylinder =
      ThroughStep(BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(0, 0, 0), gp_Dir(0, 0, 1)), 3.0, 10.0).Shape(), "cylinder");
  const auto around = Reference(
      ThroughStep(BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(0, 0, -1), gp_Dir(0, 0, 1)), 3.2, 12.0).Shape(), "around"));
  const auto fromAround = ZORMakeDeviationAnalysis(around, {});
  int side = 0;
  for (const Measured& m : Everywhere(*cylinder, *fromAround)) {
    if (std::fabs(m.normal.z) > 1e-9) continue;  // the caps
    ASSERT_NEAR(m.value, -0.2, 1e-9) << m.position.x << " " << m.position.y << " " << m.position.z;
    ++side;
  }
  EXPECT_GT(side, 1000);
}

TEST_F(DeviationAndDraft, APlaneOfKnownTiltAndAConeOfKnownHalfAngle) {
  // A square tilted by 20 degrees from horizontal: its normal 20 degrees from the pull, its draft
  // 70 degrees; pulled the other way, -70.
  const double tilt = 20.0 * std::numbers::pi / 180.0;
  const gp_Pln plane(gp_Pnt(0, 0, 0), gp_Dir(std::sin(tilt), 0.0, std::cos(tilt)));
  std::unique_ptr<ZORPart> tilted = ThroughStep(BRepBuilderAPI_MakeFace(plane, -5, 5, -5, 5).Shape(), "tilted");
  const auto draft = ZORMakeDraftAnalysis({0, 0, 1});
  EXPECT_EQ(draft->Unit("mm"), "\u00b0");
  for (const Measured& m : Everywhere(*tilted, *draft)) ASSERT_NEAR(std::fabs(m.value), 70.0, 1e-9);
  const auto sideways = ZORMakeDraftAnalysis({2, 0, 0});  // not of unit length
  for (const Measured& m : Everywhere(*tilted, *sideways)) ASSERT_NEAR(std::fabs(m.value), 20.0, 1e-9);

  // A cone narrowing upward, half-angle 12 degrees: its side drafted by 12 degrees.
  const double half = 12.0 * std::numbers::pi / 180.0;
  const double height = 10.0, bottom = 6.0, top = bottom - height * std::tan(half);
  std::unique_ptr<ZORPart> cone = ThroughStep(BRepPrimAPI_MakeCone(bottom, top, height).Shape(), "cone");
  int side = 0;
  for (const Measured& m : Everywhere(*cone, *draft)) {
    if (std::fabs(std::fabs(m.normal.z) - 1.0) < 1e-9) continue;  // the caps: 90 and -90
    ASSERT_NEAR(m.value, 12.0, 1e-9);
    ++side;
  }
  EXPECT_GT(side, 1000);
}

TEST_F(DeviationAndDraft, AMeshAgainstACadReference) {
  // A sphere of radius 5 meshed with its vertices on it, against the CAD sphere of 5.1: exactly
  // -0.1 at the vertices, and between there and the chords' sagitta deeper inside.
  constexpr int kRings = 24, kSegments = 48;
  ZORSurfaceMesh mesh;
  auto node = [](int ring, int segment) {
    const double theta = std::numbers::pi * ring / kRings, phi = 2.0 * std::numbers::pi * segment / kSegments;
    return ZORVec3{5.0 * std::sin(theta) * std::cos(phi), 5.0 * std::sin(theta) * std::sin(phi), 5.0 * std::cos(theta)};
  };
  for (int ring = 0; ring <= kRings; ++ring) {
    for (int segment = 0; segment < kSegments; ++segment) mesh.positions.push_back(node(ring, segment));
  }
  auto at = [](int ring, int segment) { return ring * kSegments + segment % kSegments; };
  for (int ring = 0; ring < kRings; ++ring) {
    for (int segment = 0; segment < kSegments; ++segment) {
      if (ring > 0) mesh.triangles.push_back({at(ring, segment), at(ring + 1, segment), at(ring, segment + 1)});
      if (ring < kRings - 1) mesh.triangles.push_back({at(ring + 1, segment), at(ring + 1, segment + 1), at(ring, segment + 1)});
    }
  }
  std::unique_ptr<ZORPart> sphere = ZORMakeMeshPart("sphere mesh", mesh);
  ASSERT_EQ(sphere->Prepare(1.0), std::nullopt);
  const auto deviation = ZORMakeDeviationAnalysis(Reference(ThroughStep(BRepPrimAPI_MakeSphere(5.1).Shape(), "outer")), {});
  sphere->Evaluate(*deviation);
  for (std::size_t v = 0; v < sphere->Mesh().values.size(); ++v) {
    const ZORVec3& p = sphere->Mesh().positions[v];
    if (std::fabs(std::fabs(p.z) - 5.0) < 1e-9) continue;  // the poles' copies
    ASSERT_NEAR(sphere->Mesh().values[v], -0.1, 1e-9) << v;
  }
  const double sagitta = 5.0 * (1.0 - std::cos(std::numbers::pi / kRings));
  for (const Measured& m : Everywhere(*sphere, *deviation)) {
    ASSERT_LE(m.value, -0.1 + 1e-9);
    ASSERT_GE(m.value, -0.1 - sagitta) << m.position.x << " " << m.position.y << " " << m.position.z;
  }
}

TEST_F(DeviationAndDraft, TheKernelsOwnDistanceOnTheExampleScan) {
  std::unique_ptr<ZORPart> scan;
  ASSERT_EQ(ZORReadPart(ZOR_EXAMPLE_PARTS "/bracket-scan.stl", scan), std::nullopt);
  ASSERT_EQ(scan->Prepare(1.0), std::nullopt);
  std::unique_ptr<ZORPart> bracket;
  ASSERT_EQ(ZORReadPart(ZOR_EXAMPLE_PARTS "/bracket.step", bracket), std::nullopt);
  const auto deviation = ZORMakeDeviationAnalysis(Reference(std::move(bracket)), {});
  STEPControl_Reader reader;
  ASSERT_EQ(reader.ReadFile(ZOR_EXAMPLE_PARTS "/bracket.step"), IFSelect_RetDone);
  reader.TransferRoots();
  const TopoDS_Shape shape = reader.OneShape();
  // Near an edge the file gives a tolerance of its own (the corner blends': up to 0.019 mm), the
  // face's curve and the edge's may differ by that much: either is the part.
  std::vector<std::pair<TopoDS_Edge, double>> loose;
  for (TopExp_Explorer edges(shape, TopAbs_EDGE); edges.More(); edges.Next()) {
    const TopoDS_Edge& edge = TopoDS::Edge(edges.Current());
    if (BRep_Tool::Tolerance(edge) > 1e-7) loose.emplace_back(edge, BRep_Tool::Tolerance(edge));
  }
  auto allowed = [&loose](const gp_Pnt& at, double distance) {
    double most = 1e-7;
    for (const auto& [edge, tolerance] : loose) {
      BRepExtrema_DistShapeShape toEdge(BRepBuilderAPI_MakeVertex(at).Vertex(), edge);
      if (toEdge.IsDone() && toEdge.Value() <= distance + 2.0 * tolerance) most = std::max(most, tolerance);
    }
    return most;
  };
  int compared = 0;
  // Every 40th vertex of the scan: about 290 of them.
  std::vector<ZORSurfacePoint> points;
  const std::vector<ZORSurfacePoint> vertices = scan->AreaPoints(300, 2).points;
  for (std::size_t i = 0; i < vertices.size(); i += 40) points.push_back(vertices[i]);
  const int expected = static_cast<int>(points.size()) + 2;
  // And by the blends at the corners, which mesh only coarser: the nearest triangle of the
  // reference's mesh is then on another face.
  for (const ZORVec3& corner : {ZORVec3{13.44553, 2.366202, 12.3426}, ZORVec3{12.4125, 47.61029, 13.33702}}) {
    ZORSurfacePoint point;
    point.position = corner;
    points.push_back(point);
  }
  for (const ZORSurfacePoint& point : points) {
    const double value = deviation->ValueAt(point);
    ASSERT_FALSE(std::isnan(value));
    BRepExtrema_DistShapeShape kernel(BRepBuilderAPI_MakeVertex(gp_Pnt(point.position.x, point.position.y, point.position.z)).Vertex(), shape);
    ASSERT_TRUE(kernel.IsDone());
    const gp_Pnt at(point.position.x, point.position.y, point.position.z);
    EXPECT_NEAR(std::fabs(value), kernel.Value(), allowed(at, kernel.Value()))
        << point.position.x << " " << point.position.y << " " << point.position.z;
    ++compared;
  }
  EXPECT_EQ(compared, expected);
}

TEST_F(DeviationAndDraft, BeyondASheetsEdgeAndPastTheLargestDistance) {
  // A square of 10 at z = 0 measured against one of 4 at z = 0.5: -0.5 over it; beyond its edge
  // nothing, or with the edges kept the distance to the edge; nothing past --max-distance.
  std::unique_ptr<ZORPart> wide = ThroughStep(BRepBuilderAPI_MakeFace(gp_Pln(gp_Pnt(0, 0, 0), gp_Dir(0, 0, 1)), -5, 5, -5, 5).Shape(), "wide");
  const auto narrow = Reference(
      ThroughStep(BRepBuilderAPI_MakeFace(gp_Pln(gp_Pnt(0, 0, 0.5), gp_Dir(0, 0, 1)), -2, 2, -2, 2).Shape(), "narrow"));
  const auto undefinedBeyond = ZORMakeDeviationAnalysis(narrow, {});
  const auto keptBeyond = ZORMakeDeviationAnalysis(narrow, {true, std::nullopt});
  const auto within = ZORMakeDeviationAnalysis(narrow, {true, 1.0});
  int over = 0, beyond = 0;
  for (const Measured& m : Everywhere(*wide, *undefinedBeyond)) {
    const double outside = std::hypot(std::max(std::fabs(m.position.x) - 2.0, 0.0), std::max(std::fabs(m.position.y) - 2.0, 0.0));
    if (outside < 1e-6) {
      ASSERT_NEAR(m.value, -0.5, 1e-9);
      ++over;
    } else if (outside > 1e-3) {
      ASSERT_TRUE(std::isnan(m.value)) << m.position.x << " " << m.position.y;
      ZORSurfacePoint point;
      point.position = m.position;
      point.normal = m.normal;
      const double kept = keptBeyond->ValueAt(point);
      ASSERT_NEAR(std::fabs(kept), std::hypot(outside, 0.5), 1e-7);
      ASSERT_EQ(std::isnan(within->ValueAt(point)), std::hypot(outside, 0.5) > 1.0);
      ++beyond;
    }
  }
  EXPECT_GT(over, 500);
  EXPECT_GT(beyond, 500);
}

}  // namespace
