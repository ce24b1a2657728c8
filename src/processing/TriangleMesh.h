#pragma once
#include <cstdint>

namespace velmor {

struct SurfacePart;

// The merged mesh of a mesh unit.
struct TriangleMesh {
    uint64_t vertexCount = 0;
    uint64_t triangleCount = 0;
    float* vertices = nullptr;       // x, y, z per vertex
    float* normals = nullptr;        // per vertex, committed pages; null when absent
    uint32_t* indices = nullptr;     // three per triangle
    uint8_t normalsValid = 0;
    // 1 while the mesh is taken to be a closed surface wound one way
    // throughout, so that one side of each face can be left out wherever
    // faces are culled; loads that cannot promise it decide with EnclosesVolume.
    uint8_t enclosing = 1;
    // How the vertex and index arrays were taken (as SurfacePart::allocationKind).
    uint8_t allocationKind = 1;
};

// Frees every array of the mesh and leaves it empty.
void ReleaseMesh(TriangleMesh& mesh);

// The mesh takes the first part's arrays (the part's pointers become null)
// or, without `adopt`, a merged copy of every part. Releases the old arrays
// first; with no part the mesh stays empty. False only when the merged
// arrays cannot be committed.
bool BuildMeshFromParts(TriangleMesh& mesh, SurfacePart* parts, uint64_t partCount, bool adopt);

// True when every edge, vertices being told apart by their place alone, is
// run along once each way by the triangles beside it: a closed surface wound
// outwards or inside out throughout. An open sheet, or faces wound both ways,
// give false. Linear time and no memory to speak of: the edges' two
// directions are summed as hashes that cancel in pairs.
bool EnclosesVolume(const TriangleMesh& mesh);

} // namespace velmor
