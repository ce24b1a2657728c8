// The extraction steps of SurfaceBuilder. Work is split into pieces of cell
// slices: each piece knows from the per-slice counts where its vertices and
// triangles go, so the mesh is the same whatever the number of threads.
#include "processing/IsoTables.h"
#include "processing/SlabThreads.h"
#include "processing/SurfaceBuilder.h"
#include "processing/VertexNormals.h"

#include "platform/CheckedMath.h"
#include "platform/Memory.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// The samples inside the window form one run of values, [low, low + width]:
// the same test as lo <= float(s) <= hi for every value of the type, done
// as one unsigned comparison.
template <typename Sample> struct InsideRun {
    bool any = false;
    Sample low = 0;
    Sample width = 0;
};

template <typename Sample> InsideRun<Sample> FindInsideRun(float lo, float hi)
{
    InsideRun<Sample> run;
    for (uint64_t s = 0; s <= std::numeric_limits<Sample>::max(); ++s) {
        const float v = static_cast<float>(s);
        if (!(lo <= v && v <= hi)) continue;
        if (!run.any) run.low = Sample(s);
        run.any = true;
        run.width = Sample(s - run.low);
    }
    return run;
}

// One row of inside flags (0 or 1) for n samples; whether any is set.
inline bool MaskRow(const uint16_t* in, uint64_t n, InsideRun<uint16_t> run, uint8_t* out)
{
    uint64_t i = 0;
    uint8_t any = 0;
#ifdef __SSE2__
    const __m128i low = _mm_set1_epi16(int16_t(run.low)), width = _mm_set1_epi16(int16_t(run.width));
    const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi8(1);
    __m128i seen = zero;
    for (; i + 16 <= n; i += 16) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i + 8));
        a = _mm_cmpeq_epi16(_mm_subs_epu16(_mm_sub_epi16(a, low), width), zero);
        b = _mm_cmpeq_epi16(_mm_subs_epu16(_mm_sub_epi16(b, low), width), zero);
        const __m128i m = _mm_and_si128(_mm_packs_epi16(a, b), one);
        seen = _mm_or_si128(seen, m);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), m);
    }
    any = _mm_movemask_epi8(_mm_cmpeq_epi8(seen, zero)) != 0xFFFF;
#endif
    for (; i < n; ++i) any |= out[i] = uint16_t(in[i] - run.low) <= run.width;
    return any != 0;
}

inline bool MaskRow(const uint8_t* in, uint64_t n, InsideRun<uint8_t> run, uint8_t* out)
{
    uint64_t i = 0;
    uint8_t any = 0;
#ifdef __SSE2__
    const __m128i low = _mm_set1_epi8(int8_t(run.low)), width = _mm_set1_epi8(int8_t(run.width));
    const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi8(1);
    __m128i seen = zero;
    for (; i + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i m = _mm_and_si128(_mm_cmpeq_epi8(_mm_subs_epu8(_mm_sub_epi8(a, low), width), zero), one);
        seen = _mm_or_si128(seen, m);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), m);
    }
    any = _mm_movemask_epi8(_mm_cmpeq_epi8(seen, zero)) != 0xFFFF;
#endif
    for (; i < n; ++i) any |= out[i] = uint8_t(in[i] - run.low) <= run.width;
    return any != 0;
}

// Per cube index, packed so that one load counts all three: the x- and
// y-edge vertices a cell owns (bits 0..20), its z-edge vertex (21..41) and
// its triangles (42..63). Sums of a few dozen cells stay in their fields.
constexpr int kZShift = 21, kTriangleShift = 42;
constexpr uint64_t kFieldMask = (uint64_t(1) << kZShift) - 1;

std::array<uint64_t, 256> PackedCounts()
{
    std::array<uint64_t, 256> counts{};
    for (int c = 1; c < 255; ++c)
        counts[c] = uint64_t(IsoEdgeTable[c][0] + IsoEdgeTable[c][1]) | uint64_t(IsoEdgeTable[c][2]) << kZShift |
                    uint64_t(IsoTriangleCountTable[c]) << kTriangleShift;
    return counts;
}

// What a row of cells owns and emits.
struct RowTally {
    uint64_t xyVertices = 0, zVertices = 0, triangles = 0;
    void Add(uint64_t packed)
    {
        xyVertices += packed & kFieldMask;
        zVertices += packed >> kZShift & kFieldMask;
        triangles += packed >> kTriangleShift;
    }
};

// The cube indices of one row of cells from the inside flags of the four
// voxel rows at its corners. Each flag row is padded by one zero on either
// side, so that entry cx is voxel cx - 1 and entry cx + 1 voxel cx. Returns
// the tally of the row and sets [first, end) to its span of cells
// that are neither wholly inside nor wholly outside.
struct RowCorners {
    const uint8_t* a0;   // lower voxel slice, row cy - 1
    const uint8_t* b0;   // lower voxel slice, row cy
    const uint8_t* a1;   // upper voxel slice, row cy - 1
    const uint8_t* b1;   // upper voxel slice, row cy
};

inline RowTally CubeRow(const RowCorners& r, uint64_t cells, uint8_t* out, const uint64_t* counts, uint64_t& first,
                        uint64_t& end)
{
    RowTally tally;
    first = cells;
    end = 0;
    uint64_t cx = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi8(-1);
    auto load = [](const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    for (; cx + 16 <= cells; cx += 16) {
        // Flags are 0 or 1 per byte: shifting 16-bit lanes by less than 8
        // keeps every bit inside its byte.
        __m128i c = _mm_or_si128(load(r.a0 + cx), _mm_slli_epi16(load(r.a0 + cx + 1), 1));
        c = _mm_or_si128(c, _mm_slli_epi16(load(r.b0 + cx + 1), 2));
        c = _mm_or_si128(c, _mm_slli_epi16(load(r.b0 + cx), 3));
        c = _mm_or_si128(c, _mm_slli_epi16(load(r.a1 + cx), 4));
        c = _mm_or_si128(c, _mm_slli_epi16(load(r.a1 + cx + 1), 5));
        c = _mm_or_si128(c, _mm_slli_epi16(load(r.b1 + cx + 1), 6));
        c = _mm_or_si128(c, _mm_slli_epi16(load(r.b1 + cx), 7));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + cx), c);
        const unsigned uniform =
            unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(c, zero), _mm_cmpeq_epi8(c, full))));
        unsigned crossed = ~uniform & 0xFFFFu;
        if (crossed == 0) continue;
        first = std::min<uint64_t>(first, cx + unsigned(__builtin_ctz(crossed)));
        end = cx + 32 - unsigned(__builtin_clz(crossed));
        uint64_t packed = 0;
        for (; crossed != 0; crossed &= crossed - 1) packed += counts[out[cx + unsigned(__builtin_ctz(crossed))]];
        tally.Add(packed);
    }
#endif
    for (; cx < cells; ++cx) {
        const uint8_t c = uint8_t(r.a0[cx] | r.a0[cx + 1] << 1 | r.b0[cx + 1] << 2 | r.b0[cx] << 3 | r.a1[cx] << 4 |
                                  r.a1[cx + 1] << 5 | r.b1[cx + 1] << 6 | r.b1[cx] << 7);
        out[cx] = c;
        if (c == 0 || c == 255) continue;
        first = std::min(first, cx);
        end = cx + 1;
        tally.Add(counts[c]);
    }
    return tally;
}

// The normals start as fresh zero pages. A fresh page that is read first is
// mapped to the shared zero page and copied on the first write, with a TLB
// flush on every core: one zero is written into each page of [from, to)
// before anything reads it.
inline void TouchForWriting(float* from, float* to)
{
    constexpr uintptr_t kPage = 4096;
    for (float* p = from; p < to;) {
        *p = 0.0f;
        p = reinterpret_cast<float*>((reinterpret_cast<uintptr_t>(p) / kPage + 1) * kPage);
    }
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

// Threads the work goes to: small grids are not worth them.
unsigned SurfaceBuilder::SlabCount() const
{
    const uint64_t most = std::max<uint64_t>(1, cellsZ / 2);
    if (threadCount == 0) return DefaultSlabCount(most, cellSlice * cellsZ, uint64_t(1) << 18);
    return static_cast<unsigned>(std::clamp<uint64_t>(most, 1, threadCount));
}

// Pieces of slices of cells the threads take one at a time: two per thread,
// so that a thread held up by the system leaves its share to the others. A
// piece has at least two slices of cells, so that its first and last slice
// share no vertex (see Build).
unsigned SurfaceBuilder::PieceCount(unsigned workers) const
{
    if (workers <= 1) return 1;
    return static_cast<unsigned>(std::clamp<uint64_t>(cellsZ / 8, workers, uint64_t(workers) * 2));
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
    const InsideRun<Sample> run = FindInsideRun<Sample>(surfaceUnit->borderLow - 0.5f, surfaceUnit->borderUp + 0.5f);
    sliceVertices.assign(cellsZ, 0);
    sliceTriangles.assign(cellsZ, 0);
    CellSpan* spans = rowSpans;
    if (!run.any) {   // nothing is inside: no cell is crossed
        std::fill(spans, spans + cellsY * cellsZ, CellSpan{});
        return;
    }
    static const std::array<uint64_t, 256> packedCounts = PackedCounts();
    // Locals throughout: byte stores may alias anything, so members and
    // vector internals would be reloaded on every cell.
    const uint64_t* counts = packedCounts.data();
    const uint64_t sliceSize = grid.sliceSize, rowCells = cellsX, rows = cellsY, sliceCells = cellSlice;
    const uint64_t maskRow = nx + 2;
    const uint64_t maskSize = maskRow * (ny + 2);
    uint64_t* vertexCounts = sliceVertices.data();
    uint64_t* triangleCounts = sliceTriangles.data();

    // Inside flags of voxel slice k, one zero all round, and after them one
    // byte per padded row that says whether the row has any; slices outside
    // the grid stay all zero.
    auto flags = [=](uint8_t* mask, int64_t k) {
        if (k < 0 || uint64_t(k) >= nz) return;
        const Sample* slice = samples + uint64_t(k) * sliceSize;
        uint8_t* rowHasInside = mask + maskSize;
        for (uint64_t j = 0; j < ny; ++j)
            rowHasInside[j + 1] = MaskRow(slice + j * nx, nx, run, mask + (j + 1) * maskRow + 1);
    };

    const unsigned workers = SlabCount();
    const unsigned pieces = std::min<unsigned>(PieceCount(workers), unsigned(cellsZ));
    const uint64_t cellSlices = cellsZ;
    // Taken here, on the job's thread, so that a shortage fails the job
    // instead of ending the program on a slab thread.
    const uint64_t flagBytes = maskSize + ny + 2;
    const uint64_t workerBytes = 3 * flagBytes + rowCells + sliceCells;
    std::vector<uint8_t> workerBuffers(workerBytes * workers, 0);
    uint8_t* buffers = workerBuffers.data();
    std::atomic<uint64_t> filledUpTo{0};
    std::atomic<uint64_t>* filled = &filledUpTo;
    RunSharedSlabs(workers, pieces, [=](unsigned worker, unsigned s) {
        const auto [begin, end] = SlabRange(cellSlices, pieces, s);
        uint8_t* empty = buffers + worker * workerBytes;
        uint8_t* lower = empty + flagBytes;
        uint8_t* upper = lower + flagBytes;
        uint8_t* row = upper + flagBytes;
        uint8_t* packed = row + rowCells;
        const bool lowerInGrid = begin >= 1 && begin - 1 < nz;
        flags(lower, int64_t(begin) - 1);
        for (uint64_t cz = begin; cz < end; ++cz) {
            uint64_t used = 0;
            flags(upper, int64_t(cz));
            const uint8_t* low = (cz == begin ? lowerInGrid : cz - 1 < nz) ? lower : empty;
            const uint8_t* up = cz < nz ? upper : empty;
            CellSpan* span = spans + cz * rows;
            uint64_t vertices = 0, triangles = 0;
            const uint8_t* lowRows = low + maskSize;
            const uint8_t* upRows = up + maskSize;
            for (uint64_t cy = 0; cy < rows; ++cy) {
                uint64_t first = 0, last = 0;
                RowTally tally;
                // A row of cells with no inside corner at all is wholly outside.
                if (lowRows[cy] | lowRows[cy + 1] | upRows[cy] | upRows[cy + 1]) {
                    const RowCorners corners{low + cy * maskRow, low + (cy + 1) * maskRow, up + cy * maskRow,
                                             up + (cy + 1) * maskRow};
                    tally = CubeRow(corners, rowCells, row, counts, first, last);
                }
                if (first < last) {
                    std::memcpy(packed + used, row + first, last - first);
                    span[cy] = {uint32_t(first), uint32_t(last), used, uint32_t(tally.xyVertices),
                                uint32_t(tally.zVertices)};
                    used += last - first;
                    vertices += tally.xyVertices + tally.zVertices;
                    triangles += tally.triangles;
                } else {
                    span[cy] = CellSpan{};
                }
            }
            // The slice's cube indices go where the grid is filled up to,
            // so that only as much of it is touched as holds crossed cells.
            const uint64_t base = filled->fetch_add(used);
            std::memcpy(cubes + base, packed, used);
            for (uint64_t cy = 0; cy < rows; ++cy) span[cy].at += base;
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
    // Normals that cannot be had now are left to MakeNormals, which reports
    // the shortage the way it always does.
    if (normalsWithSurface && HasFreeMemory(vertexBytes)) {
        surfaceNormals = static_cast<float*>(CommitMemory(vertexBytes));
        if (surfaceNormals != nullptr) surfaceNormalCount = vertices;
    }
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
    const CellSpan* spans = rowSpans;

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

    // Calls visit(cx, c) for every cell of row cy of slice k whose cube
    // index c is neither 0 nor 255, in order.
    auto eachCrossedCell = [&](uint64_t k, uint64_t cy, auto&& visit) {
        const CellSpan& span = spans[k * cellsY + cy];
        const uint8_t* row = cubeIndices + span.at;
        const uint64_t length = span.end - span.first;
        for (uint64_t i = 0; i < length; ++i) {
            i = SkipUniformCells(row, i, length);
            if (i == length) break;
            visit(span.first + i, row[i]);
        }
    };

    // Where the next vertices of a slice of cells go: its x- and y-edge
    // vertices come first (row by row, x before y within a cell), then its
    // z-edge vertices (row by row), from the slice's first vertex number.
    struct Numbers {
        uint64_t xy = 0, z = 0;
    };
    auto firstNumbers = [&](uint64_t k) {
        uint64_t xy = 0;
        for (uint64_t cy = 0; cy < cellsY; ++cy) xy += spans[k * cellsY + cy].xyVertices;
        return Numbers{vertexBase[k], vertexBase[k] + xy};
    };

    // Numbers the vertices of the edges that the cells of row cy of slice k
    // own and writes them when asked.
    auto numberRow = [&](uint64_t k, uint64_t cy, uint32_t* buffer, Numbers& at, bool write) {
        float* out = part.vertices;
        eachCrossedCell(k, cy, [&](uint64_t cx, uint8_t c) {
            if (IsoVertexCountTable[c] == 0) return;
            const uint64_t slot = (cy * cellsX + cx) * 3;
            if (IsoEdgeTable[c][0]) {
                buffer[slot] = uint32_t(at.xy);
                if (write) {
                    const double t = cx == 0 || cx == nx ? 0.5
                                                         : place(sampleAt(cx - 1, cy - 1, k - 1), sampleAt(cx, cy - 1, k - 1));
                    float* v = out + at.xy * 3;
                    v[0] = float(cornerX[cx] + t);
                    v[1] = float(cornerY[cy]);
                    v[2] = float(cornerZ[k]);
                }
                ++at.xy;
            }
            if (IsoEdgeTable[c][1]) {
                buffer[slot + 1] = uint32_t(at.xy);
                if (write) {
                    const double t = cy == 0 || cy == ny ? 0.5
                                                         : place(sampleAt(cx - 1, cy - 1, k - 1), sampleAt(cx - 1, cy, k - 1));
                    float* v = out + at.xy * 3;
                    v[0] = float(cornerX[cx]);
                    v[1] = float(cornerY[cy] + t);
                    v[2] = float(cornerZ[k]);
                }
                ++at.xy;
            }
            if (IsoEdgeTable[c][2]) {
                buffer[slot + 2] = uint32_t(at.z);
                if (write) {
                    const double t = k == 0 || k == nz ? 0.5 : place(sampleAt(cx - 1, cy - 1, k - 1), sampleAt(cx - 1, cy - 1, k));
                    float* v = out + at.z * 3;
                    v[0] = float(cornerX[cx]);
                    v[1] = float(cornerY[cy]);
                    v[2] = float(cornerZ[k] + t);
                }
                ++at.z;
            }
        });
    };

    // The whole of slice k; returns where its z-edge vertices start.
    auto numberSlice = [&](uint64_t k, uint32_t* buffer, bool write) {
        Numbers at = firstNumbers(k);
        const uint64_t zEdges = at.z;
        for (uint64_t cy = 0; cy < cellsY; ++cy) numberRow(k, cy, buffer, at, write);
        return zEdges;
    };

    // Emits the triangles of row cy of a slice; `source` gives, per edge,
    // where its vertex number sits relative to a cell's slot.
    auto trianglesRow = [&](uint64_t cz, uint64_t cy, const uint32_t* const* source, uint32_t*& out) {
        eachCrossedCell(cz, cy, [&](uint64_t cx, uint8_t c) {
            const CaseTriangles& list = cases[c];
            const uint64_t slot = (cy * cellsX + cx) * 3;
            for (int e = 0; e < list.count * 3; ++e) *out++ = source[list.edges[e]][slot];
        });
    };

    // The triangles of slice cz, row by row just behind the numbering of
    // slice cz + 1, so that the vertex numbers they read are still in cache.
    auto triangleSlice = [&](uint64_t cz, const uint32_t* current, uint32_t* next, bool write) {
        const uint32_t* source[12];
        for (int e = 0; e < 12; ++e) source[e] = (IsoEdgeSliceTable[e] ? next : current) + edgeOffsets[e];
        uint32_t* out = part.indices + triangleBase[cz] * 3;
        Numbers at;
        if (cz < nz) at = firstNumbers(cz + 1);
        for (uint64_t cy = 0; cy < cellsY; ++cy) {
            if (cz < nz) numberRow(cz + 1, cy, next, at, write);
            if (cy > 0) trianglesRow(cz, cy - 1, source, out);
        }
        trianglesRow(cz, cellsY - 1, source, out);
    };

    // Normals are summed slice by slice while the mesh is built. A vertex
    // of slice k gets its face vectors from the triangles of slices k - 1
    // and k only, so adding them slice by slice in triangle order gives the
    // sums of one pass over the whole index array. Where two pieces meet,
    // the order needs both: a piece leaves out of its first slice the x- and
    // y-edge vertices of that slice (its boundary) and leaves its last slice
    // alone. Whichever of two neighbours finishes its own slices second adds
    // the earlier piece's last slice and then the later piece's first slice
    // to that boundary; the last piece adds its own last slice. Pieces have
    // at least two slices, so no two of these touch the same vertex.
    TriangleMesh normalView;
    normalView.vertexCount = part.vertexCount;
    normalView.triangleCount = part.triangleCount;
    normalView.vertices = part.vertices;
    normalView.indices = part.indices;
    normalView.normals = surfaceNormals;
    const bool sumNormals = surfaceNormals != nullptr && surfaceNormalCount == part.vertexCount;
    auto addNormals = [&](uint64_t cz, uint64_t first, uint64_t last) {
        if (sumNormals) AddFaceVectors(normalView, triangleBase[cz], triangleBase[cz + 1], first, last);
    };

    // Worker 0 uses the builder's slice buffers; the other workers their
    // own, all in one map so that it is large enough for huge pages.
    unsigned workers = SlabCount();
    CommittedBuffer extra;
    if (workers > 1 && !extra.Commit(uint64_t(workers - 1) * cellSlice * 24)) workers = 1;
    const unsigned pieces = PieceCount(workers);
    std::atomic<bool> stopped{false};
    std::vector<uint64_t> boundaryEnd(pieces, 0);
    // Per meeting of piece s - 1 and piece s: how many of the two are built.
    std::unique_ptr<std::atomic<unsigned>[]> built(new std::atomic<unsigned>[pieces]);
    for (unsigned s = 0; s < pieces; ++s) built[s] = 0;
    auto mendMeeting = [&](unsigned s) {
        const uint64_t begin = SlabRange(cellsZ, pieces, s).first;
        addNormals(begin - 1, 0, part.vertexCount);
        addNormals(begin, vertexBase[begin], boundaryEnd[s]);
    };
    RunSharedSlabs(workers, pieces, [&](unsigned worker, unsigned s) {
        const auto [begin, end] = SlabRange(cellsZ, pieces, s);
        uint32_t* current =
            worker == 0 ? sliceBuffers[0] : reinterpret_cast<uint32_t*>(extra.Data()) + (worker - 1) * cellSlice * 6;
        uint32_t* next = worker == 0 ? sliceBuffers[1] : current + cellSlice * 3;
        // The parity rule of the two buffers only matters within a piece. A
        // piece places the vertices of its own slices only.
        boundaryEnd[s] = numberSlice(begin, current, true);
        if (sumNormals) TouchForWriting(surfaceNormals + vertexBase[begin] * 3, surfaceNormals + vertexBase[end] * 3);
        for (uint64_t cz = begin; cz < end; ++cz) {
            if (StepSlice(step)) {
                stopped = true;
                return;
            }
            triangleSlice(cz, current, next, cz + 1 < end);
            if (cz + 1 < end) addNormals(cz, cz == begin ? boundaryEnd[s] : 0, part.vertexCount);
            std::swap(current, next);
        }
        if (s > 0 && built[s]++ == 1) mendMeeting(s);
        if (s + 1 < pieces && built[s + 1]++ == 1) mendMeeting(s + 1);
        if (s + 1 == pieces) addNormals(end - 1, 0, part.vertexCount);
    });
    return stopped ? 1 : 0;
}

} // namespace velmor
