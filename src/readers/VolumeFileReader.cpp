#include "readers/VolumeFileReader.h"

#include "platform/CheckedMath.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace velmor {

uint64_t VolumeLayout::SliceBytes() const
{
    if (sizeX <= 0 || sizeY <= 0 || sizeZ < 0 || (reduction != 1 && reduction != 2 && reduction != 4)) return 0;
    uint64_t row = 0, slice = 0;
    if (!CheckedMul(static_cast<uint64_t>(sizeX), SampleBytes(), row)) return 0;
    if (!CheckedMul(row, static_cast<uint64_t>(sizeY), slice)) return 0;
    return slice;
}

VolumeFileKind VolumeFileKindOf(const std::wstring& fileType)
{
    std::wstring lower = fileType;
    for (auto& c : lower)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (lower == L"raw") return VolumeFileKind::Raw;
    if (lower == L"kxd") return VolumeFileKind::Kxd;
    return VolumeFileKind::Other;
}

void ReverseRows(uint8_t* slice, int64_t rows, uint64_t rowBytes)
{
    std::vector<uint8_t> spare(rowBytes);
    for (int64_t top = 0, bottom = rows - 1; top < bottom; ++top, --bottom) {
        std::memcpy(spare.data(), slice + top * rowBytes, rowBytes);
        std::memcpy(slice + top * rowBytes, slice + bottom * rowBytes, rowBytes);
        std::memcpy(slice + bottom * rowBytes, spare.data(), rowBytes);
    }
}

void ReduceSlice(const VolumeLayout& layout, const uint8_t* fullSlice, uint8_t* keptSlice)
{
    const uint64_t s = layout.SampleBytes();
    const int64_t n = layout.reduction, keptX = layout.KeptX(), keptY = layout.KeptY();
    for (int64_t y = 0; y < keptY; ++y) {
        const uint8_t* src = fullSlice + static_cast<uint64_t>(y * n) * layout.sizeX * s;
        uint8_t* dst = keptSlice + static_cast<uint64_t>(y) * keptX * s;
        for (int64_t x = 0; x < keptX; ++x) std::memcpy(dst + x * s, src + x * n * s, s);
    }
}

bool ReadRawSlice(const VolumeLayout& layout, ByteSource& source, uint8_t* slice)
{
    const uint64_t bytes = layout.SliceBytes();
    if (bytes == 0) return false;
    const uint64_t rowBytes = bytes / static_cast<uint64_t>(layout.sizeY);
    // One large read and a reversal in cache beat scattering the rows
    // (measured: about 0.8 of a plain read against 0.7 for preadv).
    if (!source.ReadInto(slice, bytes)) return false;
    ReverseRows(slice, layout.sizeY, rowBytes);
    return true;
}

bool ReadKxdRows(const VolumeLayout& layout, ByteSource& source, uint8_t* slice, bool keep)
{
    const uint64_t b = static_cast<uint64_t>(layout.bytesPerValue);
    const uint64_t x = static_cast<uint64_t>(layout.sizeX);
    for (int64_t y = 0; y < layout.sizeY; ++y) {
        const uint8_t* p = source.Take(2);
        if (p == nullptr) return false;
        const uint64_t lead = p[0] | (p[1] << 8);
        if (lead == x) continue;   // an all-zero row
        if ((p = source.Take(2)) == nullptr) return false;
        const uint64_t trail = p[0] | (p[1] << 8);
        if (lead + trail > x) return false;
        const uint64_t middle = (x - lead - trail) * b;
        if (!keep) {
            if (!source.Skip(middle)) return false;
            continue;
        }
        uint8_t* row = slice + (static_cast<uint64_t>(layout.sizeY - 1 - y) * x + lead) * b;
        if (!source.ReadInto(row, middle)) return false;
    }
    return true;
}

bool ReadRawVolume(const VolumeLayout& layout, ByteSource& source, uint8_t* dest, uint8_t* workSlice)
{
    const uint64_t sliceBytes = layout.SliceBytes();
    if (sliceBytes == 0 || (layout.reduction != 1 && workSlice == nullptr)) return false;
    const uint64_t keptSliceBytes = static_cast<uint64_t>(layout.KeptX() * layout.KeptY()) * layout.SampleBytes();
    for (int64_t z = 0; z < layout.sizeZ; ++z) {
        if (z % layout.reduction != 0) {
            if (!source.Skip(sliceBytes)) return false;
            continue;
        }
        uint8_t* kept = dest + static_cast<uint64_t>(z / layout.reduction) * keptSliceBytes;
        if (layout.reduction == 1) {
            if (!ReadRawSlice(layout, source, kept)) return false;
            continue;
        }
        if (!ReadRawSlice(layout, source, workSlice)) return false;
        ReduceSlice(layout, workSlice, kept);
    }
    return true;
}

bool ReadKxdVolume(const VolumeLayout& layout, ByteSource& source, uint8_t* dest, uint8_t* workSlice)
{
    const uint64_t sliceBytes = layout.SliceBytes();
    if (sliceBytes == 0 || layout.channels != 1 || (layout.reduction != 1 && workSlice == nullptr)) return false;
    const uint8_t* flag = source.Take(1);
    if (flag == nullptr) return false;
    if (*flag != 1) return true;
    const uint64_t keptSliceBytes = static_cast<uint64_t>(layout.KeptX() * layout.KeptY()) * layout.SampleBytes();
    for (int64_t z = 0; z < layout.sizeZ; ++z) {
        const bool keep = z % layout.reduction == 0;
        uint8_t* kept = dest + static_cast<uint64_t>(z / layout.reduction) * keptSliceBytes;
        uint8_t* target = layout.reduction == 1 ? kept : workSlice;
        if (keep && layout.reduction != 1) std::memset(workSlice, 0, sliceBytes);
        if (!ReadKxdRows(layout, source, target, keep)) return false;
        if (keep && layout.reduction != 1) ReduceSlice(layout, workSlice, kept);
    }
    return true;
}

} // namespace velmor
