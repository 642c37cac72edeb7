// Files read and written on several threads, under ThreadSanitizer: a binary PLY decoded where it
// lies, a mesh's normals and curvatures summed by shares of its vertices, a PNG deflated in bands.
// Each gives one thread's result, and no data race on the way.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "zorhost/figure/ImageFiles.h"
#include "zorhost/surface/MeshCurvature.h"
#include "zorhost/surface/PlyFiles.h"

namespace {

// A closed torus of `rings` x `sides` quads, two triangles each, as zorhost writes a PLY.
std::string TorusPly(int rings, int sides) {
  ZORSurfaceMesh mesh;
  for (int i = 0; i < rings; ++i) {
    for (int j = 0; j < sides; ++j) {
      const double u = 2.0 * std::numbers::pi * i / rings, v = 2.0 * std::numbers::pi * j / sides;
      mesh.positions.push_back({(5.0 + 1.5 * std::cos(v)) * std::cos(u), (5.0 + 1.5 * std::cos(v)) * std::sin(u), 1.5 * std::sin(v)});
      const int a = i * sides + j, b = ((i + 1) % rings) * sides + j, c = ((i + 1) % rings) * sides + (j + 1) % sides,
                d = i * sides + (j + 1) % sides;
      mesh.triangles.push_back({a, b, c});
      mesh.triangles.push_back({a, c, d});
    }
  }
  mesh.values.assign(mesh.positions.size(), 0.0);
  return ZORFormatPly(mesh, std::vector<ZORRgba>(mesh.positions.size(), ZORRgba{1, 2, 3, 4}));
}

TEST(FileThreads, MeshesReadAndEstimatedOnFourThreadsAreOneThreads) {
  const std::string ply = TorusPly(300, 120);
  ZORSurfaceMesh one, four;
  ASSERT_EQ(ZORReadPly(ply, one, {}, 1), std::nullopt);
  ASSERT_EQ(ZORReadPly(ply, four, {}, 4), std::nullopt);
  EXPECT_EQ(one.positions, four.positions);
  EXPECT_EQ(one.triangles, four.triangles);
  const std::vector<ZORCurvatures> curvaturesOne = ZOREstimateMeshCurvatures(one, ZORMeshNormals(one, 1), 1);
  const std::vector<ZORCurvatures> curvaturesFour = ZOREstimateMeshCurvatures(four, ZORMeshNormals(four, 4), 4);
  ASSERT_EQ(curvaturesOne.size(), curvaturesFour.size());
  EXPECT_EQ(std::memcmp(curvaturesOne.data(), curvaturesFour.data(), curvaturesOne.size() * sizeof(ZORCurvatures)), 0);
}

TEST(FileThreads, APngDeflatedOnFourThreadsIsOneThreads) {
  const int width = 300, height = 200;
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
  for (std::size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<std::uint8_t>((i * 7) ^ (i >> 9));
  EXPECT_EQ(ZOREncodePng(width, height, rgba, 4), ZOREncodePng(width, height, rgba, 1));
}

}  // namespace
