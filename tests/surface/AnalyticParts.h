// Parts of known shape as zorhost reads them: written to STEP by the CAD kernel and read back,
// meshed for a small picture, and measured at every pixel of three views and over their area.
#pragma once

#include <STEPControl_Writer.hxx>
#include <TopoDS_Shape.hxx>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "zorhost/surface/Analysis.h"
#include "zorhost/surface/CadKernel.h"
#include "zorhost/surface/Part.h"
#include "zorhost/surface/PartPicture.h"
#include "zorhost/surface/Reference.h"

class ZORAnalyticPartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZORQuietKernel();
    folder_ = std::filesystem::temp_directory_path() /
              ("zor-analytic-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // `shape` written to STEP and read back as zorhost reads a part, meshed for a small picture.
  std::unique_ptr<ZORPart> ThroughStep(const TopoDS_Shape& shape, const std::string& name) {
    const std::string path = StepFile(shape, name);
    std::unique_ptr<ZORPart> part;
    EXPECT_EQ(ZORReadPart(path, part), std::nullopt);
    if (part) {
      EXPECT_EQ(part->Prepare(ZORPictureDeflection(*part, kSide, kSide, 1.0)), std::nullopt);
    }
    return part;
  }
  // `shape` written to the STEP file `name`.step; its path.
  std::string StepFile(const TopoDS_Shape& shape, const std::string& name) {
    const std::string path = (folder_ / (name + ".step")).string();
    STEPControl_Writer writer;
    writer.Transfer(shape, STEPControl_AsIs);
    EXPECT_EQ(writer.Write(path.c_str()), IFSelect_RetDone);
    return path;
  }
  std::shared_ptr<const ZORReference> Reference(std::unique_ptr<ZORPart> part) {
    std::unique_ptr<ZORReference> reference;
    EXPECT_EQ(ZORReference::Make(std::move(part), reference), std::nullopt);
    return reference;
  }
  // The part's values at every pixel of three views, and at points over its whole area, each
  // with the point's normal.
  struct Measured {
    double value;
    ZORVec3 normal;
    ZORVec3 position;
  };
  static std::vector<Measured> Everywhere(const ZORPart& part, const ZORSurfaceAnalysis& analysis) {
    std::vector<Measured> measured;
    for (const char* view : {"iso", "bottom", "30,-20"}) {
      const ZORCamera camera = ZORFitCameraToMesh(part, *ZORViewpoint::Read(view), kSide, kSide);
      const ZORRaster raster = ZORRasterizePart(part, camera, kSide, kSide);
      for (std::size_t i = 0; i < raster.triangle.size(); ++i) {
        if (raster.triangle[i] < 0) continue;
        const ZORSurfacePoint point = part.PointAt(raster.triangle[i], raster.Barycentric(i));
        measured.push_back({analysis.ValueAt(point), point.normal, point.position});
      }
    }
    for (const ZORSurfacePoint& point : part.AreaPoints(2000, 2).points) {
      measured.push_back({analysis.ValueAt(point), point.normal, point.position});
    }
    return measured;
  }
  static constexpr int kSide = 96;
  std::filesystem::path folder_;
};
