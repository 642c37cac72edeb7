// Triangle meshes read from files.
#pragma once

#include <string>

#include "zorhost/common/Outcome.h"
#include "zorhost/surface/SurfaceMesh.h"

enum class ZORMeshFormat { Stl, Obj, Ply };

// Reads the positions and triangles of a mesh file; vertices at the same place are made one (see
// ZORWeldVertices), so that the triangles around them form a surface. A problem naming the file
// (and the record or line where the reader gives one) when the file cannot be read, is damaged,
// holds no triangle or a coordinate that is not finite. `field`, when not empty, names a
// per-vertex property to read into the mesh's field, of a PLY file (other formats have none).
ZOROutcome ZORReadMeshFile(const std::string& path, ZORMeshFormat format, ZORSurfaceMesh& mesh,
                           const std::string& field = {});

// Makes vertices at the same place one, never two whose attributes (a field's values) differ. A
// soup of triangles (each corner its own vertex, as STL holds it) is welded within a millionth of
// the mesh's size: the rounding that files written with single precision or a few digits leave
// between the copies of a vertex that faces meshed apart share. A mesh whose triangles already
// share vertices is taken as its file gives it: only exact copies with equal attributes are made
// one. Triangles left with fewer than three corners are dropped; returns how many.
std::size_t ZORWeldVertices(ZORSurfaceMesh& mesh);
