#pragma once
// Writing a unit's axis-aligned box in the top group's length unit.
#include <algorithm>

namespace velmor {

template <typename Low, typename High>
void WriteUnitBox(const Low low[3], const High high[3], double lengthFactor, double minimum[3], double maximum[3])
{
    for (int i = 0; i < 3; ++i) {
        minimum[i] = static_cast<double>(low[i]) * lengthFactor;
        maximum[i] = static_cast<double>(high[i]) * lengthFactor;
    }
}

// The box of a centre widened by `half` on every axis.
inline void WriteCentredBox(const float centre[3], double half, double lengthFactor, double minimum[3], double maximum[3])
{
    for (int i = 0; i < 3; ++i) {
        minimum[i] = (centre[i] - half) * lengthFactor;
        maximum[i] = (centre[i] + half) * lengthFactor;
    }
}

} // namespace velmor

namespace velmor {

// A voxel volume centred on the unit's origin: half the voxel counts scaled
// by the pitch on every axis.
inline void WriteVolumeBox(const double halfExtent[3], const double pitch[3], double lengthFactor, double minimum[3],
                           double maximum[3])
{
    for (int i = 0; i < 3; ++i) {
        maximum[i] = halfExtent[i] * pitch[i] * lengthFactor;
        minimum[i] = -maximum[i];
    }
}

} // namespace velmor
