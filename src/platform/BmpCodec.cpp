// Windows bitmaps: core (12-byte) and info headers up to version 5, top-down
// and bottom-up, 1/4/8/16/24/32 bits, palettes, bit fields and RLE4/RLE8.
#include "platform/ImageCodec.h"

#include "platform/AtomicFile.h"
#include "platform/WideText.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace velmor {
namespace {

enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

uint32_t LE16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t LE32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24); }

struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;
    uint8_t Extract(uint32_t pixel, uint8_t absent) const
    {
        if (mask == 0) return absent;
        const uint32_t v = (pixel & mask) >> shift;
        return static_cast<uint8_t>((uint64_t{v} * 255 + max / 2) / max);
    }
};

Channel MakeChannel(uint32_t mask)
{
    Channel c;
    c.mask = mask;
    if (mask == 0) return c;
    while (((mask >> c.shift) & 1) == 0) ++c.shift;
    c.max = mask >> c.shift;
    return c;
}

struct BmpHeader {
    int64_t width = 0, height = 0;
    bool topDown = false;
    uint32_t bits = 0, compression = kRgb, colours = 0;
    uint64_t pixelOffset = 0, paletteOffset = 0;
    int paletteEntryBytes = 4;
    std::array<Channel, 4> masks{};   // red, green, blue, alpha
};

bool ReadHeader(const uint8_t* d, size_t size, BmpHeader& h)
{
    if (size < 14 + 12) return false;
    h.pixelOffset = LE32(d + 10);
    const uint32_t infoSize = LE32(d + 14);
    const uint8_t* info = d + 14;
    if (infoSize < 12 || infoSize > size - 14) return false;
    if (infoSize == 12) {
        h.width = LE16(info + 4);
        h.height = static_cast<int16_t>(LE16(info + 6));
        h.bits = LE16(info + 10);
        h.paletteEntryBytes = 3;
    } else {
        if (infoSize < 40) return false;
        h.width = static_cast<int32_t>(LE32(info + 4));
        h.height = static_cast<int32_t>(LE32(info + 8));
        h.bits = LE16(info + 14);
        h.compression = LE32(info + 16);
        h.colours = LE32(info + 32);
    }
    if (LE16(info + (infoSize == 12 ? 8 : 12)) != 1) return false;   // planes
    h.topDown = h.height < 0;
    if (h.topDown) h.height = -h.height;
    h.paletteOffset = 14 + uint64_t{infoSize};

    if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
        const uint32_t count = h.compression == kAlphaBitFields ? 4 : 3;
        const uint8_t* m = info + 40;
        if (infoSize == 40) {   // masks follow the header
            if (size < h.paletteOffset + 4 * count) return false;
            h.paletteOffset += 4 * count;
        } else if (infoSize < 40 + 4 * count) {
            return false;
        }
        for (uint32_t i = 0; i < count; ++i) h.masks[i] = MakeChannel(LE32(m + 4 * i));
        if (infoSize >= 56 && count == 3) h.masks[3] = MakeChannel(LE32(m + 12));
        if (h.bits != 16 && h.bits != 32) return false;
    } else if (h.bits == 16) {
        h.masks = {MakeChannel(0x7C00), MakeChannel(0x03E0), MakeChannel(0x001F), Channel{}};
    } else if (h.bits == 32) {
        h.masks = {MakeChannel(0xFF0000), MakeChannel(0xFF00), MakeChannel(0xFF), Channel{}};
    }
    if (h.compression == kRle8 && h.bits != 8) return false;
    if (h.compression == kRle4 && h.bits != 4) return false;
    if (h.compression != kRgb && h.compression != kRle8 && h.compression != kRle4 && h.compression != kBitFields &&
        h.compression != kAlphaBitFields)
        return false;
    switch (h.bits) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
    }
    // Pixels that start inside the headers or the masks would be read from them.
    return h.pixelOffset >= h.paletteOffset;
}

// Palette as BGRA, with the number of entries it really has. A count the
// header gives must lie wholly before the pixels; without one (or with an
// impossible one) the palette runs up to the pixels. A picture without a
// single entry has nothing its indices could mean.
struct Palette {
    std::array<uint8_t, 1024> bgra{};
    uint32_t count = 0;
};

bool ReadPalette(const uint8_t* d, size_t size, const BmpHeader& h, Palette& palette)
{
    const uint32_t full = 1u << h.bits;
    const bool declared = h.colours != 0 && h.colours <= full;
    const uint64_t end = std::min<uint64_t>(h.pixelOffset, size);
    const uint64_t room = end > h.paletteOffset ? (end - h.paletteOffset) / h.paletteEntryBytes : 0;
    palette.count = declared ? h.colours : full;
    if (palette.count > room) {
        if (declared) return false;
        palette.count = static_cast<uint32_t>(room);
    }
    for (uint32_t i = 0; i < palette.count; ++i) {
        const uint8_t* entry = d + h.paletteOffset + uint64_t{i} * h.paletteEntryBytes;
        std::copy(entry, entry + 3, palette.bgra.begin() + i * 4);
        palette.bgra[i * 4 + 3] = 255;
    }
    return palette.count > 0;
}

// An index past the palette names no colour: the picture is damaged.
bool PutIndex(DecodedImage& img, int64_t x, int64_t row, uint8_t index, const Palette& palette)
{
    if (index >= palette.count) return false;
    const size_t at = static_cast<size_t>(row * img.width + x);
    img.indices[at] = index;
    std::copy_n(palette.bgra.begin() + index * 4, 4, img.bgra.begin() + static_cast<ptrdiff_t>(at * 4));
    return true;
}

bool DecodeUncompressed(const uint8_t* d, size_t size, const BmpHeader& h, DecodedImage& img, const Palette& palette)
{
    const uint64_t stride = ((static_cast<uint64_t>(h.width) * h.bits + 31) / 32) * 4;
    if (h.pixelOffset > size || stride * static_cast<uint64_t>(h.height) > size - h.pixelOffset) return false;
    for (int64_t y = 0; y < h.height; ++y) {
        const int64_t row = h.topDown ? y : h.height - 1 - y;
        const uint8_t* src = d + h.pixelOffset + static_cast<uint64_t>(y) * stride;
        for (int64_t x = 0; x < h.width; ++x) {
            if (h.bits <= 8) {
                const int perByte = 8 / static_cast<int>(h.bits);
                const uint8_t byte = src[x / perByte];
                const int shift = 8 - static_cast<int>(h.bits) * (1 + static_cast<int>(x % perByte));
                if (!PutIndex(img, x, row, static_cast<uint8_t>((byte >> shift) & ((1u << h.bits) - 1)), palette))
                    return false;
                continue;
            }
            uint8_t* out = img.bgra.data() + (row * img.width + x) * 4;
            if (h.bits == 24) {
                out[0] = src[x * 3];
                out[1] = src[x * 3 + 1];
                out[2] = src[x * 3 + 2];
                out[3] = 255;
                continue;
            }
            const uint32_t pixel = h.bits == 16 ? LE16(src + x * 2) : LE32(src + x * 4);
            out[0] = h.masks[2].Extract(pixel, 0);
            out[1] = h.masks[1].Extract(pixel, 0);
            out[2] = h.masks[0].Extract(pixel, 0);
            out[3] = h.masks[3].Extract(pixel, 255);
        }
    }
    return true;
}

// Walks a run-length stream. Runs and moves must stay inside the picture:
// one that starts past its row or leaves the picture means the stream is
// damaged, not that the picture wraps. Encoders may run on over the row's
// padding (its stored width rounded up to four bytes); those pixels are
// dropped. A repeated run that starts inside the row and overshoots its end
// is a known encoder slip and is cut there, as other readers cut it; an
// absolute run carries its pixels in the stream, so an overshoot there is
// refused.
class RleWalk {
public:
    RleWalk(const BmpHeader& h, DecodedImage& img, const Palette& palette)
        : m_h(h), m_img(img), m_palette(palette),
          m_paddedWidth(static_cast<int64_t>((static_cast<uint64_t>(h.width) * h.bits + 31) / 32 * 32 / h.bits))
    {
    }

    enum class Overshoot { Refuse, Cut };

    template <typename IndexOf>
    bool Run(uint32_t pixels, const IndexOf& index, Overshoot overshoot)
    {
        if (m_x >= m_paddedWidth) return false;
        if (m_x + int64_t{pixels} > m_paddedWidth) {
            if (overshoot == Overshoot::Refuse) return false;
            pixels = static_cast<uint32_t>(m_paddedWidth - m_x);
        }
        for (uint32_t i = 0; i < pixels; ++i, ++m_x)
            if (m_x < m_h.width && !PutIndex(m_img, m_x, m_h.height - 1 - m_y, index(i), m_palette)) return false;
        return true;
    }
    bool Move(uint32_t dx, uint32_t dy)
    {
        m_x += int64_t{dx};
        m_y += int64_t{dy};
        return m_x <= m_h.width && m_y <= m_h.height;
    }
    void NextLine()
    {
        m_x = 0;
        ++m_y;
    }
    bool Inside() const { return m_y < m_h.height; }

private:
    const BmpHeader& m_h;
    DecodedImage& m_img;
    const Palette& m_palette;
    const int64_t m_paddedWidth;
    int64_t m_x = 0, m_y = 0;   // m_y counts from the bottom row
};

// Run-length pictures are always bottom-up; pixels the runs never reach keep
// palette entry 0.
bool DecodeRle(const uint8_t* d, size_t size, const BmpHeader& h, DecodedImage& img, const Palette& palette)
{
    for (int64_t y = 0; y < h.height; ++y)
        for (int64_t x = 0; x < h.width; ++x) PutIndex(img, x, y, 0, palette);
    const bool four = h.compression == kRle4;
    uint64_t p = h.pixelOffset;
    RleWalk walk(h, img, palette);
    while (walk.Inside()) {
        if (p + 2 > size) return false;
        const uint8_t count = d[p], value = d[p + 1];
        p += 2;
        if (count > 0) {
            if (!walk.Run(count, [&](uint32_t i) { return static_cast<uint8_t>(four ? ((i % 2 == 0) ? value >> 4 : value & 0x0F) : value); },
                          RleWalk::Overshoot::Cut))
                return false;
            continue;
        }
        if (value == 0) { walk.NextLine(); continue; }   // end of line
        if (value == 1) return true;                      // end of picture
        if (value == 2) {                                 // delta
            if (p + 2 > size || !walk.Move(d[p], d[p + 1])) return false;
            p += 2;
            continue;
        }
        const uint64_t bytes = four ? (value + 1u) / 2 : value;   // absolute run
        if (p + bytes > size) return false;
        const uint8_t* run = d + p;
        if (!walk.Run(value, [&](uint32_t i) { return static_cast<uint8_t>(four ? ((i % 2 == 0) ? run[i / 2] >> 4 : run[i / 2] & 0x0F) : run[i]); },
                      RleWalk::Overshoot::Refuse))
            return false;
        p += (bytes + 1) & ~uint64_t{1};
    }
    return true;
}

bool WriteAll(std::FILE* f, const void* data, size_t bytes) { return std::fwrite(data, 1, bytes, f) == bytes; }

void PutLE(uint8_t* p, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

} // namespace

bool DecodeBmp(const uint8_t* data, size_t size, DecodedImage& image)
{
    BmpHeader h;
    if (!ReadHeader(data, size, h)) return false;
    const bool rle = h.compression == kRle8 || h.compression == kRle4;
    if (rle && h.topDown) return false;
    // Uncompressed rows must all be in the file; a run-length stream can end
    // a picture early, so it only gets a generous bound.
    const uint64_t perByte = rle ? 1024 : 8;
    if (!PrepareDecodedImage(image, h.width, h.height, h.bits <= 8, size, perByte)) return false;
    image.bitsPerPixel = static_cast<int>(h.bits);
    Palette palette;
    if (h.bits <= 8 && !ReadPalette(data, size, h, palette)) return false;
    if (rle) return DecodeRle(data, size, h, image, palette);
    return DecodeUncompressed(data, size, h, image, palette);
}

SizedDecode DecodeBmpPlane(const uint8_t* data, size_t size, const PlaneRows& rows)
{
    BmpHeader h;
    if (!ReadHeader(data, size, h)) return SizedDecode::Unreadable;
    if (h.bits != 8 || h.compression != kRgb) return SizedDecode::Colour;
    constexpr uint64_t kPixelsPerByte = 8;
    Palette palette;
    if (!PlausibleImageSize(h.width, h.height, size, kPixelsPerByte) || !ReadPalette(data, size, h, palette))
        return SizedDecode::Unreadable;
    const uint64_t stride = (static_cast<uint64_t>(h.width) + 3) / 4 * 4;
    if (h.pixelOffset > size || stride * static_cast<uint64_t>(h.height) > size - h.pixelOffset) return SizedDecode::Unreadable;
    // An index past the palette names no colour: the picture is damaged.
    // A full palette leaves nothing to check.
    std::array<uint8_t, 256> unnamed{};
    for (uint32_t i = palette.count; i < unnamed.size(); ++i) unnamed[i] = 1;
    const auto width = static_cast<size_t>(h.width);
    for (int64_t y = 0; y < h.height; ++y) {
        const uint8_t* src = data + h.pixelOffset + static_cast<uint64_t>(y) * stride;
        if (palette.count < unnamed.size()) {
            uint8_t damaged = 0;
            for (size_t x = 0; x < width; ++x) damaged |= unnamed[src[x]];
            if (damaged != 0) return SizedDecode::Unreadable;
        }
        std::copy_n(src, width, rows.Row(h.topDown ? y : h.height - 1 - y));
    }
    return SizedDecode::Decoded;
}

bool ReadBmpSize(const uint8_t* data, size_t size, ImageSize& out)
{
    BmpHeader h;
    if (!ReadHeader(data, size, h)) return false;
    out = {h.width, h.height};
    return true;
}

bool SaveBmp24(const std::wstring& path, const uint8_t* bgr, int64_t width, int64_t height, int64_t stride)
{
    if (bgr == nullptr || width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) return false;
    const uint64_t rowBytes = (static_cast<uint64_t>(width) * 3 + 3) & ~uint64_t{3};
    const uint64_t imageBytes = rowBytes * static_cast<uint64_t>(height);
    if (imageBytes + 54 > UINT32_MAX) return false;
    uint8_t head[54] = {'B', 'M'};
    PutLE(head + 2, static_cast<uint32_t>(54 + imageBytes), 4);
    PutLE(head + 10, 54, 4);
    PutLE(head + 14, 40, 4);
    PutLE(head + 18, static_cast<uint32_t>(width), 4);
    PutLE(head + 22, static_cast<uint32_t>(height), 4);   // bottom-up
    PutLE(head + 26, 1, 2);
    PutLE(head + 28, 24, 2);
    PutLE(head + 34, static_cast<uint32_t>(imageBytes), 4);
    PutLE(head + 38, 2835, 4);   // 72 dpi
    PutLE(head + 42, 2835, 4);

    AtomicFile file;
    std::FILE* f = file.Create(PathFromWide(path), AtomicFile::Naming::ByUser) ? file.Stream() : nullptr;
    if (f == nullptr) return false;
    bool ok = WriteAll(f, head, sizeof head);
    std::vector<uint8_t> row(rowBytes, 0);
    for (int64_t y = height - 1; ok && y >= 0; --y) {
        std::copy(bgr + y * stride, bgr + y * stride + width * 3, row.begin());
        ok = WriteAll(f, row.data(), row.size());
    }
    ok = ok && file.Commit();
    return ok;
}

} // namespace velmor
