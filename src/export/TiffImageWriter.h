#pragma once
// Uncompressed TIFF files through libtiff, shared by the slice export and
// the section-image save: min-is-black for one sample a pixel, RGB
// otherwise, strips of eight rows, 72 dpi.
#include <cstdint>
#include <filesystem>

namespace velmor {

struct TiffPixels {
    const uint8_t* data = nullptr;
    uint64_t width = 0;
    uint64_t height = 0;
    uint64_t stride = 0;            // bytes from one row to the next
    uint16_t samplesPerPixel = 1;
    uint16_t bytesPerSample = 1;    // 2: little-endian 16-bit samples
};

// False, with a regular file removed, when the file cannot be created, the
// pixels do not describe an image, or any write or the close fails.
bool WriteUncompressedTiff(const std::filesystem::path& path, const TiffPixels& pixels);

} // namespace velmor
