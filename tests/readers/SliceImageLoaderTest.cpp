#include "platform/ImageCodec.h"
#include "platform/Memory.h"
#include "readers/SliceImageLoader.h"
#include "readers/SliceWorkers.h"
#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"
#include "support/ContainerWriter.h"
#include "support/DicomBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tiffio.h>
#include <vector>

using namespace velmor;
using namespace velmor::test;

namespace {

std::unique_ptr<DataObject> Slices(const wchar_t* format, const wchar_t* fileType, uint64_t x, uint64_t y, uint64_t z = 1, int n = 1)
{
    auto d = std::make_unique<DataObject>(L"slices");
    d->type = L"volume";
    d->format = format;
    d->sizeX = x;
    d->sizeY = y;
    d->sizeZ = z;
    d->countX = (x + n - 1) / n;
    d->countY = (y + n - 1) / n;
    d->countZ = (z + n - 1) / n;
    d->reductionStep = n;
    d->sourceType = fileType;
    EXPECT_TRUE(d->AllocDataBuffer());
    if (n != 1) {
        d->reductionSliceBytes = x * y * d->components * d->bytesPerComponent;
        d->reductionSliceBuffer = static_cast<uint8_t*>(CommitMemory(d->reductionSliceBytes));
    }
    return d;
}

std::vector<uint16_t> Values16(const DataObject& d)
{
    std::vector<uint16_t> v(d.payloadBytes / 2);
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<uint16_t>(d.samples[2 * i] | d.samples[2 * i + 1] << 8);
    return v;
}

std::vector<uint8_t> Bytes(const DataObject& d) { return {d.samples, d.samples + d.payloadBytes}; }

struct ScenePathGuard {
    std::wstring saved = ScenePath;
    ~ScenePathGuard() { ScenePath = saved; }
};

// A 3 x 2 grey BMP: top row 10 20 30, bottom row 40 50 60.
std::string SmallBmp(const TempDir& dir, uint8_t scale = 1)
{
    std::vector<uint8_t> bgr;
    for (uint8_t v : {10, 20, 30, 40, 50, 60}) bgr.insert(bgr.end(), 3, static_cast<uint8_t>(v * scale));
    EXPECT_TRUE(SaveBmp24(dir.WidePath("small.bmp"), bgr.data(), 3, 2, 9));
    return ReadFileBytes(dir.Path() / "small.bmp");
}

// A 2 x 1 RGB TIFF whose SamplesPerPixel entry is renamed to a tag nobody knows.
std::string RgbTiffWithoutSamplesPerPixel(const TempDir& dir, uint16_t samples)
{
    const std::string path = (dir.Path() / "rgb.tif").string();
    TIFF* t = TIFFOpen(path.c_str(), "w");
    EXPECT_NE(t, nullptr);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 2);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, 1);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    uint8_t row[6] = {1, 2, 3, 4, 5, 6};
    TIFFWriteScanline(t, row, 0, 0);
    TIFFClose(t);
    std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(bytes.substr(0, 2), "II");
    const auto u16 = [&](size_t at) { return static_cast<uint16_t>(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8); };
    const size_t ifd = uint8_t(bytes[4]) | uint8_t(bytes[5]) << 8 | uint8_t(bytes[6]) << 16 | size_t(uint8_t(bytes[7])) << 24;
    for (size_t e = 0; e < u16(ifd); ++e)
        if (u16(ifd + 2 + 12 * e) == TIFFTAG_SAMPLESPERPIXEL) bytes[ifd + 2 + 12 * e + 1] = '\x7F';
    return bytes;
}

void WriteGreyTiff(const std::string& path, uint16_t compression, uint8_t base)
{
    TIFF* t = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(t, nullptr);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 2);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, 3);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 1);
    for (uint8_t y = 0; y < 3; ++y) {
        uint8_t row[2] = {static_cast<uint8_t>(base + 2 * y), static_cast<uint8_t>(base + 2 * y + 1)};
        TIFFWriteScanline(t, row, y, 0);
    }
    TIFFClose(t);
}

} // namespace

TEST(SliceImageLoader, UnknownTypesReadNothing)
{
    TempDir dir;
    dir.Write("a.gif", "GIF89a");
    auto d = Slices(L"GRAY", L"gif", 3, 2);
    d->pendingFlipY = true;
    EXPECT_TRUE(d->LoadSliceImage(d->samples, dir.WidePath("a.gif")));
    EXPECT_TRUE(d->LoadSliceImage16(d->samples, dir.WidePath("missing.gif")));
    EXPECT_EQ(Bytes(*d), std::vector<uint8_t>(6, 0));
    EXPECT_TRUE(d->pendingFlipY);
    // Such slices, like "kxd" rows, leave bytes as they were: their payload must start zeroed.
    EXPECT_FALSE(SliceReadersFillPayload(*d));
}

TEST(SliceImageLoader, ContainerBlocksForRawKxdAndPictures)
{
    TempDir dir;
    ScenePathGuard guard;
    const std::string kxd = std::string("\x01\x00\x00\x01\x00\x05\x06\x03\x00", 9);   // rows "5 6 0" and all zero
    dir.Write("scene.vlm", MakeContainer(std::vector<std::string>{"<root/>", "\x01\x02\x03\x04\x05\x06", kxd, SmallBmp(dir)}));
    ScenePath = dir.WidePath("scene.vlm");
    const std::wstring noFile = dir.WidePath("not-there");

    auto raw = Slices(L"GRAY", L"raw", 3, 2);
    raw->sourcePath = L"this1";
    raw->pendingFlipY = true;
    ASSERT_TRUE(raw->LoadSliceImage(raw->samples, noFile));
    EXPECT_EQ(Bytes(*raw), (std::vector<uint8_t>{4, 5, 6, 1, 2, 3}));
    EXPECT_FALSE(raw->pendingFlipY);

    // "kxd" stores rows reversed and leaves the flip to the mirror step.
    auto runs = Slices(L"GRAY", L"kxd", 3, 2);
    runs->sourcePath = L"this2";
    runs->pendingFlipY = true;
    ASSERT_TRUE(runs->LoadSliceImage(runs->samples, noFile));
    EXPECT_EQ(Bytes(*runs), (std::vector<uint8_t>{0, 0, 0, 5, 6, 0}));
    EXPECT_TRUE(runs->pendingFlipY);

    auto bmp = Slices(L"GRAY16", L"bmp", 3, 2);
    bmp->sourcePath = L"this3";
    bmp->reverseY = true;
    ASSERT_TRUE(bmp->LoadSliceImage16(bmp->samples, noFile));
    EXPECT_EQ(Values16(*bmp), (std::vector<uint16_t>{10, 20, 30, 40, 50, 60}));

    auto missing = Slices(L"GRAY", L"raw", 3, 2);
    missing->sourcePath = L"this9";
    EXPECT_FALSE(missing->LoadSliceImage(missing->samples, noFile));

    // TIFF and DICOM always open the file: a block name is looked for on disk.
    for (const wchar_t* type : {L"tif", L"dcm"}) {
        auto d = Slices(L"GRAY", type, 3, 2);
        d->sourcePath = L"this1";
        EXPECT_FALSE(d->LoadSliceImage(d->samples, dir.WidePath("this1"))) << type;
    }
}

TEST(SliceImageLoader, PicturesMustMatchTheDeclaredSize)
{
    TempDir dir;
    const std::string bmp = SmallBmp(dir, 4);
    auto widened = Slices(L"RGB16", L"BMP", 3, 2);
    ASSERT_TRUE(widened->LoadSliceImage16(widened->samples, dir.WidePath("small.bmp")));
    EXPECT_EQ(Values16(*widened)[0], 160);   // bottom row first; byte 160 widened, not scaled
    EXPECT_EQ(Values16(*widened)[17], 120);   // top row last

    auto wider = Slices(L"GRAY", L"bmp", 4, 2);
    EXPECT_FALSE(wider->LoadSliceImage(wider->samples, dir.WidePath("small.bmp")));
    auto taller = Slices(L"GRAY", L"bmp", 3, 3);
    EXPECT_FALSE(taller->LoadSliceImage(taller->samples, dir.WidePath("small.bmp")));
    EXPECT_EQ(Bytes(*taller), std::vector<uint8_t>(9, 0));

    dir.Write("cut.bmp", bmp.substr(0, bmp.size() - 4));
    auto cut = Slices(L"GRAY", L"bmp", 3, 2);
    EXPECT_FALSE(cut->LoadSliceImage(cut->samples, dir.WidePath("cut.bmp")));
    dir.Write("named.png", bmp);   // the bytes decide, not the name
    EXPECT_TRUE(cut->LoadSliceImage(cut->samples, dir.WidePath("named.png")));
    EXPECT_FALSE(cut->LoadSliceImage(cut->samples, dir.WidePath("missing.bmp")));

    // Raw data that ends early fails rather than showing stale or zero rows as data.
    dir.Write("short.raw", "\x01\x02\x03\x04\x05");
    auto raw = Slices(L"GRAY", L"raw", 3, 2);
    EXPECT_FALSE(raw->LoadSliceImage(raw->samples, dir.WidePath("short.raw")));
}

// Slices are read on no more threads than memory holds their work for: a
// decoded picture costs far more than its place in the payload.
TEST(SliceImageLoader, ThreadsThatMemoryHolds)
{
    EXPECT_EQ(SliceReadWorkBytes(*Slices(L"GRAY", L"png", 100, 50), 1), 100 * 50 * kDecodeBytesPerPixel);
    EXPECT_EQ(SliceReadWorkBytes(*Slices(L"GRAY16", L"dcm", 100, 50), 2), 100u * 50 * 2);
    EXPECT_EQ(SliceReadWorkBytes(*Slices(L"GRAY", L"raw", 100, 50), 1), 0u);

    constexpr uint64_t MB = uint64_t{1} << 20;
    const MemoryStatus status{1000 * MB, 300 * MB};   // 400 MB may be had
    EXPECT_EQ(AffordableSliceThreads(8, 100 * MB, 0, status), 3u);
    EXPECT_EQ(AffordableSliceThreads(8, 100 * MB, 150 * MB, status), 2u);   // beside the payload still to fill
    EXPECT_EQ(AffordableSliceThreads(8, UINT64_MAX / 3, 0, status), 1u);    // a lone read checks for itself
    EXPECT_EQ(AffordableSliceThreads(8, 0, 0, status), 8u);
}

TEST(SliceImageLoader, DicomPixelRepresentation)
{
    TempDir dir;
    // Rows 4, columns 3; pixel (r, c) = r * 1000 - c * 7.
    DicomSliceOptions options;
    dir.Write("signed.dcm", MakeDicomSlice(options));
    auto d = Slices(L"GRAY16", L"DICOM", 3, 4);
    ASSERT_TRUE(d->LoadSliceImage16(d->samples, dir.WidePath("signed.dcm")));
    EXPECT_TRUE(d->isSigned);
    EXPECT_FALSE(d->isUnsigned);
    const std::vector<uint16_t> v = Values16(*d);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(v[static_cast<size_t>((3 - r) * 3 + c)], static_cast<uint16_t>(r * 1000 - c * 7 + 32768));

    options.signedPixels = false;
    options.transferSyntax = "1.2.840.10008.1.2.2";   // big endian: values come back in host order
    options.withSequence = false;
    dir.Write("unsigned.dcm", MakeDicomSlice(options));
    auto u = Slices(L"GRAY16", L"dic", 3, 4);
    u->reverseY = true;
    u->pendingFlipY = true;
    ASSERT_TRUE(u->LoadSliceImage16(u->samples, dir.WidePath("unsigned.dcm")));
    EXPECT_TRUE(u->isUnsigned);
    EXPECT_FALSE(u->isSigned);
    EXPECT_FALSE(u->pendingFlipY);
    EXPECT_EQ(Values16(*u)[4], DicomSlicePixel(1, 1));

    // No Pixel Representation means signed; the extremes map onto 0 .. 65535.
    DicomBuilder bare;
    bare.Explicit(0x0028, 0x0010, "US", Bytes16(1)).Explicit(0x7FE0, 0x0010, "OW",
                                                              Bytes16(0x8000) + Bytes16(0xFC18) + Bytes16(0) + Bytes16(0x7FFF));
    dir.Write("bare.dcm", bare.Bytes());
    auto s = Slices(L"GRAY16", L"dcm", 4, 1);
    ASSERT_TRUE(s->LoadSliceImage16(s->samples, dir.WidePath("bare.dcm")));
    EXPECT_EQ(Values16(*s), (std::vector<uint16_t>{0, 31768, 32768, 65535}));
    EXPECT_TRUE(s->isSigned);

    // 8-bit signed pixels cannot carry the offset: copied unchanged, no flag.
    DicomBuilder bytes;
    bytes.Explicit(0x0028, 0x0103, "US", Bytes16(1)).Explicit(0x7FE0, 0x0010, "OB", std::string("\x80\xFF\x00\x7F", 4));
    dir.Write("bytes.dcm", bytes.Bytes());
    auto b = Slices(L"GRAY", L"dcm", 4, 1);
    ASSERT_TRUE(b->LoadSliceImage(b->samples, dir.WidePath("bytes.dcm")));
    EXPECT_EQ(Bytes(*b), (std::vector<uint8_t>{0x80, 0xFF, 0x00, 0x7F}));
    EXPECT_FALSE(b->isSigned);
    EXPECT_FALSE(b->isUnsigned);
}

TEST(SliceImageLoader, DicomRefusals)
{
    TempDir dir;
    dir.Write("slice.dcm", MakeDicomSlice());   // 3 x 4 of 2 bytes: 24 bytes of Pixel Data
    auto rgb = Slices(L"RGB", L"dcm", 2, 4);   // 2 x 4 x 3 channels x 1 byte: the length fits
    EXPECT_FALSE(rgb->LoadSliceImage(rgb->samples, dir.WidePath("slice.dcm")));
    auto other = Slices(L"GRAY16", L"dcm", 3, 3);
    EXPECT_FALSE(other->LoadSliceImage16(other->samples, dir.WidePath("slice.dcm")));
    EXPECT_FALSE(other->isSigned);
    auto narrow = Slices(L"GRAY", L"dcm", 3, 4);   // 12 bytes wanted
    EXPECT_FALSE(narrow->LoadSliceImage(narrow->samples, dir.WidePath("slice.dcm")));

    DicomBuilder noPixels;
    noPixels.Explicit(0x0028, 0x0103, "US", Bytes16(0));
    dir.Write("none.dcm", noPixels.Bytes());
    auto none = Slices(L"GRAY16", L"dcm", 3, 4);
    EXPECT_FALSE(none->LoadSliceImage16(none->samples, dir.WidePath("none.dcm")));
    EXPECT_FALSE(none->LoadSliceImage16(none->samples, dir.WidePath("missing.dcm")));
    const std::string bytes = MakeDicomSlice();
    dir.Write("cut.dcm", bytes.substr(0, bytes.size() - 5));
    EXPECT_FALSE(none->LoadSliceImage16(none->samples, dir.WidePath("cut.dcm")));
}

TEST(SliceImageLoader, ReductionUsesTheWorkSlice)
{
    TempDir dir;
    // 5 x 5 values 1 .. 25 in file order; kept rows and columns are 0, 2, 4 of the work slice.
    std::string raw;
    for (char v = 1; v <= 25; ++v) raw += v;
    dir.Write("s.raw", raw);
    auto d = Slices(L"GRAY", L"raw", 5, 5, 1, 2);
    d->reverseY = true;
    ASSERT_TRUE(d->LoadSliceImage(d->samples, dir.WidePath("s.raw")));
    EXPECT_EQ(Bytes(*d), (std::vector<uint8_t>{1, 3, 5, 11, 13, 15, 21, 23, 25}));

    // A "kxd" slice whose layout flag is not 1 stays zero, whatever the work slice held.
    dir.Write("flag0.kxd", std::string("\x00\x05\x00", 3));
    d->sourceType = L"kxd";
    ASSERT_TRUE(d->LoadSliceImage(d->samples, dir.WidePath("flag0.kxd")));
    EXPECT_EQ(Bytes(*d), std::vector<uint8_t>(9, 0));

    // Without the work slice there is nowhere to read a full slice into.
    auto bare = Slices(L"GRAY", L"raw", 5, 5, 1, 2);
    ReleaseMemory(bare->reductionSliceBuffer, bare->reductionSliceBytes);
    bare->reductionSliceBuffer = nullptr;
    EXPECT_FALSE(bare->LoadSliceImage(bare->samples, dir.WidePath("s.raw")));
}

TEST(SliceImageLoader, SlicesNeverRunPastThePayload)
{
    TempDir dir;
    dir.Write("s.raw", std::string(12, '\x07'));
    auto d = Slices(L"GRAY", L"raw", 3, 2, 2);
    EXPECT_TRUE(d->LoadSliceImage(d->samples + 6, dir.WidePath("s.raw")));
    EXPECT_FALSE(d->LoadSliceImage(d->samples + 7, dir.WidePath("s.raw")));
    EXPECT_FALSE(d->LoadSliceImage16(d->samples + 6, dir.WidePath("s.raw")));   // 2-byte values into a 1-byte payload
    EXPECT_FALSE(d->LoadSliceImage(nullptr, dir.WidePath("s.raw")));
    d->sizeX = uint64_t{1} << 63;
    EXPECT_FALSE(d->LoadSliceImage(d->samples, dir.WidePath("s.raw")));
}

// A stack whose files take the line-by-line and the strip path alike ends
// with every slice placed by the same rule and one flag valid for all.
TEST(SliceImageLoader, StackOfMixedTiffPaths)
{
    TempDir dir;
    const uint16_t compressions[] = {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_PACKBITS};
    for (int z = 0; z < 3; ++z) WriteGreyTiff((dir.Path() / ("s" + std::to_string(z) + ".tif")).string(), compressions[z], 10 * z);
    for (bool reverseY : {false, true}) {
        auto d = Slices(L"GRAY", L"tif", 2, 3, 3);
        d->reverseY = reverseY;
        d->pendingFlipY = reverseY;
        for (int z = 0; z < 3; ++z)
            ASSERT_TRUE(d->LoadSliceImage(d->samples + 6 * z, dir.WidePath("s" + std::to_string(z) + ".tif"))) << z;
        EXPECT_FALSE(d->pendingFlipY);
        for (int z = 0; z < 3; ++z)
            for (int row = 0; row < 3; ++row) {
                const int source = reverseY ? row : 2 - row;
                EXPECT_EQ(d->samples[6 * z + 2 * row], 10 * z + 2 * source) << z << " " << row;
            }
    }
}

TEST(SliceImageLoader, TiffWithoutSamplesPerPixelIsRgbByItsPhotometric)
{
    TempDir dir;
    dir.Write("nospp.tif", RgbTiffWithoutSamplesPerPixel(dir, 3));
    auto d = Slices(L"RGB", L"tif", 2, 1);
    ASSERT_TRUE(d->LoadSliceImage(d->samples, dir.WidePath("nospp.tif")));
    EXPECT_EQ(Bytes(*d), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    // Holding one sample a pixel, the strips are too short for three: refused, not part read.
    dir.Write("short.tif", RgbTiffWithoutSamplesPerPixel(dir, 1));
    auto s = Slices(L"RGB", L"tif", 2, 1);
    EXPECT_FALSE(s->LoadSliceImage(s->samples, dir.WidePath("short.tif")));
}
