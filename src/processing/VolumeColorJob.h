#pragma once
// The display samples of a volume unit: its voxels mapped through the value
// window, brightness and contrast into three volumes, one per slicing axis.
#include "processing/VoxelGrid.h"
#include "scene/BackgroundJob.h"

#include <cstdint>
#include <string>

namespace velmor {

// What the colour job reads and writes of a volume unit.
struct VolumeUnitState {
    std::wstring renderingType = L"A";
    float brightness_A = 0.0f;
    float contrast_A = 1.0f;
    float brightness_B = 0.0f;
    float contrast_B = 1.0f;
    float colorRestriction[2] = {0.0f, 255.0f};   // low, high in stored sample values
    VoxelGrid voxels;
    // nx * ny * nz samples of the voxels' width each:
    // X at (x * nz + z) * ny + y, Y at (y * nz + z) * nx + x, Z at (z * ny + y) * nx + x.
    void* displayVolumeX = nullptr;
    void* displayVolumeY = nullptr;
    void* displayVolumeZ = nullptr;
};

class VolumeColorJob : public BackgroundJob {
public:
    // Runs the job to its end; the job result, 0 when done.
    int32_t Run(VolumeUnitState& unit);

    VolumeUnitState* unit = nullptr;
    // Threads the kernel splits over (0: one per core).
    unsigned threadCount = 0;
    // Whether the kernel may use the processor's wider vectors where it has
    // them; the display samples are the same either way.
    bool wideVectors = true;
};

uint32_t ColorVolumeWorker(void* job);
// M is the largest display value: 255 for 8-bit, 65535 for 16-bit samples.
void ComputeVolumeColors(VolumeColorJob& job, uint8_t M);
void ComputeVolumeColors(VolumeColorJob& job, uint16_t M);

} // namespace velmor
