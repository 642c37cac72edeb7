#include "zorhost/surface/Part.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <cctype>
#include <limits>

#include "zorhost/common/OutputFiles.h"
#include "zorhost/surface/CadKernel.h"
#include "zorhost/surface/MeshCurvature.h"
#include "zorhost/surface/MeshFiles.h"

namespace {

// A mesh read from a file: its own mesh, values estimated at its vertices.
class MeshPart final : public ZORPart {
 public:
  MeshPart(std::string description, ZORSurfaceMesh mesh) : ZORPart(std::move(description)) {
    mesh_ = std::move(mesh);
  }

  bool Exact() const override { return false; }

  void Bounds(ZORVec3& lowest, ZORVec3& highest) const override {
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    lowest = {kInfinity, kInfinity, kInfinity};
    highest = {-kInfinity, -kInfinity, -kInfinity};
    for (const ZORVec3& p : mesh_.positions) {
      lowest = {std::min(lowest.x, p.x), std::min(lowest.y, p.y), std::min(lowest.z, p.z)};
      highest = {std::max(highest.x, p.x), std::max(highest.y, p.y), std::max(highest.z, p.z)};
    }
  }

  bool Prepare(double, ZORAnalysis analysis, std::string&) override {
    ZOREstimateMeshCurvature(mesh_, analysis);
    meshNotes_.clear();
    const auto without = std::count_if(mesh_.values.begin(), mesh_.values.end(),
                                       [](double value) { return std::isnan(value); });
    if (without > 0) {
      meshNotes_.push_back(std::to_string(without) + " of " + std::to_string(mesh_.values.size()) +
                           " vertices have no value: they lie on the mesh's border, on an edge of "
                           "more than two triangles or on a triangle without area");
    }
    return true;
  }

  double ValueAt(int triangle, const std::array<double, 3>& at, ZORVec3& normal,
                 ZORVec3* point) const override {
    const ZORTriangle& t = mesh_.triangles[static_cast<std::size_t>(triangle)];
    double value = 0.0;
    ZORVec3 where;
    normal = {};
    for (int i = 0; i < 3; ++i) {
      const std::size_t v = static_cast<std::size_t>(t[i]);
      value += at[i] * mesh_.values[v];
      where = where + at[i] * mesh_.positions[v];
      normal = normal + at[i] * mesh_.normals[v];
    }
    if (point != nullptr) *point = where;
    normal = Normalized(normal);
    return value;
  }
};

std::string Extension(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  const std::size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string extension = path.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

}  // namespace

std::unique_ptr<ZORPart> ZORMakeMeshPart(std::string description, ZORSurfaceMesh mesh) {
  return std::make_unique<MeshPart>(std::move(description), std::move(mesh));
}

std::unique_ptr<ZORPart> ZORReadPart(const std::string& path, std::string& error) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) {
    error = path + ": cannot be read: " + std::strerror(errno);
    return nullptr;
  }
  if (!S_ISREG(status.st_mode)) {
    error = path + ": is " + ZORFileKindOf(status.st_mode) + ", not a part's file";
    return nullptr;
  }
  if (status.st_size == 0) {
    error = path + ": the file is empty";
    return nullptr;
  }
  const std::string extension = Extension(path);
  if (extension == "step" || extension == "stp") return ZORReadCadPart(path, false, error);
  if (extension == "iges" || extension == "igs") return ZORReadCadPart(path, true, error);
  ZORMeshFormat format;
  if (extension == "stl") {
    format = ZORMeshFormat::Stl;
  } else if (extension == "obj") {
    format = ZORMeshFormat::Obj;
  } else if (extension == "ply") {
    format = ZORMeshFormat::Ply;
  } else {
    error = path + ": the extension '" + extension +
            "' is not one of a part: .step, .stp, .iges, .igs, .stl, .obj or .ply";
    return nullptr;
  }
  ZORSurfaceMesh mesh;
  if (!ZORReadMeshFile(path, format, mesh, error)) return nullptr;
  return ZORMakeMeshPart(path, std::move(mesh));
}
