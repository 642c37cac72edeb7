// A part whose surface is analysed: read from a CAD or mesh file, meshed for the picture, and
// asked for its surface at any point of its mesh, or at points spread evenly over it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "zorhost/common/Outcome.h"
#include "zorhost/surface/Analysis.h"
#include "zorhost/surface/Continuity.h"
#include "zorhost/surface/SurfaceMesh.h"

// Points standing for a part's whole area, each with the area it stands for (the areas sum to
// the part's), and what they are, for a reader: "16371 points spread evenly over its area".
struct ZORAreaPoints {
  std::vector<ZORSurfacePoint> points;
  std::vector<double> areas;
  std::vector<int> vertices;  // a mesh's, when the points are its vertices: the vertex of each
  std::string how;
};

class ZORPart {
 public:
  virtual ~ZORPart() = default;

  // What the part is, for messages: the file it came from.
  const std::string& Description() const { return description_; }
  // What the part is, for titles: the file's name without its folder.
  std::string Title() const;
  // The unit its lengths are in ("mm"), or empty when its file does not say.
  const std::string& LengthUnit() const { return lengthUnit_; }
  // Gives a part whose file does not say its unit; false, nothing changed, when the file says
  // another.
  bool GiveLengthUnit(const std::string& unit) {
    if (!lengthUnit_.empty()) return lengthUnit_ == unit;
    lengthUnit_ = unit;
    return true;
  }
  // True for a CAD part, whose surface is exact at every point; false for a mesh, whose
  // curvatures are estimated at its vertices and interpolated between them.
  virtual bool Exact() const = 0;

  // A box holding the part, perhaps not tightly.
  virtual void Bounds(ZORVec3& lowest, ZORVec3& highest) const = 0;
  // Makes the mesh that the picture and the exported mesh show, within `deflection` of a CAD
  // part's surface (a mesh part is its own mesh, its normals estimated, and its curvatures when
  // `curvatures` asks: a mesh's points have none otherwise). A problem when no triangle could be
  // made. On `threads` threads (0: one a core; more than one lets the kernel mesh a CAD part's
  // faces on its own), the mesh the same for any number.
  virtual ZOROutcome Prepare(double deflection, bool curvatures, int threads) = 0;
  ZOROutcome Prepare(double deflection, bool curvatures = true) { return Prepare(deflection, curvatures, 0); }
  const ZORSurfaceMesh& Mesh() const { return mesh_; }
  // What a person should know about the mesh that Prepare made, a sentence each: faces that
  // could only be meshed coarser or not at all, vertices without curvature.
  const std::vector<std::string>& MeshNotes() const { return meshNotes_; }

  // The surface at the point of `triangle` with barycentric coordinates `at`: a CAD part's at the
  // surface parameters interpolated to that point, a mesh's interpolated from its vertices.
  virtual ZORSurfacePoint PointAt(int triangle, const std::array<double, 3>& at) const = 0;
  // The surface at a node of the mesh.
  virtual ZORSurfacePoint NodeAt(int node) const = 0;
  // How far from the surface `triangle` of the mesh may lie: at most the deflection its face was
  // meshed with (some faces only mesh coarser); 0 for a mesh, which is its own surface. The first
  // call measures every triangle: make it before calling from several threads.
  virtual double DeflectionAt(int triangle) const {
    static_cast<void>(triangle);
    return 0.0;
  }
  // How far apart the mesh's nodes may lie that stand for one point: a CAD part's faces are
  // meshed apart, each with nodes of its own along the edges they share, within the edges'
  // tolerance of one another. 0 for a mesh, whose triangles share their nodes.
  virtual double SeamTolerance() const { return 0.0; }
  // PointAt for one thread: each evaluator may be used on its own thread while the others are on
  // theirs (the part's own PointAt is for one thread at a time). The points are PointAt's.
  class Evaluator {
   public:
    virtual ~Evaluator() = default;
    virtual ZORSurfacePoint PointAt(int triangle, const std::array<double, 3>& at) = 0;
    // The point of the surface nearest `point`, from a point of the mesh near it, on
    // `triangle` at `at`: on a CAD part, the nearest point of that triangle's face, refined on
    // its exact surface (none when it lies on the face's edge); on a mesh, that point itself.
    // With it, whether `point` lies beyond the surface's edge, off its side rather than over it:
    // a mesh's edge is where the mesh ends (`atMeshEdge`: the mesh's point is there); a CAD
    // part's, a free edge of its faces.
    struct Nearest {
      ZORSurfacePoint point;
      bool beyondEdge = false;
    };
    virtual std::optional<Nearest> NearestFrom(const ZORVec3& point, int triangle, const std::array<double, 3>& at,
                                               bool atMeshEdge) {
      static_cast<void>(point);
      return Nearest{PointAt(triangle, at), atMeshEdge};
    }
    // Where the line from `origin` along the unit `direction` crosses the surface, from a point
    // of the mesh near that crossing (`triangle` at `at`), and how far along the line: on a CAD
    // part, the crossing refined on the exact surface of that triangle's face (none when the
    // refinement finds none on the face, or the line grazes it; its curvatures not evaluated); on
    // a mesh, the mesh's point.
    struct Crossing {
      ZORSurfacePoint point;
      double distance = 0.0;
    };
    virtual std::optional<Crossing> CrossingFrom(const ZORVec3& origin, const ZORVec3& direction, int triangle,
                                                 const std::array<double, 3>& at) {
      ZORSurfacePoint point = PointAt(triangle, at);
      const double distance = Dot(point.position - origin, direction);
      return Crossing{std::move(point), distance};
    }
  };
  virtual std::unique_ptr<Evaluator> NewEvaluator() const = 0;
  // Points standing for the part's area, as the part is whatever a picture shows of it: the same
  // for every view and size, and for any number of `threads` (0: one a core). A CAD part's,
  // about `count` points spread evenly over each face, one at least, at their exact surface; a
  // mesh's, its vertices, each standing for a third of its triangles' area (a mesh of more than
  // kZORMostAreaVertices vertices: `count` points spread evenly over its area).
  virtual ZORAreaPoints AreaPoints(std::size_t count, int threads) const = 0;

  // The continuity across each edge that joins two of its faces: a CAD part's; a mesh has none.
  virtual std::vector<ZOREdgeContinuity> EdgesContinuity() const { return {}; }

  // The mesh's node values for `analysis`, for the mesh written out.
  void Evaluate(const ZORSurfaceAnalysis& analysis);

 protected:
  ZORPart(std::string description, std::string lengthUnit)
      : description_(std::move(description)), lengthUnit_(std::move(lengthUnit)) {}
  ZORSurfaceMesh mesh_;
  std::vector<std::string> meshNotes_;

 private:
  std::string description_;
  std::string lengthUnit_;
};

// The part in the file at `path`, by its extension: STEP (.step, .stp) and IGES (.iges, .igs)
// through the CAD kernel, STL, OBJ and PLY meshes. A problem naming the file (and the line or
// record where the reader gives one) when it cannot be read or holds no surface. `field`, when
// not empty, names a per-vertex property of a PLY mesh that its points carry
// (ZORSurfacePoint::field), interpolated between the vertices as curvature is.
ZOROutcome ZORReadPart(const std::string& path, std::unique_ptr<ZORPart>& part, const std::string& field = {});

// The built-in sample: a freeform surface, made with the CAD kernel, whose curvature takes both
// signs.
std::unique_ptr<ZORPart> ZORMakeSamplePart();

// A part made of a mesh read elsewhere; `mesh` holds positions and triangles.
std::unique_ptr<ZORPart> ZORMakeMeshPart(std::string description, ZORSurfaceMesh mesh);

// A mesh of up to this many vertices stands for its area by its vertices.
inline constexpr std::size_t kZORMostAreaVertices = 1u << 17;

// Where `count` points spread evenly over the area of `mesh`'s triangles fall: each triangle
// with its share of them, at fixed places within it; point i on triangle `triangles[i]` at
// barycentric coordinates `at[i]`.
struct ZORAreaSample {
  std::vector<int> triangles;
  std::vector<std::array<double, 3>> at;
};
ZORAreaSample ZORSpreadOverArea(const std::vector<ZORVec3>& positions,
                                const std::vector<ZORTriangle>& triangles, std::size_t count);
