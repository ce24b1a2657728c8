// Section images: colour through the JPEG and BMP encoders, grayscale TIFF
// through libtiff, checked by our decoders, libtiff and ImageMagick.
#include "export/ExportTestSupport.h"

#include "platform/ImageCodec.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>
#include <filesystem>

using namespace velmor;
using namespace velmor::test;

namespace {

// Rows padded to four bytes, red-green-blue order as the section renders it.
struct ColourImage {
    std::vector<uint8_t> pixels;
    ImageRecord record;
    ColourImage(int width, int height)
    {
        record.width = width;
        record.height = height;
        record.stride = 4 * ((3 * width + 3) / 4);
        pixels.assign(size_t(record.stride) * height, 0);
        record.pixels = pixels.data();
    }
    uint8_t* At(int x, int y) { return pixels.data() + y * record.stride + x * 3; }
};

ColourImage RedOverBlue()
{
    ColourImage image(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool top = y < 8;
            image.At(x, y)[0] = top ? 255 : 0;
            image.At(x, y)[2] = top ? 0 : 255;
        }
    return image;
}

} // namespace

TEST(ImageSaving, SwapRedBlueTurnsEveryPixelAround)
{
    ColourImage image(2, 1);
    const uint8_t rgb[6] = {10, 20, 30, 40, 50, 60};
    std::memcpy(image.pixels.data(), rgb, 6);
    image.pixels[6] = 99, image.pixels[7] = 98;
    EXPECT_EQ(image.record.stride, 8);
    ExportJob job(&image.record);
    job.SwapRedBlue(3);
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{30, 20, 10, 60, 50, 40, 99, 98}));
    // One- and two-byte pixels have no third byte: nothing moves.
    job.SwapRedBlue(1);
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{30, 20, 10, 60, 50, 40, 99, 98}));
}

TEST(ImageSaving, EncodersAreFoundByExactMimeType)
{
    EncoderClsid clsid;
    EXPECT_GE(GetEncoderClsid(L"image/jpeg", clsid), 0);
    EXPECT_GE(GetEncoderClsid(L"image/bmp", clsid), 0);
    EXPECT_EQ(GetEncoderClsid(L"image/png", clsid), -1);
    EXPECT_EQ(GetEncoderClsid(L"IMAGE/JPEG", clsid), -1);
}

TEST(ImageSaving, JpegPutsTheLastBufferRowOnTopAtQuality70)
{
    TempDir dir;
    ColourImage image = RedOverBlue();
    const std::vector<uint8_t> before = image.pixels;
    ExportJob job(&image.record);
    job.SwapRedBlue(3);
    ASSERT_EQ(job.SaveImageByExtension(dir.WidePath("section.jpg"), L"jpg"), kEncoderOk);
    job.SwapRedBlue(3);
    EXPECT_EQ(image.pixels, before) << "saving must not change the caller's pixels";

    DecodedImage decoded;
    ASSERT_TRUE(DecodeImageFile(dir.WidePath("section.jpg"), decoded));
    ASSERT_EQ(decoded.width, 16);
    const uint8_t* top = decoded.Pixel(4, 1);      // blue, green, red, alpha
    const uint8_t* bottom = decoded.Pixel(4, 14);
    EXPECT_GT(top[0], 200);
    EXPECT_LT(top[2], 60);
    EXPECT_GT(bottom[2], 200);
    EXPECT_LT(bottom[0], 60);

    if (std::filesystem::exists("/usr/bin/identify")) {
        const CommandResult q = RunCommand("/usr/bin/identify -format %Q " + Quoted((dir.Path() / "section.jpg").string()));
        EXPECT_EQ(q.output, "70");
    }
}

TEST(ImageSaving, OtherExtensionsSaveBitmapsAndUpperCaseJpgStaysJpeg)
{
    TempDir dir;
    ColourImage image = RedOverBlue();
    ExportJob job(&image.record);
    job.SwapRedBlue(3);
    ASSERT_EQ(job.SaveImageByExtension(dir.WidePath("a.png"), L"png"), kEncoderOk);
    const std::string bmp = ReadFileBytes(dir.Path() / "a.png");
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    DecodedImage decoded;
    ASSERT_TRUE(DecodeImageFile(dir.WidePath("a.png"), decoded));
    EXPECT_EQ(std::vector<uint8_t>(decoded.Pixel(0, 0), decoded.Pixel(0, 0) + 3), (std::vector<uint8_t>{255, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(decoded.Pixel(0, 15), decoded.Pixel(0, 15) + 3), (std::vector<uint8_t>{0, 0, 255}));

    ASSERT_EQ(job.SaveImageByExtension(dir.WidePath("b.JPG"), L"JPG"), kEncoderOk);
    const std::string jpeg = ReadFileBytes(dir.Path() / "b.JPG");
    EXPECT_EQ(SniffImageKind(reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size()), ImageKind::Jpeg);

    EXPECT_EQ(job.SaveImageBmp(image.record, dir.WidePath("missing/c.bmp")), kEncoderWriteFailed);
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_EQ(job.SaveImageJpeg(image.record, L"/dev/full"), kEncoderWriteFailed);
    }
}

TEST(ImageSaving, SixteenBitTiffIsWrittenInStripsOfEightRows)
{
    TempDir dir;
    std::vector<uint16_t> gray(100 * 20);
    for (size_t i = 0; i < gray.size(); ++i) gray[i] = uint16_t(i * 31 + 7);
    ImageRecord record{reinterpret_cast<uint8_t*>(gray.data()), 100, 20, 200};
    ExportJob job(&record);
    ASSERT_TRUE(job.WriteTiffImage(dir.WidePath("gray.tif"), 1, 2));

    TIFF* tif = TIFFOpen((dir.Path() / "gray.tif").c_str(), "r");
    ASSERT_NE(tif, nullptr);
    uint16_t bits = 0;
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    EXPECT_EQ(bits, 16);
    ASSERT_EQ(TIFFNumberOfStrips(tif), 3u);
    uint64_t* counts = nullptr;
    ASSERT_EQ(TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts), 1);
    EXPECT_EQ(std::vector<uint64_t>(counts, counts + 3), (std::vector<uint64_t>{1600, 1600, 800}));
    std::vector<uint16_t> back(100 * 20);
    for (uint32_t s = 0; s < 3; ++s)
        ASSERT_GT(TIFFReadEncodedStrip(tif, s, back.data() + s * 800, -1), 0);
    TIFFClose(tif);
    EXPECT_EQ(back, gray) << "first buffer row on top";
}

TEST(ImageSaving, PaddedGrayRowsFollowTheirStrideAndBadTargetsFail)
{
    TempDir dir;
    // Three rows of 3 bytes, each padded to 4.
    std::vector<uint8_t> padded = {1, 2, 3, 0xEE, 4, 5, 6, 0xEE, 7, 8, 9, 0xEE};
    ImageRecord record{padded.data(), 3, 3, 4};
    ExportJob job(&record);
    ASSERT_TRUE(job.WriteTiffImage(dir.WidePath("p.tif"), 1, 1));
    TIFF* tif = TIFFOpen((dir.Path() / "p.tif").c_str(), "r");
    ASSERT_NE(tif, nullptr);
    std::vector<uint8_t> back(9);
    ASSERT_EQ(TIFFReadEncodedStrip(tif, 0, back.data(), -1), 9);
    TIFFClose(tif);
    EXPECT_EQ(back, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));

    EXPECT_FALSE(job.WriteTiffImage(dir.WidePath("missing/p.tif"), 1, 1));
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_FALSE(job.WriteTiffImage(L"/dev/full", 1, 1));
    }
    ImageRecord empty;
    ExportJob none(&empty);
    EXPECT_FALSE(none.WriteTiffImage(dir.WidePath("e.tif"), 1, 1));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "e.tif"));
}
