#pragma once
#include <cstdint>

namespace velmor {

struct SurfacePart;

// Whether a mesh is a closed surface wound one way throughout, so that one
// side of each face can be left out wherever faces are culled.
enum class MeshClosure : uint8_t { kEncloses, kOpen, kUndecided };

// The merged mesh of a mesh unit.
struct TriangleMesh {
    uint64_t vertexCount = 0;
    uint64_t triangleCount = 0;
    float* vertices = nullptr;       // x, y, z per vertex
    float* normals = nullptr;        // per vertex, committed pages; null when absent
    uint32_t* indices = nullptr;     // three per triangle
    uint8_t normalsValid = 0;
    // Iso-surfaces enclose by construction; a mesh loaded from a file is
    // undecided until culling first asks (Encloses).
    MeshClosure closure = MeshClosure::kEncloses;
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
// give false. Linear time: each vertex's place is hashed once, with a key
// drawn when the program starts, so that no file can be made to pass.
bool EnclosesVolume(const TriangleMesh& mesh);

// The mesh's closure, decided by EnclosesVolume the first time it is asked
// for and kept until a load makes it undecided again. Asked only by the
// thread that draws, which never draws while a worker writes a mesh.
bool Encloses(TriangleMesh& mesh);

} // namespace velmor
