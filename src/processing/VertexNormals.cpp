#include "processing/VertexNormals.h"

#include "platform/CheckedMath.h"
#include "platform/Memory.h"
#include "processing/SlabThreads.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>
#include <vector>

namespace velmor {
namespace {

constexpr uint64_t kChunk = 4096;   // triangles per progress step and per range test

struct Range {
    uint64_t low = std::numeric_limits<uint64_t>::max();
    uint64_t high = 0;   // inclusive; low > high when the chunk has no usable triangle
};

// The vertex indices each chunk of triangles touches, so that a slab skips
// the chunks that cannot reach its vertices.
std::vector<Range> ChunkRanges(const uint32_t* indices, uint64_t triangles, uint64_t vertices, unsigned slabs)
{
    std::vector<Range> ranges((triangles + kChunk - 1) / kChunk);
    RunSlabs(slabs, [&](unsigned s) {
        const auto [begin, end] = SlabRange(ranges.size(), slabs, s);
        for (uint64_t c = begin; c < end; ++c) {
            Range r;
            for (uint64_t t = c * kChunk; t < std::min(triangles, (c + 1) * kChunk); ++t) {
                const uint32_t* tri = indices + t * 3;
                if (tri[0] >= vertices || tri[1] >= vertices || tri[2] >= vertices) continue;
                r.low = std::min<uint64_t>({r.low, tri[0], tri[1], tri[2]});
                r.high = std::max<uint64_t>({r.high, tri[0], tri[1], tri[2]});
            }
            ranges[c] = r;
        }
    });
    return ranges;
}

// Adds the face vectors of triangles [begin, end) to the normals of their
// vertices in [first, last); `Partial` false when every vertex is in range.
template <bool Partial>
void AddFaceVectorsIn(const TriangleMesh& mesh, uint64_t begin, uint64_t end, uint64_t first, uint64_t last)
{
    const float* p = mesh.vertices;
    float* n = mesh.normals;
    const uint64_t count = mesh.vertexCount;
    for (uint64_t t = begin; t < end; ++t) {
        const uint32_t* tri = mesh.indices + t * 3;
        const uint64_t a = tri[0], b = tri[1], d = tri[2];
        // Triangle-index meshes come from files: a bad index is skipped.
        if (a >= count || b >= count || d >= count) continue;
        const bool inA = !Partial || (a >= first && a < last);
        const bool inB = !Partial || (b >= first && b < last);
        const bool inD = !Partial || (d >= first && d < last);
        if (Partial && !(inA || inB || inD)) continue;
        const float* p1 = p + a * 3;
        const float* p2 = p + b * 3;
        const float* p3 = p + d * 3;
        const float ux = p2[0] - p1[0], uy = p2[1] - p1[1], uz = p2[2] - p1[2];
        const float vx = p3[0] - p1[0], vy = p3[1] - p1[1], vz = p3[2] - p1[2];
        const float face[3] = {uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
        for (int k = 0; k < 3; ++k) {
            if (inA) n[a * 3 + k] += face[k];
            if (inB) n[b * 3 + k] += face[k];
            if (inD) n[d * 3 + k] += face[k];
        }
    }
}

} // namespace

void AddFaceVectors(const TriangleMesh& mesh, uint64_t begin, uint64_t end, uint64_t first, uint64_t last)
{
    if (first == 0 && last >= mesh.vertexCount) AddFaceVectorsIn<false>(mesh, begin, end, 0, mesh.vertexCount);
    else if (first < last) AddFaceVectorsIn<true>(mesh, begin, end, first, last);
}

void ComputeVertexNormals(BackgroundJob& job, TriangleMesh& mesh, unsigned threads, bool clearFirst)
{
    if (mesh.normals == nullptr || mesh.triangleCount == 0) return;
    const uint64_t count = mesh.vertexCount, triangles = mesh.triangleCount;
    const uint64_t chunks = (triangles + kChunk - 1) / kChunk;
    auto chunkEnd = [triangles](uint64_t c) { return std::min(triangles, (c + 1) * kChunk); };
    const unsigned slabs = std::max(1u, threads != 0 ? unsigned(std::min<uint64_t>(threads, count))
                                                     : DefaultSlabCount(count, triangles, uint64_t(1) << 20));
    if (slabs == 1) {
        if (clearFirst) std::memset(mesh.normals, 0, count * 12);
        const double step = 100.0 / double(triangles);
        for (uint64_t c = 0; c < chunks; ++c) {
            job.StepProgress(step * double(chunkEnd(c) - c * kChunk));
            AddFaceVectorsIn<false>(mesh, c * kChunk, chunkEnd(c), 0, count);
        }
        return;
    }

    // Each slab owns a range of vertices and adds, in triangle order, only
    // to those: every sum sees the same additions in the same order, so the
    // normals do not depend on the number of slabs.
    const std::vector<Range> ranges = ChunkRanges(mesh.indices, triangles, count, slabs);
    const double step = 100.0 / double(triangles) / slabs;
    std::mutex progressMutex;
    RunSlabs(slabs, [&](unsigned s) {
        const auto [first, last] = SlabRange(count, slabs, s);
        if (clearFirst && last > first) std::memset(mesh.normals + first * 3, 0, (last - first) * 12);
        for (uint64_t c = 0; c < chunks; ++c) {
            {
                std::lock_guard lock(progressMutex);
                job.StepProgress(step * double(chunkEnd(c) - c * kChunk));
            }
            const Range& r = ranges[c];
            if (r.low > r.high || r.high < first || r.low >= last) continue;
            if (r.low >= first && r.high < last) AddFaceVectorsIn<false>(mesh, c * kChunk, chunkEnd(c), first, last);
            else AddFaceVectorsIn<true>(mesh, c * kChunk, chunkEnd(c), first, last);
        }
    });
}

bool AllocVertexNormals(TriangleMesh& mesh)
{
    FreeVertexNormals(mesh);
    if (mesh.vertexCount == 0) return true;
    uint64_t bytes;
    if (!CheckedMul(mesh.vertexCount, 12, bytes) || !HasFreeMemory(bytes)) return false;
    mesh.normals = static_cast<float*>(CommitMemory(bytes));
    return mesh.normals != nullptr;
}

void FreeVertexNormals(TriangleMesh& mesh)
{
    ReleaseMemory(mesh.normals, mesh.vertexCount * 12);
    mesh.normals = nullptr;
    mesh.normalsValid = 0;
}

} // namespace velmor
