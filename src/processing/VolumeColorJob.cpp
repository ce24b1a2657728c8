#include "processing/VolumeColorJob.h"

#include "processing/SlabThreads.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <vector>

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

// The display value of every possible sample: the mapping depends on the
// sample alone, so one table serves the whole grid.
template <typename Sample> std::vector<Sample> DisplayTable(const VolumeUnitState& unit, Sample maximum)
{
    std::vector<Sample> table(size_t(std::numeric_limits<Sample>::max()) + 1, 0);
    const bool typeA = unit.renderingType == L"A";
    const float B = typeA ? unit.brightness_A : unit.brightness_B;
    const float K = typeA ? unit.contrast_A : unit.contrast_B;
    // Brightness or contrast that is no number maps nothing.
    if (!std::isfinite(B) || !std::isfinite(K)) return table;
    const float M = float(maximum);
    const float shift = M * B / 256.0f;
    const float L = unit.colorRestriction[0];
    const float U = unit.colorRestriction[1];
    const float w = (1.0f / (U - L)) * M;
    for (size_t s = 0; s < table.size(); ++s) {
        const float v = float(s);
        if (!(L < v && v <= U)) continue;
        float t = (v - L) * w;
        t = (t + shift) * K;
        if (t >= M) t = M;
        else if (!(t > 0.0f)) t = 0.0f;   // negative, or not a number
        table[s] = static_cast<Sample>(t);
    }
    return table;
}

template <typename Sample> void Colour(VolumeColorJob& job, Sample maximum)
{
    VolumeUnitState& unit = *job.unit;
    const VoxelGrid& grid = unit.voxels;
    const uint64_t nx = grid.nx, ny = grid.ny, nz = grid.nz;
    if (nx == 0 || ny == 0 || nz == 0 || grid.samples == nullptr || unit.displayVolumeX == nullptr ||
        unit.displayVolumeY == nullptr || unit.displayVolumeZ == nullptr)
        return;
    const std::vector<Sample> table = DisplayTable<Sample>(unit, maximum);
    const auto* samples = static_cast<const Sample*>(grid.samples);
    auto* outX = static_cast<Sample*>(unit.displayVolumeX);
    auto* outY = static_cast<Sample*>(unit.displayVolumeY);
    auto* outZ = static_cast<Sample*>(unit.displayVolumeZ);
    const double step = 100.0 / double(nz);
    std::mutex progressMutex;
    constexpr uint64_t kTile = 64;

    const unsigned slabs = job.threadCount != 0 ? unsigned(std::clamp<uint64_t>(nz, 1, job.threadCount))
                                                : DefaultSlabCount(nz, nx * ny * nz, uint64_t(1) << 20);
    RunSlabs(slabs, [&](unsigned s) {
        const auto [begin, end] = SlabRange(nz, slabs, s);
        for (uint64_t z = begin; z < end; ++z) {
            {
                std::lock_guard lock(progressMutex);
                job.StepProgress(step);
            }
            const Sample* in = samples + z * grid.sliceSize;
            Sample* sliceZ = outZ + z * nx * ny;
            for (uint64_t i = 0; i < nx * ny; ++i) sliceZ[i] = table[in[i]];
            for (uint64_t y = 0; y < ny; ++y) std::copy_n(sliceZ + y * nx, nx, outY + (y * nz + z) * nx);
            // The x-order is a transpose of the slice: done in tiles so that
            // both sides stay in cache.
            for (uint64_t y0 = 0; y0 < ny; y0 += kTile) {
                const uint64_t y1 = std::min(ny, y0 + kTile);
                for (uint64_t x0 = 0; x0 < nx; x0 += kTile) {
                    const uint64_t x1 = std::min(nx, x0 + kTile);
                    for (uint64_t x = x0; x < x1; ++x) {
                        Sample* column = outX + (x * nz + z) * ny;
                        for (uint64_t y = y0; y < y1; ++y) column[y] = sliceZ[y * nx + x];
                    }
                }
            }
        }
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
