#include "readers/SampleMirror.h"

#include <cstring>
#include <vector>

namespace velmor {
namespace {

// Swaps two equal, non-overlapping ranges through a bounded spare buffer.
void SwapBlocks(uint8_t* a, uint8_t* b, uint64_t bytes, std::vector<uint8_t>& spare)
{
    while (bytes > 0) {
        const size_t n = static_cast<size_t>(bytes < spare.size() ? bytes : spare.size());
        std::memcpy(spare.data(), a, n);
        std::memcpy(a, b, n);
        std::memcpy(b, spare.data(), n);
        a += n;
        b += n;
        bytes -= n;
    }
}

} // namespace

void MirrorSamples(uint8_t* data, int64_t sizeX, int64_t sizeY, int64_t sizeZ, uint64_t pixelBytes, bool alongX,
                   bool alongY, bool alongZ)
{
    if (data == nullptr || sizeX <= 0 || sizeY <= 0 || sizeZ <= 0 || pixelBytes == 0) return;
    const uint64_t rowBytes = static_cast<uint64_t>(sizeX) * pixelBytes;
    const uint64_t sliceBytes = rowBytes * static_cast<uint64_t>(sizeY);
    std::vector<uint8_t> spare(1 << 16);
    if (alongX) {
        for (int64_t row = 0; row < sizeY * sizeZ; ++row) {
            uint8_t* r = data + static_cast<uint64_t>(row) * rowBytes;
            for (int64_t l = 0, h = sizeX - 1; l < h; ++l, --h) SwapBlocks(r + l * pixelBytes, r + h * pixelBytes, pixelBytes, spare);
        }
    }
    if (alongY) {
        for (int64_t z = 0; z < sizeZ; ++z) {
            uint8_t* s = data + static_cast<uint64_t>(z) * sliceBytes;
            for (int64_t l = 0, h = sizeY - 1; l < h; ++l, --h) SwapBlocks(s + l * rowBytes, s + h * rowBytes, rowBytes, spare);
        }
    }
    if (alongZ) {
        for (int64_t l = 0, h = sizeZ - 1; l < h; ++l, --h) SwapBlocks(data + l * sliceBytes, data + h * sliceBytes, sliceBytes, spare);
    }
}

} // namespace velmor
