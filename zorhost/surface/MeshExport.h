// The analysed mesh written for other tools, each vertex with its value and its color through the
// scale: VTK XML PolyData (.vtp: ParaView and VTK read the value and the color), PLY (MeshLab,
// Blender, CloudCompare; VTK's reader keeps only the color) and binary glTF (web viewers).
#pragma once

#include <string>
#include <vector>

#include "painter/ZORScalePainter.h"
#include "zorhost/common/Outcome.h"
#include "zorhost/surface/SurfaceMesh.h"

// How closely an analysed mesh follows a CAD part's surface unless asked otherwise: this share of
// the diagonal of the part's box.
inline constexpr double kZORAnalysedMeshShare = 1e-3;

// The file's contents for `path` by its extension, .vtp, .ply or .glb; a problem for another
// extension or a mesh that cannot be written.
ZOROutcome ZORFormatMesh(const std::string& path, const ZORSurfaceMesh& mesh, const std::vector<ZORRgba>& colors,
                         std::string& contents);

// glTF 2.0, binary: positions, COLOR_0 (linear light, as glTF defines it, converted from the
// scale's sRGB; floats, so that converted back each is the scale's byte) and the value as the
// custom attribute _VALUE (single precision: glTF has no double attributes).
ZOROutcome ZORFormatGlb(const ZORSurfaceMesh& mesh, const std::vector<ZORRgba>& colors, std::string& bytes);

// VTK XML PolyData: points (double), triangles, and as point data `value` (Float64, NaN where
// undefined), `color` (RGBA, UInt8) and the normals; binary, inline as base64.
std::string ZORFormatVtp(const ZORSurfaceMesh& mesh, const std::vector<ZORRgba>& colors);
