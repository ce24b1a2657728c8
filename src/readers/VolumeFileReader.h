#pragma once
// Whole volumes from one file or container block: "raw" (samples only) and
// "kxd" (per row: the count of leading zeros, the count of trailing zeros
// and the samples between). Rows of each slice are stored in the reverse of
// the file's order; with a reduction step n only every n-th slice, row and
// column is kept.
#include "readers/ByteSource.h"
#include "readers/SampleHistogram.h"

#include <cstdint>
#include <string>

namespace velmor {

struct VolumeLayout {
    int64_t sizeX = 0, sizeY = 0, sizeZ = 0;   // as stored in the source
    int reduction = 1;                          // n: 1, 2 or 4
    int bytesPerValue = 1;                      // 1 or 2 (little-endian, stored as read)
    int channels = 1;                           // values per sample, interleaved

    int64_t KeptX() const { return (sizeX + reduction - 1) / reduction; }
    int64_t KeptY() const { return (sizeY + reduction - 1) / reduction; }
    int64_t KeptZ() const { return (sizeZ + reduction - 1) / reduction; }
    uint64_t SampleBytes() const { return static_cast<uint64_t>(bytesPerValue) * static_cast<uint64_t>(channels); }
    // Bytes of one full slice, or 0 when the sizes are not sane.
    uint64_t SliceBytes() const;
};

enum class VolumeFileKind { Raw, Kxd, Other };
// The layout keyword, compared without regard to ASCII letter case.
VolumeFileKind VolumeFileKindOf(const std::wstring& fileType);

// How a whole "raw" volume is read: slices on `threads` threads (0: one
// per core), and, when `counts` is given, every kept value added to that
// table (256 entries for 1-byte values, 65,536 for 2-byte ones) while its
// slice is still in cache. The samples are the same at any thread count.
struct VolumeReadRun {
    unsigned threads = 1;
    uint64_t* counts = nullptr;
};

// Reads the whole volume into dest (kept sizes, zero-filled by the caller);
// workSlice holds one full slice (the raw reader takes it as the first
// thread's scratch and commits its own when it is null).
// False when the data ends early, a row record is impossible, or a "kxd"
// volume has more than one channel: a damaged volume must not look valid.
// A "kxd" layout flag other than 1 reads nothing and succeeds.
bool ReadRawVolume(const VolumeLayout& layout, ByteSource& source, uint8_t* dest, uint8_t* workSlice,
                   const VolumeReadRun& run = {});
// The run-length reader reads in file order on one thread; it counts the
// values it copies and adds the zeros around them.
bool ReadKxdVolume(const VolumeLayout& layout, ByteSource& source, uint8_t* dest, uint8_t* workSlice,
                   const VolumeReadRun& run = {});

// One slice in either layout (the slice loaders use them per file).
bool ReadRawSlice(const VolumeLayout& layout, ByteSource& source, uint8_t* slice);
// The Y row records of one slice after its layout flag; `keep` false skips
// them. A counter counts every value of the kept slice.
bool ReadKxdRows(const VolumeLayout& layout, ByteSource& source, uint8_t* slice, bool keep, SampleCounter* counter = nullptr);

// Copies every n-th sample of every n-th row of a full slice into a kept slice.
void ReduceSlice(const VolumeLayout& layout, const uint8_t* fullSlice, uint8_t* keptSlice);
// The same from a slice in file row order: kept row y' is file row Y-1-y'n.
void ReduceSliceReversed(const VolumeLayout& layout, const uint8_t* fileSlice, uint8_t* keptSlice);
// Reverses the order of the rows of a slice in place.
void ReverseRows(uint8_t* slice, int64_t rows, uint64_t rowBytes);

} // namespace velmor
