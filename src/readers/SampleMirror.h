#pragma once
// Mirrors loaded samples along x, y and z in place: the same result as
// mirroring into a copy, without the copy (payloads can be most of memory).
#include <cstdint>

namespace velmor {

// `pixelBytes` is channels x bytes per value; slices are sizeX x sizeY
// pixels; 2-D data has sizeZ 1.
void MirrorSamples(uint8_t* data, int64_t sizeX, int64_t sizeY, int64_t sizeZ, uint64_t pixelBytes, bool alongX,
                   bool alongY, bool alongZ);

} // namespace velmor
