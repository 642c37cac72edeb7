// Reading large meshes: the weld of a 2-million-triangle soup, as an STL holds it (each corner its
// own vertex, rounded to single precision), the curvature estimated on the welded mesh, and the
// welded mesh read from a binary PLY file (as zorhost --mesh-out writes it) on 1 and 2 threads.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "zorhost/surface/MeshCurvature.h"
#include "zorhost/surface/MeshFiles.h"
#include "zorhost/surface/PlyFiles.h"

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

bool torusPlyWritten = false;

// The welded torus as a binary PLY file, 2 million triangles sharing their vertices.
const std::string& TorusPly() {
  static const std::string path = [] {
    torusPlyWritten = true;
    ZORSurfaceMesh mesh = TwoMillionTriangles();
    ZORWeldVertices(mesh);
    mesh.values.assign(mesh.positions.size(), 0.5);
    const std::string file = (std::filesystem::temp_directory_path() / ("zor-bench-torus-" + std::to_string(getpid()) + ".ply")).string();
    std::ofstream(file, std::ios::binary) << ZORFormatPly(mesh, std::vector<ZORRgba>(mesh.positions.size(), ZORRgba{1, 2, 3, 255}));
    return file;
  }();
  return path;
}

void BM_ReadPly(benchmark::State& state) {
  const std::string& path = TorusPly();
  for (auto _ : state) {
    ZORSurfaceMesh mesh;
    if (ZORReadPlyFile(path, mesh, {}, static_cast<int>(state.range(0)))) state.SkipWithError("the PLY was not read");
    benchmark::DoNotOptimize(mesh);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(path)));
}

}  // namespace

BENCHMARK(BM_ReadPly)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Weld)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CurvatureOfWelded)->Unit(benchmark::kMillisecond)->UseRealTime();
int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (torusPlyWritten) std::filesystem::remove(TorusPly());
  return 0;
}
