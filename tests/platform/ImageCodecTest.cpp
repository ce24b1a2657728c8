#include "platform/ImageCodec.h"
#include "support/TempDir.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace velmor;
using velmor::test::ReadFileBytes;
using velmor::test::TempDir;

namespace {

// --- a small bitmap writer for header forms the encoders here do not make ---
void Put(std::string& s, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

struct BmpSpec {
    int32_t width = 3, height = 2;   // negative height: top-down
    uint16_t bits = 24;
    uint32_t compression = 0;
    uint32_t infoSize = 40;
    std::vector<uint32_t> masks;      // written after a 40-byte header, or inside a larger one
    std::vector<std::array<uint8_t, 3>> palette;   // BGR
    std::string pixels;               // as stored in the file
    uint32_t colours = 0;
};

std::string MakeBmp(const BmpSpec& b)
{
    std::string info;
    const bool core = b.infoSize == 12;
    Put(info, b.infoSize, 4);
    if (core) {
        Put(info, static_cast<uint32_t>(b.width), 2);
        Put(info, static_cast<uint32_t>(b.height), 2);
        Put(info, 1, 2);
        Put(info, b.bits, 2);
    } else {
        Put(info, static_cast<uint32_t>(b.width), 4);
        Put(info, static_cast<uint32_t>(b.height), 4);
        Put(info, 1, 2);
        Put(info, b.bits, 2);
        Put(info, b.compression, 4);
        Put(info, static_cast<uint32_t>(b.pixels.size()), 4);
        Put(info, 2835, 4);
        Put(info, 2835, 4);
        Put(info, b.colours, 4);
        Put(info, 0, 4);
        if (b.infoSize > 40)
            for (uint32_t m : b.masks) Put(info, m, 4);
        info.resize(b.infoSize, '\0');
        if (b.infoSize == 40)
            for (uint32_t m : b.masks) Put(info, m, 4);
    }
    for (const auto& c : b.palette) {
        info.append(reinterpret_cast<const char*>(c.data()), 3);
        if (!core) info += '\0';
    }
    std::string file = "BM";
    Put(file, static_cast<uint32_t>(14 + info.size() + b.pixels.size()), 4);
    Put(file, 0, 4);
    Put(file, static_cast<uint32_t>(14 + info.size()), 4);
    return file + info + b.pixels;
}

bool Decode(const std::string& bytes, DecodedImage& img)
{
    return DecodeImageMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), img);
}

std::array<int, 4> At(const DecodedImage& img, int x, int y)
{
    const uint8_t* p = img.Pixel(x, y);
    return {p[0], p[1], p[2], p[3]};
}

// 24-bit rows of a 3 x 2 picture, bottom row first in the file, padded to 12 bytes.
std::string Rows24()
{
    std::string s;
    const uint8_t bottom[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9}, top[9] = {10, 11, 12, 13, 14, 15, 16, 17, 18};
    s.append(reinterpret_cast<const char*>(bottom), 9).append(3, '\0');
    s.append(reinterpret_cast<const char*>(top), 9).append(3, '\0');
    return s;
}

std::string Capture(const std::string& command)
{
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[65536];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        if (pclose(p) != 0) out.clear();
    }
    return out;
}

bool HaveTool(const char* name) { return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0; }

// The picture's last scan repeated until it has `scans` scans (0xFF 0xDA begins each; coded bytes never hold it).
std::string WithScans(const std::string& jpg, int scans)
{
    const size_t last = jpg.rfind("\xFF\xDA"), end = jpg.size() - 2;   // before the end-of-image marker
    std::string crafted = jpg.substr(0, end);
    for (size_t at = jpg.find("\xFF\xDA"); at != std::string::npos; at = jpg.find("\xFF\xDA", at + 2)) --scans;
    for (; scans > 0; --scans) crafted.append(jpg, last, end - last);
    return crafted + jpg.substr(end);
}

// Every `from` in the bytes made `to`.
std::string Replaced(std::string bytes, const std::string& from, const std::string& to)
{
    for (size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + to.size())) bytes.replace(at, from.size(), to);
    return bytes;
}

} // namespace

TEST(BmpCodec, RowOrderAndHeaderForms)
{
    DecodedImage img;
    BmpSpec b;
    b.pixels = Rows24();
    ASSERT_TRUE(Decode(MakeBmp(b), img));
    EXPECT_EQ(img.width, 3);
    EXPECT_EQ(img.height, 2);
    EXPECT_TRUE(img.indices.empty());
    EXPECT_EQ(At(img, 0, 0), (std::array<int, 4>{10, 11, 12, 255}));   // the file's last row is the top
    EXPECT_EQ(At(img, 2, 1), (std::array<int, 4>{7, 8, 9, 255}));

    b.height = -2;   // top-down: the file's first row is the top
    ASSERT_TRUE(Decode(MakeBmp(b), img));
    EXPECT_EQ(At(img, 0, 0), (std::array<int, 4>{1, 2, 3, 255}));

    b.height = 2;
    b.infoSize = 12;   // core header
    ASSERT_TRUE(Decode(MakeBmp(b), img));
    EXPECT_EQ(At(img, 0, 0), (std::array<int, 4>{10, 11, 12, 255}));
    b.infoSize = 124;  // version 5
    ASSERT_TRUE(Decode(MakeBmp(b), img));
    EXPECT_EQ(At(img, 1, 1), (std::array<int, 4>{4, 5, 6, 255}));
}

TEST(BmpCodec, PalettesKeepTheirIndices)
{
    DecodedImage img;
    BmpSpec b;
    b.width = 10;
    b.height = 1;
    b.bits = 1;
    b.palette = {{0, 0, 0}, {200, 100, 50}};
    b.pixels = std::string("\xA0\x40\0\0", 4);   // 1010 0000 01
    ASSERT_TRUE(Decode(MakeBmp(b), img));
    EXPECT_EQ(img.indices, (std::vector<uint8_t>{1, 0, 1, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(At(img, 0, 0), (std::array<int, 4>{200, 100, 50, 255}));

    b.bits = 4;
    b.width = 3;
    b.colours = 3;
    b.palette = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
    b.pixels = std::string("\x21\x50\0\0", 4);    // indices 2, 1, 5: 5 names no colour
    EXPECT_FALSE(Decode(MakeBmp(b), img));
    b.pixels = std::string("\x21\x00\0\0", 4);
    ASSERT_TRUE(Decode(MakeBmp(b), img));
    EXPECT_EQ(img.indices, (std::vector<uint8_t>{2, 1, 0}));

    b.bits = 8;
    b.pixels = std::string("\x00\x02\x01\0", 4);
    ASSERT_TRUE(Decode(MakeBmp(b), img));
    EXPECT_EQ(img.bitsPerPixel, 8);
    EXPECT_EQ(At(img, 1, 0), (std::array<int, 4>{3, 3, 3, 255}));
    // Straight into a plane: the same indices, and one past the palette refused there too.
    std::vector<uint8_t> plane(3);
    const auto straight = [&] {
        const std::string bytes = MakeBmp(b);
        plane.resize(3 * std::abs(b.height));
        return DecodePlaneOfSize(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), {3, std::abs(b.height)}, {plane.data(), 3});
    };
    EXPECT_EQ(straight(), SizedDecode::Decoded);
    EXPECT_EQ(plane, img.indices);
    b.pixels = std::string("\x00\x03\x01\0", 4);
    EXPECT_FALSE(Decode(MakeBmp(b), img));
    EXPECT_EQ(straight(), SizedDecode::Unreadable);
    // Two rows stored bottom-up, then top-down: the plane takes the top row first either way.
    b.pixels = std::string("\x00\x02\x01\0\x01\x00\x02\0", 8);
    for (const int32_t height : {2, -2}) {
        b.height = height;
        EXPECT_EQ(straight(), SizedDecode::Decoded);
        EXPECT_EQ(plane, (height > 0 ? std::vector<uint8_t>{1, 0, 2, 0, 2, 1} : std::vector<uint8_t>{0, 2, 1, 1, 0, 2}));
    }
}

TEST(BmpCodec, SixteenAndThirtyTwoBitFields)
{
    DecodedImage img;
    BmpSpec b;
    b.width = 2;
    b.height = 1;
    b.bits = 16;
    b.pixels = std::string("\x1F\x00\x00\x7C", 4);   // 5-5-5: blue max, red max
    ASSERT_TRUE(Decode(MakeBmp(b), img));
    EXPECT_EQ(At(img, 0, 0), (std::array<int, 4>{255, 0, 0, 255}));
    EXPECT_EQ(At(img, 1, 0), (std::array<int, 4>{0, 0, 255, 255}));

    b.compression = 3;   // 5-6-5 bit fields after a 40-byte header
    b.masks = {0xF800, 0x07E0, 0x001F};
    b.pixels = std::string("\xE0\x07\x00\xF8", 4);
    ASSERT_TRUE(Decode(MakeBmp(b), img));
    EXPECT_EQ(At(img, 0, 0), (std::array<int, 4>{0, 255, 0, 255}));
    EXPECT_EQ(At(img, 1, 0), (std::array<int, 4>{0, 0, 255, 255}));

    b.bits = 32;
    b.compression = 0;
    b.masks.clear();
    b.pixels = std::string("\x01\x02\x03\x00\x04\x05\x06\x80", 8);   // no alpha without a mask
    ASSERT_TRUE(Decode(MakeBmp(b), img));
    EXPECT_EQ(At(img, 1, 0), (std::array<int, 4>{4, 5, 6, 255}));

    b.compression = 3;
    b.infoSize = 108;   // version 4 with an alpha mask
    b.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    ASSERT_TRUE(Decode(MakeBmp(b), img));
    EXPECT_EQ(At(img, 1, 0), (std::array<int, 4>{4, 5, 6, 0x80}));
}

TEST(BmpCodec, RunLengthPictures)
{
    DecodedImage img;
    BmpSpec b;
    b.width = 4;
    b.height = 2;
    b.bits = 8;
    b.compression = 1;
    b.palette = {{0, 0, 0}, {9, 9, 9}, {7, 7, 7}};
    b.width = 5;
    // Bottom row: a run of two 1s, an absolute run 2, 1, 2 (padded to even), end of line.
    // Top row: a delta of one column, a run of one 2, end of picture.
    b.pixels = std::string("\x02\x01" "\x00\x03\x02\x01\x02\x00" "\x00\x00" "\x00\x02\x01\x00" "\x01\x02" "\x00\x01", 18);
    ASSERT_TRUE(Decode(MakeBmp(b), img));
    EXPECT_EQ(img.indices, (std::vector<uint8_t>{0, 2, 0, 0, 0, 1, 1, 2, 1, 2}));
    EXPECT_EQ(At(img, 1, 0), (std::array<int, 4>{7, 7, 7, 255}));

    b.bits = 4;
    b.compression = 2;
    b.width = 3;
    b.height = 1;
    b.pixels = std::string("\x03\x12\x00\x01", 4);   // 1, 2, 1
    ASSERT_TRUE(Decode(MakeBmp(b), img));
    EXPECT_EQ(img.indices, (std::vector<uint8_t>{1, 2, 1}));

    b.pixels = std::string("\x00\x05\x12", 3);        // absolute run past the end
    EXPECT_FALSE(Decode(MakeBmp(b), img));
}

TEST(BmpCodec, LyingHeadersFailCleanly)
{
    DecodedImage img;
    BmpSpec b;
    b.pixels = Rows24();
    const std::string good = MakeBmp(b);
    EXPECT_FALSE(Decode(good.substr(0, good.size() - 1), img));   // pixel data short
    EXPECT_TRUE(img.bgra.empty());

    std::string farOffset = good;
    farOffset[10] = '\xFF';
    farOffset[13] = '\x7F';
    EXPECT_FALSE(Decode(farOffset, img));

    for (int32_t w : {0, -3, INT32_MIN, INT32_MAX, 1 << 21}) {
        BmpSpec huge = b;
        huge.width = w;
        EXPECT_FALSE(Decode(MakeBmp(huge), img)) << w;
    }
    // A header's size is read without the pixels, top-down or not: a slice
    // of 3 x 2 refuses one of 10000 x 10000 as another size.
    BmpSpec tall = b;
    tall.width = 10000;
    tall.height = -10000;
    const std::string bytes = MakeBmp(tall);
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    EXPECT_EQ(DecodeImageOfSize(data, bytes.size(), {3, 2}, img), SizedDecode::OtherSize);
    EXPECT_EQ(DecodeImageOfSize(data, bytes.size(), {10000, 10000}, img), SizedDecode::Unreadable);
    BmpSpec zeroBits = b;
    zeroBits.bits = 0;
    EXPECT_FALSE(Decode(MakeBmp(zeroBits), img));
    std::string badInfo = good;
    badInfo[16] = '\x7F';   // an info header larger than the file
    EXPECT_FALSE(Decode(badInfo, img));
    EXPECT_FALSE(Decode("BM", img));
    EXPECT_FALSE(Decode("GIF89a", img));
}

TEST(ImageCodec, BmpAndJpegFilesRoundTrip)
{
    TempDir dir;
    const int w = 17, h = 5;
    std::vector<uint8_t> bgr(static_cast<size_t>(w * h * 3));
    for (size_t i = 0; i < bgr.size(); ++i) bgr[i] = static_cast<uint8_t>(i * 7);
    ASSERT_TRUE(SaveBmp24(dir.WidePath("a.bmp"), bgr.data(), w, h, w * 3));
    DecodedImage img;
    ASSERT_TRUE(DecodeImageFile(dir.WidePath("a.bmp"), img));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < 3; ++k) ASSERT_EQ(img.Pixel(x, y)[k], bgr[(y * w + x) * 3 + k]);

    // A flat colour survives JPEG at full quality within rounding.
    std::vector<uint8_t> flat(static_cast<size_t>(16 * 16 * 3));
    for (size_t i = 0; i < flat.size(); i += 3) { flat[i] = 30; flat[i + 1] = 120; flat[i + 2] = 220; }
    ASSERT_TRUE(SaveJpeg(dir.WidePath("a.jpg"), flat.data(), 16, 16, 48, 100));
    ASSERT_TRUE(DecodeImageFile(dir.WidePath("a.jpg"), img));
    EXPECT_NEAR(img.Pixel(8, 8)[0], 30, 2);
    EXPECT_NEAR(img.Pixel(8, 8)[2], 220, 2);

    EXPECT_FALSE(SaveBmp24(L"/no/such/dir/a.bmp", bgr.data(), w, h, w * 3));
    EXPECT_FALSE(SaveBmp24(L"/dev/full", bgr.data(), w, h, w * 3));
    EXPECT_FALSE(SaveJpeg(L"/dev/full", flat.data(), 16, 16, 48, 70));
    EXPECT_FALSE(DecodeImageFile(dir.WidePath("missing.png"), img));
}

// ImageMagick makes the pictures and dumps the pixels it decodes; ours must agree.
TEST(ImageCodec, AgreesWithImageMagick)
{
    if (!HaveTool("convert")) GTEST_SKIP() << "ImageMagick is not installed";
    TempDir dir;
    const std::string base = dir.Path() / "src.png";
    ASSERT_EQ(std::system(("convert -size 23x11 -depth 8 gradient:red-blue -fill '#30A050' -draw 'rectangle 3,2 9,7' " + base).c_str()), 0);
    const struct { const char* name; const char* options; bool lossless; } cases[] = {
        {"rgb.png", "", true},
        {"rgba.png", "-alpha set -channel A -evaluate set 60% +channel", true},
        {"grey.png", "-colorspace Gray", true},
        {"grey16.png", "-colorspace Gray -depth 16 -evaluate multiply 1.0037", true},
        {"palette.png", "-colors 7 PNG8:", true},
        {"interlaced.png", "-interlace PNG", true},
        {"rle8.bmp", "-colors 9 -compress RLE BMP3:", true},
        {"pal4.bmp", "-colors 12 -type Palette BMP3:", true},
        {"rgb565.bmp", "-define bmp:subtype=RGB565 BMP:", false},
        {"grey.jpg", "-colorspace Gray -quality 90", false},
        {"rgb.jpg", "-quality 90", false},
        {"progressive.jpg", "-interlace JPEG -quality 90", false},
    };
    for (const auto& c : cases) {
        const std::string out = dir.Path() / c.name;
        std::string opts = c.options, prefix;
        if (const auto colon = opts.find(':'); colon != std::string::npos) {
            const auto space = opts.rfind(' ', colon);
            prefix = opts.substr(space == std::string::npos ? 0 : space + 1);
            opts.erase(space == std::string::npos ? 0 : space);
        }
        ASSERT_EQ(std::system(("convert " + base + " " + opts + " " + prefix + out).c_str()), 0) << c.name;
        DecodedImage img;
        ASSERT_TRUE(DecodeImageFile(dir.WidePath(c.name), img)) << c.name;
        const std::string raw = Capture("convert " + out + " -depth 8 rgba:-");
        ASSERT_EQ(raw.size(), static_cast<size_t>(img.width * img.height * 4)) << c.name;
        int worst = 0;
        for (size_t i = 0; i < raw.size(); i += 4) {
            const uint8_t* p = img.bgra.data() + i;
            const int d[4] = {p[2] - static_cast<uint8_t>(raw[i]), p[1] - static_cast<uint8_t>(raw[i + 1]),
                              p[0] - static_cast<uint8_t>(raw[i + 2]), p[3] - static_cast<uint8_t>(raw[i + 3])};
            for (int v : d) worst = std::max(worst, std::abs(v));
        }
        // 16-bit samples: both scale to 8 bits, rounding may differ by one.
        EXPECT_LE(worst, c.lossless ? (std::string(c.name) == "grey16.png" ? 1 : 0) : 3) << c.name;
    }
}

// djpeg is libjpeg's own decoder: grey JPEG values must be the same bytes.
TEST(ImageCodec, GreyJpegMatchesDjpeg)
{
    if (!HaveTool("djpeg") || !HaveTool("jpegtran") || !HaveTool("convert")) GTEST_SKIP() << "libjpeg's tools or ImageMagick missing";
    TempDir dir;
    const std::string jpg = dir.Path() / "g.jpg";
    ASSERT_EQ(std::system(("convert -size 40x30 gradient:white-black -colorspace Gray " + jpg).c_str()), 0);
    const std::string pgm = Capture("djpeg -pnm " + jpg);
    ASSERT_FALSE(pgm.empty());
    const std::string pixels = pgm.substr(pgm.size() - 40 * 30);
    DecodedImage img;
    ASSERT_TRUE(DecodeImageFile(dir.WidePath("g.jpg"), img));
    EXPECT_EQ(std::string(img.indices.begin(), img.indices.end()), pixels);

    const std::string bytes = ReadFileBytes(jpg);
    for (size_t cut : {bytes.size() / 2, bytes.size() - 10, size_t{20}}) {
        DecodedImage partial;
        EXPECT_FALSE(Decode(bytes.substr(0, cut), partial)) << cut;   // truncated: refused, not grey-filled
    }

    // Made progressive without loss, with a restart marker after each row of blocks, the same bytes; its last
    // scan repeated up to the bound, djpeg held to as many scans and we take it, one more or thousands neither
    // does (djpeg's warnings are no failure). So also with a TEM before each scan, and with a reserved code
    // where a restart is due: libjpeg reads no length after either. Our marker walk alone tells the same,
    // and without it the library's count of the scans it begins refuses them.
    const std::string progressive = Capture("jpegtran -progressive -restart 1 " + jpg);
    DecodedImage img2;
    ASSERT_TRUE(Decode(progressive, img2));
    EXPECT_EQ(img2.indices, img.indices);
    const JpegScanWalk walk = ReplaceJpegScanWalkForTest(nullptr);
    for (const int scans : {kMaxJpegScans, kMaxJpegScans + 1, 13000}) {
        const std::string plain = WithScans(progressive, scans);
        for (const std::string& crafted : {plain, Replaced(plain, "\xFF\xDA", "\xFF\x01\xFF\xDA"),
                                           Replaced(plain, "\xFF\xD0", std::string("\xFF\x02\xFE\0", 4))}) {
            dir.Write("many.jpg", crafted);
            const int djpeg = std::system(("djpeg -maxscans " + std::to_string(kMaxJpegScans) + " " +
                                           (dir.Path() / "many.jpg").string() + " >/dev/null 2>&1").c_str());
            const bool refused = WEXITSTATUS(djpeg) == EXIT_FAILURE;
            const auto* data = reinterpret_cast<const uint8_t*>(crafted.data());
            EXPECT_EQ(refused, scans > kMaxJpegScans) << scans;
            EXPECT_EQ(walk(data, crafted.size(), kMaxJpegScans), refused) << scans;
            for (const JpegScanWalk decoderWalk : {walk, +[](const uint8_t*, size_t, int) { return false; }}) {
                ReplaceJpegScanWalkForTest(decoderWalk);
                EXPECT_EQ(DecodeImageOfSize(data, crafted.size(), {40, 30}, img2), refused ? SizedDecode::Unreadable : SizedDecode::Decoded);
            }
            ReplaceJpegScanWalkForTest(nullptr);
        }
    }
}
