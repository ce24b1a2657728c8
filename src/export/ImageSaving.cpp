#include "export/ExportJob.h"
#include "export/TiffImageWriter.h"
#include "platform/CheckedMath.h"
#include "platform/ImageCodec.h"
#include "platform/WideText.h"

#include <algorithm>
#include <cwctype>
#include <utility>

namespace velmor {

namespace {

constexpr int kJpegQuality = 70;

// The encoders this program has, in the order the lookup reports them.
constexpr const wchar_t* kEncoderMimeTypes[] = {L"image/bmp", L"image/jpeg"};

bool IsColourImage(const ImageRecord& image)
{
    if (image.pixels == nullptr || image.width <= 0 || image.height <= 0) return false;
    return int64_t{image.stride} >= int64_t{image.width} * 3;
}

// Encoders take the first buffer row as the top of the picture; the last
// buffer row goes on top, so they read the rows from the end.
int32_t SaveMirrored(const ImageRecord& image, const std::wstring& path, bool jpeg)
{
    if (!IsColourImage(image)) return kEncoderWriteFailed;
    const int64_t stride = image.stride;
    const uint8_t* last = image.pixels + (int64_t{image.height} - 1) * stride;
    const bool ok = jpeg ? SaveJpeg(path, last, image.width, image.height, -stride, kJpegQuality)
                         : SaveBmp24(path, last, image.width, image.height, -stride);
    return ok ? kEncoderOk : kEncoderWriteFailed;
}

std::wstring Lower(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return wchar_t(std::towlower(c)); });
    return text;
}

} // namespace

int32_t GetEncoderClsid(const std::wstring& mimeType, EncoderClsid& clsid)
{
    for (int32_t i = 0; i < int32_t(std::size(kEncoderMimeTypes)); ++i) {
        if (mimeType == kEncoderMimeTypes[i]) {
            clsid.id = i;
            return i;
        }
    }
    return -1;
}

void ExportJob::SwapRedBlue(int bytesPerPixel)
{
    // Pixels of fewer than three bytes have no third byte to swap with.
    if (image == nullptr || image->pixels == nullptr || bytesPerPixel < 3 || image->width <= 0 || image->height <= 0 ||
        int64_t{image->stride} < int64_t{image->width} * bytesPerPixel)
        return;
    for (int64_t r = 0; r < image->height; ++r) {
        uint8_t* row = image->pixels + r * int64_t{image->stride};
        for (int64_t c = 0; c < image->width; ++c) std::swap(row[c * bytesPerPixel], row[c * bytesPerPixel + 2]);
    }
}

int32_t ExportJob::SaveImageByExtension(const std::wstring& path, const std::wstring& extension)
{
    if (image == nullptr) return kEncoderWriteFailed;
    // A ".JPG" file gets JPEG bytes too, not a bitmap under a JPEG name.
    const std::wstring kind = Lower(extension);
    return kind == L"jpg" || kind == L"jpeg" ? SaveImageJpeg(*image, path) : SaveImageBmp(*image, path);
}

int32_t ExportJob::SaveImageJpeg(const ImageRecord& bitmap, const std::wstring& path)
{
    EncoderClsid clsid;
    if (GetEncoderClsid(L"image/jpeg", clsid) < 0) return -1;
    return SaveMirrored(bitmap, path, true);
}

int32_t ExportJob::SaveImageBmp(const ImageRecord& bitmap, const std::wstring& path)
{
    EncoderClsid clsid;
    if (GetEncoderClsid(L"image/bmp", clsid) < 0) return -1;
    return SaveMirrored(bitmap, path, false);
}

bool ExportJob::WriteTiffImage(const std::wstring& path, uint16_t samplesPerPixel, uint16_t bytesPerSample)
{
    if (image == nullptr || image->pixels == nullptr || image->width <= 0 || image->height <= 0) return false;
    TiffPixels pixels;
    pixels.data = image->pixels;
    pixels.width = uint64_t(image->width);
    pixels.height = uint64_t(image->height);
    pixels.samplesPerPixel = samplesPerPixel;
    pixels.bytesPerSample = bytesPerSample;
    const uint64_t packed = pixels.width * samplesPerPixel * bytesPerSample;
    // Rows that follow one another need no stride; a stride that is given is
    // followed, so that padded rows do not shear the picture.
    pixels.stride = image->stride <= 0 ? packed : uint64_t(image->stride);
    return WriteUncompressedTiff(PathFromWide(path), pixels);
}

} // namespace velmor
