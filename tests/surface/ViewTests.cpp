// The free camera, the probe and the per-pixel analysis as a picture is made of them: a named view
// is its azimuth and elevation, zoom and pan move the picture as they say, a probe sees exactly
// what the picture shows, and neither the meshes made before nor the number of threads change a
// picture.
#include <BRepPrimAPI_MakeTorus.hxx>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "zorhost/common/Numbers.h"
#include "zorhost/surface/Analysis.h"
#include "zorhost/surface/CadKernel.h"
#include "zorhost/surface/Part.h"
#include "zorhost/surface/PartPicture.h"
#include "zorhost/surface/View.h"

namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void ExpectNear(const ZORVec3& a, const ZORVec3& b, double within, const std::string& what) {
  EXPECT_NEAR(a.x, b.x, within) << what;
  EXPECT_NEAR(a.y, b.y, within) << what;
  EXPECT_NEAR(a.z, b.z, within) << what;
}

const ZORVec3 kLowest{-1.0, -2.0, -0.5};
const ZORVec3 kHighest{3.0, 1.0, 0.5};

TEST(Camera, ANamedViewIsItsAzimuthAndElevation) {
  for (const std::string& name : ZORViewNames()) {
    const std::optional<ZORViewpoint> named = ZORViewpoint::Read(name);
    ASSERT_TRUE(named) << name;
    const std::optional<ZORViewpoint> angles =
        ZORViewpoint::Read(ZORExactNumber(named->azimuth) + "," + ZORExactNumber(named->elevation));
    ASSERT_TRUE(angles) << name;
    EXPECT_FALSE(angles->named);
    const ZORCamera a = ZORFitCamera(*named, kLowest, kHighest, 400, 300);
    const ZORCamera b = ZORFitCamera(*angles, kLowest, kHighest, 400, 300);
    ExpectNear(a.toViewer, b.toViewer, 1e-12, name);
    ExpectNear(a.up, b.up, 1e-12, name);
    ExpectNear(a.right, b.right, 1e-12, name);
    EXPECT_NEAR(a.pixelsPerUnit, b.pixelsPerUnit, 1e-9 * a.pixelsPerUnit) << name;
    EXPECT_EQ(named->Text(), name);
  }
  EXPECT_EQ(ZORViewpoint::Read("-30.5,20")->Text(), "-30.5,20");
  for (const char* refused : {"sideways", "10", "10,91", "10,-90.5", "nan,0", "inf,0", "1,2,3", ",", "0x10,0"}) {
    EXPECT_FALSE(ZORViewpoint::Read(refused)) << refused;
  }
}

TEST(Camera, EveryDirectionFitsTheBoxAndZoomAndPanMoveItAsTheySay) {
  for (double elevation = -90.0; elevation <= 90.0; elevation += 15.0) {
    for (double azimuth = -180.0; azimuth < 180.0; azimuth += 22.5) {
      ZORViewpoint viewpoint;
      viewpoint.named.reset();
      viewpoint.azimuth = azimuth;
      viewpoint.elevation = elevation;
      const ZORCamera camera = ZORFitCamera(viewpoint, kLowest, kHighest, 400, 300);
      const std::string at = std::to_string(azimuth) + "," + std::to_string(elevation);
      // A right-handed frame, square at the poles too.
      ExpectNear(Cross(camera.right, camera.up), camera.toViewer, 1e-12, at);
      EXPECT_NEAR(Dot(camera.right, camera.up), 0.0, 1e-12) << at;
      EXPECT_NEAR(Length(camera.up), 1.0, 1e-12) << at;
      // The box's centre at the picture's, its corners inside with the margin.
      const ZORVec3 centre = camera.ToScreen(0.5 * (kLowest + kHighest));
      EXPECT_NEAR(centre.x, 200.0, 1e-9) << at;
      EXPECT_NEAR(centre.y, 150.0, 1e-9) << at;
      for (int corner = 0; corner < 8; ++corner) {
        const ZORVec3 p = camera.ToScreen({(corner & 1) ? kHighest.x : kLowest.x, (corner & 2) ? kHighest.y : kLowest.y,
                                           (corner & 4) ? kHighest.z : kLowest.z});
        EXPECT_GE(p.x, 400 * 0.05 - 1e-9) << at;
        EXPECT_LE(p.x, 400 * 0.95 + 1e-9) << at;
        EXPECT_GE(p.y, 300 * 0.05 - 1e-9) << at;
        EXPECT_LE(p.y, 300 * 0.95 + 1e-9) << at;
      }
      // Zoom scales about the centre; pan moves by its shares of the picture.
      ZORViewpoint moved = viewpoint;
      moved.zoom = 2.5;
      moved.panX = 0.1;
      moved.panY = -0.2;
      const ZORCamera zoomed = ZORFitCamera(moved, kLowest, kHighest, 400, 300);
      EXPECT_NEAR(zoomed.pixelsPerUnit, 2.5 * camera.pixelsPerUnit, 1e-9 * camera.pixelsPerUnit) << at;
      const ZORVec3 p = camera.ToScreen(kHighest), q = zoomed.ToScreen(kHighest);
      EXPECT_NEAR(q.x - (200.0 + 40.0), 2.5 * (p.x - 200.0), 1e-9) << at;
      EXPECT_NEAR(q.y - (150.0 - 60.0), 2.5 * (p.y - 150.0), 1e-9) << at;
    }
  }
}

// A torus read as a CAD part and meshed for a picture.
class PartPictures : public ::testing::Test {
 protected:
  void SetUp() override {
    ZORQuietKernel();
    part_ = ZORMakeCadPart("torus", BRepPrimAPI_MakeTorus(5.0, 1.5).Shape());
    ASSERT_EQ(part_->Prepare(ZORPictureDeflection(*part_, kWidth, kHeight, 1.0)), std::nullopt);
  }
  static constexpr int kWidth = 160;
  static constexpr int kHeight = 120;
  std::unique_ptr<ZORPart> part_;
  std::unique_ptr<ZORSurfaceAnalysis> mean_ = ZORMakeCurvatureAnalysis(ZORAnalysis::Mean);
};

TEST_F(PartPictures, AProbeSeesExactlyWhatThePictureShows) {
  for (const char* view : {"iso", "top", "-20,60"}) {
    ZORViewpoint viewpoint = *ZORViewpoint::Read(view);
    viewpoint.zoom = 1.7;
    viewpoint.panX = 0.05;
    const ZORPartPicture picture = ZORPicturePreparedPart(*part_, *mean_, viewpoint, kWidth, kHeight);
    int seen = 0;
    for (int row = 0; row < kHeight; ++row) {
      for (int column = 0; column < kWidth; ++column) {
        const std::size_t i = static_cast<std::size_t>(row * kWidth + column);
        const std::optional<ZORProbe> probe =
            ZORProbePreparedPart(*part_, *mean_, viewpoint, kWidth, kHeight, column, row);
        ASSERT_EQ(probe.has_value(), picture.covered[i] != 0) << view << " " << column << "," << row;
        if (!probe) continue;
        ++seen;
        ASSERT_TRUE(SameBits(probe->value, picture.values[i])) << view << " " << column << "," << row;
        EXPECT_GE(probe->face, 0);
        // The point is on the torus: 1.5 from its core circle.
        EXPECT_NEAR(std::hypot(std::hypot(probe->point.x, probe->point.y) - 5.0, probe->point.z), 1.5, 1e-6);
      }
    }
    EXPECT_GT(seen, kWidth * kHeight / 10) << view;
  }
}

TEST_F(PartPictures, NeitherEarlierMeshesNorThreadsChangeAPicture) {
  const ZORViewpoint iso;
  const ZORPartPicture first = ZORPicturePreparedPart(*part_, *mean_, iso, kWidth, kHeight, 1);
  // Meshed finer for a zoomed picture, then back: the kernel would keep the finer mesh.
  const double deflection = ZORPictureDeflection(*part_, kWidth, kHeight, 1.0);
  ASSERT_EQ(part_->Prepare(deflection / 8.0), std::nullopt);
  const std::size_t finer = part_->Mesh().triangles.size();
  ASSERT_EQ(part_->Prepare(deflection), std::nullopt);
  EXPECT_LT(part_->Mesh().triangles.size(), finer);
  for (int threads : {1, 2, 5}) {
    const ZORPartPicture again = ZORPicturePreparedPart(*part_, *mean_, iso, kWidth, kHeight, threads);
    EXPECT_EQ(std::memcmp(again.values.data(), first.values.data(), first.values.size() * sizeof(double)), 0) << threads;
    EXPECT_EQ(again.covered, first.covered) << threads;
    EXPECT_EQ(again.light, first.light) << threads;
  }
  // The points the range is measured at, too.
  const std::vector<ZORSurfacePoint> one = part_->AreaPoints(4096, 1).points, three = part_->AreaPoints(4096, 3).points;
  ASSERT_EQ(one.size(), three.size());
  for (std::size_t i = 0; i < one.size(); ++i) {
    ASSERT_TRUE(SameBits(mean_->ValueAt(one[i]), mean_->ValueAt(three[i]))) << i;
    ASSERT_TRUE(SameBits(one[i].position.x, three[i].position.x)) << i;
  }
}

}  // namespace
