#include "processing/TriangleMesh.h"

#include "platform/CheckedMath.h"
#include "platform/Memory.h"
#include "processing/SlabThreads.h"
#include "processing/SurfacePart.h"

#include <bit>
#include <cstring>
#include <limits>
#include <numeric>
#include <vector>

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

// Below this many triangles the closure check runs on the calling thread alone.
constexpr uint64_t kClosureCheckSplitSize = uint64_t(1) << 20;

// splitmix64's finaliser: every input bit reaches every output bit.
uint64_t Mix(uint64_t x)
{
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

// -0 and +0 are one place.
uint64_t CoordinateBits(float c) { return std::bit_cast<uint32_t>(c == 0.0f ? 0.0f : c); }

uint64_t PlaceHash(const float* v)
{
    return Mix(Mix(CoordinateBits(v[0]) << 32 | CoordinateBits(v[1])) ^ CoordinateBits(v[2]));
}

// One direction of an edge: unlike the sum of its ends' hashes it changes
// when they swap.
uint64_t DirectedEdgeHash(uint64_t from, uint64_t to)
{
    constexpr uint64_t kEndSalt = 0x9e3779b97f4a7c15ULL;
    return Mix(from + Mix(to ^ kEndSalt));
}

} // namespace

bool EnclosesVolume(const TriangleMesh& mesh)
{
    // Unsigned sums wrap: an edge met both ways adds its hash and takes it
    // away again, so only edges left unpaired (rims, faces wound against
    // their neighbours) leave a remainder, zero by chance once in 2^64. The
    // sum is the same however the triangles are split over the threads.
    const unsigned slabs = DefaultSlabCount(mesh.triangleCount, mesh.triangleCount, kClosureCheckSplitSize);
    std::vector<uint64_t> unpaired(slabs, 0);
    RunSlabs(slabs, [&](unsigned s) {
        const auto [begin, end] = SlabRange(mesh.triangleCount, slabs, s);
        uint64_t sum = 0;
        for (uint64_t t = begin; t < end; ++t) {
            const uint32_t* corner = mesh.indices + t * 3;
            if (corner[0] >= mesh.vertexCount || corner[1] >= mesh.vertexCount || corner[2] >= mesh.vertexCount)
                continue;
            uint64_t place[3];
            for (int i = 0; i < 3; ++i) place[i] = PlaceHash(mesh.vertices + uint64_t(corner[i]) * 3);
            for (int i = 0; i < 3; ++i) {
                const uint64_t from = place[i], to = place[(i + 1) % 3];
                sum += DirectedEdgeHash(from, to) - DirectedEdgeHash(to, from);
            }
        }
        unpaired[s] = sum;
    });
    return std::accumulate(unpaired.begin(), unpaired.end(), uint64_t(0)) == 0;
}

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
