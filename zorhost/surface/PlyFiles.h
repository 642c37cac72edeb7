// PLY meshes: read (ascii and binary, as other tools write them) and written (the analysed mesh
// with each vertex's value and color, for ParaView, MeshLab, Blender and the like).
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "painter/ZORScalePainter.h"
#include "zorhost/common/Outcome.h"
#include "zorhost/surface/SurfaceMesh.h"

// Reads a PLY mesh of `size` bytes: format ascii, binary_little_endian or binary_big_endian 1.0;
// the element "vertex" with x, y and z of any numeric type, the element "face" with a list of
// vertex indices ("vertex_indices" or "vertex_index"); other elements and properties are
// skipped, and polygons of up to 256 vertices become fans of triangles. Counts that cannot fit in
// the file are refused before anything is read, so memory follows the file. A problem says where
// ("header line N", "vertex N", "face N"). `field`, when not empty, names
// a vertex property read into the mesh's field (a thickness, a stress): one the vertices do not
// have is refused, naming those they have.
ZOROutcome ZORReadPly(std::istream& in, std::uint64_t size, ZORSurfaceMesh& mesh, const std::string& field = {});
ZOROutcome ZORReadPlyFile(const std::string& path, ZORSurfaceMesh& mesh, const std::string& field = {});

// The mesh as binary little-endian PLY: vertex properties float x, y, z, double value, uchar
// red, green, blue, alpha (`colors`, one per vertex); faces as a list uchar int vertex_indices.
std::string ZORFormatPly(const ZORSurfaceMesh& mesh, const std::vector<ZORRgba>& colors);
