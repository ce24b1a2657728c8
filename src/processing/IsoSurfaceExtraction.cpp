// The extraction steps of SurfaceBuilder. Work is split into slabs of cell
// slices: each slab knows from the per-slice counts where its vertices and
// triangles go, so the mesh is the same whatever the number of threads.
#include "processing/IsoTables.h"
#include "processing/SlabThreads.h"
#include "processing/SurfaceBuilder.h"

#include "platform/CheckedMath.h"
#include "platform/Memory.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <mutex>
#include <utility>

namespace velmor {
namespace {

// Row c of IsoTriangleTable unrolled into three edges per triangle.
struct CaseTriangles {
    uint8_t count = 0;
    uint8_t edges[15] = {};
};

std::array<CaseTriangles, 256> UnrollTriangleTable()
{
    std::array<CaseTriangles, 256> cases{};
    for (int c = 0; c < 256; ++c) {
        const int8_t* row = IsoTriangleTable[c];
        CaseTriangles& out = cases[c];
        auto emit = [&out](int a, int b, int d) {
            out.edges[out.count * 3] = static_cast<uint8_t>(a);
            out.edges[out.count * 3 + 1] = static_cast<uint8_t>(b);
            out.edges[out.count * 3 + 2] = static_cast<uint8_t>(d);
            ++out.count;
        };
        int at = 0;
        const int strips = row[at++];
        for (int s = 0; s < strips; ++s) {
            const int n = row[at++];
            int a = row[at], b = row[at + 1];
            for (int k = 0; k < n - 2; ++k) {
                const int d = row[at + k + 2];
                if (k % 2 == 0) emit(a, b, d);
                else emit(d, b, a);
                a = b;
                b = d;
            }
            at += n;
        }
        const int lone = row[at++];
        for (int t = 0; t < lone; ++t, at += 3) emit(row[at], row[at + 1], row[at + 2]);
    }
    return cases;
}

const std::array<CaseTriangles, 256>& CaseTable()
{
    static const std::array<CaseTriangles, 256> table = UnrollTriangleTable();
    return table;
}

// Whether a sample value lies in the window, for every value of the type.
template <typename Sample> std::vector<uint8_t> InsideTable(float lo, float hi)
{
    std::vector<uint8_t> inside(size_t(std::numeric_limits<Sample>::max()) + 1);
    for (size_t s = 0; s < inside.size(); ++s) {
        const float v = static_cast<float>(s);
        inside[s] = lo <= v && v <= hi;
    }
    return inside;
}

// The first cell from `at` on whose cube index is neither 0 nor 255, or
// `end`: most cells lie wholly inside or outside, eight are tested at once.
inline uint64_t SkipUniformCells(const uint8_t* cube, uint64_t at, uint64_t end)
{
    while (at + 8 <= end) {
        uint64_t word;
        std::memcpy(&word, cube + at, 8);
        if (word != 0 && word != ~uint64_t(0)) break;
        at += 8;
    }
    while (at < end && (cube[at] == 0 || cube[at] == 255)) ++at;
    return at;
}

} // namespace

unsigned SurfaceBuilder::SlabCount() const
{
    // Small grids are not worth the threads.
    if (threadCount == 0) return DefaultSlabCount(cellsZ, cellSlice * cellsZ, uint64_t(1) << 18);
    return static_cast<unsigned>(std::clamp<uint64_t>(cellsZ, 1, threadCount));
}

bool SurfaceBuilder::StepSlice(double step)
{
    {
        std::lock_guard lock(progressMutex_);
        StepProgress(step);
    }
    return cancelled.load();
}

int32_t SurfaceBuilder::ExtractWindowSurface(const uint8_t* samples) { return Extract(samples); }
int32_t SurfaceBuilder::ExtractWindowSurface(const uint16_t* samples) { return Extract(samples); }
void SurfaceBuilder::MarkCubeCorners(const uint8_t* samples, uint8_t* cubes) { Mark(samples, cubes); }
void SurfaceBuilder::MarkCubeCorners(const uint16_t* samples, uint8_t* cubes) { Mark(samples, cubes); }
int32_t SurfaceBuilder::BuildIsoTriangles(const uint8_t* samples, SurfacePart& part, float share)
{
    return Build(samples, part, share);
}
int32_t SurfaceBuilder::BuildIsoTriangles(const uint16_t* samples, SurfacePart& part, float share)
{
    return Build(samples, part, share);
}

template <typename Sample> int32_t SurfaceBuilder::Extract(const Sample* samples)
{
    StepProgress(10);
    if (cancelled) return 1;
    x0 = y0 = z0 = 0;
    x1 = static_cast<int32_t>(cellsX);
    y1 = static_cast<int32_t>(cellsY);
    z1 = static_cast<int32_t>(cellsZ);
    MarkCubeCorners(samples, cubeIndices);
    SurfacePart part;
    part.groupIndex = 0;
    const int32_t counted = CountIsoVertices(part);
    if (counted == 2) return 0;
    if (counted != 0) return -1;
    surfaceUnit->parts.push_back(part);
    return BuildIsoTriangles(samples, surfaceUnit->parts.back(), 90.0f) == 1 ? 1 : 0;
}

template <typename Sample> void SurfaceBuilder::Mark(const Sample* samples, uint8_t* cubes)
{
    const VoxelGrid& grid = surfaceUnit->voxels;
    const uint64_t nx = grid.nx, ny = grid.ny, nz = grid.nz;
    const float lo = surfaceUnit->borderLow - 0.5f;
    const float hi = surfaceUnit->borderUp + 0.5f;
    const std::vector<uint8_t> insideTable = InsideTable<Sample>(lo, hi);
    sliceVertices.assign(cellsZ, 0);
    sliceTriangles.assign(cellsZ, 0);
    // Locals throughout: byte stores may alias anything, so members and
    // vector internals would be reloaded on every cell.
    const uint8_t* inside = insideTable.data();
    const uint64_t sliceSize = grid.sliceSize, rowCells = cellsX, rows = cellsY, sliceCells = cellSlice;
    const uint64_t maskRow = nx + 2;
    const uint64_t maskSize = maskRow * (ny + 2);
    uint64_t* vertexCounts = sliceVertices.data();
    uint64_t* triangleCounts = sliceTriangles.data();

    // Corner bits 0..3 of a cell from one voxel slice; the cell's lower
    // slice gives bits 0..3 of its cube index, the upper one bits 4..7.
    auto nibbles = [=](uint8_t* mask, uint8_t* out, int64_t k) {
        if (k < 0 || uint64_t(k) >= nz) {
            std::fill(out, out + sliceCells, 0);
            return;
        }
        const Sample* slice = samples + uint64_t(k) * sliceSize;
        for (uint64_t j = 0; j < ny; ++j) {
            uint8_t* row = mask + (j + 1) * maskRow + 1;
            const Sample* in = slice + j * nx;
            for (uint64_t i = 0; i < nx; ++i) row[i] = inside[in[i]];
        }
        for (uint64_t cy = 0; cy < rows; ++cy) {
            const uint8_t* a = mask + cy * maskRow;
            const uint8_t* b = a + maskRow;
            uint8_t* o = out + cy * rowCells;
            for (uint64_t cx = 0; cx < rowCells; ++cx)
                o[cx] = uint8_t(a[cx] | a[cx + 1] << 1 | b[cx + 1] << 2 | b[cx] << 3);
        }
    };

    const unsigned slabs = SlabCount();
    const uint64_t cellSlices = cellsZ;
    // Taken here, on the job's thread, so that a shortage fails the job
    // instead of ending the program on a slab thread.
    const uint64_t slabBytes = maskSize + 2 * sliceCells;
    std::vector<uint8_t> slabBuffers(slabBytes * slabs, 0);
    uint8_t* buffers = slabBuffers.data();
    RunSlabs(slabs, [=](unsigned s) {
        const auto [begin, end] = SlabRange(cellSlices, slabs, s);
        uint8_t* mask = buffers + s * slabBytes;
        uint8_t* lower = mask + maskSize;
        uint8_t* upper = lower + sliceCells;
        nibbles(mask, lower, int64_t(begin) - 1);
        for (uint64_t cz = begin; cz < end; ++cz) {
            nibbles(mask, upper, int64_t(cz));
            uint8_t* cube = cubes + cz * sliceCells;
            uint64_t vertices = 0, triangles = 0;
            for (uint64_t c = 0; c < sliceCells; ++c) {
                const uint8_t index = uint8_t(lower[c] | upper[c] << 4);
                cube[c] = index;
                if (index == 0 || index == 255) continue;
                vertices += IsoVertexCountTable[index];
                triangles += IsoTriangleCountTable[index];
            }
            vertexCounts[cz] = vertices;
            triangleCounts[cz] = triangles;
            std::swap(lower, upper);
        }
    });
}

int32_t SurfaceBuilder::CountIsoVertices(SurfacePart& part)
{
    uint64_t vertices = 0, triangles = 0;
    for (int64_t cz = z0; cz < z1; ++cz) {
        vertices += sliceVertices[cz];
        triangles += sliceTriangles[cz];
    }
    part.vertexCount = vertices;
    part.triangleCount = triangles;
    if (triangles == 0) return 2;
    (void)HasFreeMemory(0);
    // Vertex numbers are 32-bit: a surface that cannot be numbered is a
    // memory error, never a wrapped index.
    if (vertices > std::numeric_limits<uint32_t>::max()) return -1;
    uint64_t vertexBytes, indexBytes;
    if (!CheckedMul(vertices, 12, vertexBytes) || !CheckedMul(triangles, 12, indexBytes)) return -1;
    part.vertices = static_cast<float*>(CommitMemory(vertexBytes));
    if (part.vertices == nullptr) return -1;
    part.indices = static_cast<uint32_t*>(CommitMemory(indexBytes));
    if (part.indices == nullptr) {
        ReleaseMemory(part.vertices, vertexBytes);
        part.vertices = nullptr;
        return -1;
    }
    part.allocationKind = 1;
    return 0;
}

template <typename Sample> int32_t SurfaceBuilder::Build(const Sample* samples, SurfacePart& part, float share)
{
    const VoxelGrid& grid = surfaceUnit->voxels;
    const uint64_t nx = grid.nx, ny = grid.ny, nz = grid.nz;
    const double lo = double(surfaceUnit->borderLow) - 0.5;
    const double hi = double(surfaceUnit->borderUp) + 0.5;
    const double* cornerX = cornerPositions;
    const double* cornerY = cornerX + cellsX;
    const double* cornerZ = cornerY + cellsY;
    const auto& cases = CaseTable();
    const double step = static_cast<float>(share / float(nz + 1));

    std::vector<uint64_t> vertexBase(cellsZ + 1, 0), triangleBase(cellsZ + 1, 0);
    for (uint64_t cz = 0; cz < cellsZ; ++cz) {
        vertexBase[cz + 1] = vertexBase[cz] + sliceVertices[cz];
        triangleBase[cz + 1] = triangleBase[cz] + sliceTriangles[cz];
    }

    auto place = [lo, hi](double s0, double s1) {
        double t = (s0 - lo) / (s0 - s1);
        if (t >= 1 || t <= 0) t = (s0 - hi) / (s0 - s1);
        return std::clamp(t, 0.001, 0.999);
    };
    auto sampleAt = [&](uint64_t i, uint64_t j, uint64_t k) { return double(samples[i + j * nx + k * grid.sliceSize]); };

    // Numbers the vertices of the edges that the cells of slice k own, in
    // emission order from `counter`, and writes them when asked.
    auto numberSlice = [&](uint64_t k, uint32_t* buffer, uint64_t counter, bool write) {
        const uint8_t* cube = cubeIndices + k * cellSlice;
        float* out = part.vertices;
        for (uint64_t cy = 0; cy < cellsY; ++cy) {
            for (uint64_t cx = 0; cx < cellsX; ++cx) {
                cx = SkipUniformCells(cube + cy * cellsX, cx, cellsX);
                if (cx == cellsX) break;
                const uint8_t c = cube[cy * cellsX + cx];
                if (IsoVertexCountTable[c] == 0) continue;
                const uint64_t slot = (cy * cellsX + cx) * 3;
                if (IsoEdgeTable[c][0]) {
                    buffer[slot] = uint32_t(counter);
                    if (write) {
                        const double t = cx == 0 || cx == nx ? 0.5
                                                             : place(sampleAt(cx - 1, cy - 1, k - 1), sampleAt(cx, cy - 1, k - 1));
                        float* v = out + counter * 3;
                        v[0] = float(cornerX[cx] + t);
                        v[1] = float(cornerY[cy]);
                        v[2] = float(cornerZ[k]);
                    }
                    ++counter;
                }
                if (IsoEdgeTable[c][1]) {
                    buffer[slot + 1] = uint32_t(counter);
                    if (write) {
                        const double t = cy == 0 || cy == ny ? 0.5
                                                             : place(sampleAt(cx - 1, cy - 1, k - 1), sampleAt(cx - 1, cy, k - 1));
                        float* v = out + counter * 3;
                        v[0] = float(cornerX[cx]);
                        v[1] = float(cornerY[cy] + t);
                        v[2] = float(cornerZ[k]);
                    }
                    ++counter;
                }
            }
        }
        for (uint64_t cy = 0; cy < cellsY; ++cy) {
            for (uint64_t cx = 0; cx < cellsX; ++cx) {
                cx = SkipUniformCells(cube + cy * cellsX, cx, cellsX);
                if (cx == cellsX) break;
                const uint8_t c = cube[cy * cellsX + cx];
                if (!IsoEdgeTable[c][2]) continue;
                buffer[(cy * cellsX + cx) * 3 + 2] = uint32_t(counter);
                if (write) {
                    const double t = k == 0 || k == nz ? 0.5 : place(sampleAt(cx - 1, cy - 1, k - 1), sampleAt(cx - 1, cy - 1, k));
                    float* v = out + counter * 3;
                    v[0] = float(cornerX[cx]);
                    v[1] = float(cornerY[cy]);
                    v[2] = float(cornerZ[k] + t);
                }
                ++counter;
            }
        }
    };

    auto triangles = [&](uint64_t cz, const uint32_t* current, const uint32_t* next) {
        const uint8_t* cube = cubeIndices + cz * cellSlice;
        uint32_t* out = part.indices + triangleBase[cz] * 3;
        // Where each edge's vertex number sits relative to a cell's slot.
        const uint32_t* source[12];
        for (int e = 0; e < 12; ++e) source[e] = (IsoEdgeSliceTable[e] ? next : current) + edgeOffsets[e];
        const uint64_t cells = cellSlice;
        for (uint64_t cell = 0; cell < cells; ++cell) {
            cell = SkipUniformCells(cube, cell, cells);
            if (cell == cells) break;
            const uint8_t c = cube[cell];
            if (c == 0 || c == 255) continue;
            const CaseTriangles& list = cases[c];
            const uint64_t slot = cell * 3;
            for (int e = 0; e < list.count * 3; ++e) *out++ = source[list.edges[e]][slot];
        }
    };

    // Slab 0 uses the builder's slice buffers; the other slabs their own.
    unsigned slabs = SlabCount();
    std::vector<CommittedBuffer> extra;
    for (unsigned s = 1; s < slabs; ++s) {
        extra.emplace_back(cellSlice * 24);
        if (!extra.back().Ok()) {
            extra.clear();
            slabs = 1;
            break;
        }
    }
    std::vector<uint8_t> cancelledIn(slabs, 0);
    RunSlabs(slabs, [&](unsigned s) {
        const auto [begin, end] = SlabRange(cellsZ, slabs, s);
        uint32_t* current = s == 0 ? sliceBuffers[0] : reinterpret_cast<uint32_t*>(extra[s - 1].Data());
        uint32_t* next = s == 0 ? sliceBuffers[1] : current + cellSlice * 3;
        // The parity rule of the two buffers only matters within a slab.
        numberSlice(begin, current, vertexBase[begin], begin == 0);
        for (uint64_t cz = begin; cz < end; ++cz) {
            if (StepSlice(step)) {
                cancelledIn[s] = 1;
                return;
            }
            if (cz < nz) numberSlice(cz + 1, next, vertexBase[cz + 1], true);
            triangles(cz, current, next);
            std::swap(current, next);
        }
    });
    return std::any_of(cancelledIn.begin(), cancelledIn.end(), [](uint8_t c) { return c != 0; }) ? 1 : 0;
}

} // namespace velmor
