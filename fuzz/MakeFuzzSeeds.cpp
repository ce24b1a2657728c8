// make_fuzz_seeds DIR: writes seed inputs for every fuzz target into
// DIR/<target>/, built by the same writers the tests use.
#include "platform/ImageCodec.h"
#include "platform/WideText.h"
#include "support/ContainerWriter.h"
#include "support/TestScenes.h"

#include <png.h>
#include <tiffio.h>
#include "support/DicomBuilder.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

void Seed(const std::filesystem::path& dir, const std::string& name, const std::string& bytes)
{
    std::filesystem::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string FileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A 9 x 7 TIFF in strips of 2 rows.
std::string TiffBytes(const std::filesystem::path& dir, uint16_t bits, uint16_t spp, uint16_t compression)
{
    std::filesystem::create_directories(dir);
    const auto tiff = dir / "slice.tif.tmp";
    TIFF* t = TIFFOpen(tiff.c_str(), "w");
    if (t == nullptr) return {};
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 9);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, 7);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, spp);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, spp == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 2);
    std::vector<uint8_t> row(9 * spp * (bits / 8));
    for (uint32_t y = 0; y < 7; ++y) {
        for (size_t x = 0; x < row.size(); ++x) row[x] = static_cast<uint8_t>(x * y + 3);
        TIFFWriteScanline(t, row.data(), y, 0);
    }
    TIFFClose(t);
    const std::string bytes = FileBytes(tiff);
    std::filesystem::remove(tiff);
    return bytes;
}

struct TiffSeed {
    const char* name;
    uint16_t bits, spp, compression;
};
constexpr TiffSeed kTiffSeeds[] = {
    {"grey_lzw", 8, 1, COMPRESSION_LZW},       {"grey16_none", 16, 1, COMPRESSION_NONE},
    {"rgb_deflate", 8, 3, COMPRESSION_ADOBE_DEFLATE}, {"rgb16_packbits", 16, 3, COMPRESSION_PACKBITS},
};

// Behind the four shape bytes: width 9, height 7, channels and width from the file.
void WriteTiffSeeds(const std::filesystem::path& dir)
{
    for (const TiffSeed& t : kTiffSeeds) {
        const char shape[4] = {8, 6, static_cast<char>(t.spp == 3 ? 1 : 0), static_cast<char>(t.bits / 8 - 1)};
        Seed(dir, t.name, std::string(shape, 4) + TiffBytes(dir, t.bits, t.spp, t.compression));
    }
}

void Put(std::string& s, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// 8-bit palette bitmaps of 9 x 7: top-down rows, or bottom-up run-length rows.
std::string PaletteBmp(bool runLength)
{
    std::string pixels;
    for (int y = 0; y < 7; ++y) {
        if (runLength) {
            pixels += static_cast<char>(9);
            pixels += static_cast<char>(y * 30);
            pixels += std::string("\0\0", 2);   // end of line
        } else {
            for (int x = 0; x < 9; ++x) pixels += static_cast<char>(x * 25 + y);
            pixels += std::string(3, '\0');
        }
    }
    if (runLength) pixels += std::string("\0\1", 2);   // end of picture
    std::string info;
    Put(info, 40, 4);
    Put(info, 9, 4);
    Put(info, runLength ? 7u : static_cast<uint32_t>(-7), 4);
    Put(info, 1, 2);
    Put(info, 8, 2);
    Put(info, runLength ? 1 : 0, 4);
    Put(info, static_cast<uint32_t>(pixels.size()), 4);
    Put(info, 2835, 4);
    Put(info, 2835, 4);
    Put(info, 256, 4);
    Put(info, 0, 4);
    for (uint32_t i = 0; i < 256; ++i) Put(info, i * 0x010203u, 4);
    std::string file = "BM";
    Put(file, static_cast<uint32_t>(14 + info.size() + pixels.size()), 4);
    Put(file, 0, 4);
    Put(file, static_cast<uint32_t>(14 + info.size()), 4);
    return file + info + pixels;
}

void WritePictureSeeds(const std::filesystem::path& dir)
{
    std::filesystem::create_directories(dir);
    std::vector<uint8_t> bgr(9 * 7 * 3);
    for (size_t i = 0; i < bgr.size(); ++i) bgr[i] = static_cast<uint8_t>(i * 13);
    velmor::SaveBmp24(velmor::WideFromPath(dir / "rgb.bmp"), bgr.data(), 9, 7, 27);
    velmor::SaveJpeg(velmor::WideFromPath(dir / "rgb.jpg"), bgr.data(), 9, 7, 27, 70);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 9;
    image.height = 7;
    image.format = PNG_FORMAT_BGR;
    png_image_write_to_file(&image, (dir / "rgb.png").c_str(), 0, bgr.data(), 27, nullptr);
    image.format = PNG_FORMAT_GRAY;
    png_image_write_to_file(&image, (dir / "grey.png").c_str(), 0, bgr.data(), 9, nullptr);
    Seed(dir, "palette_top_down.bmp", PaletteBmp(false));
    Seed(dir, "palette_rle8.bmp", PaletteBmp(true));
}

// One file of every keyword behind the loader's four shape bytes: keyword,
// width - 1, height - 1, and the mode (channels, width, row order, reduction).
void WriteSliceLoaderSeeds(const std::filesystem::path& dir, const std::filesystem::path& pictures)
{
    auto seed = [&](const char* name, char keyword, char width, char height, char mode, const std::string& bytes) {
        Seed(dir, name, std::string{keyword, static_cast<char>(width - 1), static_cast<char>(height - 1), mode} + bytes);
    };
    std::string raw;
    for (int i = 0; i < 9 * 7 * 3; ++i) raw += static_cast<char>(i);
    seed("raw_rgb_reduced", 0, 9, 7, 0x11, raw);
    seed("kxd", 1, 4, 1, 0x00, std::string("\x01\x01\x00\x01\x00\x07\x09", 7));
    seed("bmp_top_down", 2, 9, 7, 0x08, PaletteBmp(false));
    seed("png_rgba16", 3, 9, 7, 0x26, FileBytes(pictures / "rgb.png"));
    seed("jpg_rgb", 4, 9, 7, 0x01, FileBytes(pictures / "rgb.jpg"));
    seed("tif_rgb16", 5, 9, 7, 0x05, TiffBytes(dir, 16, 3, COMPRESSION_PACKBITS));
    velmor::test::DicomSliceOptions options;
    seed("dcm_signed", 6, 3, 4, 0x04, velmor::test::MakeDicomSlice(options));
    options.signedPixels = false;
    seed("dcm_unsigned_reduced", 6, 3, 4, 0x1C, velmor::test::MakeDicomSlice(options));
}

void SeedDicom(const std::filesystem::path& dir)
{
    using namespace velmor::test;
    DicomSliceOptions options;
    Seed(dir, "explicit_little", MakeDicomSlice(options));
    options.transferSyntax = "1.2.840.10008.1.2";
    options.explicitVr = false;
    Seed(dir, "implicit_little", MakeDicomSlice(options));
    options.meta = false;
    Seed(dir, "implicit_no_meta", MakeDicomSlice(options));
    options = {};
    options.transferSyntax = "1.2.840.10008.1.2.2";
    options.withSequence = false;
    Seed(dir, "explicit_big", MakeDicomSlice(options));
    DicomBuilder encapsulated;
    encapsulated.Preamble().Meta("1.2.840.10008.1.2.4.50")
        .Explicit(0x0028, 0x0103, "US", Bytes16(0))
        .ExplicitHeader(0x7FE0, 0x0010, "OB", 0xFFFFFFFF).Item("").Item("JPEGDATA").SequenceDelimiter()
        .Explicit(0xFFFC, 0xFFFC, "OB", std::string(4, '\0'));
    Seed(dir, "encapsulated", encapsulated.Bytes());
    DicomBuilder mixed;
    mixed.Explicit(0x0028, 0x0030, "DS", std::string(40, '1'))
        .Explicit(0x0028, 0x0009, "AT", Bytes32(0x00181063))
        .Explicit(0x0028, 0x1052, "FD", std::string(8, '\x7f'))
        .Explicit(0x0008, 0x0119, "UC", "newer")
        .ImplicitHeader(0x0041, 0x1010, 0xFFFFFFFF).ItemHeader(0xFFFFFFFF)
        .Implicit(0x0041, 0x1011, "x ").ItemDelimiter().SequenceDelimiter();
    Seed(dir, "mixed_forms", mixed.Bytes());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    const std::filesystem::path root = argv[1];
    using velmor::test::MakeContainer;
    const auto blocks = root / "fuzz_scene_block";
    Seed(blocks, "one_block", MakeContainer(std::vector<std::string>{"<?xml version=\"1.0\"?><root version=\"1.2\"/>"}));
    Seed(blocks, "three_blocks", MakeContainer(std::vector<std::string>{"<root/>", std::string(17, 'a'), "xyz"}));
    Seed(blocks, "empty_block", MakeContainer(std::vector<std::string>{"", "", ""}));
    Seed(blocks, "plain_xml", "<?xml version=\"1.0\"?><root version=\"1.0\"><head/><body/></root>");
    WritePictureSeeds(root / "fuzz_image_codec");
    WriteTiffSeeds(root / "fuzz_tiff_slice");
    WriteSliceLoaderSeeds(root / "fuzz_slice_loader", root / "fuzz_image_codec");
    const auto payload = root / "fuzz_payload";
    Seed(payload, "numbers", std::string("\x14") + "1 2  3\r\n4\t5 6\n\n7.5e1 -8 9\n");
    Seed(payload, "text_stl", std::string("\x02") + "solid a\nfacet normal 0 0 1\nouter loop\nvertex 1 2 3\n"
                                                    "vertex 4 5 6\nvertex 7 8 9\nendloop\nendfacet\nendsolid a\n");
    Seed(payload, "kxd", std::string("\x03\x01\x01\x00\x01\x00\x07\x09\x04\x00", 10));

    const auto load = root / "fuzz_payload_load";
    Seed(load, "text_stl", std::string("\x00") + "solid a\nouter loop\nvertex 1 2 3\nvertex 4 5 6\nvertex 7 8 9\nendfacet\n");
    Seed(load, "binary_stl", std::string("\x00") + std::string(80, 's') + std::string("\x01\0\0\0", 4) + std::string(50, '\x02'));
    Seed(load, "numbers", std::string("\x01") + "1 2  3\r\n4\t5 6\n\n7.5e1 -8 9\n");
    Seed(load, "grid_half", std::string("\x13") + "1\n2\n3\n4\n5\n6\n7\n8\n");
    Seed(load, "kxd_flipped", std::string("\xC5\x01\x01\x00\x00\x00\x07\x00", 8));

    using namespace velmor::test;
    const auto open = root / "fuzz_scene_open";
    Seed(open, "full", FullScene());
    Seed(open, "shift_jis", ShiftJisScene());
    Seed(open, "units", UnitScene());
    Seed(open, "units_legacy",
         SceneWithBody("<drawGroup name=\"g\"><drawUnit><primitive shape=\"cylinder\" parameter=\"1,2,3,16\"/>"
                       "<primitive shape=\"sphere\" parameter=\"1\"/><image size=\"2\"/>"
                       "<scatterGraph event=\"e,e\" parameter=\"1,2,3\"/></drawUnit></drawGroup><event name=\"e\"/>",
                       "1.3"));
    Seed(open, "legacy", LegacyScene("1.3", "25um"));
    Seed(open, "legacy_no_version", LegacyScene("", "7um"));
    Seed(open, "utf16", "\xFF\xFE" + velmor::WideToUtf16LE(velmor::Utf8ToWide(FullScene())));
    Seed(open, "container", MakeContainer(std::vector<std::string>{FullScene(), "payload"}));
    Seed(open, "container_legacy", MakeContainer(std::vector<std::string>{LegacyScene("1.2", "25um")}));
    Seed(open, "cycle", SceneWithBody("<drawGroup name=\"a\"><childGroup name=\"b\"/></drawGroup>"
                                      "<drawGroup name=\"b\"><childGroup name=\"a\"/></drawGroup>"));
    SeedDicom(root / "fuzz_dicom_buffer");
    return 0;
}
