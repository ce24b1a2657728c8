#pragma once
// Per-vertex normals of a mesh: the sum of the unnormalised face vectors of
// the triangles around each vertex, so that larger triangles weigh more.
// The renderer normalises them when it draws.
#include "processing/TriangleMesh.h"
#include "scene/BackgroundJob.h"

namespace velmor {

// Adds each triangle's face vector to its three vertices' normals, posting
// 100 progress steps in all; triangles with an index out of range are
// skipped. With `clearFirst` the normals start from zero. The sums do not
// depend on `threads` (0: one per core for large meshes).
void ComputeVertexNormals(BackgroundJob& job, TriangleMesh& mesh, unsigned threads = 0, bool clearFirst = false);
// Adds the face vectors of triangles [begin, end), in order, to the normals
// of those of their vertices that lie in [first, last).
void AddFaceVectors(const TriangleMesh& mesh, uint64_t begin, uint64_t end, uint64_t first, uint64_t last);
// True when the mesh has no vertex or a fresh normal array was committed.
bool AllocVertexNormals(TriangleMesh& mesh);
void FreeVertexNormals(TriangleMesh& mesh);

} // namespace velmor
