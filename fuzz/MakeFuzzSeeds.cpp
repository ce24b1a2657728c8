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
}

// A 9 x 7 grey TIFF, LZW in strips of 2 rows, behind the four shape bytes.
void WriteTiffSeed(const std::filesystem::path& dir)
{
    std::filesystem::create_directories(dir);
    const auto tiff = dir / "grey.tif.tmp";
    TIFF* t = TIFFOpen(tiff.c_str(), "w");
    if (t == nullptr) return;
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 9);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, 7);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 2);
    uint8_t row[9];
    for (uint32_t y = 0; y < 7; ++y) {
        for (int x = 0; x < 9; ++x) row[x] = static_cast<uint8_t>(x * y);
        TIFFWriteScanline(t, row, y, 0);
    }
    TIFFClose(t);
    std::ifstream in(tiff, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove(tiff);
    Seed(dir, "grey_lzw", std::string("\x08\x06\x00\x00", 4) + bytes);
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
    WriteTiffSeed(root / "fuzz_tiff_slice");
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
