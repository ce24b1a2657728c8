// make_fuzz_seeds DIR: writes seed inputs for every fuzz target into
// DIR/<target>/, built by the same writers the tests use.
#include "platform/ImageCodec.h"
#include "platform/WideText.h"
#include "support/ContainerWriter.h"
#include "support/TestScenes.h"

#include <png.h>
#include <tiffio.h>
#include "platform/HandoffRecord.h"
#include "support/DicomBuilder.h"
#include "support/VolumeWriter.h"

#include <filesystem>
#include <fstream>
#include <initializer_list>
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
    std::vector<uint8_t> wide(9 * 7 * 4);
    for (size_t i = 0; i < wide.size(); ++i) wide[i] = static_cast<uint8_t>(i * 7);
    image.format = PNG_FORMAT_BGRA;
    png_image_write_to_file(&image, (dir / "bgra.png").c_str(), 0, wide.data(), 36, nullptr);
    image.format = PNG_FORMAT_LINEAR_Y;   // 16-bit grey
    png_image_write_to_file(&image, (dir / "grey16.png").c_str(), 0, wide.data(), 18, nullptr);
    image.format = PNG_FORMAT_RGB_COLORMAP;
    image.colormap_entries = 16;
    std::vector<uint8_t> indices(9 * 7), colours(16 * 3);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<uint8_t>(i % 16);
    for (size_t i = 0; i < colours.size(); ++i) colours[i] = static_cast<uint8_t>(i * 5);
    png_image_write_to_file(&image, (dir / "palette.png").c_str(), 0, indices.data(), 9, colours.data());
    Seed(dir, "palette_top_down.bmp", PaletteBmp(false));
    Seed(dir, "palette_rle8.bmp", PaletteBmp(true));
    // A text chunk after the header that claims a gigabyte the file does not hold.
    std::string lying = FileBytes(dir / "grey.png").substr(0, 33);
    lying += std::string("\x40\0\0\0tEXtComment", 15) + std::string(8, '\0');
    Seed(dir, "lying_text.png", lying);
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
    seed("png_grey_widened", 3, 9, 7, 0x04, FileBytes(pictures / "grey.png"));
    seed("jpg_rgb", 4, 9, 7, 0x01, FileBytes(pictures / "rgb.jpg"));
    seed("tif_rgb16", 5, 9, 7, 0x05, TiffBytes(dir, 16, 3, COMPRESSION_PACKBITS));
    velmor::test::DicomSliceOptions options;
    seed("dcm_signed", 6, 3, 4, 0x04, velmor::test::MakeDicomSlice(options));
    options.signedPixels = false;
    seed("dcm_unsigned_reduced", 6, 3, 4, 0x1C, velmor::test::MakeDicomSlice(options));
}

// A pixel data element of compressed fragments under the given transfer syntax.
std::string EncapsulatedDicom(const char* transferSyntax, const std::string& fragment)
{
    using namespace velmor::test;
    DicomBuilder b;
    b.Preamble().Meta(transferSyntax)
        .Explicit(0x0028, 0x0010, "US", Bytes16(4)).Explicit(0x0028, 0x0011, "US", Bytes16(3))
        .Explicit(0x0028, 0x0100, "US", Bytes16(16)).Explicit(0x0028, 0x0103, "US", Bytes16(0))
        .ExplicitHeader(0x7FE0, 0x0010, "OB", 0xFFFFFFFF).Item("").Item(fragment).SequenceDelimiter();
    return b.Bytes();
}

// The DICOM slices a reader meets: the three uncompressed transfer
// syntaxes, a file without meta group, and compressed pixel data.
std::vector<std::pair<std::string, std::string>> DicomVariants()
{
    using namespace velmor::test;
    std::vector<std::pair<std::string, std::string>> files;
    DicomSliceOptions options;
    files.emplace_back("explicit_little", MakeDicomSlice(options));
    options.transferSyntax = "1.2.840.10008.1.2";
    options.explicitVr = false;
    options.instanceNumber = 2;
    files.emplace_back("implicit_little", MakeDicomSlice(options));
    options.meta = false;
    options.instanceNumber = 12;
    options.signedPixels = false;
    files.emplace_back("implicit_no_meta", MakeDicomSlice(options));
    options = {};
    options.transferSyntax = "1.2.840.10008.1.2.2";
    options.withSequence = false;
    options.seriesNumber = 1;
    files.emplace_back("explicit_big", MakeDicomSlice(options));
    files.emplace_back("jpeg_baseline", EncapsulatedDicom("1.2.840.10008.1.2.4.50", "\xFF\xD8\xFF\xD9"));
    files.emplace_back("rle", EncapsulatedDicom("1.2.840.10008.1.2.5", std::string(64, '\0')));
    files.emplace_back("jpeg2000", EncapsulatedDicom("1.2.840.10008.1.2.4.90", "\xFF\x4F\xFF\x51"));
    return files;
}

void SeedDicom(const std::filesystem::path& dir)
{
    using namespace velmor::test;
    for (const auto& [name, bytes] : DicomVariants()) Seed(dir, name, bytes);
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

std::string Header(int kind, int b1, int b2, int flags)
{
    return std::string{static_cast<char>(kind), static_cast<char>(b1), static_cast<char>(b2), static_cast<char>(flags)};
}

std::string FloatBytes(std::initializer_list<float> values)
{
    std::string out;
    for (const float v : values) out.append(reinterpret_cast<const char*>(&v), sizeof v);
    return out;
}

std::string BinaryStl(int facets)
{
    std::string out(80, 's');
    Put(out, static_cast<uint32_t>(facets), 4);
    for (int f = 0; f < facets; ++f)
        out += FloatBytes({0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, static_cast<float>(f)}) + std::string(2, '\0');
    return out;
}

// Block payloads behind the target's four bytes: kind, size x / count, size y, flags.
void WritePayloadBlockSeeds(const std::filesystem::path& dir, const std::filesystem::path& pictures)
{
    using namespace velmor::test;
    Seed(dir, "stl", Header(0, 1, 0, 0) + BinaryStl(2));
    Seed(dir, "xyz_text", Header(1, 1, 0, 0x01) + "1 2 3\r\n4,5,6\n");
    Seed(dir, "colours", Header(2, 2, 0, 0) + "\x10\x20\x30\x40\x50\x60\x70\x80\x90");
    Seed(dir, "grid_text_half", Header(0x13, 3, 2, 0x16) + "1 2 3 4\n5 6 7 8\n9 10 11 12\n13 14 15 16\n17 18 19 20 21 22 23 24\n");
    Seed(dir, "grid_short", Header(0x14, 2, 1, 0x02) + std::string("\x01\x00\x02\x00\x03\x00\x04\x00\x05\x00\x06\x00", 12));
    Seed(dir, "kxd16", Header(0x25, 5, 3, 0x04) + KxdBytes(RandomVolume(6, 4, 3, 2, 7)));
    Seed(dir, "raw_rgb_quarter", Header(0x16, 3, 3, 0x21) + RawBytes(RandomVolume(4 * 3, 4, 2, 1, 8)));
    Seed(dir, "text_lines", Header(7, 2, 0, 0) + "first\r\nzweite \xE3\x81\x82\nthird");
    Seed(dir, "xy_binary", Header(8, 1, 0, 0) + FloatBytes({1.5f, -2, 3e30f, 0}));
    Seed(dir, "grid_xy", Header(9, 2, 1, 0x03) + "1\n2\n3\n");
    Seed(dir, "kxd8", Header(0x1A, 3, 2, 0) + KxdBytes(RandomVolume(4, 3, 2, 1, 9)));
    Seed(dir, "png", Header(11, 8, 6, 0x02) + FileBytes(pictures / "grey.png"));
    Seed(dir, "jpg", Header(12, 8, 6, 0x01) + FileBytes(pictures / "rgb.jpg"));
    Seed(dir, "bmp", Header(13, 8, 6, 0) + FileBytes(pictures / "palette_rle8.bmp"));
    Seed(dir, "tif", Header(14, 8, 6, 0) + TiffBytes(dir, 16, 1, COMPRESSION_LZW));
    Seed(dir, "dcm", Header(15, 2, 3, 0x02) + MakeDicomSlice());
    Seed(dir, "missing_block", Header(1, 1, 0, 0x80) + "1 2 3\n");
}

// Folders of slices behind the target's four bytes: keyword, width - 1,
// height - 1, mode (format, mirroring, reduction); files are cut at the separator.
void WriteSliceFolderSeeds(const std::filesystem::path& dir, const std::filesystem::path& pictures)
{
    using namespace velmor::test;
    const std::string separator = "\n--slice--\n";
    auto folder = [&](const char* name, int keyword, int width, int height, int mode, const std::vector<std::string>& files) {
        std::string bytes = Header(keyword, width - 1, height - 1, mode);
        for (size_t i = 0; i < files.size(); ++i) bytes += (i == 0 ? "" : separator) + files[i];
        Seed(dir, name, bytes);
    };
    std::vector<std::string> dicom;
    for (const auto& [name, bytes] : DicomVariants()) dicom.push_back(bytes);
    folder("dicom_series", 0, 3, 4, 0x01, {dicom[0], dicom[1], dicom[2], dicom[3]});
    folder("dicom_reversed_half", 6, 3, 4, 0x15, {dicom[1], dicom[0], dicom[3]});
    folder("dicom_compressed", 7, 3, 4, 0x01, {dicom[4], dicom[5], dicom[6]});
    const std::string png = FileBytes(pictures / "rgb.png"), grey = FileBytes(pictures / "grey16.png");
    folder("png", 1, 9, 7, 0x02, {png, grey, FileBytes(pictures / "palette.png")});
    folder("bmp", 2, 9, 7, 0x48, {PaletteBmp(false), PaletteBmp(true), FileBytes(pictures / "rgb.bmp")});
    folder("jpg_quarter", 3, 9, 7, 0x22, {FileBytes(pictures / "rgb.jpg"), FileBytes(pictures / "rgb.jpg")});
    folder("tif", 4, 9, 7, 0x01, {TiffBytes(dir, 16, 1, COMPRESSION_LZW), TiffBytes(dir, 8, 1, COMPRESSION_NONE)});
    std::string raw;
    for (int i = 0; i < 5 * 4; ++i) raw += static_cast<char>(i * 11);
    folder("raw", 5, 5, 4, 0x84, {raw, raw, raw});
}

void WriteHandoffSeeds(const std::filesystem::path& dir)
{
    Seed(dir, "plain", "\x07" + velmor::EncodeHandoffRecord(L"/home/user/scenes/a.vlm"));
    Seed(dir, "japanese", std::string(1, '\x00') + velmor::EncodeHandoffRecord(L"/tmp/\u30b7\u30fc\u30f3/\u9aa8.vlm"));
    Seed(dir, "astral", "\x1F" + velmor::EncodeHandoffRecord(L"/tmp/\U0001F600.VLM"));
    Seed(dir, "front_only", "\x03" + velmor::EncodeHandoffRecord(L""));
    Seed(dir, "two_records", "\x05" + velmor::EncodeHandoffRecord(L"a") + velmor::EncodeHandoffRecord(L"b"));
}

// Scene texts in every encoding the opener takes, plain and in containers.
void WriteSceneOpenEncodings(const std::filesystem::path& dir)
{
    using namespace velmor::test;
    const std::wstring wide = velmor::Utf8ToWide(FullScene());
    std::string be;
    const std::string le = velmor::WideToUtf16LE(wide);
    for (size_t i = 0; i + 1 < le.size(); i += 2) be += std::string{le[i + 1], le[i]};
    Seed(dir, "utf16be", "\xFE\xFF" + be);
    Seed(dir, "utf8_bom", "\xEF\xBB\xBF" + FullScene());
    std::string declared = SceneWithBody("<drawGroup name=\"\xE9\xAA\xA8\"/>");
    declared.replace(declared.find("UTF-8"), 5, "EUC-JP");
    if (const auto euc = velmor::ConvertCharset(declared, "UTF-8", "EUC-JP")) Seed(dir, "euc_jp", *euc);
    Seed(dir, "container_shift_jis", MakeContainer(std::vector<std::string>{ShiftJisScene()}));
    Seed(dir, "container_units", MakeContainer(std::vector<std::string>{UnitScene(), "1 2 3\n", BinaryStl(1)}));
}

void WriteMorePayloadSeeds(const std::filesystem::path& payload, const std::filesystem::path& load)
{
    using namespace velmor::test;
    Seed(payload, "binary_stl", "\x01" + BinaryStl(3));
    Seed(payload, "kxd_wide", "\x83" + KxdBytes(RandomVolume(4, 2, 1, 2, 3)));
    Seed(load, "colours", "\x02" + std::string("\x10\x20\x30\x40\x50\x60", 6));
    Seed(load, "grid_short", "\x04" + std::string("\x01\x00\x02\x00\x03\x00\x04\x00", 8));
    Seed(load, "raw_rgb", "\x06" + RawBytes(RandomVolume(7 * 3, 2, 1, 1, 4)));
    Seed(load, "text_lines", "\x07" + std::string("one\r\ntwo\n\xE3\x81\x82\n"));
}

} // namespace

// The event executor's target reads its choices from the input's end and
// its texts from the front: mixed bytes of a few lengths, and one whose end
// asks for the longest chain and the most events.
void WriteEventExecutorSeeds(const std::filesystem::path& dir)
{
    uint32_t state = 19;
    for (size_t length : {64u, 256u, 1024u, 4096u}) {
        std::string bytes;
        for (size_t i = 0; i < length; ++i) {
            state = state * 1664525u + 1013904223u;
            bytes += static_cast<char>(state >> 24);
        }
        Seed(dir, "mixed_" + std::to_string(length), bytes);
    }
    Seed(dir, "long_chain", std::string(512, 'a') + std::string(64, '\xFF'));
}

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
    WriteSceneOpenEncodings(open);
    WriteMorePayloadSeeds(payload, load);
    WritePayloadBlockSeeds(root / "fuzz_payload_block", root / "fuzz_image_codec");
    WriteSliceFolderSeeds(root / "fuzz_slice_folder", root / "fuzz_image_codec");
    WriteHandoffSeeds(root / "fuzz_handoff_record");
    WriteEventExecutorSeeds(root / "fuzz_event_executor");
    return 0;
}
