#pragma once
// Uncompressed TIFF files through libtiff, shared by the slice export and
// the section-image save: min-is-black for one sample a pixel, RGB
// otherwise, strips of eight rows, 72 dpi.
#include <cstdint>
#include <filesystem>

namespace velmor {

class AtomicFile;

struct TiffPixels {
    const uint8_t* data = nullptr;
    uint64_t width = 0;
    uint64_t height = 0;
    uint64_t stride = 0;            // bytes from one row to the next
    uint16_t samplesPerPixel = 1;
    uint16_t bytesPerSample = 1;    // 2: little-endian 16-bit samples
};

// Writes `path`, a name the user chose. False, with nothing left under
// `path`, when the file cannot be created, the pixels do not describe an
// image, or any write fails.
bool WriteUncompressedTiff(const std::filesystem::path& path, const TiffPixels& pixels);
// Writes into a created file and leaves finishing it to the caller.
bool WriteUncompressedTiff(AtomicFile& file, const TiffPixels& pixels);

} // namespace velmor
