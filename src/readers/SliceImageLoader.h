#pragma once
// One slice of a data object's stack or its image, from the reader its
// source type names. The slices of a stack may be read on several threads:
// each brings its own work slice and scratch, and reports the flags it
// would set on the data object, which are applied in slice order.
#include "readers/SampleHistogram.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velmor {

class DataObject;

struct SliceRun {
    uint8_t* workSlice = nullptr;      // one full slice, needed when the reduction step is not 1
    uint64_t workSliceBytes = 0;
    std::vector<uint8_t> scratch;      // pixel bytes on their way from a file, reused
    SampleCounter* counter = nullptr;  // counts the kept slice when set
    bool counted = false;              // the reader counted the slice itself

    // Start from the data object's flags; the readers only ever clear the
    // pending y flip and only ever set the sign flags.
    bool pendingFlipY = false;
    bool isSigned = false;
    bool isUnsigned = false;

    void ApplyTo(DataObject& d) const;
};

// The slice loader's work on `d` (which it does not change) into dest.
bool LoadSliceWith(const DataObject& d, uint8_t* dest, const std::wstring& filePath, int bytesPerValue, SliceRun& run);

// Bytes of a value as the slice readers write it: one for a format of one
// byte, two for any wider one.
int SliceValueBytes(int formatBytes);

// Whether the slice readers of `d`'s source type write every byte of the
// payload its format and components declare, so that it need not be zeroed
// first: "raw", pictures, TIFF and DICOM write each slice they accept whole,
// every channel of every value, but only as wide as SliceValueBytes; "kxd"
// slices may hold no rows, and unknown types are read by nobody.
bool SliceReadersFillPayload(const DataObject& d);

// What one slice read of `d` holds at once beside its place in the payload
// (a decoded picture, a TIFF strip, a DICOM slice's pixel bytes), so that a
// stack is read on no more threads than memory holds these for.
uint64_t SliceReadWorkBytes(const DataObject& d, int bytesPerValue);

} // namespace velmor
