#include "processing/TriangleMesh.h"

#include "platform/CheckedMath.h"
#include "platform/Memory.h"
#include "platform/SystemRandom.h"
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

// Drawn once when the program starts. Without it a place's hash could be
// inverted, and a file made whose open rims cancel as if they were paired.
struct PlaceKey {
    uint64_t words[3];
};

PlaceKey DrawPlaceKey()
{
    PlaceKey key{};
    FillRandom(key.words, sizeof key.words);
    return key;
}

const PlaceKey kPlaceKey = DrawPlaceKey();

// -0 and +0 are one place.
uint64_t CoordinateBits(float c) { return std::bit_cast<uint32_t>(c == 0.0f ? 0.0f : c); }

// A place as a point of a plane that only this run knows.
struct PlanePoint {
    uint64_t u, v;
};

PlanePoint PlaceOf(const float* p)
{
    const uint64_t xy = Mix((CoordinateBits(p[0]) << 32 | CoordinateBits(p[1])) ^ kPlaceKey.words[0]);
    const uint64_t u = Mix(xy ^ CoordinateBits(p[2]) ^ kPlaceKey.words[1]);
    return {u, Mix(u ^ kPlaceKey.words[2])};
}

// Twice the signed area of the triangle's image in that plane, wrapping. It
// is the sum of one term for each edge in its direction, a term that an
// edge run the other way cancels.
uint64_t TwiceArea(PlanePoint a, PlanePoint b, PlanePoint c)
{
    return (b.u - a.u) * (c.v - a.v) - (c.u - a.u) * (b.v - a.v);
}

template <typename Place>
uint64_t AreaSum(const TriangleMesh& mesh, uint64_t begin, uint64_t end, const Place& place)
{
    uint64_t sum = 0;
    for (uint64_t t = begin; t < end; ++t) {
        const uint32_t* corner = mesh.indices + t * 3;
        if (corner[0] >= mesh.vertexCount || corner[1] >= mesh.vertexCount || corner[2] >= mesh.vertexCount)
            continue;
        sum += TwiceArea(place(corner[0]), place(corner[1]), place(corner[2]));
    }
    return sum;
}

} // namespace

bool EnclosesVolume(const TriangleMesh& mesh)
{
    // Summed over all triangles, the terms of edges met both ways cancel:
    // only edges left unpaired (rims, faces wound against their neighbours)
    // leave a remainder, zero by chance about as rarely as two 64-bit hashes
    // agree. The sum is the same however the work is split over the threads.
    const unsigned slabs = DefaultSlabCount(mesh.triangleCount, mesh.triangleCount, kClosureCheckSplitSize);
    // Vertices that triangles share are placed once, into a table; STL
    // facets share none and are placed corner by corner (as all are when
    // memory has no room for the table).
    CommittedBuffer table;
    uint64_t tableBytes = 0;
    if (mesh.vertexCount / 3 < mesh.triangleCount && CheckedMul(mesh.vertexCount, sizeof(PlanePoint), tableBytes) &&
        HasFreeMemory(tableBytes))
        table.Commit(tableBytes);
    auto* places = reinterpret_cast<PlanePoint*>(table.Data());
    if (places != nullptr) {
        RunSlabs(slabs, [&](unsigned s) {
            const auto [begin, end] = SlabRange(mesh.vertexCount, slabs, s);
            for (uint64_t i = begin; i < end; ++i) places[i] = PlaceOf(mesh.vertices + i * 3);
        });
    }
    std::vector<uint64_t> sums(slabs, 0);
    RunSlabs(slabs, [&](unsigned s) {
        const auto [begin, end] = SlabRange(mesh.triangleCount, slabs, s);
        sums[s] = places != nullptr
                      ? AreaSum(mesh, begin, end, [places](uint32_t i) { return places[i]; })
                      : AreaSum(mesh, begin, end, [&mesh](uint32_t i) { return PlaceOf(mesh.vertices + uint64_t(i) * 3); });
    });
    return std::accumulate(sums.begin(), sums.end(), uint64_t(0)) == 0;
}

bool Encloses(TriangleMesh& mesh)
{
    if (mesh.closure == MeshClosure::kUndecided)
        mesh.closure = EnclosesVolume(mesh) ? MeshClosure::kEncloses : MeshClosure::kOpen;
    return mesh.closure == MeshClosure::kEncloses;
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
