// Curvature of a triangle mesh, estimated at its vertices.
#pragma once

#include <vector>

#include "zorhost/surface/SurfaceMesh.h"

// The normal at each vertex of `mesh`: the area-weighted mean of its triangles' normals.
// Each of these runs on `threads` threads (0: a core each), its result the same for any number.
std::vector<ZORVec3> ZORMeshNormals(const ZORSurfaceMesh& mesh, int threads = 0);

// The curvatures at each vertex of `mesh`, whose `normals` sign them: the discrete curvatures of Meyer,
// Desbrun, Schroeder and Barr (2003) over the mixed Voronoi area of its triangles: the angle
// deficit for the Gaussian curvature, the cotangent Laplacian for the mean curvature (positive
// where the surface bends away from its normal, as on a convex mesh whose triangles turn
// counterclockwise seen from outside), and the principal curvatures from both. A vertex on the
// mesh's border, on an edge shared by more than two triangles, on a degenerate triangle, or on
// none, has no curvature (not a number).
std::vector<ZORCurvatures> ZOREstimateMeshCurvatures(const ZORSurfaceMesh& mesh,
                                                     const std::vector<ZORVec3>& normals, int threads = 0);
