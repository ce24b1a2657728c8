// JPEG through libjpeg-turbo. Library errors come back through longjmp to
// the one frame that called setjmp; nothing with a destructor lives between.
#include "platform/DecodeTarget.h"
#include "platform/ImageCodec.h"

#include "platform/AtomicFile.h"
#include "platform/WideText.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

namespace velmor {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    bool truncated = false;
};

void OnError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// The library reads a progressive picture whole before its first row, each
// scan a pass over all its blocks, however few bytes the scan has: scans
// past the bound are refused as they begin.
void OnProgress(j_common_ptr info)
{
    if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxJpegScans)
        info->err->error_exit(info);
}

void OnMessage(j_common_ptr info, int level)
{
    // A file that ends early is a damaged slice, not one with a grey tail.
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) reinterpret_cast<ErrorManager*>(info->err)->truncated = true;
}

void Cmyk(const uint8_t* in, uint8_t* out, bool inverted)
{
    for (int k = 0; k < 3; ++k) {
        const int c = inverted ? in[2 - k] : 255 - in[2 - k];
        const int key = inverted ? in[3] : 255 - in[3];
        out[k] = static_cast<uint8_t>(c * key / 255);
    }
    out[3] = 255;
}

// `scratch` belongs to the frame that called setjmp, so a longjmp from the
// library skips no destructor.
bool ReadScanlines(jpeg_decompress_struct& cinfo, DecodedImage& image, ErrorManager& err, std::vector<uint8_t>& scratch)
{
    const int components = cinfo.output_components;
    scratch.resize(static_cast<size_t>(cinfo.output_width) * components);
    const bool cmyk = cinfo.out_color_space == JCS_CMYK;
    const bool inverted = cmyk && cinfo.saw_Adobe_marker;
    while (cinfo.output_scanline < cinfo.output_height) {
        const int64_t y = cinfo.output_scanline;
        uint8_t* out = image.bgra.data() + y * image.width * 4;
        JSAMPROW row = (components == 4 && !cmyk) ? out : scratch.data();
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1 || err.truncated) return false;
        if (components == 1) {
            for (int64_t x = 0; x < image.width; ++x) {
                image.indices[static_cast<size_t>(y * image.width + x)] = scratch[x];
                out[x * 4] = out[x * 4 + 1] = out[x * 4 + 2] = scratch[x];
                out[x * 4 + 3] = 255;
            }
        } else if (cmyk) {
            for (int64_t x = 0; x < image.width; ++x) Cmyk(&scratch[x * 4], out + x * 4, inverted);
        }
    }
    return true;
}

// A grey picture's rows straight into their places, one library call a row.
bool ReadPlaneScanlines(jpeg_decompress_struct& cinfo, const PlaneRows& plane, ErrorManager& err)
{
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = plane.Row(cinfo.output_scanline);
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1 || err.truncated) return false;
    }
    return true;
}

// A progressive or multi-scan picture keeps its coefficients whole: two
// bytes a sample of each component. That, with room for tables and rows, is
// all the library may hold; a lying header is refused rather than served.
void LimitWorkMemory(jpeg_decompress_struct& cinfo)
{
    constexpr uint64_t kCoefficientBytes = 2;
    constexpr uint64_t kWorkSlack = uint64_t{16} << 20;
    const uint64_t samples = uint64_t{cinfo.image_width} * cinfo.image_height * static_cast<uint64_t>(cinfo.num_components);
    cinfo.mem->max_memory_to_use = static_cast<long>(std::min<uint64_t>(samples * kCoefficientBytes + kWorkSlack, LONG_MAX));
}

bool Decompress(jpeg_decompress_struct& cinfo, const uint8_t* data, size_t size, DecodeTarget& target, ErrorManager& err,
                std::vector<uint8_t>& scratch)
{
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return false;
    const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    if (target.plane != nullptr && !grey) {
        target.colour = true;
        return false;
    }
    // Even a flat picture costs a few bits per 8 x 8 block and component.
    constexpr uint64_t kPixelsPerByte = 2048;
    if (target.plane != nullptr ? !PlausibleImageSize(cinfo.image_width, cinfo.image_height, size, kPixelsPerByte)
                                : !PrepareDecodedImage(*target.image, cinfo.image_width, cinfo.image_height, grey, size, kPixelsPerByte))
        return false;
    if (target.image != nullptr) target.image->bitsPerPixel = grey ? 8 : 24;
    LimitWorkMemory(cinfo);
    jpeg_start_decompress(&cinfo);
    if (target.plane != nullptr ? !ReadPlaneScanlines(cinfo, *target.plane, err) : !ReadScanlines(cinfo, *target.image, err, scratch))
        return false;
    jpeg_finish_decompress(&cinfo);
    return !err.truncated;
}

bool Compress(jpeg_compress_struct& cinfo, std::FILE* f, const uint8_t* bgr, int64_t width, int64_t height,
              int64_t stride, int quality)
{
    jpeg_stdio_dest(&cinfo, f);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(bgr + static_cast<int64_t>(cinfo.next_scanline) * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

void UseErrorManager(jpeg_decompress_struct& cinfo, ErrorManager& err)
{
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = OnError;
    err.base.emit_message = OnMessage;
}

// Every decompress object is made here: creating one clears all but its
// error manager, so the scan bound is hooked in after.
void CreateDecompress(jpeg_decompress_struct& cinfo, ErrorManager& err)
{
    jpeg_create_decompress(&cinfo);
    err.progress = {};
    err.progress.progress_monitor = OnProgress;
    cinfo.progress = &err.progress;
}

} // namespace

bool ReadJpegSize(const uint8_t* data, size_t size, ImageSize& out)
{
    jpeg_decompress_struct cinfo{};
    ErrorManager err;
    UseErrorManager(cinfo, err);
    if (setjmp(err.jump) != 0) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    CreateDecompress(cinfo, err);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    // The markers up to the first scan: the frame header, never a scan's data.
    const bool ok = jpeg_read_header(&cinfo, TRUE) == JPEG_HEADER_OK;
    if (ok) out = {cinfo.image_width, cinfo.image_height};
    jpeg_destroy_decompress(&cinfo);
    return ok;
}

namespace {

// Whether the picture's bytes hold more scans than `bound`, told from its
// markers alone before any is decoded: a scan of refinement bits costs the
// library a pass over the whole picture, so thousands of them would take
// minutes to be refused one by one. A marker's own bytes never hide a scan:
// segments are skipped by their lengths, and entropy-coded data escapes
// every 0xFF it holds. Only where the library reads a length is one skipped:
// RSTn, SOI and TEM have none, and a code below SOF0 that comes where a
// restart marker is due is passed over as one is (elsewhere it ends the
// picture), so no code the library passes over can hide the scans after it.
bool MoreScansThan(const uint8_t* data, size_t size, int bound)
{
    constexpr uint8_t kMarker = 0xFF, kStartOfScan = 0xDA, kEndOfImage = 0xD9;
    constexpr uint8_t kFirstWithLength = 0xC0, kFirstRestart = 0xD0, kStartOfImage = 0xD8;
    int scans = 0;
    for (size_t at = 0; at + 1 < size;) {
        if (data[at] != kMarker) {
            ++at;
            continue;
        }
        const uint8_t code = data[at + 1];
        if (code == kMarker || code < kFirstWithLength || (code >= kFirstRestart && code <= kStartOfImage)) {
            at += code == kMarker ? 1 : 2;
            continue;
        }
        if (code == kEndOfImage) return false;
        if (code == kStartOfScan && ++scans > bound) return true;
        if (at + 3 >= size) return false;
        at += 2 + ((size_t(data[at + 2]) << 8) | data[at + 3]);
    }
    return false;
}

std::atomic<JpegScanWalk> gScanWalk{&MoreScansThan};

bool DecodeInto(const uint8_t* data, size_t size, DecodeTarget& target)
{
    if (gScanWalk.load()(data, size, kMaxJpegScans)) return false;
    jpeg_decompress_struct cinfo{};
    ErrorManager err;
    std::vector<uint8_t> scratch;
    UseErrorManager(cinfo, err);
    if (setjmp(err.jump) != 0) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    CreateDecompress(cinfo, err);
    const bool ok = Decompress(cinfo, data, size, target, err, scratch);
    jpeg_destroy_decompress(&cinfo);
    return ok;
}

} // namespace

JpegScanWalk ReplaceJpegScanWalkForTest(JpegScanWalk walk) { return gScanWalk.exchange(walk != nullptr ? walk : &MoreScansThan); }

bool DecodeJpeg(const uint8_t* data, size_t size, DecodedImage& image) { return DecodeToImage(DecodeInto, data, size, image); }

SizedDecode DecodeJpegPlane(const uint8_t* data, size_t size, const PlaneRows& rows)
{
    return DecodeToPlane(DecodeInto, data, size, rows);
}

namespace {

// The frame that catches the library's errors holds nothing with a destructor.
bool CompressToStream(std::FILE* f, const uint8_t* bgr, int64_t width, int64_t height, int64_t stride, int quality)
{
    jpeg_compress_struct cinfo{};
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = OnError;
    volatile bool ok = false;
    if (setjmp(err.jump) == 0) {
        jpeg_create_compress(&cinfo);
        ok = Compress(cinfo, f, bgr, width, height, stride, quality);
    }
    jpeg_destroy_compress(&cinfo);
    return ok;
}

} // namespace

bool SaveJpeg(const std::wstring& path, const uint8_t* bgr, int64_t width, int64_t height, int64_t stride, int quality)
{
    if (bgr == nullptr || width <= 0 || height <= 0 || width > 65500 || height > 65500) return false;
    AtomicFile file;
    std::FILE* f = file.Create(PathFromWide(path), AtomicFile::Naming::ByUser) ? file.Stream() : nullptr;
    return f != nullptr && CompressToStream(f, bgr, width, height, stride, quality) && file.Commit();
}

} // namespace velmor
