#include "zorhost/surface/Part.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <cctype>
#include <limits>

#include "zor/ZORText.h"
#include "zorhost/common/OutputFiles.h"
#include "zorhost/surface/CadKernel.h"
#include "zorhost/surface/MeshCurvature.h"
#include "zorhost/surface/MeshFiles.h"

namespace {

// A mesh read from a file: its own mesh, its curvatures estimated at its vertices.
class MeshPart final : public ZORPart {
 public:
  MeshPart(std::string description, ZORSurfaceMesh mesh) : ZORPart(std::move(description), "") {
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

  // The mesh does not change with the picture: its normals and curvatures are estimated once.
  ZOROutcome Prepare(double, bool curvatures, int threads) override {
    if (mesh_.normals.empty()) mesh_.normals = ZORMeshNormals(mesh_, threads);
    if (!curvatures || !curvatures_.empty()) return std::nullopt;
    curvatures_ = ZOREstimateMeshCurvatures(mesh_, mesh_.normals, threads);
    meshNotes_.clear();
    const auto without = std::count_if(curvatures_.begin(), curvatures_.end(),
                                       [](const ZORCurvatures& c) { return std::isnan(c.mean); });
    if (without > 0) {
      meshNotes_.push_back(std::to_string(without) + " of " + std::to_string(curvatures_.size()) +
                           " vertices have no curvature: they lie on the mesh's border, on an edge "
                           "of more than two triangles or on a triangle without area");
    }
    return std::nullopt;
  }

  ZORSurfacePoint PointAt(int triangle, const std::array<double, 3>& at) const override {
    const ZORTriangle& t = mesh_.triangles[static_cast<std::size_t>(triangle)];
    ZORSurfacePoint point;
    point.curvatures = {0.0, 0.0, 0.0, 0.0};
    for (int i = 0; i < 3; ++i) {
      const std::size_t v = static_cast<std::size_t>(t[i]);
      const ZORCurvatures& c = CurvaturesAt(v);
      point.position = point.position + at[i] * mesh_.positions[v];
      point.normal = point.normal + at[i] * mesh_.normals[v];
      point.curvatures = {point.curvatures.gaussian + at[i] * c.gaussian, point.curvatures.mean + at[i] * c.mean,
                          point.curvatures.minimum + at[i] * c.minimum, point.curvatures.maximum + at[i] * c.maximum};
    }
    if (!mesh_.field.empty()) {
      point.field = 0.0;
      for (int i = 0; i < 3; ++i) point.field += at[i] * mesh_.field[static_cast<std::size_t>(t[i])];
    }
    point.normal = Normalized(point.normal);
    return point;
  }

  // PointAt changes nothing: every thread may share it.
  std::unique_ptr<Evaluator> NewEvaluator() const override {
    struct Shared final : Evaluator {
      explicit Shared(const MeshPart& of) : part(of) {}
      ZORSurfacePoint PointAt(int triangle, const std::array<double, 3>& at) override { return part.PointAt(triangle, at); }
      const MeshPart& part;
    };
    return std::make_unique<Shared>(*this);
  }

  ZORSurfacePoint NodeAt(int node) const override {
    const std::size_t v = static_cast<std::size_t>(node);
    ZORSurfacePoint point{mesh_.positions[v], mesh_.normals[v], CurvaturesAt(v), -1};
    if (!mesh_.field.empty()) point.field = mesh_.field[v];
    return point;
  }

  ZORAreaPoints AreaPoints(std::size_t count, int) const override {
    ZORAreaPoints area;
    if (mesh_.positions.size() > kZORMostAreaVertices) {
      const ZORAreaSample sample = ZORSpreadOverArea(mesh_.positions, mesh_.triangles, count);
      const double each = TotalArea() / static_cast<double>(std::max<std::size_t>(sample.triangles.size(), 1));
      for (std::size_t i = 0; i < sample.triangles.size(); ++i) {
        area.points.push_back(PointAt(sample.triangles[i], sample.at[i]));
        area.areas.push_back(each);
      }
      area.how = std::to_string(area.points.size()) + " points spread evenly over its area";
      return area;
    }
    std::vector<double> vertexAreas(mesh_.positions.size(), 0.0);
    for (const ZORTriangle& t : mesh_.triangles) {
      const double third = ZORTriangleArea(mesh_.positions, t) / 3.0;
      for (int v : t) vertexAreas[static_cast<std::size_t>(v)] += third;
    }
    for (std::size_t v = 0; v < vertexAreas.size(); ++v) {
      if (!(vertexAreas[v] > 0.0)) continue;  // on no triangle with an area
      area.points.push_back(NodeAt(static_cast<int>(v)));
      area.areas.push_back(vertexAreas[v]);
      area.vertices.push_back(static_cast<int>(v));
    }
    area.how = "its " + std::to_string(area.points.size()) + " vertices, each standing for a third of its triangles' area";
    return area;
  }

 private:
  // A vertex's curvatures: not a number when they were not asked for.
  const ZORCurvatures& CurvaturesAt(std::size_t vertex) const {
    static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    static constexpr ZORCurvatures kUnknown{kNone, kNone, kNone, kNone};
    return curvatures_.empty() ? kUnknown : curvatures_[vertex];
  }

  double TotalArea() const {
    double total = 0.0;
    for (const ZORTriangle& t : mesh_.triangles) total += ZORTriangleArea(mesh_.positions, t);
    return total;
  }

  std::vector<ZORCurvatures> curvatures_;  // per vertex, when asked for
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

std::string ZORPart::Title() const { return description_.substr(description_.rfind('/') + 1); }

void ZORPart::Evaluate(const ZORSurfaceAnalysis& analysis) {
  mesh_.values.resize(mesh_.positions.size());
  for (std::size_t node = 0; node < mesh_.values.size(); ++node) {
    mesh_.values[node] = analysis.ValueAt(NodeAt(static_cast<int>(node)));
  }
}

ZORAreaSample ZORSpreadOverArea(const std::vector<ZORVec3>& positions,
                                const std::vector<ZORTriangle>& triangles, std::size_t count) {
  std::vector<double> upTo(triangles.size() + 1, 0.0);  // the area of the triangles before each
  for (std::size_t t = 0; t < triangles.size(); ++t) upTo[t + 1] = upTo[t] + ZORTriangleArea(positions, triangles[t]);
  ZORAreaSample sample;
  const double total = upTo.back();
  if (!(total > 0.0) || count == 0) return sample;
  // Points at evenly spaced shares of the area, each at a place in its triangle from the R2
  // low-discrepancy sequence: no two points of a triangle together, and nothing drawn at random.
  constexpr double kPlastic = 1.32471795724474602596;
  constexpr double kStepU = 1.0 / kPlastic, kStepV = 1.0 / (kPlastic * kPlastic);
  std::size_t t = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const double share = (static_cast<double>(i) + 0.5) / static_cast<double>(count) * total;
    while (t + 1 < triangles.size() && upTo[t + 1] <= share) ++t;
    double u = std::fmod(0.5 + kStepU * static_cast<double>(i), 1.0);
    double v = std::fmod(0.5 + kStepV * static_cast<double>(i), 1.0);
    if (u + v > 1.0) {
      u = 1.0 - u;
      v = 1.0 - v;
    }
    sample.triangles.push_back(static_cast<int>(t));
    sample.at.push_back({1.0 - u - v, u, v});
  }
  return sample;
}

std::unique_ptr<ZORPart> ZORMakeMeshPart(std::string description, ZORSurfaceMesh mesh) {
  return std::make_unique<MeshPart>(std::move(description), std::move(mesh));
}

ZOROutcome ZORReadPart(const std::string& path, std::unique_ptr<ZORPart>& part, const std::string& field) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return ZORBadInput(path + ": cannot be read: " + std::strerror(errno));
  if (!S_ISREG(status.st_mode)) {
    return ZORBadInput(path + ": is " + ZORFileKindOf(status.st_mode) + ", not a part's file");
  }
  if (status.st_size == 0) return ZORBadInput(path + ": the file is empty");
  const std::string extension = Extension(path);
  if (!field.empty() && extension != "ply") {
    return ZORBadInput(path + ": only PLY meshes give fields at their vertices, not --field '" + ZORPrintable(field) +
                       "'");
  }
  if (extension == "step" || extension == "stp") return ZORReadCadPart(path, false, part);
  if (extension == "iges" || extension == "igs") return ZORReadCadPart(path, true, part);
  ZORMeshFormat format;
  if (extension == "stl") {
    format = ZORMeshFormat::Stl;
  } else if (extension == "obj") {
    format = ZORMeshFormat::Obj;
  } else if (extension == "ply") {
    format = ZORMeshFormat::Ply;
  } else {
    return ZORBadInput(path + ": the extension '" + extension +
                       "' is not one of a part: .step, .stp, .iges, .igs, .stl, .obj or .ply");
  }
  ZORSurfaceMesh mesh;
  if (ZOROutcome problem = ZORReadMeshFile(path, format, mesh, field)) return problem;
  part = ZORMakeMeshPart(path, std::move(mesh));
  return std::nullopt;
}
