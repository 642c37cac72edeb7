// The analysed mesh written for other tools: PLY (ParaView, MeshLab, Blender) and binary glTF
// (web viewers), each vertex with its value and its color through the scale.
#pragma once

#include <string>
#include <vector>

#include "painter/ZORScalePainter.h"
#include "zorhost/common/Outcome.h"
#include "zorhost/surface/SurfaceMesh.h"

// The file's contents for `path` by its extension, .ply or .glb; a problem for another extension
// or a mesh that cannot be written.
ZOROutcome ZORFormatMesh(const std::string& path, const ZORSurfaceMesh& mesh, const std::vector<ZORRgba>& colors,
                         std::string& contents);

// glTF 2.0, binary: positions, COLOR_0 (unsigned bytes, normalized) and the value as the custom
// attribute _VALUE (single precision: glTF has no double attributes).
ZOROutcome ZORFormatGlb(const ZORSurfaceMesh& mesh, const std::vector<ZORRgba>& colors, std::string& bytes);
