// A part whose surface is analysed: read from a CAD or mesh file, meshed for the picture, and
// asked for the analysis value at any point of its mesh.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "zorhost/surface/SurfaceMesh.h"

class ZORPart {
 public:
  virtual ~ZORPart() = default;

  // What the part is, for titles: the file it came from.
  const std::string& Description() const { return description_; }
  // True for a CAD part, whose values are exact at every point; false for a mesh, whose values
  // are estimated at its vertices and interpolated between them.
  virtual bool Exact() const = 0;

  // A box holding the part, perhaps not tightly.
  virtual void Bounds(ZORVec3& lowest, ZORVec3& highest) const = 0;
  // Makes the mesh that the picture and the exported mesh show, within `deflection` of a CAD
  // part's surface (a mesh part is its own mesh), with each node's value and normal. False, with
  // `error`, when no triangle could be made.
  virtual bool Prepare(double deflection, ZORAnalysis analysis, std::string& error) = 0;
  const ZORSurfaceMesh& Mesh() const { return mesh_; }
  // What a person should know about the mesh that Prepare made, a sentence each: faces that
  // could only be meshed coarser or not at all, vertices without a value.
  const std::vector<std::string>& MeshNotes() const { return meshNotes_; }

  // The value at the point of `triangle` with barycentric coordinates `at`, with the outward
  // normal there and, when asked, the surface point the value belongs to: a CAD part's at the
  // surface parameters interpolated to that point, a mesh's interpolated from its vertices. Not
  // a number where the analysis is not defined.
  virtual double ValueAt(int triangle, const std::array<double, 3>& at, ZORVec3& normal,
                         ZORVec3* point = nullptr) const = 0;

 protected:
  explicit ZORPart(std::string description) : description_(std::move(description)) {}
  ZORSurfaceMesh mesh_;
  std::vector<std::string> meshNotes_;

 private:
  std::string description_;
};

// The part in the file at `path`, by its extension: STEP (.step, .stp) and IGES (.iges, .igs)
// through the CAD kernel, STL, OBJ and PLY meshes. Null, with `error` naming the file (and the
// line or record where the reader gives one), when it cannot be read or holds no surface.
std::unique_ptr<ZORPart> ZORReadPart(const std::string& path, std::string& error);

// The built-in sample: a freeform surface, made with the CAD kernel, whose curvature takes both
// signs.
std::unique_ptr<ZORPart> ZORMakeSamplePart();

// A part made of a mesh read elsewhere; `mesh` holds positions and triangles.
std::unique_ptr<ZORPart> ZORMakeMeshPart(std::string description, ZORSurfaceMesh mesh);
