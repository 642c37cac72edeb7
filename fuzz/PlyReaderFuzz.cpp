// The PLY reader: any bytes are read or refused with a reason; what is read is a mesh whose
// indices name its vertices and whose coordinates are finite, its curvature can be estimated,
// and written out it reads back to the same mesh. Welded with its field "t", no vertex takes a
// value its file did not give it and no triangle is added.
#include <cfloat>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "zorhost/surface/MeshCurvature.h"
#include "zorhost/surface/MeshFiles.h"
#include "zorhost/surface/PlyFiles.h"

namespace {

ZOROutcome ReadPly(const std::string& bytes, ZORSurfaceMesh& mesh) {
  return ZORReadPly(bytes, mesh);
}

void CheckMesh(const ZORSurfaceMesh& mesh) {
  for (const ZORVec3& p : mesh.positions) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
      ZORFuzzFinding("a coordinate that is not finite was read");
    }
  }
  for (const ZORTriangle& t : mesh.triangles) {
    for (int v : t) {
      if (v < 0 || static_cast<std::size_t>(v) >= mesh.positions.size()) ZORFuzzFinding("an index names no vertex");
    }
  }
}

// The mesh read with its field "t", when the vertices have one, welded as files are.
void CheckWeld(const std::string& bytes) {
  ZORSurfaceMesh mesh;
  if (ZORReadPly(bytes, mesh, "t")) return;
  const std::vector<double> given = mesh.field;
  const std::size_t triangles = mesh.triangles.size();
  ZORWeldVertices(mesh);
  if (mesh.field.size() != mesh.positions.size()) ZORFuzzFinding("a welded vertex without its value");
  if (mesh.triangles.size() > triangles) ZORFuzzFinding("the weld made triangles");
  for (double value : mesh.field) {
    const bool fromFile = std::any_of(given.begin(), given.end(), [value](double g) {
      return std::memcmp(&g, &value, sizeof g) == 0;
    });
    if (!fromFile) ZORFuzzFinding("a welded vertex took a value its file did not give");
  }
  CheckMesh(mesh);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  ZORSurfaceMesh mesh;
  if (const ZOROutcome refused = ReadPly(bytes, mesh)) {
    if (refused->message.empty()) ZORFuzzFinding("a refusal without its reason");
    return 0;
  }
  CheckMesh(mesh);
  CheckWeld(bytes);
  mesh.normals = ZORMeshNormals(mesh);
  const std::vector<ZORCurvatures> curvatures = ZOREstimateMeshCurvatures(mesh, mesh.normals);
  if (curvatures.size() != mesh.positions.size() || mesh.normals.size() != mesh.positions.size()) {
    ZORFuzzFinding("not one curvature and one normal a vertex");
  }
  for (const ZORCurvatures& c : curvatures) mesh.values.push_back(c.mean);

  // Coordinates beyond a float's range are written as infinities, which the reader refuses.
  constexpr double kLargestFloat = static_cast<double>(FLT_MAX);
  for (const ZORVec3& p : mesh.positions) {
    if (!(std::fabs(p.x) <= kLargestFloat && std::fabs(p.y) <= kLargestFloat && std::fabs(p.z) <= kLargestFloat)) return 0;
  }
  const std::vector<ZORRgba> colors(mesh.positions.size(), ZORRgba{1, 2, 3, 4});
  ZORSurfaceMesh again;
  if (ReadPly(ZORFormatPly(mesh, colors), again)) ZORFuzzFinding("the written mesh does not read");
  if (again.triangles != mesh.triangles || again.positions.size() != mesh.positions.size()) {
    ZORFuzzFinding("the mesh changed on the way back");
  }
  for (std::size_t v = 0; v < mesh.positions.size(); ++v) {
    const ZORVec3& p = mesh.positions[v];
    auto asFloat = [](double c) { return static_cast<double>(static_cast<float>(c)); };
    const ZORVec3 stored{asFloat(p.x), asFloat(p.y), asFloat(p.z)};
    if (!(again.positions[v] == stored)) ZORFuzzFinding("a vertex moved on the way back");
  }
  return 0;
}
