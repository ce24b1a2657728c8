// One picture in every slice form outside tools make (ImageMagick, tiffcp,
// pydicom, djpeg) must load into the same buffer once the mirror step ran,
// for both row orders and reductions 1 and 2. Each check is skipped only when
// its tool is missing; scripts/setup installs them.
#include "readers/SampleMirror.h"
#include "readers/SliceImageReader.h"
#include "scene/DataObject.h"
#include "platform/Memory.h"
#include "support/TempDir.h"
#include "support/VolumeWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

using namespace velmor;
using namespace velmor::test;
namespace fs = std::filesystem;

namespace {

constexpr char kConvert[] = "/usr/bin/convert";
constexpr char kTiffcp[] = "/usr/bin/tiffcp";
constexpr char kDjpeg[] = "/usr/bin/djpeg";
constexpr char kPython[] = "/usr/bin/python3";

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Standard output of the command, or nothing when it failed.
bool RunTool(const std::vector<std::string>& words, std::string* output = nullptr)
{
    std::string command;
    for (const std::string& word : words) command += Quote(word) + " ";
    std::FILE* pipe = popen((command + (output ? "2>/dev/null" : ">/dev/null 2>&1")).c_str(), "r");
    if (!pipe) return false;
    std::array<char, 65536> chunk;
    size_t n;
    std::string out;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) out.append(chunk.data(), n);
    if (pclose(pipe) != 0) return false;
    if (output) *output = out;
    return true;
}

// A picture in memory: values top row first, 2-byte values little-endian.
struct Picture {
    int64_t width = 7, height = 5;   // odd, so that "kxd" keeps the same rows as the others under reduction
    int channels = 1;
    int bytes = 1;
    std::string values;

    std::string RawKind() const { return channels == 1 ? "gray:" : "rgb:"; }
    std::string Depth() const { return std::to_string(8 * bytes); }
    std::string Size() const { return std::to_string(width) + "x" + std::to_string(height); }
};

Picture MakePicture(int channels, int bytes, unsigned seed)
{
    Picture p;
    p.channels = channels;
    p.bytes = bytes;
    if (channels == 1) {
        // Zero margins, so that the "kxd" records have leads and trails.
        const TestVolume v = RandomVolume(p.width, p.height, 1, bytes, seed);
        p.values.assign(v.values.begin(), v.values.end());
        return p;
    }
    std::mt19937 rng(seed);
    p.values.resize(static_cast<size_t>(p.width * p.height * channels * bytes));
    for (char& c : p.values) c = static_cast<char>(rng());
    return p;
}

std::string KxdOf(const Picture& p)
{
    TestVolume v{p.width, p.height, 1, p.bytes, std::vector<uint8_t>(p.values.begin(), p.values.end())};
    return KxdBytes(v);
}

const wchar_t* FormatOf(int channels, int bytes)
{
    static const wchar_t* const formats[2][5] = {{L"", L"GRAY", L"", L"RGB", L"RGBA"}, {L"", L"GRAY16", L"", L"RGB16", L"RGBA16"}};
    return formats[bytes - 1][channels];
}

// A one-slice "volume" as the payload loader prepares it.
std::unique_ptr<DataObject> SliceObject(const Picture& p, const std::string& keyword, int n, bool reverseY)
{
    auto d = std::make_unique<DataObject>(L"slice");
    d->type = L"volume";
    d->format = FormatOf(p.channels, p.bytes);
    d->sizeX = static_cast<uint64_t>(p.width);
    d->sizeY = static_cast<uint64_t>(p.height);
    d->sizeZ = 1;
    d->countX = static_cast<uint64_t>((p.width + n - 1) / n);
    d->countY = static_cast<uint64_t>((p.height + n - 1) / n);
    d->countZ = 1;
    d->reductionStep = n;
    EXPECT_TRUE(d->AllocDataBuffer());
    if (n != 1) {
        d->reductionSliceBytes = static_cast<uint64_t>(p.width * p.height * p.channels * p.bytes);
        d->reductionSliceBuffer = static_cast<uint8_t*>(CommitMemory(d->reductionSliceBytes));
    }
    d->sourceType = std::wstring(keyword.begin(), keyword.end());
    d->reverseY = reverseY;
    d->pendingFlipY = reverseY;
    return d;
}

// Loads through the loader of the picture's width, then runs the mirror step.
bool LoadMirrored(DataObject& d, const std::wstring& path, std::string& out, int bytes)
{
    const bool ok = bytes == 1 ? d.LoadSliceImage(d.samples, path) : d.LoadSliceImage16(d.samples, path);
    MirrorSamples(d.samples, static_cast<int64_t>(d.countX), static_cast<int64_t>(d.countY), 1,
                  static_cast<uint64_t>(d.components) * static_cast<uint64_t>(bytes), false, d.pendingFlipY, false);
    out.assign(reinterpret_cast<const char*>(d.samples), static_cast<size_t>(d.payloadBytes));
    return ok;
}

// Kept row j is source row j·n with "reverseY" set, else source row Y−1−j·n.
std::string Expected(const Picture& p, int n, bool reverseY)
{
    const int64_t keptX = (p.width + n - 1) / n, keptY = (p.height + n - 1) / n;
    const size_t sample = static_cast<size_t>(p.channels * p.bytes);
    std::string out;
    for (int64_t j = 0; j < keptY; ++j) {
        const int64_t row = reverseY ? j * n : p.height - 1 - j * n;
        for (int64_t i = 0; i < keptX; ++i)
            out += p.values.substr(static_cast<size_t>(row * p.width + i * n) * sample, sample);
    }
    return out;
}

// Bottom-up BMP rows reversed into the top-down form (negative height).
std::string TopDown(std::string bmp)
{
    auto u32 = [&](size_t at) {
        return uint32_t(uint8_t(bmp[at])) | uint32_t(uint8_t(bmp[at + 1])) << 8 | uint32_t(uint8_t(bmp[at + 2])) << 16 |
               uint32_t(uint8_t(bmp[at + 3])) << 24;
    };
    const uint32_t offset = u32(10), width = u32(18);
    const int32_t height = static_cast<int32_t>(u32(22));
    const uint32_t bits = uint8_t(bmp[28]) | uint8_t(bmp[29]) << 8;
    const size_t stride = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
    std::string rows = bmp.substr(offset, stride * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(&bmp[offset + static_cast<size_t>(y) * stride], rows.data() + static_cast<size_t>(height - 1 - y) * stride, stride);
    const int32_t negative = -height;
    std::memcpy(&bmp[22], &negative, 4);
    return bmp;
}

struct SliceFile {
    std::string name;
    std::string keyword;
    bool imageMagickReads = true;   // the file is checked against ImageMagick's raw dump
};

// Every form of the picture that the tools here can make.
std::vector<SliceFile> WriteForms(const TempDir& dir, const Picture& p)
{
    std::vector<SliceFile> files;
    dir.Write("p.raw", p.values);
    files.push_back({"p.raw", "raw", false});
    if (p.channels == 1) {
        dir.Write("p.kxd", KxdOf(p));
        files.push_back({"p.kxd", "KXD", false});   // keywords are compared without letter case
    }
    const std::string source = p.RawKind() + (dir.Path() / "p.raw").string();
    const std::string type = p.channels == 1 ? "Grayscale" : "TrueColor";
    auto convert = [&](const std::vector<std::string>& options, const std::string& out) {
        std::vector<std::string> words = {kConvert, "-size", p.Size(), "-depth", p.Depth(), "-endian", "LSB", source, "-type", type};
        words.insert(words.end(), options.begin(), options.end());
        words.push_back(out);
        return RunTool(words);
    };
    EXPECT_TRUE(convert({"-compress", "None"}, (dir.Path() / "p.tif").string()));
    files.push_back({"p.tif", "tif"});
    for (const char* compression : {"lzw", "lzw:2", "zip", "packbits"}) {
        std::string name = std::string("p_") + compression + ".tif";
        std::replace(name.begin(), name.end(), ':', '_');
        // Two rows a strip, so that the strips and their sequence matter.
        EXPECT_TRUE(RunTool({kTiffcp, "-c", compression, "-r", "2", (dir.Path() / "p.tif").string(), (dir.Path() / name).string()}))
            << compression;
        files.push_back({name, "TIFF"});
    }
    if (p.bytes == 1) {
        // Never a palette: one channel takes the stored byte, which must be the grey value.
        const std::string png = (dir.Path() / "p.png").string();
        if (p.channels == 1)
            EXPECT_TRUE(convert({"-define", "png:color-type=0", "-define", "png:bit-depth=8"}, "PNG:" + png));
        else
            EXPECT_TRUE(convert({}, "PNG24:" + png));
        files.push_back({"p.png", "png"});
        // 24-bit in both row orders, so that the blue byte is the grey value.
        EXPECT_TRUE(RunTool({kConvert, (dir.Path() / "p.png").string(), "-type", "TrueColor", "BMP3:" + (dir.Path() / "up.bmp").string()}));
        files.push_back({"up.bmp", "bmp"});
        dir.Write("down.bmp", TopDown(ReadFileBytes(dir.Path() / "up.bmp")));
        files.push_back({"down.bmp", "Bmp"});
    }
    if (p.bytes == 2 && p.channels == 1 && fs::exists(kPython)) {
        for (const char* sign : {"0", "1"}) {
            const std::string name = std::string("p") + sign + ".dcm";
            EXPECT_TRUE(RunTool({kPython, VELMOR_SLICE_DICOM_SCRIPT, (dir.Path() / name).string(), (dir.Path() / "p.raw").string(),
                             std::to_string(p.width), std::to_string(p.height), sign}))
                << name;
            files.push_back({name, "dcm", false});
        }
    }
    return files;
}

} // namespace

TEST(SliceLoaderPeers, OrientationMatrix)
{
    if (!fs::exists(kConvert) || !fs::exists(kTiffcp)) GTEST_SKIP() << "ImageMagick or tiffcp missing";
    for (int bytes : {1, 2})
        for (int channels : {1, 3}) {
            TempDir dir;
            const Picture p = MakePicture(channels, bytes, 17u * bytes + channels);
            const std::vector<SliceFile> files = WriteForms(dir, p);
            const std::string what = std::to_string(channels) + " channels, " + std::to_string(bytes) + " bytes: ";
            // raw, kxd for grey, five TIFF forms, PNG and two BMP for 8 bits, two DICOM for 16-bit grey
            const size_t forms = 6 + (channels == 1 ? 1 : 0) + (bytes == 1 ? 3 : 0) + (bytes == 2 && channels == 1 ? 2 : 0);
            EXPECT_EQ(files.size(), forms) << what;
            for (const SliceFile& f : files) {
                if (!f.imageMagickReads) continue;
                std::string dump;
                ASSERT_TRUE(RunTool({kConvert, (dir.Path() / f.name).string(), "-depth", p.Depth(), "-endian", "LSB", p.RawKind() + "-"}, &dump))
                    << what << f.name;
                ASSERT_EQ(dump, p.values) << what << f.name << " does not hold the picture";
            }
            for (int n : {1, 2})
                for (bool reverseY : {false, true})
                    for (const SliceFile& f : files) {
                        auto d = SliceObject(p, f.keyword, n, reverseY);
                        std::string loaded;
                        ASSERT_TRUE(LoadMirrored(*d, dir.WidePath(f.name), loaded, bytes)) << what << f.name;
                        EXPECT_EQ(loaded, Expected(p, n, reverseY)) << what << f.name << " n=" << n << " reverseY=" << reverseY;
                        if (f.name.find(".dcm") != std::string::npos) {
                            EXPECT_EQ(d->isSigned, f.name == "p1.dcm");
                        }
                    }
        }
}

// The 2-byte loader widens picture bytes; it reads the same picture as the 1-byte one.
TEST(SliceLoaderPeers, PicturesWidenedBySixteenBitLoader)
{
    if (!fs::exists(kConvert)) GTEST_SKIP() << "ImageMagick missing";
    TempDir dir;
    const Picture p = MakePicture(3, 1, 5);
    dir.Write("p.raw", p.values);
    ASSERT_TRUE(RunTool({kConvert, "-size", p.Size(), "-depth", "8", "rgb:" + (dir.Path() / "p.raw").string(), "PNG24:" + (dir.Path() / "p.png").string()}));
    Picture wide = p;
    wide.bytes = 2;
    wide.values.clear();
    for (char c : p.values) wide.values += std::string{c, '\0'};
    auto d = SliceObject(wide, "png", 1, false);
    std::string loaded;
    ASSERT_TRUE(LoadMirrored(*d, dir.WidePath("p.png"), loaded, 2));
    EXPECT_EQ(loaded, Expected(wide, 1, false));
}

// djpeg is libjpeg's own decoder: its pixels, placed by the row rule, are what the loader must store.
TEST(SliceLoaderPeers, JpegAgreesWithDjpeg)
{
    if (!fs::exists(kConvert) || !fs::exists(kDjpeg)) GTEST_SKIP() << "ImageMagick or djpeg missing";
    TempDir dir;
    for (int channels : {1, 3}) {
        const Picture p = MakePicture(channels, 1, 9);
        dir.Write("p.raw", p.values);
        ASSERT_TRUE(RunTool({kConvert, "-size", p.Size(), "-depth", "8", p.RawKind() + (dir.Path() / "p.raw").string(), "-quality", "85",
                         (dir.Path() / "p.jpg").string()}));
        std::string pnm;
        ASSERT_TRUE(RunTool({kDjpeg, "-pnm", (dir.Path() / "p.jpg").string()}, &pnm));
        Picture decoded = p;
        decoded.values = pnm.substr(pnm.size() - p.values.size());
        for (bool reverseY : {false, true}) {
            auto d = SliceObject(decoded, "jpeg", 1, reverseY);
            std::string loaded;
            ASSERT_TRUE(LoadMirrored(*d, dir.WidePath("p.jpg"), loaded, 1));
            EXPECT_EQ(loaded, Expected(decoded, 1, reverseY)) << channels;
        }
        if (channels == 3) {
            // One channel takes the blue byte of each pixel.
            Picture blue = decoded;
            blue.channels = 1;
            blue.values.clear();
            for (size_t i = 2; i < decoded.values.size(); i += 3) blue.values += decoded.values[i];
            auto d = SliceObject(blue, "jpg", 1, true);
            std::string loaded;
            ASSERT_TRUE(LoadMirrored(*d, dir.WidePath("p.jpg"), loaded, 1));
            EXPECT_EQ(loaded, blue.values);
        }
    }
}

// Grey and palette pictures are decoded straight into their rows: for both
// value widths and row orders they must hold what the decoded picture gives
// the same slice, and refuse what it refuses. Colour and run-length
// pictures are left to the decoded picture, with nothing written.
TEST(SliceLoaderPeers, StraightDecodeMatchesTheDecodedPicture)
{
    if (!fs::exists(kConvert)) GTEST_SKIP() << "ImageMagick missing";
    TempDir dir;
    Picture p;   // more values than a 4-bit palette holds
    for (int i = 0; i < p.width * p.height; ++i) p.values += static_cast<char>(i * 7);
    dir.Write("p.raw", p.values);
    const struct { const char* name; std::vector<std::string> options; bool straight; } forms[] = {
        {"grey.png", {"-define", "png:color-type=0"}, true},
        {"grey16.png", {"-depth", "16", "-define", "png:color-type=0", "-define", "png:bit-depth=16"}, true},
        {"interlaced.png", {"-interlace", "PNG", "-define", "png:color-type=0"}, true},
        {"palette.png", {"-colors", "20", "PNG8:"}, true},
        {"palette.bmp", {"-type", "Palette", "-compress", "None", "BMP3:"}, true},
        {"grey.jpg", {"-quality", "85"}, true},
        {"colour.png", {"-type", "TrueColor", "PNG24:"}, false},
        {"rle.bmp", {"-colors", "20", "-compress", "RLE", "BMP3:"}, false},
        {"palette4.bmp", {"-colors", "9", "-type", "Palette", "-compress", "None", "BMP3:"}, false},
    };
    for (const auto& form : forms) {
        std::vector<std::string> words = {kConvert, "-size", p.Size(), "-depth", "8", "gray:" + (dir.Path() / "p.raw").string()};
        words.insert(words.end(), form.options.begin(), form.options.end() - (form.options.back().back() == ':' ? 1 : 0));
        words.push_back((form.options.back().back() == ':' ? form.options.back() : "") + (dir.Path() / form.name).string());
        ASSERT_TRUE(RunTool(words)) << form.name;
        const std::string file = ReadFileBytes(dir.Path() / form.name);
        for (const size_t size : {file.size(), file.size() / 2})
            for (int bytes : {1, 2})
                for (bool reverseY : {false, true}) {
                    const auto* data = reinterpret_cast<const uint8_t*>(file.data());
                    const SliceShape shape{p.width, p.height, 1, bytes, reverseY};
                    const std::string what = std::string(form.name) + " of " + std::to_string(size) + " bytes into " + std::to_string(bytes);
                    std::vector<uint8_t> general(static_cast<size_t>(p.width * p.height * bytes), 0xEE), straight = general;
                    DecodedImage picture;
                    bool flip = true;
                    const bool decoded = DecodeImageOfSize(data, size, {p.width, p.height}, picture) == SizedDecode::Decoded &&
                                         PlacePictureSlice(picture, shape, general.data(), flip);
                    EXPECT_EQ(decoded, size == file.size()) << what;
                    const SizedDecode result = DecodeGreySlice(data, size, shape, straight.data(), flip);
                    EXPECT_TRUE(!decoded || result == (form.straight ? SizedDecode::Decoded : SizedDecode::Colour)) << what;
                    EXPECT_TRUE(decoded || result != SizedDecode::Decoded) << what;
                    EXPECT_TRUE(result != SizedDecode::Decoded || straight == general) << what;
                    EXPECT_TRUE(result != SizedDecode::Colour || straight == std::vector<uint8_t>(straight.size(), 0xEE)) << what;
                }
    }
}
