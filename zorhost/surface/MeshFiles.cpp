// Mesh files: STL and OBJ through the CAD kernel's readers, PLY through the project's own.
#include <OSD_Path.hxx>
#include <Poly_Triangulation.hxx>
#include <RWObj_TriangulationReader.hxx>
#include <RWStl.hxx>

#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <unordered_map>

#include "zorhost/surface/CadKernel.h"
#include "zorhost/surface/MeshFiles.h"
#include "zorhost/surface/PlyFiles.h"

namespace {

// A binary STL is an 80-byte header, a 32-bit triangle count and 50 bytes a triangle; anything
// else must be an ASCII one. A count that the file's size does not carry is refused before the
// reader sees it.
bool CheckStl(const std::string& path, std::uint64_t size, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  char head[84] = {};
  in.read(head, sizeof head);
  const std::streamsize got = in.gcount();
  std::uint32_t count = 0;
  std::memcpy(&count, head + 80, sizeof count);
  if (got == 84 && size == 84 + 50 * static_cast<std::uint64_t>(count)) return true;
  const std::string start(head, static_cast<std::size_t>(got));
  const std::size_t word = start.find_first_not_of(" \t\r\n");
  if (word != std::string::npos && start.compare(word, 5, "solid") == 0 &&
      start.find('\0') == std::string::npos) {
    return true;
  }
  if (got == 84) {
    error = "is not an ASCII STL, and as a binary one its " + std::to_string(count) +
            " triangles would take " + std::to_string(84 + 50 * static_cast<std::uint64_t>(count)) +
            " bytes, not " + std::to_string(size);
  } else {
    error = "is too short for an STL file";
  }
  return false;
}

bool FromTriangulation(const Handle(Poly_Triangulation)& triangulation, ZORSurfaceMesh& mesh,
                       std::string& error) {
  if (triangulation.IsNull() || triangulation->NbTriangles() == 0) {
    error = "holds no triangle";
    return false;
  }
  for (int n = 1; n <= triangulation->NbNodes(); ++n) {
    const gp_Pnt point = triangulation->Node(n);
    mesh.positions.push_back({point.X(), point.Y(), point.Z()});
  }
  for (int t = 1; t <= triangulation->NbTriangles(); ++t) {
    int a, b, c;
    triangulation->Triangle(t).Get(a, b, c);
    mesh.triangles.push_back({a - 1, b - 1, c - 1});
  }
  return true;
}

}  // namespace

bool ZORReadMeshFile(const std::string& path, ZORMeshFormat format, ZORSurfaceMesh& mesh,
                     std::string& error) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) {
    error = path + ": cannot be read: " + std::strerror(errno);
    return false;
  }
  const std::uint64_t size = static_cast<std::uint64_t>(status.st_size);
  if (size == 0) {
    error = path + ": the file is empty";
    return false;
  }
  bool read = false;
  if (format == ZORMeshFormat::Ply) {
    read = ZORReadPlyFile(path, mesh, error);
    if (!read) return false;
  } else {
    read = ZORCatchingKernelFailures(error, [&] {
      if (format == ZORMeshFormat::Stl) {
        if (!CheckStl(path, size, error)) return false;
        return FromTriangulation(RWStl::ReadFile(path.c_str()), mesh, error);
      }
      RWObj_TriangulationReader reader;
      reader.SetCreateShapes(false);
      // Far above any mesh a picture needs, far below what would exhaust the machine.
      reader.SetMemoryLimit(std::size_t{2} << 30);
      if (!reader.Read(path.c_str(), Message_ProgressRange())) {
        error = "is not an OBJ file that can be read";
        return false;
      }
      return FromTriangulation(reader.GetTriangulation(), mesh, error);
    });
    if (!read) {
      error = path + ": " + error;
      return false;
    }
  }
  for (std::size_t v = 0; v < mesh.positions.size(); ++v) {
    const ZORVec3& p = mesh.positions[v];
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
      error = path + ": vertex " + std::to_string(v + 1) + " has a coordinate that is not finite";
      return false;
    }
  }
  ZORWeldVertices(mesh);
  return true;
}

void ZORWeldVertices(ZORSurfaceMesh& mesh) {
  struct Hash {
    std::size_t operator()(const ZORVec3& p) const {
      std::uint64_t bits[3];
      std::memcpy(bits, &p, sizeof bits);
      return std::hash<std::uint64_t>()(bits[0] ^ (bits[1] * 31) ^ (bits[2] * 1031));
    }
  };
  std::unordered_map<ZORVec3, int, Hash> index;
  std::vector<int> welded(mesh.positions.size());
  std::vector<ZORVec3> positions;
  for (std::size_t v = 0; v < mesh.positions.size(); ++v) {
    // +0 and -0 are one point.
    ZORVec3 p = mesh.positions[v];
    p = {p.x + 0.0, p.y + 0.0, p.z + 0.0};
    auto [found, added] = index.try_emplace(p, static_cast<int>(positions.size()));
    if (added) positions.push_back(p);
    welded[v] = found->second;
  }
  for (ZORTriangle& t : mesh.triangles) {
    for (int& corner : t) corner = welded[static_cast<std::size_t>(corner)];
  }
  mesh.positions = std::move(positions);
}
