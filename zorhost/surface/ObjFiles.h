// OBJ meshes, read from their text as modelling tools write them.
#pragma once

#include <string>
#include <string_view>

#include "zorhost/common/Outcome.h"
#include "zorhost/surface/SurfaceMesh.h"

// Reads the positions ("v x y z", a fourth number ignored) and faces ("f" with 1-based indices,
// negative ones counted back from the last vertex, each index possibly followed by /texture and
// /normal indices, which are ignored) of an OBJ file; a line ending in a backslash goes on on the
// next. A polygon becomes a fan of triangles from its first corner (a quad is split along its
// first diagonal). Other statements (normals, texture coordinates, groups, materials) are
// skipped. A problem says at which line: a vertex that is not three numbers, a face of fewer than
// three corners, an index that names no vertex defined before it.
ZOROutcome ZORReadObj(std::string_view text, ZORSurfaceMesh& mesh);
ZOROutcome ZORReadObjFile(const std::string& path, ZORSurfaceMesh& mesh);
