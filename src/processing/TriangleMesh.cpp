#include "processing/TriangleMesh.h"

#include "platform/CheckedMath.h"
#include "platform/Memory.h"
#include "processing/SurfacePart.h"

#include <cstring>
#include <limits>

namespace velmor {

void ReleaseMesh(TriangleMesh& mesh)
{
    SurfacePart arrays;
    arrays.allocationKind = mesh.allocationKind;
    arrays.vertexCount = mesh.vertexCount;
    arrays.triangleCount = mesh.triangleCount;
    arrays.vertices = mesh.vertices;
    arrays.indices = mesh.indices;
    ReleaseSurfacePart(arrays);
    ReleaseMemory(mesh.normals, mesh.vertexCount * 12);
    mesh = TriangleMesh{};
}

namespace {

bool MergeParts(TriangleMesh& mesh, const SurfacePart* parts, uint64_t partCount)
{
    uint64_t vertices = 0, triangles = 0;
    for (uint64_t p = 0; p < partCount; ++p) {
        if (!CheckedAdd(vertices, parts[p].vertexCount, vertices) || !CheckedAdd(triangles, parts[p].triangleCount, triangles))
            return false;
    }
    // Indices are 32-bit: a larger mesh cannot be numbered.
    uint64_t vertexBytes, indexBytes;
    if (vertices > std::numeric_limits<uint32_t>::max() || !CheckedMul(vertices, 12, vertexBytes) ||
        !CheckedMul(triangles, 12, indexBytes))
        return false;
    if (vertices == 0 && triangles == 0) return true;
    auto* v = static_cast<float*>(CommitMemory(vertexBytes));
    auto* t = static_cast<uint32_t*>(CommitMemory(indexBytes));
    if ((vertexBytes != 0 && v == nullptr) || (indexBytes != 0 && t == nullptr)) {
        ReleaseMemory(v, vertexBytes);
        ReleaseMemory(t, indexBytes);
        return false;
    }
    uint64_t vertexBase = 0, triangleBase = 0;
    for (uint64_t p = 0; p < partCount; ++p) {
        const SurfacePart& part = parts[p];
        if (part.vertexCount != 0) std::memcpy(v + vertexBase * 3, part.vertices, part.vertexCount * 12);
        for (uint64_t i = 0; i < part.triangleCount * 3; ++i)
            t[triangleBase * 3 + i] = static_cast<uint32_t>(part.indices[i] + vertexBase);
        vertexBase += part.vertexCount;
        triangleBase += part.triangleCount;
    }
    mesh.vertexCount = vertices;
    mesh.triangleCount = triangles;
    mesh.vertices = v;
    mesh.indices = t;
    mesh.allocationKind = 1;
    return true;
}

} // namespace

bool BuildMeshFromParts(TriangleMesh& mesh, SurfacePart* parts, uint64_t partCount, bool adopt)
{
    ReleaseMesh(mesh);
    if (partCount == 0) return true;
    if (!adopt) return MergeParts(mesh, parts, partCount);
    SurfacePart& first = parts[0];
    mesh.vertexCount = first.vertexCount;
    mesh.triangleCount = first.triangleCount;
    mesh.vertices = first.vertices;
    mesh.indices = first.indices;
    mesh.allocationKind = first.allocationKind;
    first.groupIndex = 0;
    first.vertices = nullptr;
    first.indices = nullptr;
    return true;
}

} // namespace velmor
