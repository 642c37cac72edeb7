#include "zorhost/surface/MeshCurvature.h"

#include <algorithm>
#include <limits>
#include <numbers>

#include "zorhost/common/Parallel.h"
#include "zorhost/surface/EdgeUses.h"

namespace {

double Cotangent(const ZORVec3& a, const ZORVec3& b) {
  return Dot(a, b) / Length(Cross(a, b));
}

// A triangle has an area only if it has one seen from each corner: with tiny coordinates the
// cross products of two corners can differ, one of them rounding to zero.
bool HasArea(const ZORSurfaceMesh& mesh, const ZORTriangle& t) {
  for (int i = 0; i < 3; ++i) {
    const ZORVec3& corner = mesh.positions[static_cast<std::size_t>(t[i])];
    const ZORVec3 toNext = mesh.positions[static_cast<std::size_t>(t[(i + 1) % 3])] - corner;
    const ZORVec3 toPrevious = mesh.positions[static_cast<std::size_t>(t[(i + 2) % 3])] - corner;
    const double twiceArea = Length(Cross(toNext, toPrevious));
    if (!(twiceArea > 0.0) || !std::isfinite(twiceArea)) return false;
  }
  return true;
}

// Vertices whose one-ring is not a closed fan of good triangles.
std::vector<bool> VerticesWithoutValue(const ZORSurfaceMesh& mesh) {
  std::vector<bool> without(mesh.positions.size(), false);
  std::vector<bool> used(mesh.positions.size(), false);
  for (const ZORTriangle& t : mesh.triangles) {
    const bool hasArea = HasArea(mesh, t);
    for (int i = 0; i < 3; ++i) {
      used[static_cast<std::size_t>(t[i])] = true;
      if (!hasArea) without[static_cast<std::size_t>(t[i])] = true;
    }
  }
  ZOREdgeUses(mesh.triangles).ForEach([&without](int a, int b, int uses) {
    if (uses == 2) return;  // inside a manifold surface
    without[static_cast<std::size_t>(a)] = true;
    without[static_cast<std::size_t>(b)] = true;
  });
  for (std::size_t v = 0; v < used.size(); ++v) without[v] = without[v] || !used[v];
  return without;
}

// Calls `accumulate(t, mine)` for each triangle, in order, that has a corner among a thread's
// share of the vertices (`mine(v)` says which): each vertex's sums are made by one thread, in
// triangle order, so they are the same for any number of threads. Meshes number their vertices
// along the surface, so a thread meets few triangles of the others' shares.
template <class Accumulate>
void ForTrianglesByShare(const ZORSurfaceMesh& mesh, int threads, const Accumulate& accumulate) {
  constexpr std::size_t kLeastShare = 1 << 14;
  const std::size_t count = mesh.positions.size();
  const int used = static_cast<int>(std::clamp<std::size_t>(count / kLeastShare, 1, static_cast<std::size_t>(ZORThreadCount(threads))));
  const std::size_t share = (count + static_cast<std::size_t>(used) - 1) / static_cast<std::size_t>(used);
  ZORInParallel(count, std::max<std::size_t>(share, 1), used, [&](int, std::size_t first, std::size_t last) {
    const auto mine = [first, last](int v) { return static_cast<std::size_t>(v) - first < last - first; };
    for (const ZORTriangle& t : mesh.triangles) {
      if (mine(t[0]) || mine(t[1]) || mine(t[2])) accumulate(t, mine);
    }
  });
}

}  // namespace

std::vector<ZORVec3> ZORMeshNormals(const ZORSurfaceMesh& mesh, int threads) {
  std::vector<ZORVec3> normals(mesh.positions.size());
  ForTrianglesByShare(mesh, threads, [&](const ZORTriangle& t, const auto& mine) {
    if (!HasArea(mesh, t)) return;
    const ZORVec3& p0 = mesh.positions[static_cast<std::size_t>(t[0])];
    const ZORVec3 faceNormal = Cross(mesh.positions[static_cast<std::size_t>(t[1])] - p0,
                                     mesh.positions[static_cast<std::size_t>(t[2])] - p0);
    for (int i = 0; i < 3; ++i) {
      if (mine(t[i])) normals[static_cast<std::size_t>(t[i])] = normals[static_cast<std::size_t>(t[i])] + faceNormal;
    }
  });
  for (ZORVec3& normal : normals) normal = Normalized(normal);
  return normals;
}

std::vector<ZORCurvatures> ZOREstimateMeshCurvatures(const ZORSurfaceMesh& mesh,
                                                     const std::vector<ZORVec3>& normals, int threads) {
  const std::size_t count = mesh.positions.size();
  std::vector<double> area(count, 0.0), angles(count, 0.0);
  std::vector<ZORVec3> laplacian(count);
  ForTrianglesByShare(mesh, threads, [&](const ZORTriangle& t, const auto& mine) {
    const ZORVec3 p[3] = {mesh.positions[static_cast<std::size_t>(t[0])],
                          mesh.positions[static_cast<std::size_t>(t[1])],
                          mesh.positions[static_cast<std::size_t>(t[2])]};
    if (!HasArea(mesh, t)) return;
    const double triangleArea = 0.5 * Length(Cross(p[1] - p[0], p[2] - p[0]));
    bool obtuse[3];
    double cot[3];
    for (int i = 0; i < 3; ++i) {
      const ZORVec3 toNext = p[(i + 1) % 3] - p[i];
      const ZORVec3 toPrevious = p[(i + 2) % 3] - p[i];
      if (mine(t[i])) {
        angles[static_cast<std::size_t>(t[i])] += std::atan2(Length(Cross(toNext, toPrevious)), Dot(toNext, toPrevious));
      }
      cot[i] = Cotangent(toNext, toPrevious);
      obtuse[i] = Dot(toNext, toPrevious) < 0.0;
    }
    const bool anyObtuse = obtuse[0] || obtuse[1] || obtuse[2];
    for (int i = 0; i < 3; ++i) {
      if (!mine(t[i])) continue;
      const std::size_t v = static_cast<std::size_t>(t[i]);
      const int j = (i + 1) % 3, k = (i + 2) % 3;
      // The cotangent weights of the two edges at vertex i, by the angles opposite them.
      laplacian[v] = laplacian[v] + cot[k] * (p[i] - p[j]) + cot[j] * (p[i] - p[k]);
      if (!anyObtuse) {
        area[v] += (Dot(p[j] - p[i], p[j] - p[i]) * cot[k] + Dot(p[k] - p[i], p[k] - p[i]) * cot[j]) / 8.0;
      } else {
        area[v] += obtuse[i] ? triangleArea / 2.0 : triangleArea / 4.0;
      }
    }
  });
  const std::vector<bool> without = VerticesWithoutValue(mesh);
  constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
  std::vector<ZORCurvatures> curvatures(count, ZORCurvatures{kNone, kNone, kNone, kNone});
  for (std::size_t v = 0; v < count; ++v) {
    if (without[v] || !(area[v] > 0.0)) continue;
    const ZORVec3 meanNormal = (1.0 / (2.0 * area[v])) * laplacian[v];
    const double mean = std::copysign(Length(meanNormal) / 2.0, Dot(meanNormal, normals[v]));
    const double gaussian = (2.0 * std::numbers::pi - angles[v]) / area[v];
    const double spread = std::sqrt(std::max(mean * mean - gaussian, 0.0));
    curvatures[v] = ZORCurvatures{gaussian, mean, mean - spread, mean + spread};
  }
  return curvatures;
}
