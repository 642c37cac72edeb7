#include "zorhost/surface/MeshCurvature.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <numbers>
#include <span>

#include "zorhost/common/Parallel.h"

namespace {

double Cotangent(const ZORVec3& a, const ZORVec3& b) {
  return Dot(a, b) / Length(Cross(a, b));
}

// A triangle has an area only if it has one seen from each corner: with tiny coordinates the
// cross products of two corners can differ, one of them rounding to zero. (The squared length is
// positive and finite exactly where the length is.)
bool HasArea(const ZORSurfaceMesh& mesh, const ZORTriangle& t) {
  for (int i = 0; i < 3; ++i) {
    const ZORVec3& corner = mesh.positions[static_cast<std::size_t>(t[i])];
    const ZORVec3 toNext = mesh.positions[static_cast<std::size_t>(t[(i + 1) % 3])] - corner;
    const ZORVec3 toPrevious = mesh.positions[static_cast<std::size_t>(t[(i + 2) % 3])] - corner;
    const ZORVec3 twiceArea = Cross(toNext, toPrevious);
    const double squared = Dot(twiceArea, twiceArea);
    if (!(squared > 0.0) || !std::isfinite(squared)) return false;
  }
  return true;
}

// HasArea of every triangle, on `threads` threads.
std::vector<std::uint8_t> TrianglesWithArea(const ZORSurfaceMesh& mesh, int threads) {
  std::vector<std::uint8_t> withArea(mesh.triangles.size());
  ZORInParallel(withArea.size(), std::size_t{1} << 16, ZORThreadCount(threads),
                [&](int, std::size_t first, std::size_t last) {
                  for (std::size_t t = first; t < last; ++t) withArea[t] = HasArea(mesh, mesh.triangles[t]) ? 1 : 0;
                });
  return withArea;
}

// Runs `visit(first, last)` for each thread's share of the vertices, [first, last).
template <class Visit>
void ForVertexShares(const ZORSurfaceMesh& mesh, int threads, const Visit& visit) {
  constexpr std::size_t kLeastShare = 1 << 14;
  const std::size_t count = mesh.positions.size();
  const int used = static_cast<int>(std::clamp<std::size_t>(count / kLeastShare, 1, static_cast<std::size_t>(ZORThreadCount(threads))));
  const std::size_t share = (count + static_cast<std::size_t>(used) - 1) / static_cast<std::size_t>(used);
  ZORInParallel(count, std::max<std::size_t>(share, 1), used,
                [&](int, std::size_t first, std::size_t last) { visit(first, last); });
}

// Whether a vertex is among [first, last).
struct ShareOfVertices {
  std::size_t first;
  std::size_t last;
  bool operator()(int v) const { return static_cast<std::size_t>(v) - first < last - first; }
};

// Calls `accumulate(t, mine)` for each triangle, in order, that has a corner among a thread's
// share of the vertices (`mine(v)` says which): each vertex's sums are made by one thread, in
// triangle order, so they are the same for any number of threads. Meshes number their vertices
// along the surface, so a thread meets few triangles of the others' shares.
template <class Accumulate>
void ForTrianglesByShare(const ZORSurfaceMesh& mesh, int threads, const Accumulate& accumulate) {
  ForVertexShares(mesh, threads, [&](std::size_t first, std::size_t last) {
    const ShareOfVertices mine{first, last};
    for (const ZORTriangle& t : mesh.triangles) {
      if (mine(t[0]) || mine(t[1]) || mine(t[2])) accumulate(t, mine);
    }
  });
}

// The triangles around each vertex of a share, in triangle order: those of vertex `first + i`
// are triangles[offsets[i]] to triangles[offsets[i + 1]].
struct TrianglesAround {
  std::vector<std::uint32_t> offsets;
  std::vector<std::uint32_t> triangles;
};

TrianglesAround TrianglesAroundShare(const ZORSurfaceMesh& mesh, const ShareOfVertices& mine) {
  TrianglesAround around;
  around.offsets.assign(mine.last - mine.first + 1, 0);
  for (const ZORTriangle& t : mesh.triangles) {
    for (int corner : t) {
      if (mine(corner)) ++around.offsets[static_cast<std::size_t>(corner) - mine.first + 1];
    }
  }
  for (std::size_t i = 1; i < around.offsets.size(); ++i) around.offsets[i] += around.offsets[i - 1];
  around.triangles.resize(around.offsets.back());
  std::vector<std::uint32_t> next(around.offsets.begin(), around.offsets.end() - 1);
  for (std::size_t triangle = 0; triangle < mesh.triangles.size(); ++triangle) {
    for (int corner : mesh.triangles[triangle]) {
      if (mine(corner)) around.triangles[next[static_cast<std::size_t>(corner) - mine.first]++] = static_cast<std::uint32_t>(triangle);
    }
  }
  return around;
}

// Whether the triangles around a vertex, `triangles`, make a closed fan of good triangles: some,
// each with an area, and every edge from the vertex used by exactly two of them (its other end
// met exactly twice among their other corners).
bool ClosedFan(const ZORSurfaceMesh& mesh, const std::vector<std::uint8_t>& withArea, int vertex,
               std::span<const std::uint32_t> triangles, std::vector<int>& ends) {
  if (triangles.empty()) return false;
  ends.clear();
  for (std::uint32_t triangle : triangles) {
    if (withArea[triangle] == 0) return false;
    for (int corner : mesh.triangles[triangle]) {
      if (corner != vertex) ends.push_back(corner);
    }
  }
  std::sort(ends.begin(), ends.end());
  for (std::size_t i = 0; i < ends.size(); i += 2) {
    if (i + 1 >= ends.size() || ends[i + 1] != ends[i] || (i + 2 < ends.size() && ends[i + 2] == ends[i])) return false;
  }
  return true;
}

// Vertices whose one-ring is not a closed fan of good triangles, each thread telling its share
// from the triangles around each of its vertices.
std::vector<std::uint8_t> VerticesWithoutValue(const ZORSurfaceMesh& mesh, const std::vector<std::uint8_t>& withArea,
                                               int threads) {
  std::vector<std::uint8_t> without(mesh.positions.size(), 0);  // a byte a vertex: no thread shares one
  ForVertexShares(mesh, threads, [&](std::size_t first, std::size_t last) {
    const ShareOfVertices mine{first, last};
    const TrianglesAround around = TrianglesAroundShare(mesh, mine);
    std::vector<int> ends;
    for (std::size_t v = first; v < last; ++v) {
      const std::span<const std::uint32_t> triangles(around.triangles.data() + around.offsets[v - first],
                                                     around.offsets[v - first + 1] - around.offsets[v - first]);
      without[v] = ClosedFan(mesh, withArea, static_cast<int>(v), triangles, ends) ? 0 : 1;
    }
  });
  return without;
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
  const std::vector<std::uint8_t> withArea = TrianglesWithArea(mesh, threads);
  ForTrianglesByShare(mesh, threads, [&](const ZORTriangle& t, const auto& mine) {
    if (withArea[static_cast<std::size_t>(&t - mesh.triangles.data())] == 0) return;
    const ZORVec3 p[3] = {mesh.positions[static_cast<std::size_t>(t[0])],
                          mesh.positions[static_cast<std::size_t>(t[1])],
                          mesh.positions[static_cast<std::size_t>(t[2])]};
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
  const std::vector<std::uint8_t> without = VerticesWithoutValue(mesh, withArea, threads);
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
