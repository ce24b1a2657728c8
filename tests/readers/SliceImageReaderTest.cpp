#include "readers/SliceImageReader.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <filesystem>
#include <numeric>
#include <tiffio.h>
#include <vector>

using namespace velmor;
using velmor::test::TempDir;

namespace {

struct TiffSpec {
    uint32_t width = 4, height = 3;
    uint16_t bits = 8, spp = 1, photometric = PHOTOMETRIC_MINISBLACK, compression = COMPRESSION_NONE;
    uint32_t rowsPerStrip = 2;
    bool tiled = false, separate = false;
};

// Values count up from 1 in file order, so every placement is visible.
std::vector<uint8_t> Values(const TiffSpec& s)
{
    std::vector<uint8_t> v(static_cast<size_t>(s.width) * s.height * s.spp * (s.bits / 8));
    std::iota(v.begin(), v.end(), 1);
    return v;
}

void WriteTiff(const std::string& path, const TiffSpec& s)
{
    TIFF* t = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(t, nullptr);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, s.width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, s.height);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, s.bits);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, s.spp);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, s.photometric);
    TIFFSetField(t, TIFFTAG_COMPRESSION, s.compression);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, s.separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    if (s.photometric == PHOTOMETRIC_PALETTE) {
        std::vector<uint16_t> map(256, 0);
        TIFFSetField(t, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
    }
    const std::vector<uint8_t> v = Values(s);
    const size_t rowBytes = static_cast<size_t>(s.width) * s.spp * (s.bits / 8);
    if (s.tiled) {
        TIFFSetField(t, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(t, TIFFTAG_TILELENGTH, 16);
        std::vector<uint8_t> tile(16 * 16 * s.spp * (s.bits / 8), 0);
        TIFFWriteTile(t, tile.data(), 0, 0, 0, 0);
    } else {
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, s.rowsPerStrip);
        for (uint32_t y = 0; y < s.height; ++y) TIFFWriteScanline(t, const_cast<uint8_t*>(v.data() + y * rowBytes), y, 0);
    }
    TIFFClose(t);
}

SliceShape ShapeOf(const TiffSpec& s, int channels, bool reverseY)
{
    return {s.width, s.height, channels, s.bits / 8, reverseY};
}

// The row rule applied to the file's values: what a correct reader stores.
std::vector<uint8_t> Expected(const TiffSpec& s, bool reverseY)
{
    const std::vector<uint8_t> v = Values(s);
    const size_t rowBytes = v.size() / s.height;
    std::vector<uint8_t> out(v.size());
    for (uint32_t y = 0; y < s.height; ++y) {
        const uint32_t row = reverseY ? y : s.height - 1 - y;
        std::copy(v.begin() + y * rowBytes, v.begin() + (y + 1) * rowBytes, out.begin() + row * rowBytes);
    }
    return out;
}

} // namespace

TEST(TiffSlice, EveryPathPlacesRowsByTheSameRule)
{
    TempDir dir;
    const std::string path = dir.Path() / "s.tif";
    const uint16_t compressions[] = {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE, COMPRESSION_PACKBITS};
    for (uint16_t compression : compressions)
        for (uint16_t bits : {8, 16})
            for (uint16_t spp : {1, 3})
                for (bool reverseY : {false, true}) {
                    TiffSpec s;
                    s.bits = bits;
                    s.spp = spp;
                    s.photometric = spp == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
                    s.compression = compression;
                    WriteTiff(path, s);
                    std::vector<uint8_t> slice(Values(s).size(), 0);
                    bool flip = true;
                    ASSERT_TRUE(ReadTiffSlice(dir.WidePath("s.tif"), ShapeOf(s, spp, reverseY), slice.data(), flip))
                        << compression << " " << bits << " " << spp;
                    EXPECT_FALSE(flip);
                    EXPECT_EQ(slice, Expected(s, reverseY)) << compression << " " << bits << " " << spp << " " << reverseY;
                }
}

TEST(TiffSlice, SampleCountsMapOntoChannels)
{
    TempDir dir;
    TiffSpec rgb;
    rgb.spp = 3;
    rgb.photometric = PHOTOMETRIC_RGB;
    WriteTiff(dir.Path() / "rgb.tif", rgb);
    std::vector<uint8_t> grey(12, 0);
    bool flip = false;
    ASSERT_TRUE(ReadTiffSlice(dir.WidePath("rgb.tif"), ShapeOf(rgb, 1, true), grey.data(), flip));
    EXPECT_EQ(grey, (std::vector<uint8_t>{1, 4, 7, 10, 13, 16, 19, 22, 25, 28, 31, 34}));   // first value of each pixel

    TiffSpec g;
    g.compression = COMPRESSION_LZW;
    WriteTiff(dir.Path() / "g.tif", g);
    std::vector<uint8_t> three(36, 0);
    ASSERT_TRUE(ReadTiffSlice(dir.WidePath("g.tif"), ShapeOf(g, 3, true), three.data(), flip));
    EXPECT_EQ(std::vector<uint8_t>(three.begin(), three.begin() + 6), (std::vector<uint8_t>{1, 1, 1, 2, 2, 2}));

    TiffSpec palette;
    palette.photometric = PHOTOMETRIC_PALETTE;
    WriteTiff(dir.Path() / "p.tif", palette);
    std::vector<uint8_t> indices(12, 0);
    ASSERT_TRUE(ReadTiffSlice(dir.WidePath("p.tif"), ShapeOf(palette, 1, true), indices.data(), flip));
    EXPECT_EQ(indices, Values(palette));   // the palette is not applied
}

TEST(TiffSlice, Refusals)
{
    TempDir dir;
    std::vector<uint8_t> slice(4 * 3 * 3 * 2, 0);
    bool flip = true;
    auto refused = [&](const TiffSpec& s, SliceShape shape) {
        WriteTiff(dir.Path() / "r.tif", s);
        return !ReadTiffSlice(dir.WidePath("r.tif"), shape, slice.data(), flip);
    };
    TiffSpec base;
    EXPECT_TRUE(refused(base, {4, 3, 1, 2, false}));   // 8-bit file, 2-byte values
    EXPECT_TRUE(refused(base, {5, 3, 1, 1, false}));   // another width
    TiffSpec tiled = base;
    tiled.tiled = true;
    EXPECT_TRUE(refused(tiled, {4, 3, 1, 1, false}));
    TiffSpec planes = base;
    planes.spp = 3;
    planes.photometric = PHOTOMETRIC_RGB;
    planes.separate = true;
    EXPECT_TRUE(refused(planes, {4, 3, 3, 1, false}));
    for (uint16_t photometric : {PHOTOMETRIC_MINISWHITE, PHOTOMETRIC_MASK, PHOTOMETRIC_SEPARATED}) {
        TiffSpec s = base;
        s.photometric = photometric;
        EXPECT_TRUE(refused(s, {4, 3, 1, 1, false})) << photometric;
    }
    TiffSpec rgba = base;
    rgba.spp = 4;
    rgba.photometric = PHOTOMETRIC_RGB;
    EXPECT_TRUE(refused(rgba, {4, 3, 1, 1, false}));   // 4 samples into 1 channel
    EXPECT_FALSE(ReadTiffSlice(dir.WidePath("missing.tif"), {4, 3, 1, 1, false}, slice.data(), flip));
    EXPECT_TRUE(flip);   // untouched by a refusal

    // A strip cut short on disk fails instead of leaving stale rows.
    TiffSpec big;
    big.width = 64;
    big.height = 64;
    big.rowsPerStrip = 8;
    big.compression = COMPRESSION_LZW;
    WriteTiff(dir.Path() / "cut.tif", big);
    std::filesystem::resize_file(dir.Path() / "cut.tif", std::filesystem::file_size(dir.Path() / "cut.tif") / 2);
    std::vector<uint8_t> bigSlice(64 * 64);
    EXPECT_FALSE(ReadTiffSlice(dir.WidePath("cut.tif"), {64, 64, 1, 1, false}, bigSlice.data(), flip));
}

TEST(PictureSlice, ChannelsAndRowRule)
{
    DecodedImage picture;
    ASSERT_TRUE(PrepareDecodedImage(picture, 2, 2, false, 16, 1));
    // B, G, R, A per pixel; top row first.
    const uint8_t pixels[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 200};
    std::copy(pixels, pixels + 16, picture.bgra.begin());
    bool flip = true;
    std::vector<uint8_t> rgb(12);
    ASSERT_TRUE(PlacePictureSlice(picture, {2, 2, 3, 1, false}, rgb.data(), flip));
    EXPECT_FALSE(flip);
    EXPECT_EQ(rgb, (std::vector<uint8_t>{11, 10, 9, 15, 14, 13, 3, 2, 1, 7, 6, 5}));   // top row last
    std::vector<uint8_t> blue(4);
    ASSERT_TRUE(PlacePictureSlice(picture, {2, 2, 1, 1, true}, blue.data(), flip));
    EXPECT_EQ(blue, (std::vector<uint8_t>{1, 5, 9, 13}));
    std::vector<uint8_t> rgba16(2 * 2 * 4 * 2);
    ASSERT_TRUE(PlacePictureSlice(picture, {2, 2, 4, 2, true}, rgba16.data(), flip));
    EXPECT_EQ(rgba16[30], 200);   // alpha of the last pixel, widened
    EXPECT_EQ(rgba16[31], 0);
    EXPECT_FALSE(PlacePictureSlice(picture, {3, 2, 1, 1, true}, blue.data(), flip));   // another size
}

TEST(RawSlice, RowRuleAndShortData)
{
    TempDir dir;
    dir.Write("s.raw", std::string("\x01\x02\x03\x04\x05\x06", 6));
    ByteSource source;
    std::vector<uint8_t> slice(6);
    bool flip = true;
    ASSERT_TRUE(source.OpenFile(dir.WidePath("s.raw")));
    ASSERT_TRUE(ReadRawSliceFrom(source, {2, 3, 1, 1, false}, slice.data(), flip));
    EXPECT_EQ(slice, (std::vector<uint8_t>{5, 6, 3, 4, 1, 2}));
    EXPECT_FALSE(flip);
    ASSERT_TRUE(source.OpenFile(dir.WidePath("s.raw")));
    ASSERT_TRUE(ReadRawSliceFrom(source, {2, 3, 1, 1, true}, slice.data(), flip));
    EXPECT_EQ(slice, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(source.OpenFile(dir.WidePath("s.raw")));
    EXPECT_FALSE(ReadRawSliceFrom(source, {2, 4, 1, 1, true}, slice.data(), flip));
}
