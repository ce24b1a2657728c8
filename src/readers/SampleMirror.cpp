#include "readers/SampleMirror.h"

#include "processing/SlabThreads.h"

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

// The pixels of eight bytes in reverse order, for pixels of 1, 2, 4 or 8 bytes.
template <uint64_t S>
uint64_t ReversePixels(uint64_t word)
{
    if constexpr (S == 8) {
        return word;
    } else if constexpr (S == 4) {
        return word >> 32 | word << 32;
    } else {
        word = __builtin_bswap64(word);
        if constexpr (S == 2) word = (word >> 8 & 0x00FF00FF00FF00FFull) | (word & 0x00FF00FF00FF00FFull) << 8;
        return word;
    }
}

// One row reversed in place: eight bytes from each end at a time, the
// middle pixel by pixel (words that fit whole pixels only).
template <uint64_t S>
void ReverseRowWords(uint8_t* row, uint64_t pixels)
{
    uint64_t lo = 0, hi = pixels * S;
    for (; hi - lo >= 16; lo += 8, hi -= 8) {
        uint64_t left, right;
        std::memcpy(&left, row + lo, 8);
        std::memcpy(&right, row + hi - 8, 8);
        left = ReversePixels<S>(left);
        right = ReversePixels<S>(right);
        std::memcpy(row + lo, &right, 8);
        std::memcpy(row + hi - 8, &left, 8);
    }
    for (hi -= S; lo < hi; lo += S, hi -= S) {
        uint8_t spare[S];
        std::memcpy(spare, row + lo, S);
        std::memcpy(row + lo, row + hi, S);
        std::memcpy(row + hi, spare, S);
    }
}

// Pixels of other sizes (RGB: 3 or 6 bytes), one whole pixel at a time.
template <uint64_t S>
void ReverseRowPixels(uint8_t* row, uint64_t pixels)
{
    for (uint64_t l = 0, h = pixels - 1; l < h; ++l, --h) {
        uint8_t spare[S];
        std::memcpy(spare, row + l * S, S);
        std::memcpy(row + l * S, row + h * S, S);
        std::memcpy(row + h * S, spare, S);
    }
}

void ReverseRow(uint8_t* row, uint64_t pixels, uint64_t pixelBytes, std::vector<uint8_t>& spare)
{
    switch (pixelBytes) {
    case 1: return ReverseRowWords<1>(row, pixels);
    case 2: return ReverseRowWords<2>(row, pixels);
    case 3: return ReverseRowPixels<3>(row, pixels);
    case 4: return ReverseRowWords<4>(row, pixels);
    case 6: return ReverseRowPixels<6>(row, pixels);
    case 8: return ReverseRowWords<8>(row, pixels);
    default:
        for (uint64_t l = 0, h = pixels - 1; l < h; ++l, --h)
            SwapBlocks(row + l * pixelBytes, row + h * pixelBytes, pixelBytes, spare);
    }
}

constexpr uint64_t kBytesPerThread = uint64_t{4} << 20;

// Runs `part(first, last)` over [0, count) items of `itemBytes` each, split
// across the cores when there is enough to move.
template <typename Part>
void Split(uint64_t count, uint64_t itemBytes, const Part& part)
{
    const unsigned slabs = DefaultSlabCount(count, count * itemBytes, 2 * kBytesPerThread);
    RunSlabs(slabs, [&](unsigned s) {
        const auto [first, last] = SlabRange(count, slabs, s);
        part(first, last);
    });
}

} // namespace

void MirrorSamples(uint8_t* data, int64_t sizeX, int64_t sizeY, int64_t sizeZ, uint64_t pixelBytes, bool alongX,
                   bool alongY, bool alongZ)
{
    if (data == nullptr || sizeX <= 0 || sizeY <= 0 || sizeZ <= 0 || pixelBytes == 0) return;
    const uint64_t rowBytes = static_cast<uint64_t>(sizeX) * pixelBytes;
    const uint64_t sliceBytes = rowBytes * static_cast<uint64_t>(sizeY);
    const uint64_t x = static_cast<uint64_t>(sizeX), y = static_cast<uint64_t>(sizeY), z = static_cast<uint64_t>(sizeZ);
    // Every stage works on rows, slices or slice pairs that no other part
    // touches, so the result is the same however the work is split.
    if (alongX) {
        Split(y * z, rowBytes, [&](uint64_t first, uint64_t last) {
            std::vector<uint8_t> spare(1 << 16);
            for (uint64_t row = first; row < last; ++row) ReverseRow(data + row * rowBytes, x, pixelBytes, spare);
        });
    }
    if (alongY) {
        Split(z, sliceBytes, [&](uint64_t first, uint64_t last) {
            std::vector<uint8_t> spare(1 << 16);
            for (uint64_t k = first; k < last; ++k) {
                uint8_t* s = data + k * sliceBytes;
                for (uint64_t l = 0, h = y - 1; l < h; ++l, --h) SwapBlocks(s + l * rowBytes, s + h * rowBytes, rowBytes, spare);
            }
        });
    }
    if (alongZ) {
        Split(z / 2, sliceBytes * 2, [&](uint64_t first, uint64_t last) {
            std::vector<uint8_t> spare(1 << 16);
            for (uint64_t l = first; l < last; ++l) SwapBlocks(data + l * sliceBytes, data + (z - 1 - l) * sliceBytes, sliceBytes, spare);
        });
    }
}

} // namespace velmor
