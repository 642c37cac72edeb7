// Wall thickness against what it must be on parts of known walls: a tube, a spherical shell and
// a box, exact on their CAD surfaces and on a box's mesh; and a sheet, which has no wall. The
// continuity across the edges of a filleted block and of stacked cylinders.
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepFilletAPI_MakeFillet.hxx>
#include <BRep_Tool.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <gp_Pln.hxx>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>

#include "tests/surface/AnalyticParts.h"
#include "zorhost/surface/Thickness.h"

namespace {

class WallThickness : public ZORAnalyticPartTest {
 protected:
  // The part again as the solid a thickness is measured through, as zorhost reads it.
  std::shared_ptr<const ZORReference> Solid(const std::string& path) {
    std::unique_ptr<ZORPart> part;
    EXPECT_EQ(ZORReadPart(path, part), std::nullopt);
    return Reference(std::move(part));
  }
  std::unique_ptr<ZORPart> Picture(const std::string& path) {
    std::unique_ptr<ZORPart> part;
    EXPECT_EQ(ZORReadPart(path, part), std::nullopt);
    EXPECT_EQ(part->Prepare(ZORPictureDeflection(*part, kSide, kSide, 1.0)), std::nullopt);
    return part;
  }
};

TopoDS_Shape Tube() {
  const gp_Ax2 axis(gp_Pnt(0, 0, 0), gp_Dir(0, 0, 1));
  return BRepAlgoAPI_Cut(BRepPrimAPI_MakeCylinder(axis, 10.0, 30.0).Shape(),
                         BRepPrimAPI_MakeCylinder(axis, 8.0, 30.0).Shape())
      .Shape();
}

TEST_F(WallThickness, ATubeAndASphericalShellByRayAndByBall) {
  // A tube of radii 10 and 8, 30 long: its walls 2 thick by the ray and by the ball; along the
  // axis from an end, the ray reads the whole length, the ball still the wall.
  const std::string tube = StepFile(Tube(), "tube");
  const auto solid = Solid(tube);
  const auto ray = ZORMakeThicknessAnalysis(solid, ZORThicknessMethod::Ray);
  const auto ball = ZORMakeThicknessAnalysis(solid, ZORThicknessMethod::Sphere);
  EXPECT_EQ(ray->Unit("mm"), "mm");
  const std::unique_ptr<ZORPart> pictured = Picture(tube);
  int walls = 0, ends = 0;
  for (const Measured& m : Everywhere(*pictured, *ray)) {
    const bool end = std::fabs(m.normal.z) > 0.5;
    const double radius = std::hypot(m.position.x, m.position.y);
    // The ends' rims: the ray along the wall's surface is the ray method's known blind spot.
    if (end && (radius < 8.0 + 1e-6 || radius > 10.0 - 1e-6)) continue;
    ASSERT_NEAR(m.value, end ? 30.0 : 2.0, 1e-9) << m.position.x << " " << m.position.y << " " << m.position.z;
    ++(end ? ends : walls);
  }
  EXPECT_GT(walls, 1000);
  EXPECT_GT(ends, 100);
  // The ball touching a wall is held to the wall's diameter by the other wall and, within 1 of an
  // end, to the end; touching an end at radius r, to the nearer wall.
  for (const ZORSurfacePoint& point : pictured->AreaPoints(300, 2).points) {
    const double radius = std::hypot(point.position.x, point.position.y), z = point.position.z;
    const double expected = std::fabs(point.normal.z) > 0.5 ? 2.0 * std::min(radius - 8.0, 10.0 - radius)
                                                             : 2.0 * std::min({1.0, z, 30.0 - z});
    ASSERT_NEAR(ball->ValueAt(point), expected, 1e-6) << point.position.x << " " << point.position.y << " " << z;
  }

  // A spherical shell of radii 10 and 7: 3 from either side.
  const std::string shell = StepFile(
      BRepAlgoAPI_Cut(BRepPrimAPI_MakeSphere(10.0).Shape(), BRepPrimAPI_MakeSphere(7.0).Shape()).Shape(), "shell");
  const auto shellSolid = Solid(shell);
  const auto shellRay = ZORMakeThicknessAnalysis(shellSolid, ZORThicknessMethod::Ray);
  const auto shellBall = ZORMakeThicknessAnalysis(shellSolid, ZORThicknessMethod::Sphere);
  const std::unique_ptr<ZORPart> shellPictured = Picture(shell);
  int seen = 0;
  for (const Measured& m : Everywhere(*shellPictured, *shellRay)) {
    ASSERT_NEAR(m.value, 3.0, 1e-9);
    ++seen;
  }
  EXPECT_GT(seen, 5000);
  for (const ZORSurfacePoint& point : shellPictured->AreaPoints(200, 2).points) {
    ASSERT_NEAR(shellBall->ValueAt(point), 3.0, 1e-6);
  }
}

// An ASCII STL of the box from the origin to `size`, each face a grid of `cells` by `cells`
// squares: away from its rim, a face's mesh normals are the face's own.
std::string GridBoxStl(const ZORVec3& size, int cells) {
  std::string stl = "solid box\n";
  auto facet = [&stl](const ZORVec3& a, const ZORVec3& b, const ZORVec3& c) {
    stl += "facet normal 0 0 0\nouter loop\n";
    for (const ZORVec3& p : {a, b, c}) {
      stl += "vertex " + std::to_string(p.x) + " " + std::to_string(p.y) + " " + std::to_string(p.z) + "\n";
    }
    stl += "endloop\nendfacet\n";
  };
  const double s[3] = {size.x, size.y, size.z};
  for (int axis = 0; axis < 3; ++axis) {
    const int u = (axis + 1) % 3, v = (axis + 2) % 3;
    for (int side = 0; side < 2; ++side) {
      auto at = [&](int i, int j) {
        double p[3];
        p[axis] = side * s[axis];
        p[u] = s[u] * i / cells;
        p[v] = s[v] * j / cells;
        return ZORVec3{p[0], p[1], p[2]};
      };
      for (int i = 0; i < cells; ++i) {
        for (int j = 0; j < cells; ++j) {
          // Counterclockwise seen from outside: (u, v) turns about +axis on the far side.
          if (side == 1) {
            facet(at(i, j), at(i + 1, j), at(i + 1, j + 1));
            facet(at(i, j), at(i + 1, j + 1), at(i, j + 1));
          } else {
            facet(at(i, j), at(i + 1, j + 1), at(i + 1, j));
            facet(at(i, j), at(i, j + 1), at(i + 1, j + 1));
          }
        }
      }
    }
  }
  return stl + "endsolid box\n";
}

TEST_F(WallThickness, ABoxExactOnItsCadSurfaceAndOnItsMesh) {
  // A box 10 by 20 by 30: across each face, the box's size that way, on the CAD part and on its
  // mesh (flat faces: the mesh is the surface, where its normals are the faces').
  const std::string step = StepFile(BRepPrimAPI_MakeBox(10.0, 20.0, 30.0).Shape(), "box");
  const std::string stl = (folder_ / "box.stl").string();
  std::ofstream(stl) << GridBoxStl({10.0, 20.0, 30.0}, 8);
  for (const std::string& path : {step, stl}) {
    const auto ray = ZORMakeThicknessAnalysis(Solid(path), ZORThicknessMethod::Ray);
    const std::unique_ptr<ZORPart> pictured = Picture(path);
    int seen = 0;
    for (const Measured& m : Everywhere(*pictured, *ray)) {
      const ZORVec3 across{std::fabs(m.normal.x), std::fabs(m.normal.y), std::fabs(m.normal.z)};
      if (std::max({across.x, across.y, across.z}) < 1.0 - 1e-12) continue;  // a mesh's normal bent at a rim
      // On the box's edges the ray runs along a face, as at any corner.
      int atBound = 0;
      for (double c : {m.position.x / 10.0, m.position.y / 20.0, m.position.z / 30.0}) atBound += c < 1e-9 || c > 1 - 1e-9;
      if (atBound > 1) continue;
      const double expected = 10.0 * across.x + 20.0 * across.y + 30.0 * across.z;
      ASSERT_NEAR(m.value, expected, 1e-9) << path << ": " << m.position.x << " " << m.position.y << " " << m.position.z;
      ++seen;
    }
    EXPECT_GT(seen, 3000) << path;
  }
}

TEST_F(WallThickness, TheBracketsPlateIsTwelveThickEverywhere) {
  // Rays into the base plate's top meet its bottom 12 below, through the triangles of the flat
  // bottom, whose measured deflections are rounding's: none may slip between them.
  const std::string path = ZOR_EXAMPLE_PARTS "/bracket.step";
  const auto ray = ZORMakeThicknessAnalysis(Solid(path), ZORThicknessMethod::Ray);
  int top = 0, undefined = 0, all = 0;
  for (const Measured& m : Everywhere(*Picture(path), *ray)) {
    ++all;
    undefined += std::isnan(m.value);
    if (m.position.z != 12.0 || m.normal.z != 1.0) continue;
    ASSERT_NEAR(m.value, 12.0, 1e-9) << m.position.x << " " << m.position.y;
    ++top;
  }
  EXPECT_GT(top, 500);
  EXPECT_LT(undefined, all / 1000);
}

TEST_F(WallThickness, ASheetHasNoWall) {
  // A square sheet: every ray into it leaves without meeting a wall.
  const TopoDS_Shape sheet = BRepBuilderAPI_MakeFace(gp_Pln(gp::Origin(), gp::DZ()), -5.0, 5.0, -5.0, 5.0).Shape();
  const std::string path = StepFile(sheet, "sheet");
  const auto ray = ZORMakeThicknessAnalysis(Solid(path), ZORThicknessMethod::Ray);
  for (const Measured& m : Everywhere(*Picture(path), *ray)) ASSERT_TRUE(std::isnan(m.value));
}

}  // namespace

namespace {

class EdgeContinuity : public ZORAnalyticPartTest {};

TEST_F(EdgeContinuity, AFilletedBlockAndStackedCylindersGiveTheirClasses) {
  // A block 20 x 20 x 10, its four upright edges rounded by 3: the eight edges where a round
  // meets a side are tangent (G1), the curvature jumping from 1/3 to 0; every other edge is a
  // right angle (G0).
  TopTools_IndexedMapOfShape boxEdges;
  const TopoDS_Shape box = BRepPrimAPI_MakeBox(20.0, 20.0, 10.0).Shape();
  BRepFilletAPI_MakeFillet fillet(box);
  TopExp::MapShapes(box, TopAbs_EDGE, boxEdges);
  for (int i = 1; i <= boxEdges.Extent(); ++i) {
    const TopoDS_Edge& edge = TopoDS::Edge(boxEdges(i));
    const gp_Pnt from = BRep_Tool::Pnt(TopExp::FirstVertex(edge)), to = BRep_Tool::Pnt(TopExp::LastVertex(edge));
    if (std::fabs(from.Z() - to.Z()) > 1.0) fillet.Add(3.0, edge);
  }
  const std::vector<ZOREdgeContinuity> edges = ThroughStep(fillet.Shape(), "rounded")->EdgesContinuity();
  int tangent = 0, right = 0;
  for (const ZOREdgeContinuity& e : edges) {
    if (e.continuity == ZORContinuity::G1) {
      EXPECT_LT(e.angle, 1e-6);
      EXPECT_NEAR(e.curvatureJump, 1.0, 1e-9);
      EXPECT_NEAR(e.length, 10.0, 1e-9);
      ++tangent;
    } else {
      EXPECT_EQ(e.continuity, ZORContinuity::G0);
      EXPECT_NEAR(e.angle, 90.0, 1e-6);
      ++right;
    }
    EXPECT_LE(e.gap, e.gapTolerance);
    EXPECT_NE(e.faces[0], e.faces[1]);
  }
  EXPECT_EQ(tangent, 8);
  // Top and bottom: four sides and four rounds each; the sides' four upright edges are gone.
  EXPECT_EQ(right, 16);
  const std::string csv = ZORContinuityCsv(edges, "mm");
  EXPECT_EQ(csv.substr(0, csv.find('\n')), "edge,face_a,face_b,length (mm),gap (mm),angle (degrees),curvature jump,class");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 25);
  EXPECT_EQ(ZORContinuityCounts(edges), "24 edges join two faces: 0 G2, 8 G1, 16 G0, 0 apart");

  // Two cylinders of radius 5 stacked: the circle where they meet joins equal curvatures (G2).
  const gp_Ax2 low(gp_Pnt(0, 0, 0), gp_Dir(0, 0, 1)), high(gp_Pnt(0, 0, 10), gp_Dir(0, 0, 1));
  const TopoDS_Shape stacked =
      BRepAlgoAPI_Fuse(BRepPrimAPI_MakeCylinder(low, 5.0, 10.0).Shape(), BRepPrimAPI_MakeCylinder(high, 5.0, 10.0).Shape()).Shape();
  int smooth = 0;
  for (const ZOREdgeContinuity& e : ThroughStep(stacked, "stacked")->EdgesContinuity()) {
    if (e.continuity != ZORContinuity::G2) continue;
    EXPECT_NEAR(e.length, 10.0 * std::numbers::pi, 1e-6);
    EXPECT_LT(e.curvatureJump, 1e-9);
    ++smooth;
  }
  EXPECT_EQ(smooth, 1);
  // A mesh has no edges between faces; a sphere's one face meets only itself.
  EXPECT_TRUE(ThroughStep(BRepPrimAPI_MakeSphere(5.0).Shape(), "sphere")->EdgesContinuity().empty());
  // The classes' order: a gap past its tolerance first, then the angle, then the curvature.
  EXPECT_EQ(ZORClassifyEdge(0.2, 0.1, 0.0, 0.0), ZORContinuity::Gap);
  EXPECT_EQ(ZORClassifyEdge(0.0, 0.1, 0.2, 0.0), ZORContinuity::G0);
  EXPECT_EQ(ZORClassifyEdge(0.0, 0.1, 0.05, 0.5), ZORContinuity::G1);
  EXPECT_EQ(ZORClassifyEdge(0.0, 0.1, 0.05, 0.01), ZORContinuity::G2);
}

}  // namespace
