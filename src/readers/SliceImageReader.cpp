#include "readers/SliceImageReader.h"

#include "platform/CheckedMath.h"
#include "platform/FilePaths.h"
#include "platform/ReadOnlyFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <tiffio.h>
#include <unistd.h>
#include <vector>

namespace velmor {
namespace {

uint8_t* MemoryRow(const SliceShape& shape, uint8_t* slice, int64_t sourceRow)
{
    const int64_t row = shape.reverseY ? sourceRow : shape.sizeY - 1 - sourceRow;
    return slice + static_cast<uint64_t>(row) * shape.RowBytes();
}

void PutValue(uint8_t* at, int bytesPerValue, uint32_t value)
{
    at[0] = static_cast<uint8_t>(value);
    if (bytesPerValue == 2) at[1] = static_cast<uint8_t>(value >> 8);
}

// Spreads `values` values of a source row (spp per pixel) onto a memory row
// of `channels` per pixel: 3 to 1 keeps the first, 1 to 3 copies into all.
bool MapSamples(const uint8_t* src, uint32_t spp, uint8_t* dst, const SliceShape& shape, uint64_t pixels)
{
    const uint64_t b = static_cast<uint64_t>(shape.bytesPerValue);
    const uint64_t ch = static_cast<uint64_t>(shape.channels);
    if (spp == ch) {
        std::memcpy(dst, src, pixels * ch * b);
        return true;
    }
    if (spp == 3 && ch == 1) {
        for (uint64_t x = 0; x < pixels; ++x) std::memcpy(dst + x * b, src + x * 3 * b, b);
        return true;
    }
    if (spp == 1 && ch == 3) {
        for (uint64_t x = 0; x < pixels; ++x)
            for (uint64_t c = 0; c < 3; ++c) std::memcpy(dst + (x * 3 + c) * b, src + x * b, b);
        return true;
    }
    return false;
}

void SilenceLibtiff()
{
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
}

struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};

struct TiffOptionsFree {
    void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};

// The library may hold no single block larger than the file itself plus the
// picture the slice expects (four samples a pixel at most), so that a lying
// strip size or count costs no allocation.
constexpr uint64_t kMaxSamplesPerPixel = 4;
constexpr uint64_t kTiffAllocationSlack = uint64_t{1} << 20;

TIFF* OpenTiffBounded(const std::filesystem::path& file, const SliceShape& shape)
{
    // Only a regular file reaches the library, which then owns the descriptor.
    ReadOnlyFile opened(file);
    uint64_t fileBytes = 0;
    if (!opened.RegularSize(fileBytes)) return nullptr;
    const uint64_t picture = shape.RowBytes() * static_cast<uint64_t>(shape.sizeY) / static_cast<uint64_t>(shape.channels) *
                             kMaxSamplesPerPixel;
    const uint64_t limit = SaturatingAdd(SaturatingAdd(fileBytes, picture), kTiffAllocationSlack);
    std::unique_ptr<TIFFOpenOptions, TiffOptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options) return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(std::min<uint64_t>(limit, INT64_MAX)));
    const int fd = opened.ReleaseDescriptor();
    TIFF* tif = TIFFFdOpenExt(fd, file.c_str(), "r", options.get());
    if (tif == nullptr) close(fd);
    return tif;
}

struct TiffFormat {
    uint32_t width = 0, height = 0;
    uint16_t bits = 0, spp = 0, photometric = 1, compression = 1, planar = PLANARCONFIG_CONTIG;
    bool sppInferred = false;
};

bool ReadTiffFormat(TIFF* tif, const SliceShape& shape, TiffFormat& f)
{
    if (TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &f.bits) != 1 || f.bits / 8 != shape.bytesPerValue || f.bits % 8 != 0)
        return false;
    if (TIFFIsTiled(tif)) return false;
    if (TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &f.width) != 1 || TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &f.height) != 1)
        return false;
    if (f.width != shape.sizeX || f.height != shape.sizeY) return false;
    if (TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &f.spp) != 1) f.spp = 0;
    if (TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &f.photometric) != 1) f.photometric = PHOTOMETRIC_MINISBLACK;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &f.compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &f.planar);
    if (f.spp == 0) {
        // The photometric interpretation tells the count; the library must decode by the same one.
        // A palette picture holds one index a pixel, the tag's own default.
        f.spp = f.photometric == PHOTOMETRIC_MINISBLACK || f.photometric == PHOTOMETRIC_PALETTE ? 1 : 3;
        f.sppInferred = true;
        if (TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, f.spp) != 1) return false;
    }
    const bool known = f.photometric == PHOTOMETRIC_MINISBLACK || f.photometric == PHOTOMETRIC_RGB ||
                       f.photometric == PHOTOMETRIC_PALETTE || f.photometric == PHOTOMETRIC_YCBCR;
    if (!known || (f.planar != PLANARCONFIG_CONTIG && f.spp > 1)) return false;
    if (f.spp != shape.channels && !(f.spp == 3 && shape.channels == 1) && !(f.spp == 1 && shape.channels == 3)) return false;
    if (f.photometric == PHOTOMETRIC_YCBCR) {
        // Let the library hand out RGB; subsampled raw YCbCr has another row layout.
        if (f.compression == COMPRESSION_JPEG) return TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB) == 1;
        uint16_t h = 1, v = 1;
        TIFFGetFieldDefaulted(tif, TIFFTAG_YCBCRSUBSAMPLING, &h, &v);
        return h == 1 && v == 1;
    }
    return true;
}

bool ReadScanlines(TIFF* tif, const TiffFormat& f, const SliceShape& shape, uint8_t* slice)
{
    const uint64_t sourceRowBytes = static_cast<uint64_t>(f.width) * f.spp * static_cast<uint64_t>(shape.bytesPerValue);
    if (static_cast<uint64_t>(TIFFScanlineSize64(tif)) != sourceRowBytes) return false;
    // Matching sample counts go straight into the memory row; others through one scratch row.
    const bool direct = f.spp == static_cast<uint32_t>(shape.channels);
    std::vector<uint8_t> scratch(direct ? 0 : sourceRowBytes);
    for (uint32_t y = 0; y < f.height; ++y) {
        uint8_t* row = MemoryRow(shape, slice, y);
        if (TIFFReadScanline(tif, direct ? row : scratch.data(), y, 0) < 0) return false;
        if (!direct && !MapSamples(scratch.data(), f.spp, row, shape, f.width)) return false;
    }
    return true;
}

bool ReadStrips(TIFF* tif, const TiffFormat& f, const SliceShape& shape, uint8_t* slice)
{
    const uint64_t sourceRowBytes = static_cast<uint64_t>(f.width) * f.spp * static_cast<uint64_t>(shape.bytesPerValue);
    uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    if (rowsPerStrip == 0 || rowsPerStrip > f.height) rowsPerStrip = f.height;
    const tmsize_t stripSize = TIFFStripSize(tif);
    if (stripSize <= 0 || static_cast<uint64_t>(stripSize) < sourceRowBytes * rowsPerStrip) return false;
    std::vector<uint8_t> scratch(static_cast<size_t>(stripSize));
    uint32_t row = 0;
    for (tstrip_t strip = 0; row < f.height; ++strip) {
        if (strip >= TIFFNumberOfStrips(tif)) return false;
        const tmsize_t got = TIFFReadEncodedStrip(tif, strip, scratch.data(), stripSize);
        const uint32_t rows = std::min(rowsPerStrip, f.height - row);
        if (got < 0 || static_cast<uint64_t>(got) < sourceRowBytes * rows) return false;
        for (uint32_t r = 0; r < rows; ++r, ++row)
            if (!MapSamples(scratch.data() + r * sourceRowBytes, f.spp, MemoryRow(shape, slice, row), shape, f.width))
                return false;
    }
    return true;
}

} // namespace

uint64_t SliceShape::RowBytes() const
{
    if (sizeX <= 0 || sizeY <= 0 || (bytesPerValue != 1 && bytesPerValue != 2) || channels < 1 || channels > 4) return 0;
    uint64_t bytes = 0;
    return CheckedMul(static_cast<uint64_t>(sizeX), static_cast<uint64_t>(channels * bytesPerValue), bytes) ? bytes : 0;
}

bool PlacePictureSlice(const DecodedImage& picture, const SliceShape& shape, uint8_t* slice, bool& pendingFlipY)
{
    if (shape.RowBytes() == 0 || picture.width != shape.sizeX || picture.height != shape.sizeY) return false;
    pendingFlipY = false;
    const bool useIndices = shape.channels == 1 && !picture.indices.empty();
    const uint64_t b = static_cast<uint64_t>(shape.bytesPerValue);
    const uint64_t ch = static_cast<uint64_t>(shape.channels);
    for (int64_t y = 0; y < shape.sizeY; ++y) {
        uint8_t* row = MemoryRow(shape, slice, y);
        for (int64_t x = 0; x < shape.sizeX; ++x) {
            const uint8_t* p = picture.Pixel(x, y);
            uint8_t* out = row + static_cast<uint64_t>(x) * ch * b;
            if (ch == 1) {
                PutValue(out, shape.bytesPerValue, useIndices ? picture.indices[static_cast<size_t>(y * shape.sizeX + x)] : p[0]);
                continue;
            }
            const uint8_t rgba[4] = {p[2], p[1], p[0], p[3]};
            for (uint64_t c = 0; c < ch; ++c) PutValue(out + c * b, shape.bytesPerValue, rgba[c]);
        }
    }
    return true;
}

SizedDecode DecodeGreySlice(const uint8_t* bytes, size_t size, const SliceShape& shape, uint8_t* slice, bool& pendingFlipY)
{
    const uint64_t rowBytes = shape.RowBytes();
    if (rowBytes == 0) return SizedDecode::Unreadable;
    if (shape.channels != 1) return SizedDecode::Colour;
    // Two-byte values: the picture's bytes land in the upper half of their
    // memory row and are widened in place from the left, where every value
    // is read before its two bytes overwrite it.
    const bool wide = shape.bytesPerValue == 2;
    const auto pitch = static_cast<int64_t>(rowBytes);
    const PlaneRows rows{MemoryRow(shape, slice, 0) + (wide ? shape.sizeX : 0), shape.reverseY ? pitch : -pitch};
    const SizedDecode result = DecodePlaneOfSize(bytes, size, {shape.sizeX, shape.sizeY}, rows);
    if (result != SizedDecode::Decoded) return result;
    pendingFlipY = false;
    if (!wide) return result;
    for (int64_t y = 0; y < shape.sizeY; ++y) {
        uint8_t* row = MemoryRow(shape, slice, y);
        for (int64_t x = 0; x < shape.sizeX; ++x) {
            const uint8_t value = row[shape.sizeX + x];
            row[2 * x] = value;
            row[2 * x + 1] = 0;
        }
    }
    return result;
}

bool ReadRawSliceFrom(ByteSource& source, const SliceShape& shape, uint8_t* slice, bool& pendingFlipY)
{
    const uint64_t rowBytes = shape.RowBytes();
    if (rowBytes == 0) return false;
    pendingFlipY = false;
    if (!source.ReadInto(slice, rowBytes * static_cast<uint64_t>(shape.sizeY))) return false;
    if (!shape.reverseY) ReverseRows(slice, shape.sizeY, rowBytes);
    return true;
}

bool ReadKxdSliceFrom(ByteSource& source, const SliceShape& shape, uint8_t* slice)
{
    if (shape.RowBytes() == 0 || shape.channels != 1) return false;
    const uint8_t* flag = source.Take(1);
    if (flag == nullptr) return false;
    if (*flag != 1) return true;
    return ReadKxdRows(shape.AsLayout(), source, slice, true);
}

bool ReadTiffSlice(const std::wstring& path, const SliceShape& shape, uint8_t* slice, bool& pendingFlipY)
{
    if (shape.RowBytes() == 0) return false;
    SilenceLibtiff();
    std::unique_ptr<TIFF, TiffCloser> tif(OpenTiffBounded(ResolveScenePath(path), shape));
    TiffFormat f;
    if (!tif || !ReadTiffFormat(tif.get(), shape, f)) return false;
    pendingFlipY = false;
    // The library sizes its lines when it reads the directory, before an inferred sample
    // count; strips are sized per call and their byte counts are checked.
    const bool scanlines = f.compression == COMPRESSION_NONE && !f.sppInferred &&
                           (f.photometric == PHOTOMETRIC_MINISBLACK || f.photometric == PHOTOMETRIC_RGB);
    return scanlines ? ReadScanlines(tif.get(), f, shape, slice) : ReadStrips(tif.get(), f, shape, slice);
}

} // namespace velmor
