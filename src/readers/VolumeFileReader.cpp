#include "readers/VolumeFileReader.h"

#include "platform/CheckedMath.h"
#include "readers/SampleHistogram.h"
#include "readers/SliceWorkers.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace velmor {
namespace {

// Every n-th sample of a row; the common sample widths get a loop the
// compiler can unroll instead of a copy call per sample.
template <uint64_t S>
void PickFixed(const uint8_t* src, uint8_t* dst, int64_t kept, int64_t n)
{
    for (int64_t x = 0; x < kept; ++x) std::memcpy(dst + x * S, src + x * n * S, S);
}

void PickSamples(const uint8_t* src, uint8_t* dst, int64_t kept, int64_t n, uint64_t sampleBytes)
{
    switch (sampleBytes) {
    case 1: return PickFixed<1>(src, dst, kept, n);
    case 2: return PickFixed<2>(src, dst, kept, n);
    case 3: return PickFixed<3>(src, dst, kept, n);
    case 4: return PickFixed<4>(src, dst, kept, n);
    case 6: return PickFixed<6>(src, dst, kept, n);
    default:
        for (int64_t x = 0; x < kept; ++x) std::memcpy(dst + x * sampleBytes, src + x * n * sampleBytes, sampleBytes);
    }
}

// A kept slice from a full slice whose row r becomes kept row r / n.
void Reduce(const VolumeLayout& layout, const uint8_t* full, uint8_t* kept, bool fileOrder)
{
    const uint64_t s = layout.SampleBytes();
    const int64_t n = layout.reduction, keptX = layout.KeptX(), keptY = layout.KeptY();
    const uint64_t rowBytes = static_cast<uint64_t>(layout.sizeX) * s;
    for (int64_t y = 0; y < keptY; ++y) {
        const int64_t row = fileOrder ? layout.sizeY - 1 - y * n : y * n;
        PickSamples(full + static_cast<uint64_t>(row) * rowBytes, kept + static_cast<uint64_t>(y * keptX) * s, keptX, n, s);
    }
}

// Bytes of one kept slice.
uint64_t KeptSliceBytes(const VolumeLayout& layout)
{
    return static_cast<uint64_t>(layout.KeptX() * layout.KeptY()) * layout.SampleBytes();
}

} // namespace

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
    Reduce(layout, fullSlice, keptSlice, false);
}

void ReduceSliceReversed(const VolumeLayout& layout, const uint8_t* fileSlice, uint8_t* keptSlice)
{
    Reduce(layout, fileSlice, keptSlice, true);
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

bool ReadKxdRows(const VolumeLayout& layout, ByteSource& source, uint8_t* slice, bool keep, SampleCounter* counter)
{
    const uint64_t b = static_cast<uint64_t>(layout.bytesPerValue);
    const uint64_t x = static_cast<uint64_t>(layout.sizeX);
    if (!keep) counter = nullptr;
    for (int64_t y = 0; y < layout.sizeY; ++y) {
        const uint8_t* p = source.Take(2);
        if (p == nullptr) return false;
        const uint64_t lead = p[0] | (p[1] << 8);
        if (lead == x) {   // an all-zero row
            if (counter != nullptr) counter->CountRepeats(0, x);
            continue;
        }
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
        if (counter != nullptr) {
            counter->Count(row, middle / b);
            counter->CountRepeats(0, lead + trail);
        }
    }
    return true;
}

namespace {

// The row records of one kept slice at a reduction step: only rows that
// land on a kept row are looked at, and of those only the kept columns are
// copied, straight from the source's window (the columns outside the
// middle stay zero in the fresh payload).
bool ReadKxdRowsReduced(const VolumeLayout& layout, ByteSource& source, uint8_t* kept, SampleCounter* counter)
{
    const uint64_t b = static_cast<uint64_t>(layout.bytesPerValue);
    const int64_t n = layout.reduction, x = layout.sizeX, keptX = layout.KeptX();
    for (int64_t y = 0; y < layout.sizeY; ++y) {
        const int64_t memoryRow = layout.sizeY - 1 - y;
        const bool keptRow = memoryRow % n == 0;
        const uint8_t* p = source.Take(2);
        if (p == nullptr) return false;
        const int64_t lead = p[0] | (p[1] << 8);
        int64_t first = 0, end = 0;   // kept columns written: [first, end)
        if (lead != x) {
            if ((p = source.Take(2)) == nullptr) return false;
            const int64_t trail = p[0] | (p[1] << 8);
            if (lead + trail > x) return false;
            const uint64_t middle = static_cast<uint64_t>(x - lead - trail) * b;
            // The first kept column at or after lead, and the end before X - trail.
            first = (lead + n - 1) / n;
            end = std::max(first, std::min(keptX, (x - trail + n - 1) / n));
            uint8_t* out = kept + static_cast<uint64_t>(memoryRow / n * keptX) * b;
            if (!keptRow || end == first) {
                if (!source.Skip(middle)) return false;
            } else if (middle <= ByteSource::kWindow) {
                const uint8_t* values = source.Take(middle);
                if (values == nullptr) return false;
                PickSamples(values + static_cast<uint64_t>(first * n - lead) * b, out + first * b, end - first, n, b);
            } else {
                // A middle longer than the window (rows of more than half a
                // million samples): one kept value at a time.
                const uint64_t start = source.Position();
                for (int64_t k = first; k < end; ++k)
                    if (!source.ReadAt(start + static_cast<uint64_t>(k * n - lead) * b, out + k * b, b)) return false;
                if (!source.Skip(middle)) return false;
            }
            if (keptRow && counter != nullptr) counter->Count(out + first * b, static_cast<uint64_t>(end - first));
        }
        if (keptRow && counter != nullptr) counter->CountRepeats(0, static_cast<uint64_t>(keptX - (end - first)));
    }
    return true;
}

} // namespace

bool ReadRawVolume(const VolumeLayout& layout, ByteSource& source, uint8_t* dest, uint8_t* workSlice, const VolumeReadRun& run)
{
    const uint64_t sliceBytes = layout.SliceBytes();
    uint64_t total = 0;
    // Every slice, kept or skipped, must be in the source, as reading them
    // in turn and seeking over the dropped ones would demand.
    if (sliceBytes == 0 || !CheckedMul(sliceBytes, static_cast<uint64_t>(layout.sizeZ), total) ||
        total > source.Size() - source.Position())
        return false;
    const uint64_t base = source.Position();
    const uint64_t keptSlice = KeptSliceBytes(layout);
    const uint64_t keptZ = static_cast<uint64_t>(layout.KeptZ());
    const unsigned threads = SliceThreadCount(run.threads, keptZ, sliceBytes);

    // Each thread reads a slice into its own scratch, where it stays in
    // cache while its rows are placed in reverse (and reduced) and counted.
    std::vector<CommittedBuffer> scratch(threads);
    std::vector<uint8_t*> slices(threads, workSlice);
    for (unsigned t = 0; t < threads; ++t) {
        if (t == 0 && workSlice != nullptr) continue;
        if (!scratch[t].Commit(sliceBytes)) return false;
        slices[t] = scratch[t].Data();
    }
    std::vector<SampleCounter> counters(run.counts != nullptr ? threads : 0, SampleCounter(layout.bytesPerValue));
    const uint64_t rowBytes = sliceBytes / static_cast<uint64_t>(layout.sizeY);
    const bool ok = ReadSlices(keptZ, threads, [&](unsigned t, uint64_t z) {
        const uint64_t offset = base + z * static_cast<uint64_t>(layout.reduction) * sliceBytes;
        if (!source.ReadAt(offset, slices[t], sliceBytes)) return false;
        uint8_t* kept = dest + z * keptSlice;
        SampleCounter* counter = counters.empty() ? nullptr : &counters[t];
        if (layout.reduction != 1) {
            ReduceSliceReversed(layout, slices[t], kept);
            if (counter != nullptr) counter->Count(kept, keptSlice / static_cast<uint64_t>(layout.bytesPerValue));
            return true;
        }
        // Each row is counted while it is in the first-level cache.
        for (int64_t y = 0; y < layout.sizeY; ++y) {
            const uint8_t* row = slices[t] + static_cast<uint64_t>(y) * rowBytes;
            std::memcpy(kept + static_cast<uint64_t>(layout.sizeY - 1 - y) * rowBytes, row, rowBytes);
            if (counter != nullptr) counter->Count(row, rowBytes / static_cast<uint64_t>(layout.bytesPerValue));
        }
        return true;
    });
    if (!ok) return false;
    for (auto& counter : counters) counter.AddTo(run.counts);
    return source.Skip(total);   // every kept value was counted: each kept slice once
}

bool ReadKxdVolume(const VolumeLayout& layout, ByteSource& source, uint8_t* dest, uint8_t* /*workSlice*/,
                   const VolumeReadRun& run)
{
    const uint64_t sliceBytes = layout.SliceBytes();
    if (sliceBytes == 0 || layout.channels != 1) return false;
    const uint8_t* flag = source.Take(1);
    if (flag == nullptr) return false;
    const uint64_t keptSlice = KeptSliceBytes(layout);
    const uint64_t keptValues = keptSlice / static_cast<uint64_t>(layout.bytesPerValue) * static_cast<uint64_t>(layout.KeptZ());
    if (*flag != 1) {
        if (run.counts != nullptr) run.counts[0] += keptValues;   // nothing is read: the payload stays zero
        return true;
    }
    // Records follow each other without an index, so they are read on this
    // thread alone (helpers that faulted the payload in ahead or counted
    // finished slices measured no faster): the values copied are counted
    // while they are in cache, the zeros around them added in one step.
    SampleCounter counter(layout.bytesPerValue);
    SampleCounter* counting = run.counts != nullptr ? &counter : nullptr;
    for (int64_t z = 0; z < layout.sizeZ; ++z) {
        const bool keep = z % layout.reduction == 0;
        uint8_t* kept = dest + static_cast<uint64_t>(z / layout.reduction) * keptSlice;
        const bool ok = !keep || layout.reduction == 1 ? ReadKxdRows(layout, source, kept, keep, counting)
                                                       : ReadKxdRowsReduced(layout, source, kept, counting);
        if (!ok) return false;
    }
    if (counting != nullptr) counter.AddTo(run.counts);
    return true;
}

} // namespace velmor
