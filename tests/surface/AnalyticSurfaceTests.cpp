// CAD parts made of analytic surfaces, written to STEP and read back the way zorhost reads a
// part: the curvature at every mesh node and at the point every pixel sees is the analytic one.
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <BRepPrimAPI_MakeTorus.hxx>
#include <STEPControl_Writer.hxx>
#include <gp_Pln.hxx>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>

#include "zorhost/surface/CadKernel.h"
#include "zorhost/surface/Part.h"
#include "zorhost/surface/Rasterizer.h"
#include "zorhost/surface/View.h"

namespace {

namespace fs = std::filesystem;

// The analytic curvatures at a point of the surface, with outward normals.
using Analytic = std::function<ZORCurvatures(const ZORVec3& point, const ZORVec3& normal)>;

struct Shape {
  const char* name;
  TopoDS_Shape shape;
  Analytic curvatures;
  double scale;  // the largest curvature there: errors are relative to it
};

ZORCurvatures Sphere(double radius) { return {1 / (radius * radius), 1 / radius, 1 / radius, 1 / radius}; }

std::vector<Shape> Shapes() {
  constexpr double kR = 5.0, kTube = 1.0, kRadius = 2.0, kCylinder = 3.0;
  const Analytic torus = [](const ZORVec3& p, const ZORVec3&) {
    const double cosV = (std::hypot(p.x, p.y) - kR) / kTube;
    const double ring = cosV / (kR + kTube * cosV);
    return ZORCurvatures{ring / kTube, (1 / kTube + ring) / 2, std::min(ring, 1 / kTube),
                         std::max(ring, 1 / kTube)};
  };
  const Analytic cylinder = [](const ZORVec3&, const ZORVec3& n) {
    // The side (normals horizontal) or a flat cap.
    return std::fabs(n.z) < 0.5 ? ZORCurvatures{0, 1 / (2 * kCylinder), 0, 1 / kCylinder}
                                : ZORCurvatures{0, 0, 0, 0};
  };
  return {
      {"sphere", BRepPrimAPI_MakeSphere(kRadius).Shape(),
       [](const ZORVec3&, const ZORVec3&) { return Sphere(kRadius); }, 1 / kRadius},
      {"cylinder", BRepPrimAPI_MakeCylinder(kCylinder, 4.0).Shape(), cylinder, 1 / kCylinder},
      {"torus", BRepPrimAPI_MakeTorus(kR, kTube).Shape(), torus, 1 / kTube},
      {"plane", BRepBuilderAPI_MakeFace(gp_Pln(), -1, 1, -2, 2).Shape(),
       [](const ZORVec3&, const ZORVec3&) { return ZORCurvatures{0, 0, 0, 0}; }, 1.0},
  };
}

class AnalyticSurfaces : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(folder_); }
  void TearDown() override { fs::remove_all(folder_); }

  // The shape written to STEP and read back as zorhost reads a part.
  std::unique_ptr<ZORPart> ThroughStep(const Shape& shape) {
    ZORQuietKernel();
    const std::string path = (folder_ / (std::string(shape.name) + ".step")).string();
    STEPControl_Writer writer;
    writer.Transfer(shape.shape, STEPControl_AsIs);
    EXPECT_EQ(writer.Write(path.c_str()), IFSelect_RetDone);
    std::unique_ptr<ZORPart> part;
    EXPECT_EQ(ZORReadPart(path, part), std::nullopt);
    return part;
  }

  fs::path folder_ = fs::temp_directory_path() / ("zor-analytic-" + std::to_string(getpid()));
};

TEST_F(AnalyticSurfaces, ExactAtEveryNodeAndEveryPixel) {
  for (const Shape& shape : Shapes()) {
    std::unique_ptr<ZORPart> part = ThroughStep(shape);
    ASSERT_TRUE(part);
    ASSERT_TRUE(part->Exact());
    for (ZORAnalysis analysis : {ZORAnalysis::Gaussian, ZORAnalysis::Mean, ZORAnalysis::Minimum,
                                 ZORAnalysis::Maximum}) {
      const std::string what = std::string(shape.name) + ", " + ZORAnalysisName(analysis);
      ZORVec3 lowest, highest;
      part->Bounds(lowest, highest);
      ASSERT_EQ(part->Prepare(Length(highest - lowest) / 300), std::nullopt);
      part->Evaluate(*ZORMakeCurvatureAnalysis(analysis));
      const ZORSurfaceMesh& mesh = part->Mesh();
      const double tolerance = 1e-9 * shape.scale * (analysis == ZORAnalysis::Gaussian ? shape.scale : 1);
      int undefined = 0;
      for (std::size_t v = 0; v < mesh.positions.size(); ++v) {
        if (std::isnan(mesh.values[v])) {
          // Only where the parametrisation degenerates: a sphere's poles.
          EXPECT_STREQ(shape.name, "sphere");
          EXPECT_NEAR(std::fabs(mesh.positions[v].z), 2.0, 1e-9) << what;
          ++undefined;
          continue;
        }
        const double expected = shape.curvatures(mesh.positions[v], mesh.normals[v]).Value(analysis);
        ASSERT_NEAR(mesh.values[v], expected, tolerance) << what << " at node " << v;
      }
      EXPECT_LE(undefined, 64) << what;

      // Each pixel of a picture: the value of the surface point it sees.
      const ZORCamera camera = ZORFitCamera(ZORViewpoint{}, lowest, highest, 160, 120);
      std::vector<ZORVec3> screen;
      for (const ZORVec3& p : mesh.positions) screen.push_back(camera.ToScreen(p));
      const ZORRaster raster = ZORRasterize(screen, mesh.triangles, 160, 120);
      int seen = 0;
      for (std::size_t i = 0; i < raster.triangle.size(); ++i) {
        if (raster.triangle[i] < 0) continue;
        const ZORSurfacePoint point = part->PointAt(raster.triangle[i], raster.Barycentric(i));
        const double value = point.curvatures.Value(analysis);
        if (std::isnan(value)) continue;
        ++seen;
        const double expected = shape.curvatures(point.position, point.normal).Value(analysis);
        ASSERT_NEAR(value, expected, tolerance) << what << " at pixel " << i;
      }
      EXPECT_GT(seen, 2000) << what;
    }
  }
}

TEST_F(AnalyticSurfaces, ConvexMeansPositive) {
  // The sign convention: on a convex part with outward normals the mean curvature is positive,
  // and a reversed face (the inside of a sphere) turns it.
  std::unique_ptr<ZORPart> part =
      ZORMakeCadPart("inside", BRepPrimAPI_MakeSphere(2.0).Shape().Reversed());
  ASSERT_TRUE(part);
  ASSERT_EQ(part->Prepare(0.01), std::nullopt);
  part->Evaluate(*ZORMakeCurvatureAnalysis(ZORAnalysis::Mean));
  for (std::size_t v = 0; v < part->Mesh().values.size(); ++v) {
    const double value = part->Mesh().values[v];
    if (std::isnan(value)) continue;
    ASSERT_NEAR(value, -0.5, 1e-9);
    // Its normals point inward.
    EXPECT_LT(Dot(part->Mesh().normals[v], part->Mesh().positions[v]), 0.0);
  }
}

}  // namespace
