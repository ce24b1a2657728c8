#include "processing/VolumeColorJob.h"

#include "processing/SlabThreads.h"

#include <algorithm>
#include <cstring>
#include <cmath>
#include <limits>
#include <mutex>
#include <vector>

#ifdef __SSE2__
#include <immintrin.h>
#endif

namespace velmor {

int32_t VolumeColorJob::Run(VolumeUnitState& target)
{
    unit = &target;
    return RunWithProgress(L"make volume color", false, 200, 100, this, ColorVolumeWorker);
}

uint32_t ColorVolumeWorker(void* param)
{
    auto& job = *static_cast<VolumeColorJob*>(param);
    if (job.unit->voxels.bytesPerSample == 1) ComputeVolumeColors(job, uint8_t(255));
    else ComputeVolumeColors(job, uint16_t(65535));
    return 1;
}

namespace {

// The window, brightness and contrast in the single-precision terms that
// map a sample s: t = ((s - L) * w + shift) * K for L < s <= U.
struct DisplayWindow {
    float L, U, w, shift, K, M;
};

DisplayWindow WindowOf(const VolumeUnitState& unit, float M)
{
    const bool typeA = unit.renderingType == L"A";
    const float B = typeA ? unit.brightness_A : unit.brightness_B;
    const float K = typeA ? unit.contrast_A : unit.contrast_B;
    // Brightness or contrast that is no number maps nothing: no sample lies
    // above an infinite low end.
    const float inf = std::numeric_limits<float>::infinity();
    if (!std::isfinite(B) || !std::isfinite(K)) return {inf, inf, 0, 0, 0, M};
    const float L = unit.colorRestriction[0];
    const float U = unit.colorRestriction[1];
    return {L, U, (1.0f / (U - L)) * M, M * B / 256.0f, K, M};
}

// The display value of every possible sample: the mapping depends on the
// sample alone, so one table serves the whole grid.
template <typename Sample> std::vector<Sample> DisplayTable(const DisplayWindow& d)
{
    std::vector<Sample> table(size_t(std::numeric_limits<Sample>::max()) + 1, 0);
    for (size_t s = 0; s < table.size(); ++s) {
        const float v = float(s);
        if (!(d.L < v && v <= d.U)) continue;
        float t = (v - d.L) * d.w;
        t = (t + d.shift) * d.K;
        if (t >= d.M) t = d.M;
        else if (!(t > 0.0f)) t = 0.0f;   // negative, or not a number
        table[s] = static_cast<Sample>(t);
    }
    return table;
}

#ifdef __SSE2__
// The display volumes are written once and not read back: streaming stores
// spare the memory bus the read of every line before it is written.
inline void Put16(void* to, __m128i v)
{
    if (reinterpret_cast<uintptr_t>(to) % 16 == 0) _mm_stream_si128(static_cast<__m128i*>(to), v);
    else _mm_storeu_si128(static_cast<__m128i*>(to), v);
}

inline void CopyStreaming(const void* from, void* to, uint64_t bytes)
{
    auto* in = static_cast<const uint8_t*>(from);
    auto* out = static_cast<uint8_t*>(to);
    const uint64_t head = std::min<uint64_t>(bytes, (16 - reinterpret_cast<uintptr_t>(out) % 16) % 16);
    std::memcpy(out, in, head);
    uint64_t at = head;
    for (; at + 16 <= bytes; at += 16) Put16(out + at, _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at)));
    std::memcpy(out + at, in + at, bytes - at);
}

// The mapping of the display table, four samples at a time in the same
// single-precision steps, so that it gives the table's values.
struct Mapping {
    __m128 low, up, w, shift, K, M;
    explicit Mapping(const DisplayWindow& d)
        : low(_mm_set1_ps(d.L)), up(_mm_set1_ps(d.U)), w(_mm_set1_ps(d.w)), shift(_mm_set1_ps(d.shift)),
          K(_mm_set1_ps(d.K)), M(_mm_set1_ps(d.M))
    {
    }
};

inline __m128i MapFour(const Mapping& m, __m128i samples)
{
    const __m128 v = _mm_cvtepi32_ps(samples);
    const __m128 inside = _mm_and_ps(_mm_cmplt_ps(m.low, v), _mm_cmple_ps(v, m.up));
    __m128 t = _mm_mul_ps(_mm_sub_ps(v, m.low), m.w);
    t = _mm_mul_ps(_mm_add_ps(t, m.shift), m.K);
    // t >= M gives M; anything not above 0, not-a-number included, gives 0.
    const __m128 top = _mm_cmpge_ps(t, m.M);
    t = _mm_or_ps(_mm_and_ps(top, m.M), _mm_andnot_ps(top, _mm_and_ps(_mm_cmpgt_ps(t, _mm_setzero_ps()), t)));
    return _mm_cvttps_epi32(_mm_and_ps(t, inside));
}

// Sixteen bytes of display samples.
inline __m128i MapBlock(const Mapping& m, const uint16_t* in)
{
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in)), zero = _mm_setzero_si128();
    // 0..65535 packed with signed saturation after a shift into range.
    const __m128i bias = _mm_set1_epi32(32768);
    const __m128i lo = _mm_sub_epi32(MapFour(m, _mm_unpacklo_epi16(s, zero)), bias);
    const __m128i hi = _mm_sub_epi32(MapFour(m, _mm_unpackhi_epi16(s, zero)), bias);
    return _mm_xor_si128(_mm_packs_epi32(lo, hi), _mm_set1_epi16(short(0x8000)));
}

inline __m128i MapBlock(const Mapping& m, const uint8_t* in)
{
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in)), zero = _mm_setzero_si128();
    const __m128i lo = _mm_unpacklo_epi8(s, zero), hi = _mm_unpackhi_epi8(s, zero);
    const __m128i a = _mm_packs_epi32(MapFour(m, _mm_unpacklo_epi16(lo, zero)), MapFour(m, _mm_unpackhi_epi16(lo, zero)));
    const __m128i b = _mm_packs_epi32(MapFour(m, _mm_unpacklo_epi16(hi, zero)), MapFour(m, _mm_unpackhi_epi16(hi, zero)));
    return _mm_packus_epi16(a, b);
}

// One row into the band and both row-order volumes; the table maps what
// is left over from whole blocks.
template <typename Sample>
void MapRow(const Mapping& m, const Sample* map, const Sample* in, uint64_t n, Sample* band, Sample* z, Sample* y)
{
    constexpr uint64_t kStep = 16 / sizeof(Sample);
    uint64_t x = 0;
    for (; x + kStep <= n; x += kStep) {
        const __m128i v = MapBlock(m, in + x);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(band + x), v);
        Put16(z + x, v);
        Put16(y + x, v);
    }
    for (; x < n; ++x) z[x] = y[x] = band[x] = map[in[x]];
}

// 16 bytes' worth of rows (`from` apart) by eight columns, written as
// eight columns of 16 bytes (`to` apart).
inline void TransposeBlock(const uint16_t* in, uint64_t from, uint16_t* out, uint64_t to)
{
    auto row = [&](int r) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + r * from)); };
    const __m128i r0 = row(0), r1 = row(1), r2 = row(2), r3 = row(3), r4 = row(4), r5 = row(5), r6 = row(6), r7 = row(7);
    const __m128i a0 = _mm_unpacklo_epi16(r0, r1), a1 = _mm_unpackhi_epi16(r0, r1);
    const __m128i a2 = _mm_unpacklo_epi16(r2, r3), a3 = _mm_unpackhi_epi16(r2, r3);
    const __m128i a4 = _mm_unpacklo_epi16(r4, r5), a5 = _mm_unpackhi_epi16(r4, r5);
    const __m128i a6 = _mm_unpacklo_epi16(r6, r7), a7 = _mm_unpackhi_epi16(r6, r7);
    const __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
    const __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
    const __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
    const __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
    const __m128i columns[8] = {_mm_unpacklo_epi64(b0, b4), _mm_unpackhi_epi64(b0, b4), _mm_unpacklo_epi64(b1, b5),
                                _mm_unpackhi_epi64(b1, b5), _mm_unpacklo_epi64(b2, b6), _mm_unpackhi_epi64(b2, b6),
                                _mm_unpacklo_epi64(b3, b7), _mm_unpackhi_epi64(b3, b7)};
    for (int c = 0; c < 8; ++c) _mm_storeu_si128(reinterpret_cast<__m128i*>(out + c * to), columns[c]);
}

inline void TransposeBlock(const uint8_t* in, uint64_t from, uint8_t* out, uint64_t to)
{
    // Two eight-by-eight byte transposes, rows 0..7 and 8..15, joined.
    __m128i half[2][4];
    for (int h = 0; h < 2; ++h) {
        auto row = [&](int r) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + (8 * h + r) * from)); };
        const __m128i a0 = _mm_unpacklo_epi8(row(0), row(1)), a1 = _mm_unpacklo_epi8(row(2), row(3));
        const __m128i a2 = _mm_unpacklo_epi8(row(4), row(5)), a3 = _mm_unpacklo_epi8(row(6), row(7));
        const __m128i b0 = _mm_unpacklo_epi16(a0, a1), b1 = _mm_unpackhi_epi16(a0, a1);
        const __m128i b2 = _mm_unpacklo_epi16(a2, a3), b3 = _mm_unpackhi_epi16(a2, a3);
        half[h][0] = _mm_unpacklo_epi32(b0, b2);   // columns 0 and 1
        half[h][1] = _mm_unpackhi_epi32(b0, b2);
        half[h][2] = _mm_unpacklo_epi32(b1, b3);
        half[h][3] = _mm_unpackhi_epi32(b1, b3);
    }
    for (int p = 0; p < 4; ++p) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * p * to), _mm_unpacklo_epi64(half[0][p], half[1][p]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + (2 * p + 1) * to), _mm_unpackhi_epi64(half[0][p], half[1][p]));
    }
}

inline void FinishStreaming() { _mm_sfence(); }

// The same mapping eight samples at a time on processors that have AVX2,
// chosen when the job runs. Only AVX2 is asked of the compiler, not fused
// multiply-add, so every step rounds as the table's does.
#define VELMOR_WIDE_MAPPING 1

struct WideMapping {
    __m256 low, up, w, shift, K, M;
};

__attribute__((target("avx2"))) inline WideMapping Widen(const DisplayWindow& d)
{
    return {_mm256_set1_ps(d.L), _mm256_set1_ps(d.U), _mm256_set1_ps(d.w),
            _mm256_set1_ps(d.shift), _mm256_set1_ps(d.K), _mm256_set1_ps(d.M)};
}

__attribute__((target("avx2"))) inline __m256i MapEight(const WideMapping& m, __m256i samples)
{
    const __m256 v = _mm256_cvtepi32_ps(samples);
    const __m256 inside = _mm256_and_ps(_mm256_cmp_ps(m.low, v, _CMP_LT_OQ), _mm256_cmp_ps(v, m.up, _CMP_LE_OQ));
    __m256 t = _mm256_mul_ps(_mm256_sub_ps(v, m.low), m.w);
    t = _mm256_mul_ps(_mm256_add_ps(t, m.shift), m.K);
    const __m256 top = _mm256_cmp_ps(t, m.M, _CMP_GE_OQ);
    const __m256 above = _mm256_cmp_ps(t, _mm256_setzero_ps(), _CMP_GT_OQ);
    t = _mm256_or_ps(_mm256_and_ps(top, m.M), _mm256_andnot_ps(top, _mm256_and_ps(above, t)));
    return _mm256_cvttps_epi32(_mm256_and_ps(t, inside));
}

// Sixteen samples as sixteen 16-bit values in order (packing works per
// 128-bit lane, the permute puts the halves back in order).
__attribute__((target("avx2"))) inline __m256i MapSixteen(const WideMapping& m, __m256i low, __m256i high)
{
    return _mm256_permute4x64_epi64(_mm256_packus_epi32(MapEight(m, low), MapEight(m, high)), 0xD8);
}

__attribute__((target("avx2"))) inline void MapRowWide(const DisplayWindow& d, const uint16_t* map, const uint16_t* in,
                                                       uint64_t n, uint16_t* band, uint16_t* z, uint16_t* y)
{
    const WideMapping m = Widen(d);
    uint64_t x = 0;
    for (; x + 16 <= n; x += 16) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + x));
        const __m256i v = MapSixteen(m, _mm256_cvtepu16_epi32(_mm256_castsi256_si128(s)),
                                     _mm256_cvtepu16_epi32(_mm256_extracti128_si256(s, 1)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(band + x), v);
        for (uint16_t* to : {z, y}) {
            Put16(to + x, _mm256_castsi256_si128(v));
            Put16(to + x + 8, _mm256_extracti128_si256(v, 1));
        }
    }
    for (; x < n; ++x) z[x] = y[x] = band[x] = map[in[x]];
}

__attribute__((target("avx2"))) inline void MapRowWide(const DisplayWindow& d, const uint8_t* map, const uint8_t* in,
                                                       uint64_t n, uint8_t* band, uint8_t* z, uint8_t* y)
{
    const WideMapping m = Widen(d);
    uint64_t x = 0;
    for (; x + 16 <= n; x += 16) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
        const __m256i w = MapSixteen(m, _mm256_cvtepu8_epi32(s), _mm256_cvtepu8_epi32(_mm_srli_si128(s, 8)));
        const __m128i v = _mm_packus_epi16(_mm256_castsi256_si128(w), _mm256_extracti128_si256(w, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(band + x), v);
        Put16(z + x, v);
        Put16(y + x, v);
    }
    for (; x < n; ++x) z[x] = y[x] = band[x] = map[in[x]];
}

inline bool HasWideMapping() { return __builtin_cpu_supports("avx2"); }
#else
inline void CopyStreaming(const void* from, void* to, uint64_t bytes) { std::memcpy(to, from, bytes); }

struct Mapping {
    explicit Mapping(const DisplayWindow&) {}
};

template <typename Sample>
void MapRow(const Mapping&, const Sample* map, const Sample* in, uint64_t n, Sample* band, Sample* z, Sample* y)
{
    for (uint64_t x = 0; x < n; ++x) z[x] = y[x] = band[x] = map[in[x]];
}

template <typename Sample> void TransposeBlock(const Sample* in, uint64_t from, Sample* out, uint64_t to)
{
    for (uint64_t c = 0; c < 8; ++c)
        for (uint64_t r = 0; r < 16 / sizeof(Sample); ++r) out[c * to + r] = in[r * from + c];
}

inline void FinishStreaming() {}
#endif

#ifndef VELMOR_WIDE_MAPPING
inline bool HasWideMapping() { return false; }
template <typename Sample>
void MapRowWide(const DisplayWindow&, const Sample* map, const Sample* in, uint64_t n, Sample* band, Sample* z, Sample* y)
{
    MapRow(Mapping(DisplayWindow{}), map, in, n, band, z, y);
}
#endif

template <typename Sample> void Colour(VolumeColorJob& job, Sample maximum)
{
    VolumeUnitState& unit = *job.unit;
    const VoxelGrid& grid = unit.voxels;
    const uint64_t nx = grid.nx, ny = grid.ny, nz = grid.nz;
    if (nx == 0 || ny == 0 || nz == 0 || grid.samples == nullptr || unit.displayVolumeX == nullptr ||
        unit.displayVolumeY == nullptr || unit.displayVolumeZ == nullptr)
        return;
    const DisplayWindow window = WindowOf(unit, float(maximum));
    const std::vector<Sample> table = DisplayTable<Sample>(window);
    const Sample* map = table.data();
    const Mapping mapping(window);
    const bool wide = job.wideVectors && HasWideMapping();
    const auto* samples = static_cast<const Sample*>(grid.samples);
    auto* outX = static_cast<Sample*>(unit.displayVolumeX);
    auto* outY = static_cast<Sample*>(unit.displayVolumeY);
    auto* outZ = static_cast<Sample*>(unit.displayVolumeZ);
    const double step = 100.0 / double(nz);
    std::mutex progressMutex;
    constexpr uint64_t kBand = 16;                     // rows mapped before they are transposed
    constexpr uint64_t kBlock = 16 / sizeof(Sample);   // rows per transposed block

    // One z-slice, a band of rows at a time: the rows are mapped into a
    // small buffer that stays in cache and copied out to the z- and y-order
    // volumes; the band is transposed into `columns`, the slice's columns
    // for the x-order volume, which are streamed out whole at the end.
    auto slice = [&](uint64_t z, Sample* band, Sample* columns) {
        const Sample* in = samples + z * grid.sliceSize;
        for (uint64_t y0 = 0; y0 < ny; y0 += kBand) {
            const uint64_t rows = std::min(kBand, ny - y0);
            for (uint64_t r = 0; r < rows; ++r) {
                const Sample* from = in + (y0 + r) * nx;
                Sample* toZ = outZ + (z * ny + y0 + r) * nx;
                Sample* toY = outY + ((y0 + r) * nz + z) * nx;
                if (wide) MapRowWide(window, map, from, nx, band + r * nx, toZ, toY);
                else MapRow(mapping, map, from, nx, band + r * nx, toZ, toY);
            }
            const uint64_t blocked = rows / kBlock * kBlock;
            uint64_t x0 = 0;   // columns done in blocks; the rest one by one
            for (; x0 + 8 <= nx; x0 += 8)
                for (uint64_t r = 0; r < blocked; r += kBlock)
                    TransposeBlock(band + r * nx + x0, nx, columns + x0 * ny + y0 + r, ny);
            for (uint64_t x = 0; x < nx; ++x)
                for (uint64_t r = x < x0 ? blocked : 0; r < rows; ++r) columns[x * ny + y0 + r] = band[r * nx + x];
        }
        for (uint64_t x = 0; x < nx; ++x) CopyStreaming(columns + x * ny, outX + (x * nz + z) * ny, ny * sizeof(Sample));
    };

    const unsigned workers = job.threadCount != 0 ? unsigned(std::clamp<uint64_t>(nz, 1, job.threadCount))
                                                  : DefaultSlabCount(nz, nx * ny * nz, uint64_t(1) << 20);
    // A few pieces per thread, taken as threads come free: a thread that the
    // system holds up leaves its share to the others.
    const unsigned pieces = unsigned(std::min<uint64_t>(nz, uint64_t(workers) * 4));
    // Taken on the job's thread: a slab thread has no way to report a shortage.
    const uint64_t workerBuffer = kBand * nx + nx * ny;
    std::vector<Sample> buffers(workerBuffer * workers);
    RunSharedSlabs(workers, pieces, [&](unsigned worker, unsigned s) {
        const auto [begin, end] = SlabRange(nz, pieces, s);
        Sample* band = buffers.data() + worker * workerBuffer;
        for (uint64_t z = begin; z < end; ++z) {
            {
                std::lock_guard lock(progressMutex);
                job.StepProgress(step);
            }
            slice(z, band, band + kBand * nx);
        }
        FinishStreaming();   // streamed stores are seen by the thread that waits for this one
    });
}

} // namespace

void ComputeVolumeColors(VolumeColorJob& job, uint8_t M)
{
    Colour<uint8_t>(job, M);
    job.result = 0;
}

void ComputeVolumeColors(VolumeColorJob& job, uint16_t M)
{
    Colour<uint16_t>(job, M);
    job.result = 0;
}

} // namespace velmor
