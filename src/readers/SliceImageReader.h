#pragma once
// One 2-D slice (an "image", or one file of a stack) into memory: X samples
// a row, Y rows, each sample `channels` values of `bytesPerValue` bytes
// (2-byte values little-endian). Row rule: with reverseY set, memory row m
// holds source row m (counted from the top of the picture); otherwise
// source row Y-1-m. Readers that place rows themselves clear the pending
// y flip; the "kxd" reader stores reversed rows and leaves it to the mirror
// step.
#include "platform/ImageCodec.h"
#include "readers/ByteSource.h"
#include "readers/VolumeFileReader.h"

#include <cstdint>
#include <string>

namespace velmor {

struct SliceShape {
    int64_t sizeX = 0, sizeY = 0;
    int channels = 1;        // 1, 3 or 4
    int bytesPerValue = 1;   // 1 or 2
    bool reverseY = false;

    uint64_t RowBytes() const;   // 0 when the shape is not sane
    VolumeLayout AsLayout() const { return {sizeX, sizeY, 1, 1, bytesPerValue, channels}; }
};

// A decoded picture of exactly sizeX x sizeY: one channel takes the grey
// value or palette index (the blue byte of a colour picture), three take
// red, green, blue, four add alpha. 2-byte values hold the byte widened.
bool PlacePictureSlice(const DecodedImage& picture, const SliceShape& shape, uint8_t* slice, bool& pendingFlipY);
// The same values for a grey or palette picture into one channel, decoded
// from its bytes straight into the memory rows. Colour, with nothing
// written, for any other picture or channel count: that one goes through
// PlacePictureSlice.
SizedDecode DecodeGreySlice(const uint8_t* bytes, size_t size, const SliceShape& shape, uint8_t* slice, bool& pendingFlipY);

bool ReadRawSliceFrom(ByteSource& source, const SliceShape& shape, uint8_t* slice, bool& pendingFlipY);
// A layout flag other than 1 reads nothing and succeeds.
bool ReadKxdSliceFrom(ByteSource& source, const SliceShape& shape, uint8_t* slice);

// Uncompressed grey or RGB files line by line, others strip by strip, both
// placed by the row rule. Refused: a file that does not open, bits per
// sample other than 8 x bytesPerValue, tiles, separate colour planes,
// another size, photometric interpretations other than min-is-black, RGB,
// palette and YCbCr, sample counts that do not map onto the channels, and
// any strip or line the library fails to decode.
bool ReadTiffSlice(const std::wstring& path, const SliceShape& shape, uint8_t* slice, bool& pendingFlipY);

} // namespace velmor
