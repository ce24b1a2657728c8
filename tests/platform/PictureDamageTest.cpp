// Cut and lying PNG and JPEG files: refused whole, never half decoded, and
// without allocating what a lying header asks for.
#include "platform/ImageCodec.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <string>
#include <vector>

using namespace velmor;
using velmor::test::ReadFileBytes;
using velmor::test::TempDir;

namespace {

std::string SmallPng()
{
    std::vector<uint8_t> bgr(9 * 7 * 3);
    for (size_t i = 0; i < bgr.size(); ++i) bgr[i] = static_cast<uint8_t>(i * 37);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 9;
    image.height = 7;
    image.format = PNG_FORMAT_BGR;
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, bgr.data(), 27, nullptr));
    std::string bytes(size, '\0');
    EXPECT_TRUE(png_image_write_to_memory(&image, bytes.data(), &size, 0, bgr.data(), 27, nullptr));
    bytes.resize(size);
    return bytes;
}

void Put32(std::string& s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (24 - 8 * i));
}

// The IHDR chunk (after the 8-byte signature) with one field changed and its CRC made right again.
std::string WithHeader(std::string png, size_t field, const std::string& value)
{
    png.replace(8 + 8 + field, value.size(), value);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 4 + 13);
    Put32(png, 8 + 8 + 13, static_cast<uint32_t>(crc));
    return png;
}

bool Decode(const std::string& bytes)
{
    DecodedImage image;
    const bool ok = DecodeImageMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image);
    EXPECT_TRUE(ok || image.bgra.empty());
    return ok;
}

// What a slice of `expected` pixels makes of the bytes: refused as another
// size or as unreadable tells which size their header gave.
SizedDecode DecodeOfSize(const std::string& bytes, ImageSize expected)
{
    DecodedImage image;
    return DecodeImageOfSize(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), expected, image);
}

std::string Be32(uint32_t v)
{
    std::string s(4, '\0');
    Put32(s, 0, v);
    return s;
}

} // namespace

TEST(PictureDamage, PngCutOrLying)
{
    const std::string png = SmallPng();
    ASSERT_TRUE(Decode(png));
    // Refusals are the caller's to report: libpng must not print its own.
    testing::internal::CaptureStderr();
    for (size_t cut = 0; cut + 12 < png.size(); ++cut) EXPECT_FALSE(Decode(png.substr(0, cut))) << cut;   // before IEND
    EXPECT_FALSE(Decode(WithHeader(png, 0, Be32(0x80000000u))));   // width 2^31
    EXPECT_FALSE(Decode(WithHeader(png, 0, Be32(0))));
    EXPECT_FALSE(Decode(WithHeader(png, 4, Be32(60000))));          // a tall picture the data cannot hold
    EXPECT_FALSE(Decode(WithHeader(png, 8, std::string(1, '\0'))));  // zero bits a sample
    EXPECT_FALSE(Decode(WithHeader(png, 9, std::string(1, '\x07'))));   // no such colour type
    std::string badCrc = png;
    badCrc[29] ^= 1;
    EXPECT_FALSE(Decode(badCrc));

    // A slice of 9 x 7 pixels: a header of 10000 x 10000 over them is
    // refused for its size; only a decode would find the pixels missing.
    const std::string huge = WithHeader(WithHeader(png, 0, Be32(10000)), 4, Be32(10000));
    EXPECT_EQ(DecodeOfSize(huge, {9, 7}), SizedDecode::OtherSize);
    EXPECT_EQ(DecodeOfSize(huge, {10000, 10000}), SizedDecode::Unreadable);
    EXPECT_EQ(DecodeOfSize(png, {9, 7}), SizedDecode::Decoded);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(PictureDamage, JpegCutOrLying)
{
    TempDir dir;
    std::vector<uint8_t> bgr(16 * 16 * 3);
    for (size_t i = 0; i < bgr.size(); ++i) bgr[i] = static_cast<uint8_t>(i * 13);
    ASSERT_TRUE(SaveJpeg(dir.WidePath("a.jpg"), bgr.data(), 16, 16, 48, 70));
    const std::string jpg = ReadFileBytes(dir.Path() / "a.jpg");
    ASSERT_TRUE(Decode(jpg));
    for (size_t cut = 0; cut + 2 < jpg.size(); ++cut) EXPECT_FALSE(Decode(jpg.substr(0, cut))) << cut;   // before EOI

    // The frame header claims 65535 x 65535 pixels for a few hundred bytes.
    const size_t sof = jpg.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    std::string huge = jpg;
    huge.replace(sof + 5, 4, "\xFF\xFF\xFF\xFF");
    EXPECT_FALSE(Decode(huge));
    std::string empty = jpg;
    empty.replace(sof + 5, 4, std::string(4, '\0'));
    EXPECT_FALSE(Decode(empty));

    // A frame of 35072 x 500 whose scan has no data after its header: a
    // slice of another size refuses it for its size; only a decode would
    // find the scan missing.
    const size_t sos = jpg.find("\xFF\xDA");
    ASSERT_NE(sos, std::string::npos);
    std::string wide = jpg.substr(0, sos + 2 + (uint8_t(jpg[sos + 2]) << 8 | uint8_t(jpg[sos + 3])));
    wide.replace(sof + 5, 4, std::string("\x01\xF4\x89\x00", 4));   // height, then width
    EXPECT_EQ(DecodeOfSize(wide, {16, 16}), SizedDecode::OtherSize);
    EXPECT_EQ(DecodeOfSize(wide, {35072, 500}), SizedDecode::Unreadable);
    EXPECT_EQ(DecodeOfSize(jpg, {16, 16}), SizedDecode::Decoded);
}
