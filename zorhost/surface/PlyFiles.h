// PLY meshes: read (ascii and binary, as other tools write them) and written (the analysed mesh
// with each vertex's value and color, for ParaView, MeshLab, Blender and the like).
#pragma once

#include <cstdint>
#include <string_view>
#include <string>
#include <vector>

#include "painter/ZORScalePainter.h"
#include "zorhost/common/Outcome.h"
#include "zorhost/surface/SurfaceMesh.h"

// Reads a PLY mesh from its bytes: format ascii, binary_little_endian or binary_big_endian 1.0;
// the element "vertex" with x, y and z of any numeric type, the element "face" with a list of
// vertex indices ("vertex_indices" or "vertex_index"); other elements and properties are
// skipped, and polygons of up to 256 vertices become fans of triangles. Counts that cannot fit in
// the file are refused before anything is read, so memory follows the file. A problem says where
// ("header line N", "vertex N", "face N"). `field`, when not empty, names
// a vertex property read into the mesh's field (a thickness, a stress): one the vertices do not
// have is refused, naming those they have. Binary elements whose records all take the same bytes
// (faces all triangles) are decoded where they lie on `threads` threads (0: a core each), the
// result the same for any number.
ZOROutcome ZORReadPly(std::string_view bytes, ZORSurfaceMesh& mesh, const std::string& field = {}, int threads = 0);
ZOROutcome ZORReadPlyFile(const std::string& path, ZORSurfaceMesh& mesh, const std::string& field = {},
                          int threads = 0);

// The mesh as binary little-endian PLY: vertex properties float x, y, z, double value, uchar
// red, green, blue, alpha (`colors`, one per vertex); faces as a list uchar int vertex_indices.
std::string ZORFormatPly(const ZORSurfaceMesh& mesh, const std::vector<ZORRgba>& colors);
