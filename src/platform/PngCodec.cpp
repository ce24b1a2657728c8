// PNG through libpng's classic interface, which leaves sample values as the
// file has them (no gamma or colour-space conversion). 16-bit samples are
// scaled to 8 bits with rounding. Library errors end in the one frame that
// called setjmp, and neither they nor warnings print anything: a refused
// picture is the caller's failure to report.
#include "platform/DecodeTarget.h"
#include "platform/ImageCodec.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <png.h>

namespace velmor {
namespace {

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length)
{
    auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > r->size - r->pos) png_error(png, "truncated");
    std::memcpy(out, r->data + r->pos, length);
    r->pos += length;
}

void OnWarning(png_structp, png_const_charp) {}

constexpr size_t kSignatureBytes = 8;
constexpr uint64_t kChunkFrameBytes = 12;   // length, type and CRC around the data
constexpr uint32_t kMaxChunkLength = 0x7FFFFFFF;
// The most chunks a picture may carry, and what libpng may hold for one
// decompressed text or profile chunk: far beyond any real picture's.
constexpr png_uint_32 kMaxCachedChunks = 4096;
constexpr png_alloc_size_t kMaxChunkAllocation = png_alloc_size_t{16} << 20;

uint32_t BE32(const uint8_t* p) { return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]; }

// Every chunk up to IEND lies wholly within the bytes. libpng allocates a
// chunk's declared length before it reads it, so a length that runs past
// the end of the file must never reach it.
bool ChunksFit(const uint8_t* data, size_t size)
{
    uint64_t at = kSignatureBytes;
    while (at + kChunkFrameBytes <= size) {
        const uint32_t length = BE32(data + at);
        if (length > kMaxChunkLength || length > size - at - kChunkFrameBytes) return false;
        if (std::memcmp(data + at + 4, "IEND", 4) == 0) return true;
        at += kChunkFrameBytes + length;
    }
    return false;
}

// Limits beyond the picture's own: no side larger than a decoded picture may
// have, and bounded ancillary chunks.
void LimitAllocations(png_structp png, size_t size)
{
    png_set_user_limits(png, static_cast<png_uint_32>(kMaxImageSide), static_cast<png_uint_32>(kMaxImageSide));
    png_set_chunk_cache_max(png, kMaxCachedChunks);
    png_set_chunk_malloc_max(png, std::max<png_alloc_size_t>(size, kMaxChunkAllocation));
}

[[noreturn]] void OnError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

struct PngLayout {
    png_uint_32 width = 0, height = 0;
    int depth = 0, colour = 0;
    bool indexed = false, grey = false;
    int components = 0;   // bytes a pixel after the transforms
};

void SetTransforms(png_structp png, png_infop info, PngLayout& l)
{
    png_get_IHDR(png, info, &l.width, &l.height, &l.depth, &l.colour, nullptr, nullptr, nullptr);
    l.indexed = l.colour == PNG_COLOR_TYPE_PALETTE;
    l.grey = (l.colour & PNG_COLOR_MASK_COLOR) == 0;
    if (l.depth == 16) png_set_scale_16(png);
    if (l.depth < 8) {
        if (l.grey) png_set_expand_gray_1_2_4_to_8(png);
        else png_set_packing(png);
    }
    const bool keyed = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (l.indexed) {
        l.components = 1;
    } else if (l.grey) {
        // A grey transparency key becomes alpha, as a colour one does.
        if (keyed) png_set_tRNS_to_alpha(png);
        l.components = (keyed || (l.colour & PNG_COLOR_MASK_ALPHA)) ? 2 : 1;
    } else {
        png_set_bgr(png);
        if (keyed) png_set_tRNS_to_alpha(png);
        else if ((l.colour & PNG_COLOR_MASK_ALPHA) == 0) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        l.components = 4;
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

void PaletteBgra(png_structp png, png_infop info, uint8_t palette[1024])
{
    std::memset(palette, 0, 1024);
    png_colorp entries = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &entries, &count) != 0) {
        for (int i = 0; i < count && i < 256; ++i) {
            palette[i * 4] = entries[i].blue;
            palette[i * 4 + 1] = entries[i].green;
            palette[i * 4 + 2] = entries[i].red;
            palette[i * 4 + 3] = 255;
        }
    }
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    if (png_get_tRNS(png, info, &alpha, &alphaCount, nullptr) != 0 && alpha != nullptr)
        for (int i = 0; i < alphaCount && i < 256; ++i) palette[i * 4 + 3] = alpha[i];
}

// Turns the rows as libpng left them into the shared layout.
void Finish(const PngLayout& l, const std::vector<uint8_t>& rows, const uint8_t palette[1024], DecodedImage& image)
{
    const size_t pixels = static_cast<size_t>(image.width * image.height);
    if (l.components == 4) {
        std::memcpy(image.bgra.data(), rows.data(), pixels * 4);
        return;
    }
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t v = rows[i * l.components];
        uint8_t* out = image.bgra.data() + i * 4;
        image.indices[i] = v;
        if (l.indexed) {
            std::memcpy(out, palette + v * 4, 4);
        } else {
            out[0] = out[1] = out[2] = v;
            out[3] = l.components == 2 ? rows[i * 2 + 1] : 255;
        }
    }
}

// The chunks up to the first image data: the header and what it needs.
void ReadChunksBeforePixels(png_structp png, png_infop info, MemoryReader& reader)
{
    png_set_read_fn(png, &reader, ReadFromMemory);
    LimitAllocations(png, reader.size);
    png_read_info(png, info);
}

} // namespace

bool ReadPngSize(const uint8_t* data, size_t size, ImageSize& out)
{
    if (!ChunksFit(data, size)) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    MemoryReader reader{data, size, 0};
    volatile bool ok = false;
    if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        ReadChunksBeforePixels(png, info, reader);
        out = {png_get_image_width(png, info), png_get_image_height(png, info)};
        ok = true;
    }
    png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    return ok;
}

namespace {

// Grey values and palette indices come out of the transforms one byte a
// pixel; transparency would add a channel.
bool HasOnePlane(png_structp png, png_infop info)
{
    const int colour = png_get_color_type(png, info);
    if (colour == PNG_COLOR_TYPE_PALETTE) return true;
    return colour == PNG_COLOR_TYPE_GRAY && png_get_valid(png, info, PNG_INFO_tRNS) == 0;
}

// The rows libpng fills: the caller's plane, or `rows` on their way into
// the picture. False for a picture that is refused.
bool PointRows(png_structp png, png_infop info, const PngLayout& layout, size_t size, DecodeTarget& target,
               std::vector<uint8_t>& rows, std::vector<png_bytep>& pointers)
{
    // Deflate packs at most about 1032 bytes into one, and a pixel is at least one bit.
    constexpr uint64_t kPixelsPerByte = 8300;
    const size_t rowBytes = static_cast<size_t>(layout.width) * layout.components;
    const bool withIndices = layout.indexed || layout.grey;
    if (png_get_rowbytes(png, info) != rowBytes ||
        (target.plane != nullptr ? !PlausibleImageSize(layout.width, layout.height, size, kPixelsPerByte)
                                 : !PrepareDecodedImage(*target.image, layout.width, layout.height, withIndices, size, kPixelsPerByte)))
        return false;
    pointers.resize(layout.height);
    if (target.plane != nullptr) {
        for (png_uint_32 y = 0; y < layout.height; ++y) pointers[y] = target.plane->Row(y);
        return true;
    }
    target.image->bitsPerPixel = layout.indexed || layout.grey ? 8 : (layout.colour & PNG_COLOR_MASK_ALPHA) ? 32 : 24;
    rows.resize(rowBytes * layout.height);
    for (png_uint_32 y = 0; y < layout.height; ++y) pointers[y] = rows.data() + y * rowBytes;
    return true;
}

bool DecodeInto(const uint8_t* data, size_t size, DecodeTarget& target)
{
    if (!ChunksFit(data, size)) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    // Owned outside the setjmp frame's unwinding: released on both paths.
    auto* rows = new std::vector<uint8_t>();
    auto* pointers = new std::vector<png_bytep>();
    MemoryReader reader{data, size, 0};
    volatile bool ok = false;
    if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        ReadChunksBeforePixels(png, info, reader);
        PngLayout layout;
        if (target.plane != nullptr && !HasOnePlane(png, info)) {
            target.colour = true;
        } else {
            SetTransforms(png, info, layout);
            if (PointRows(png, info, layout, size, target, *rows, *pointers)) {
                png_read_image(png, pointers->data());
                png_read_end(png, nullptr);
                if (target.image != nullptr) {
                    uint8_t palette[1024];
                    PaletteBgra(png, info, palette);
                    Finish(layout, *rows, palette, *target.image);
                }
                ok = true;
            }
        }
    }
    png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    delete rows;
    delete pointers;
    return ok;
}

} // namespace

bool DecodePng(const uint8_t* data, size_t size, DecodedImage& image) { return DecodeToImage(DecodeInto, data, size, image); }

SizedDecode DecodePngPlane(const uint8_t* data, size_t size, const PlaneRows& rows)
{
    return DecodeToPlane(DecodeInto, data, size, rows);
}

} // namespace velmor
