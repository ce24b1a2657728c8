#include "platform/ImageCodec.h"

#include "platform/CheckedMath.h"
#include "platform/Memory.h"
#include "platform/ReadOnlyFile.h"
#include "platform/WideText.h"

#include <cstdio>

namespace velmor {

ImageKind SniffImageKind(const uint8_t* data, size_t size)
{
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return ImageKind::Jpeg;
    static const uint8_t png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size >= 8 && std::equal(png, png + 8, data)) return ImageKind::Png;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return ImageKind::Bmp;
    return ImageKind::Unknown;
}

bool PlausibleImageSize(int64_t width, int64_t height, uint64_t encodedBytes, uint64_t pixelsPerByte)
{
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) return false;
    const int64_t pixels = width * height;
    if (pixels > kMaxImagePixels) return false;
    constexpr uint64_t kSmallPicture = 1 << 20;   // never refused for its size alone
    const uint64_t describable = SaturatingAdd(encodedBytes > UINT64_MAX / pixelsPerByte ? UINT64_MAX : encodedBytes * pixelsPerByte, kSmallPicture);
    return static_cast<uint64_t>(pixels) <= describable;
}

bool PrepareDecodedImage(DecodedImage& image, int64_t width, int64_t height, bool withIndices, uint64_t encodedBytes,
                         uint64_t pixelsPerByte)
{
    image = DecodedImage();
    if (!PlausibleImageSize(width, height, encodedBytes, pixelsPerByte)) return false;
    const int64_t pixels = width * height;
    const uint64_t need = static_cast<uint64_t>(pixels) * (withIndices ? 5 : 4);
    if (!HasFreeMemory(need)) return false;
    image.width = width;
    image.height = height;
    image.bgra.assign(static_cast<size_t>(pixels) * 4, 0);
    if (withIndices) image.indices.assign(static_cast<size_t>(pixels), 0);
    return true;
}

bool DecodeImageMemory(const uint8_t* data, size_t size, DecodedImage& image)
{
    bool ok = false;
    switch (SniffImageKind(data, size)) {
    case ImageKind::Jpeg: ok = DecodeJpeg(data, size, image); break;
    case ImageKind::Png: ok = DecodePng(data, size, image); break;
    case ImageKind::Bmp: ok = DecodeBmp(data, size, image); break;
    case ImageKind::Unknown: break;
    }
    if (!ok) image = DecodedImage();
    return ok;
}

bool ReadImageSize(const uint8_t* data, size_t size, ImageSize& out)
{
    out = ImageSize();
    switch (SniffImageKind(data, size)) {
    case ImageKind::Jpeg: return ReadJpegSize(data, size, out);
    case ImageKind::Png: return ReadPngSize(data, size, out);
    case ImageKind::Bmp: return ReadBmpSize(data, size, out);
    case ImageKind::Unknown: break;
    }
    return false;
}

SizedDecode DecodeImageOfSize(const uint8_t* data, size_t size, ImageSize expected, DecodedImage& image)
{
    image = DecodedImage();
    ImageSize header;
    if (!ReadImageSize(data, size, header)) return SizedDecode::Unreadable;
    if (header != expected) return SizedDecode::OtherSize;
    return DecodeImageMemory(data, size, image) ? SizedDecode::Decoded : SizedDecode::Unreadable;
}

SizedDecode DecodePlaneOfSize(const uint8_t* data, size_t size, ImageSize expected, const PlaneRows& rows)
{
    ImageSize header;
    if (!ReadImageSize(data, size, header)) return SizedDecode::Unreadable;
    if (header != expected) return SizedDecode::OtherSize;
    switch (SniffImageKind(data, size)) {
    case ImageKind::Jpeg: return DecodeJpegPlane(data, size, rows);
    case ImageKind::Png: return DecodePngPlane(data, size, rows);
    case ImageKind::Bmp: return DecodeBmpPlane(data, size, rows);
    case ImageKind::Unknown: break;
    }
    return SizedDecode::Unreadable;
}

bool DecodeImageFile(const std::wstring& path, DecodedImage& image)
{
    const ReadOnlyFile file(PathFromWide(path));
    uint64_t size = 0;
    if (!file.RegularSize(size) || size > SIZE_MAX || !HasFreeMemory(size)) return false;
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    return file.ReadExactlyAt(0, bytes.data(), size) && DecodeImageMemory(bytes.data(), bytes.size(), image);
}

} // namespace velmor
