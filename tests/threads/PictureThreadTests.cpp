// A part's picture evaluated on several threads at once, each with its own evaluation of the CAD
// kernel's surfaces: the same values as one thread's, and no data race on the way.
#include <BRepPrimAPI_MakeTorus.hxx>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "zorhost/common/Parallel.h"
#include "zorhost/common/PixelArrays.h"
#include "zorhost/surface/Analysis.h"
#include "zorhost/surface/CadKernel.h"
#include "zorhost/surface/PartPicture.h"

namespace {

TEST(PictureThreads, ThreadsGiveOneThreadsPicture) {
  ZORQuietKernel();
  std::unique_ptr<ZORPart> part = ZORMakeCadPart("torus", BRepPrimAPI_MakeTorus(5.0, 1.5).Shape());
  ASSERT_EQ(part->Prepare(ZORPictureDeflection(*part, 120, 90, 1.0)), std::nullopt);
  const std::unique_ptr<ZORSurfaceAnalysis> gaussian = ZORMakeCurvatureAnalysis(ZORAnalysis::Gaussian);
  const ZORPartPicture one = ZORPicturePreparedPart(*part, *gaussian, ZORViewpoint{}, 120, 90, 1);
  const ZORPartPicture four = ZORPicturePreparedPart(*part, *gaussian, ZORViewpoint{}, 120, 90, 4);
  EXPECT_EQ(std::memcmp(one.values.data(), four.values.data(), one.values.size() * sizeof(double)), 0);
  const std::vector<ZORSurfacePoint> sampledOne = part->AreaPoints(2000, 1).points, sampledFour = part->AreaPoints(2000, 4).points;
  ASSERT_EQ(sampledOne.size(), sampledFour.size());
  for (std::size_t i = 0; i < sampledOne.size(); ++i) {
    EXPECT_EQ(std::memcmp(&sampledOne[i].curvatures, &sampledFour[i].curvatures, sizeof(ZORCurvatures)), 0);
  }
}

TEST(PictureThreads, AFailureInAnyPieceIsThrownOnceAllHaveStopped) {
  std::vector<int> done(1000, 0);
  EXPECT_THROW(ZORInParallel(done.size(), 10, 4,
                             [&done](int, std::size_t first, std::size_t last) {
                               for (std::size_t i = first; i < last; ++i) done[i] = 1;
                               if (first == 500) throw std::runtime_error("piece 50");
                             }),
               std::runtime_error);
  ZORInParallel(done.size(), 7, 3, [&done](int, std::size_t first, std::size_t last) {
    for (std::size_t i = first; i < last; ++i) done[i] += 1;
  });
  EXPECT_TRUE(std::all_of(done.begin(), done.end(), [](int d) { return d >= 1; }));
}

// The arrays a picture will fill, made on a thread of their own: each fill takes the smallest
// made for its type that holds it, an array handed on goes to the next fill of its size, and
// what no fill took is gone when the arrays ahead are.
TEST(PictureThreads, PixelArraysMadeAheadGoToTheFillsOfTheirSize) {
  constexpr std::size_t kPixels = std::size_t{8} << 20;  // large enough to be shelved at all
  for (int round = 0; round < 2; ++round) {
    const ZORPixelArraysAhead<std::uint8_t, int, std::uint8_t> ahead({4 * kPixels, kPixels, kPixels}, 2);
    std::vector<std::uint8_t> covered, colors;
    ZORFillPixels(covered, kPixels, std::uint8_t{1}, 2);
    ZORFillPixels(colors, 4 * kPixels, std::uint8_t{7}, 2);
    EXPECT_EQ(covered.capacity(), kPixels);
    EXPECT_EQ(colors.capacity(), 4 * kPixels);
    EXPECT_TRUE(std::all_of(covered.begin(), covered.end(), [](std::uint8_t c) { return c == 1; }));
    EXPECT_TRUE(std::all_of(colors.begin(), colors.end(), [](std::uint8_t c) { return c == 7; }));
    std::vector<int> triangles;
    ZORFillPixels(triangles, kPixels, -1, 2);
    const int* handedOn = triangles.data();
    ZORShelvePixels(std::move(triangles));
    std::vector<int> blocks;
    ZORFillPixels(blocks, kPixels, 3, 1);
    EXPECT_EQ(blocks.data(), handedOn);
    EXPECT_EQ(blocks.size(), kPixels);
    EXPECT_EQ(blocks.back(), 3);
  }
  // On one thread nothing is made ahead, and a fill makes its own array.
  const ZORPixelArraysAhead<double> none({kPixels}, 1);
  std::vector<double> values;
  ZORFillPixels(values, kPixels, 0.5, 1);
  EXPECT_EQ(values.size(), kPixels);
  EXPECT_EQ(values.front(), 0.5);
}

}  // namespace
