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
enum class SizedDecode { Decoded, OtherSize, Unreadable };
SizedDecode DecodeImageOfSize(const uint8_t* data, size_t size, ImageSize expected, DecodedImage& image);

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
// Sizes the decoded buffers for width x height, refusing sizes that are
// impossible or that the encoded bytes could not describe: a decoder passes
// the most pixels its format can pack into `encodedBytes`, so that a lying
// header costs no allocation.
bool PrepareDecodedImage(DecodedImage& image, int64_t width, int64_t height, bool withIndices, uint64_t encodedBytes,
                         uint64_t pixelsPerByte);

} // namespace velmor
