#pragma once
// Picture files for slices and section images: JPEG (libjpeg-turbo), PNG
// (libpng) and BMP (our own code), decoded from a file or from memory into
// one layout the loaders rely on, and BMP / JPEG encoding.
#include <cstdint>
#include <string>
#include <vector>

namespace velmor {

struct DecodedImage {
    int64_t width = 0;
    int64_t height = 0;
    // Top row first, four bytes a pixel: blue, green, red, alpha (255 where
    // the picture has no alpha). Palettes are applied.
    std::vector<uint8_t> bgra;
    // For grey and palette pictures only: one byte a pixel, the grey value or
    // the palette index, as such a picture stores it. Empty for colour.
    std::vector<uint8_t> indices;
    int bitsPerPixel = 0;   // of the source: 1, 4, 8, 16, 24 or 32

    const uint8_t* Pixel(int64_t x, int64_t y) const { return bgra.data() + (y * width + x) * 4; }
};

enum class ImageKind { Unknown, Jpeg, Png, Bmp };
ImageKind SniffImageKind(const uint8_t* data, size_t size);

// The kind is taken from the bytes, not the file name. False for anything
// that is not a complete, well-formed picture (nothing half decoded).
bool DecodeImageMemory(const uint8_t* data, size_t size, DecodedImage& image);
bool DecodeImageFile(const std::wstring& path, DecodedImage& image);

bool DecodeJpeg(const uint8_t* data, size_t size, DecodedImage& image);
bool DecodePng(const uint8_t* data, size_t size, DecodedImage& image);
bool DecodeBmp(const uint8_t* data, size_t size, DecodedImage& image);

struct ImageSize {
    int64_t width = 0;
    int64_t height = 0;
    bool operator==(const ImageSize&) const = default;
};
// The size a picture's header gives (the JPEG frame header, PNG's IHDR, the
// BMP info header), read without decoding a row or allocating for pixels.
// False when the kind is unknown or the header does not read.
bool ReadImageSize(const uint8_t* data, size_t size, ImageSize& out);
bool ReadJpegSize(const uint8_t* data, size_t size, ImageSize& out);
bool ReadPngSize(const uint8_t* data, size_t size, ImageSize& out);
bool ReadBmpSize(const uint8_t* data, size_t size, ImageSize& out);

// A picture that must have one size, such as a slice of a stack: another
// size is told from the header and refused before anything is decoded, so
// that a large picture in the wrong place costs no more than its file.
// Colour: a grey plane was asked of a picture that has none.
enum class SizedDecode { Decoded, OtherSize, Unreadable, Colour };
SizedDecode DecodeImageOfSize(const uint8_t* data, size_t size, ImageSize expected, DecodedImage& image);

// Where the rows of a picture of one byte a pixel go: picture row y (top
// first) at top + y x pitch, width bytes of it. The pitch may be negative
// and wider than a row.
struct PlaneRows {
    uint8_t* top = nullptr;
    int64_t pitch = 0;
    uint8_t* Row(int64_t y) const { return top + y * pitch; }
};
// A grey or palette picture decoded straight into the caller's rows, with
// the bytes DecodedImage::indices would hold, and no picture in between:
// 8-bit grey JPEG; grey PNG without transparency and palette PNG of any
// depth; uncompressed 8-bit BMP. Any other picture is Colour, with nothing
// written. A picture refused here is refused by DecodeImageOfSize too;
// what was written before a failure stays.
SizedDecode DecodePlaneOfSize(const uint8_t* data, size_t size, ImageSize expected, const PlaneRows& rows);
SizedDecode DecodeJpegPlane(const uint8_t* data, size_t size, const PlaneRows& rows);
SizedDecode DecodePngPlane(const uint8_t* data, size_t size, const PlaneRows& rows);
SizedDecode DecodeBmpPlane(const uint8_t* data, size_t size, const PlaneRows& rows);

// The most a decoder holds for one pixel while it decodes: the decoded
// picture (4), its grey or index plane (1), and the library's rows or, for a
// progressive JPEG, its coefficients (two bytes for each of three samples).
constexpr uint64_t kDecodeBytesPerPixel = 4 + 1 + 6;

// Three bytes a pixel in blue, green, red order; the first buffer row is the
// top of the picture. False when the file could not be written completely
// (a partial file is removed).
bool SaveBmp24(const std::wstring& path, const uint8_t* bgr, int64_t width, int64_t height, int64_t stride);
bool SaveJpeg(const std::wstring& path, const uint8_t* bgr, int64_t width, int64_t height, int64_t stride, int quality);

// Largest side and pixel count a decoder accepts; beyond them a header lies.
constexpr int64_t kMaxImageSide = 1 << 20;
constexpr int64_t kMaxImagePixels = int64_t{1} << 30;
// Most scans a JPEG may have. Encoders write a handful (libjpeg's progressive
// pictures have 6 or 10), but every scan costs a pass over the whole picture
// however few bytes it holds: one of thousands of scans is refused after
// this many passes, a few times what decoding a real picture costs.
constexpr int kMaxJpegScans = 100;
// Scans past the bound are told from the markers before any is decoded,
// and the library refuses any that walk might miss as it begins them. A
// test may put another walk in place (nullptr restores the decoder's own);
// the call returns the walk it replaces.
using JpegScanWalk = bool (*)(const uint8_t* data, size_t size, int bound);
JpegScanWalk ReplaceJpegScanWalkForTest(JpegScanWalk walk);
// Refuses sizes that are impossible or that the encoded bytes could not
// describe: a decoder passes the most pixels its format can pack into
// `encodedBytes`, so that a lying header costs no allocation.
bool PlausibleImageSize(int64_t width, int64_t height, uint64_t encodedBytes, uint64_t pixelsPerByte);
// Sizes the decoded buffers for a plausible width x height that memory holds.
bool PrepareDecodedImage(DecodedImage& image, int64_t width, int64_t height, bool withIndices, uint64_t encodedBytes,
                         uint64_t pixelsPerByte);

} // namespace velmor
