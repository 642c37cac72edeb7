// Curvature of a triangle mesh, estimated at its vertices.
#pragma once

#include "zorhost/surface/SurfaceMesh.h"

// Fills the mesh's values and normals: per vertex, the discrete curvatures of Meyer, Desbrun,
// Schroeder and Barr (2003) over the mixed Voronoi area of its triangles: the angle deficit for
// the Gaussian curvature, the cotangent Laplacian for the mean curvature (positive where the
// surface bends away from its normal, as on a convex mesh whose triangles turn counterclockwise
// seen from outside), and the principal curvatures from both. The normal is the area-weighted
// mean of the triangles' normals. A vertex on the mesh's border, on an edge shared by more than
// two triangles, on a degenerate triangle, or on none, has no value (not a number).
void ZOREstimateMeshCurvature(ZORSurfaceMesh& mesh, ZORAnalysis analysis);
