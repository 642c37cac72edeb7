// Reading large meshes: the weld of a 2-million-triangle soup, as an STL holds it (each corner its
// own vertex, rounded to single precision), and the curvature estimated on the welded mesh.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "zorhost/surface/MeshCurvature.h"
#include "zorhost/surface/MeshFiles.h"

namespace {

// A torus of radii 5 and 1.5 as `rings` x `sides` quads, two triangles each.
ZORSurfaceMesh TorusSoup(int rings, int sides) {
  auto point = [&](int i, int j) {
    const double u = 2.0 * std::numbers::pi * (i % rings) / rings, v = 2.0 * std::numbers::pi * (j % sides) / sides;
    const double r = 5.0 + 1.5 * std::cos(v);
    return ZORVec3{static_cast<float>(r * std::cos(u)), static_cast<float>(r * std::sin(u)),
                   static_cast<float>(1.5 * std::sin(v))};
  };
  ZORSurfaceMesh soup;
  soup.positions.reserve(static_cast<std::size_t>(rings) * sides * 6);
  for (int i = 0; i < rings; ++i) {
    for (int j = 0; j < sides; ++j) {
      for (auto [a, b] : {std::pair{0, 0}, std::pair{1, 0}, std::pair{1, 1}, std::pair{0, 0}, std::pair{1, 1}, std::pair{0, 1}}) {
        soup.positions.push_back(point(i + a, j + b));
      }
      const int first = static_cast<int>(soup.positions.size()) - 6;
      soup.triangles.push_back({first, first + 1, first + 2});
      soup.triangles.push_back({first + 3, first + 4, first + 5});
    }
  }
  return soup;
}

const ZORSurfaceMesh& TwoMillionTriangles() {
  static const ZORSurfaceMesh soup = TorusSoup(1000, 1000);
  return soup;
}

void BM_Weld(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    ZORSurfaceMesh mesh = TwoMillionTriangles();
    state.ResumeTiming();
    benchmark::DoNotOptimize(ZORWeldVertices(mesh));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(TwoMillionTriangles().triangles.size()));
}

void BM_CurvatureOfWelded(benchmark::State& state) {
  ZORSurfaceMesh mesh = TwoMillionTriangles();
  ZORWeldVertices(mesh);
  const std::vector<ZORVec3> normals = ZORMeshNormals(mesh);
  for (auto _ : state) benchmark::DoNotOptimize(ZOREstimateMeshCurvatures(mesh, normals));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(mesh.triangles.size()));
}

}  // namespace

BENCHMARK(BM_Weld)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CurvatureOfWelded)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
