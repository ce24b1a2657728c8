#pragma once
#include <cstdint>

namespace velmor {

// The voxel samples of a surface or volume unit. Voxel (i, j, k) is sample
// i + j * nx + k * nx * ny; one byte per sample means unsigned 8-bit
// samples, anything else unsigned 16-bit.
struct VoxelGrid {
    void* samples = nullptr;
    uint64_t nx = 0;
    uint64_t ny = 0;
    uint64_t nz = 0;
    uint64_t sliceSize = 0;
    uint64_t bytesPerSample = 1;
};

} // namespace velmor
