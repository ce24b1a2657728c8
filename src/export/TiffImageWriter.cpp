#include "export/TiffImageWriter.h"

#include "platform/AtomicFile.h"
#include "platform/CheckedMath.h"

#include <tiffio.h>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace velmor {

namespace {

// libtiff's own file procedures would close the file and forget a failed
// write; ours remember every failure and leave closing to the file's owner.
struct TiffFd {
    int fd = -1;
    bool failed = false;
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size)
{
    auto* h = static_cast<TiffFd*>(handle);
    const ssize_t n = ::read(h->fd, buffer, static_cast<size_t>(size));
    return n < 0 ? -1 : n;
}

tmsize_t WriteProc(thandle_t handle, void* buffer, tmsize_t size)
{
    auto* h = static_cast<TiffFd*>(handle);
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    tmsize_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(h->fd, bytes + done, static_cast<size_t>(size - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            h->failed = true;
            return -1;
        }
        done += n;
    }
    return done;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence)
{
    auto* h = static_cast<TiffFd*>(handle);
    const off_t at = ::lseek(h->fd, static_cast<off_t>(offset), whence);
    if (at < 0) {
        h->failed = true;
        return static_cast<toff_t>(-1);
    }
    return static_cast<toff_t>(at);
}

int CloseProc(thandle_t handle) { return static_cast<TiffFd*>(handle)->failed ? -1 : 0; }

toff_t SizeProc(thandle_t handle)
{
    struct stat info;
    return ::fstat(static_cast<TiffFd*>(handle)->fd, &info) == 0 ? static_cast<toff_t>(info.st_size) : 0;
}

int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

bool SetTags(TIFF* tif, const TiffPixels& p, uint32_t& rowsPerStrip)
{
    bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(p.width)) == 1;
    ok = ok && TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(p.height)) == 1;
    ok = ok && TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, static_cast<uint16_t>(8 * p.bytesPerSample)) == 1;
    ok = ok && TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, p.samplesPerPixel) == 1;
    ok = ok && TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE) == 1;
    ok = ok && TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, p.samplesPerPixel == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB) == 1;
    ok = ok && TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB) == 1;
    ok = ok && TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) == 1;
    rowsPerStrip = TIFFDefaultStripSize(tif, 8);
    ok = ok && TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip) == 1;
    ok = ok && TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) == 1;
    ok = ok && TIFFSetField(tif, TIFFTAG_XRESOLUTION, 72.0) == 1;
    ok = ok && TIFFSetField(tif, TIFFTAG_YRESOLUTION, 72.0) == 1;
    ok = ok && TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) == 1;
    return ok && rowsPerStrip > 0;
}

bool WriteStrips(TIFF* tif, const TiffPixels& p, uint64_t rowBytes, uint32_t rowsPerStrip)
{
    std::vector<uint8_t> packed;
    uint32_t strip = 0;
    for (uint64_t row = 0; row < p.height; row += rowsPerStrip, ++strip) {
        const uint64_t rows = std::min<uint64_t>(rowsPerStrip, p.height - row);
        const tmsize_t size = TIFFVStripSize(tif, static_cast<uint32_t>(rows));
        if (size <= 0 || static_cast<uint64_t>(size) != rows * rowBytes) return false;
        const uint8_t* first = p.data + row * p.stride;
        if (p.stride != rowBytes) {
            // Rows with padding between them go out packed.
            packed.resize(static_cast<size_t>(size));
            for (uint64_t r = 0; r < rows; ++r)
                std::copy_n(first + r * p.stride, rowBytes, packed.data() + r * rowBytes);
            first = packed.data();
        }
        if (TIFFWriteEncodedStrip(tif, strip, const_cast<uint8_t*>(first), size) < 0) return false;
    }
    return true;
}

} // namespace

bool WriteUncompressedTiff(const std::filesystem::path& path, const TiffPixels& pixels)
{
    AtomicFile file;
    return file.Create(path, AtomicFile::Naming::ByUser) && WriteUncompressedTiff(file, pixels) && file.Commit();
}

bool WriteUncompressedTiff(AtomicFile& file, const TiffPixels& p)
{
    uint64_t rowBytes = 0, imageBytes = 0;
    if (p.data == nullptr || p.width == 0 || p.height == 0 || p.width > UINT32_MAX || p.height > UINT32_MAX ||
        p.samplesPerPixel == 0 || (p.bytesPerSample != 1 && p.bytesPerSample != 2) ||
        !CheckedMul(p.width, uint64_t{p.samplesPerPixel} * p.bytesPerSample, rowBytes) || p.stride < rowBytes ||
        !CheckedMul(rowBytes, p.height, imageBytes) || !file.IsOpen()) {
        file.MarkFailed();
        return false;
    }
    TiffFd handle;
    handle.fd = file.Descriptor();
    // Classic TIFF offsets stop at 4 GiB; larger images go out as BigTIFF.
    const char* mode = imageBytes > 0xF0000000u ? "w8" : "w";
    TIFF* tif = TIFFClientOpen(file.Target().c_str(), mode, &handle, ReadProc, WriteProc, SeekProc, CloseProc,
                               SizeProc, MapProc, UnmapProc);
    bool ok = false;
    if (tif != nullptr) {
        uint32_t rowsPerStrip = 0;
        ok = SetTags(tif, p, rowsPerStrip) && WriteStrips(tif, p, rowBytes, rowsPerStrip);
        ok = TIFFFlush(tif) == 1 && ok;
        TIFFClose(tif);
        ok = ok && !handle.failed;
    }
    if (!ok) file.MarkFailed();
    return ok;
}

} // namespace velmor
