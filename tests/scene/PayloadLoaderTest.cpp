#include "SceneDocFixture.h"

#include "platform/Memory.h"
#include "scene/ApplicationSettings.h"
#include "platform/ImageCodec.h"
#include "readers/DicomFileWriter.h"
#include "export/TiffImageWriter.h"
#include "support/ContainerWriter.h"
#include "support/DicomBuilder.h"
#include "support/RecordingJobHost.h"
#include "support/TestScenes.h"
#include "support/VolumeWriter.h"
#include "units/CKxDrawUnit.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <tiffio.h>

using namespace velmor;
using namespace velmor::test;

namespace {

using Facet = std::array<float, 9>;
using Kind = ProgressMessage::Kind;

std::string BinaryStl(const std::vector<Facet>& facets, std::string header = std::string(80, ' '))
{
    header.resize(80, ' ');
    std::string out = header;
    const auto count = static_cast<uint32_t>(facets.size());
    out.append(reinterpret_cast<const char*>(&count), 4);
    for (const Facet& f : facets) {
        out.append(12, '\x7f');   // the normal is not kept
        out.append(reinterpret_cast<const char*>(f.data()), 36);
        out.append(2, '\0');
    }
    return out;
}

std::string TextFacet(const Facet& f)
{
    std::string out = " facet normal 9 9 9\n  outer loop\n";
    for (int v = 0; v < 3; ++v) {
        char line[96];
        std::snprintf(line, sizeof line, "   vertex %g %g %g\n", f[v * 3], f[v * 3 + 1], f[v * 3 + 2]);
        out += line;
    }
    return out + "  endloop\n endfacet\n";
}

std::vector<Facet> SomeFacets(int n)
{
    std::vector<Facet> facets;
    for (int i = 0; i < n; ++i) facets.push_back({float(i), -1.5f, 2, 3, float(-i), 0.25f, 7, 8, 9.5f});
    return facets;
}

std::vector<float> Floats(const DataObject& d, size_t n)
{
    std::vector<float> out(n);
    std::memcpy(out.data(), d.samples, n * sizeof(float));
    return out;
}

std::vector<float> Flatten(const std::vector<Facet>& facets)
{
    std::vector<float> out;
    for (const Facet& f : facets) out.insert(out.end(), f.begin(), f.end());
    return out;
}

std::vector<uint8_t> Bytes(const DataObject& d) { return std::vector<uint8_t>(d.samples, d.samples + d.payloadBytes); }

std::string Volume(const std::string& name, const TestVolume& v, const std::string& file, const std::string& extra = "")
{
    return "<data name=\"" + name + "\" type=\"volume\" format=\"" + (v.bytes == 1 ? "GRAY" : "GRAY16") + "\" size=\"" +
           std::to_string(v.x) + "," + std::to_string(v.y) + "," + std::to_string(v.z) + "\"><file path=\"" + file +
           "\"" + extra + "/><scale x=\"0.5\" y=\"1\" z=\"2\"/></data>\n";
}

class PayloadLoaderTest : public SceneDocTest {
protected:
    PayloadLoaderTest() : saved(CurrentApplicationSettings()) {}
    ~PayloadLoaderTest() override
    {
        SetApplicationSettings(saved);
        SetMemoryStatusSource(nullptr);
    }

    void Reduce(int step)
    {
        ApplicationSettings s = saved;
        s.useHalf = step >= 2;
        s.halfSizeMB = 0;
        s.useQuarter = step == 4;
        s.quarterSizeMB = 0;
        SetApplicationSettings(s);
    }
    int32_t Acquire(const std::wstring& name) { return Data(name).AcquireData(&unit); }
    // A failed load leaves no buffers and the users as they were.
    void ExpectFailed(const std::wstring& name, int32_t expected)
    {
        DataObject& d = Data(name);
        CKxDrawUnit other(nullptr);
        d.users.insert(&other);
        EXPECT_EQ(d.AcquireData(&unit), expected) << std::string(name.begin(), name.end());
        EXPECT_EQ(d.samples, nullptr);
        EXPECT_FALSE(d.textRecords || d.histogram256 || d.histogram65536);
        EXPECT_EQ(d.reductionSliceBuffer, nullptr);
        EXPECT_EQ(d.users, (std::set<CKxDrawUnit*>{&other}));
        d.users.clear();
    }

    ApplicationSettings saved;
    RecordingJobHost host;
    CKxDrawUnit unit{nullptr};
};

} // namespace

// The scene of the acceptance check: a volume, an STL and text arrays, all
// loaded through the job with the progress display recorded.
TEST_F(PayloadLoaderTest, SceneWithVolumeStlAndTextArraysLoads)
{
    const TestVolume v = RandomVolume(9, 6, 4, 2, 3);
    dir.Write("ct.raw", RawBytes(v));
    dir.Write("mesh.stl", TextFacet(SomeFacets(2)[0]) + TextFacet(SomeFacets(2)[1]));
    dir.Write("points.txt", "1   2   3\r\n-4.5 5e1 6\r\n\r\n7\t8 9\n");
    dir.Write("labels.txt", "first\r\n\r\n日本\n");
    OpenCleanly(SceneWithBody(Volume("ct", v, "ct.raw") +
                              "<data name=\"mesh\" type=\"STL\"><file path=\"mesh.stl\"/></data>\n"
                              "<data name=\"points\" type=\"array_xyz\" size=\"5\"><file path=\"points.txt\"/></data>\n"
                              "<data name=\"labels\" type=\"array_text\" size=\"4\"><file path=\"labels.txt\"/></data>\n"));

    ASSERT_EQ(Acquire(L"ct"), 0);
    const auto messages = host.Messages();
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages.front().kind, Kind::Start);
    EXPECT_EQ(messages.front().a, 200);
    EXPECT_EQ(messages.front().b, 100);
    EXPECT_EQ(messages.back().kind, Kind::End);
    EXPECT_EQ(ProgressCaption(), L"file reading");
    EXPECT_FALSE(CancelAllowed());

    DataObject& ct = Data(L"ct");
    EXPECT_EQ(Bytes(ct), ReferenceLoad(v, 1));
    EXPECT_EQ(ct.users, (std::set<CKxDrawUnit*>{&unit}));
    EXPECT_EQ(ct.redoMarks.at(&unit), false);
    EXPECT_FLOAT_EQ(ct.voxelPitch.loadedPitch[2], 2.0f);
    uint64_t total = 0;
    for (int i = 0; i < 256; ++i) total += ct.histogram256[i];
    EXPECT_EQ(total, 9u * 6 * 4);

    ASSERT_EQ(Acquire(L"mesh"), 0);
    EXPECT_EQ(Data(L"mesh").elementCount, 2u);
    EXPECT_EQ(Floats(Data(L"mesh"), 18), Flatten(SomeFacets(2)));
    EXPECT_DOUBLE_EQ(Data(L"mesh").boundsMax[2], 9.5);

    ASSERT_EQ(Acquire(L"points"), 0);
    EXPECT_EQ(Floats(Data(L"points"), 15), (std::vector<float>{1, 2, 3, -4.5f, 50, 6, 0, 0, 0, 7, 9, 0, 0, 0, 0}));
    EXPECT_DOUBLE_EQ(Data(L"points").boundsMin[0], -4.5);

    ASSERT_EQ(Acquire(L"labels"), 0);
    const DataObject& labels = Data(L"labels");
    EXPECT_EQ(labels.textRecords[0], L"first");
    EXPECT_EQ(labels.textRecords[1], L"");
    EXPECT_EQ(labels.textRecords[2], L"日本");
    EXPECT_EQ(labels.textRecords[3], L"");
    EXPECT_EQ(host.Runs(), 4);
}

TEST_F(PayloadLoaderTest, LoadedPayloadIsSharedWithoutReading)
{
    dir.Write("n.txt", "5\n6\n");
    OpenCleanly(SceneWithBody("<data name=\"n\" type=\"array_number\" size=\"2\"><file path=\"n.txt\"/></data>"));
    ASSERT_EQ(Acquire(L"n"), 0);
    std::filesystem::remove(dir.Path() / "n.txt");
    DataObject& n = Data(L"n");
    n.redoMarks[&unit] = true;
    CKxDrawUnit second(nullptr);
    EXPECT_EQ(n.AcquireData(&second), 0);
    EXPECT_EQ(n.users.size(), 2u);
    EXPECT_TRUE(n.redoMarks.at(&unit));   // an existing mark stays
    n.ReleaseData(&unit);
    n.ReleaseData(&second);
    EXPECT_EQ(Acquire(L"n"), 0);   // still in memory
    n.ReleaseData(&unit);
    n.FreeIfUnused();
    EXPECT_EQ(n.samples, nullptr);
    ExpectFailed(L"n", -1);   // freed, and the source is gone
}

TEST_F(PayloadLoaderTest, VolumesFromFilesAndBlocksAtEveryReduction)
{
    for (int bytes : {1, 2}) {
        const TestVolume v = RandomVolume(11, 7, 5, bytes, 40u + bytes);
        dir.Write("v.raw", RawBytes(v));
        dir.Write("v.kxd", KxdBytes(v));
        const std::string body = Volume("raw", v, "v.raw") + Volume("kxd", v, "v.kxd") +
                                 Volume("rawBlock", v, "this1", " type=\"RAW\"") +
                                 Volume("kxdBlock", v, "this2", " type=\"kxd\"");
        const std::string container = MakeContainer(std::vector<std::string>{SceneWithBody(body), RawBytes(v), KxdBytes(v)});
        for (int n : {1, 2, 4}) {
            Reduce(n);
            OpenCleanly(container);
            for (const wchar_t* name : {L"raw", L"kxd", L"rawBlock", L"kxdBlock"}) {
                const size_t before = host.Messages().size();
                ASSERT_EQ(Acquire(name), 0) << n;
                DataObject& d = Data(name);
                EXPECT_EQ(d.reductionStep, n);
                EXPECT_EQ(d.countX, (11u + n - 1) / n);
                EXPECT_EQ(Bytes(d), ReferenceLoad(v, n)) << bytes << " " << n;
                EXPECT_FLOAT_EQ(d.voxelPitch.loadedPitch[0], 0.5f * n);
                EXPECT_EQ(d.reductionSliceBuffer, nullptr);
                const auto messages = host.Messages();
                const bool red = std::any_of(messages.begin() + before, messages.end(), [&](const ProgressMessage& m) {
                    return m.kind == Kind::Text && m.a == ProgressColour(255, 0, 0) &&
                           m.text == L"file reading(1/" + std::to_wstring(n) + L" 読み込み)";
                });
                EXPECT_EQ(red, n != 1);
            }
        }
    }
}

TEST_F(PayloadLoaderTest, ReverseFlagsMirrorTheLoadedVolume)
{
    const TestVolume v = RandomVolume(5, 4, 3, 1, 9);
    dir.Write("v.raw", RawBytes(v));
    OpenCleanly(SceneWithBody(Volume("v", v, "v.raw", " reverseX=\"on\" reverseY=\"on\" reverseZ=\"on\"")));
    ASSERT_EQ(Acquire(L"v"), 0);
    const std::vector<uint8_t> plain = ReferenceLoad(v, 1);
    std::vector<uint8_t> reflected(plain.rbegin(), plain.rend());
    EXPECT_EQ(Bytes(Data(L"v")), reflected);
}

TEST_F(PayloadLoaderTest, DamagedVolumesFail)
{
    const TestVolume v = RandomVolume(6, 3, 2, 1, 5);
    std::string kxd = KxdBytes(v);
    dir.Write("short.raw", RawBytes(v).substr(0, 6 * 3 * 2 - 6));
    dir.Write("short.kxd", kxd.substr(0, kxd.size() - 1));
    dir.Write("wide.kxd", std::string("\x01\x04\x00\x04\x00", 5));   // lead 4 + trail 4 > 6
    dir.Write("rgb.kxd", kxd);
    OpenCleanly(SceneWithBody(Volume("shortRaw", v, "short.raw") + Volume("shortKxd", v, "short.kxd") +
                              Volume("wide", v, "wide.kxd") + Volume("missing", v, "none.raw") +
                              Volume("noPath", v, "", " type=\"raw\"") +
                              "<data name=\"rgb\" type=\"volume\" format=\"RGB\" size=\"6,3,2\"><file path=\"rgb.kxd\"/></data>"));
    for (const wchar_t* name : {L"shortRaw", L"shortKxd", L"wide", L"missing", L"noPath", L"rgb"}) ExpectFailed(name, -1);
}

TEST_F(PayloadLoaderTest, MemoryShortageEndsWithMinusTwo)
{
    const TestVolume v = RandomVolume(64, 64, 4, 1, 5);
    dir.Write("v.raw", RawBytes(v));
    OpenCleanly(SceneWithBody(Volume("v", v, "v.raw")));
    SetMemoryStatusSource([] { return MemoryStatus{1000, 10}; });
    ExpectFailed(L"v", -2);
}

TEST_F(PayloadLoaderTest, SixteenBitHistogramOfOneValue)
{
    TestVolume v{3, 2, 2, 2, std::vector<uint8_t>(24, 0)};
    for (size_t i = 0; i < 24; i += 2) v.values[i] = 7;
    dir.Write("v.raw", RawBytes(v));
    dir.Write("f.raw", std::string(3 * 2 * 2 * 4, '\x01'));
    OpenCleanly(SceneWithBody(Volume("v", v, "v.raw") +
                              "<data name=\"f\" type=\"volume\" format=\"float\" size=\"3,2,2\"><file path=\"f.raw\"/></data>"));
    ASSERT_EQ(Acquire(L"v"), 0);
    const DataObject& d = Data(L"v");
    EXPECT_EQ(d.histogram256[0], 12u);
    EXPECT_FLOAT_EQ(d.histogramPeak, 12.0f);
    EXPECT_FLOAT_EQ(d.minValue, 7.0f);
    EXPECT_FLOAT_EQ(d.maxValue, 7.0f);
    ASSERT_EQ(Acquire(L"f"), 0);   // float samples get no 16-bit histogram
    EXPECT_FALSE(Data(L"f").histogram65536);
}

TEST_F(PayloadLoaderTest, StlFilesAndBlocks)
{
    const auto facets = SomeFacets(3);
    dir.Write("binary.stl", BinaryStl(facets));
    dir.Write("solid.stl", BinaryStl(facets, "solid but binary"));
    std::string text = "solid t\n";
    for (const Facet& f : facets) text += TextFacet(f);
    dir.Write("text.stl", text + "endsolid t\n");
    dir.Write("empty.stl", "solid nothing\nendsolid nothing\n");
    const std::string body = "<data name=\"binary\" type=\"STL\"><file path=\"binary.stl\"/></data>"
                             "<data name=\"solid\" type=\"STL\"><file path=\"solid.stl\"/></data>"
                             "<data name=\"text\" type=\"STL\"><file path=\"text.stl\"/></data>"
                             "<data name=\"empty\" type=\"STL\"><file path=\"empty.stl\"/></data>"
                             "<data name=\"block\" type=\"STL\" size=\"3\"><file path=\"this1\"/></data>"
                             "<data name=\"shortBlock\" type=\"STL\" size=\"4\"><file path=\"this1\"/></data>"
                             "<data name=\"gray\" type=\"STL\" format=\"GRAY\"><file path=\"binary.stl\"/></data>";
    OpenCleanly(MakeContainer(std::vector<std::string>{SceneWithBody(body), BinaryStl(facets)}));
    for (const wchar_t* name : {L"binary", L"solid", L"text", L"block"}) {
        ASSERT_EQ(Acquire(name), 0) << std::string(name, name + 5);
        EXPECT_EQ(Data(name).elementCount, 3u);
        EXPECT_EQ(Floats(Data(name), 27), Flatten(facets));
    }
    ExpectFailed(L"empty", -1);
    ExpectFailed(L"shortBlock", -1);
    ExpectFailed(L"gray", -1);   // one byte a value cannot hold the vertices
}

// A count field whose 32-bit product with 50 wraps onto the file length
// must not make a text file binary.
TEST_F(PayloadLoaderTest, StlCountThatWouldWrapIsText)
{
    std::string facetsText;
    for (const Facet& f : SomeFacets(2)) facetsText += TextFacet(f);
    // Header, count, a padding line and the facets; the padding makes the
    // distance from byte 84 even, so that 50 x count can reach it mod 2^32.
    const size_t pad = (1 + facetsText.size()) % 2;
    const uint64_t length = 84 + 1 + pad + facetsText.size();
    uint32_t inverse = 25;   // of 25 mod 2^32, by Newton's steps
    for (int i = 0; i < 5; ++i) inverse *= 2u - 25u * inverse;
    // 25 x count = (length - 84) / 2 (mod 2^31); the top bit adds 25 x 2^32.
    const uint32_t count = ((static_cast<uint32_t>((length - 84) / 2) * inverse) & 0x7FFFFFFFu) | 0x80000000u;
    std::string file = "solid" + std::string(75, ' ');
    file.append(reinterpret_cast<const char*>(&count), 4);
    file += std::string(pad, ' ') + "\n" + facetsText;
    ASSERT_EQ(static_cast<uint32_t>(84 + 50 * uint64_t{count}), file.size());
    dir.Write("wrap.stl", file);
    OpenCleanly(SceneWithBody("<data name=\"wrap\" type=\"STL\"><file path=\"wrap.stl\"/></data>"));
    ASSERT_EQ(Acquire(L"wrap"), 0);
    EXPECT_EQ(Data(L"wrap").elementCount, 2u);
    EXPECT_EQ(Floats(Data(L"wrap"), 18), Flatten(SomeFacets(2)));
}

TEST_F(PayloadLoaderTest, CountingManyTextFacetsReportsProgress)
{
    std::string text;
    const std::string facet = "outer loop\n1 2 3\n4 5 6\n7 8 9\nendfacet\n";
    for (int i = 0; i < 100000; ++i) text += facet;
    dir.Write("many.stl", text);
    OpenCleanly(SceneWithBody("<data name=\"many\" type=\"STL\"><file path=\"many.stl\"/></data>"));
    ASSERT_EQ(Acquire(L"many"), 0);
    EXPECT_EQ(Data(L"many").elementCount, 100000u);
    std::vector<std::wstring> texts;
    int64_t steps = 0;
    for (const auto& m : host.Messages()) {
        if (m.kind == Kind::Text) texts.push_back(m.text);
        if (m.kind == Kind::Step) steps += m.a;
    }
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"100000 end", L"file reading"}));
    EXPECT_EQ(steps, 99 + 100);   // counting, then one hundred over the facets
}

TEST_F(PayloadLoaderTest, NumberSourcesAndTheirFormats)
{
    const float xy[4] = {1.5f, -2, 3, 4};
    dir.Write("xy.bin", std::string(reinterpret_cast<const char*>(xy), sizeof xy));
    dir.Write("idx.TXT", "70000\n-1\n");
    dir.Write("b.csv", "1,2\n");
    const std::string body =
        "<data name=\"xy\" type=\"array_xy\" size=\"3\"><file path=\"xy.bin\"/></data>"
        "<data name=\"idx\" type=\"array_index\" size=\"2\" format=\"short\"><file path=\"idx.TXT\"/></data>"
        "<data name=\"col\" type=\"array_color\" size=\"2\" format=\"RGB\"><file path=\"this1\" type=\"text\"/></data>"
        "<data name=\"lines\" type=\"array_text\" size=\"3\"><file path=\"this1\"/></data>"
        "<data name=\"csv\" type=\"array_number\" size=\"1\"><file path=\"b.csv\"/></data>"
        "<data name=\"grid\" type=\"gridXY\" size=\"2,2\"><file path=\"this2\" type=\"bin\"/></data>"
        "<data name=\"thin\" type=\"thin_volume\" format=\"GRAY\"/>";
    const float grid[4] = {4, -3, 2, 1};
    OpenCleanly(MakeContainer(std::vector<std::string>{SceneWithBody(body), "1 2 3\r\n\r\n257 -1 9\n",
                                                       std::string(reinterpret_cast<const char*>(grid), sizeof grid)}));
    ASSERT_EQ(Acquire(L"xy"), 0);
    EXPECT_EQ(Floats(Data(L"xy"), 6), (std::vector<float>{1.5f, -2, 3, 4, 0, 0}));   // short source: zeros
    EXPECT_DOUBLE_EQ(Data(L"xy").boundsMax[1], 4);
    ASSERT_EQ(Acquire(L"idx"), 0);
    EXPECT_EQ(Bytes(Data(L"idx")), (std::vector<uint8_t>{0x70, 0x11, 0xFF, 0xFF}));
    ASSERT_EQ(Acquire(L"col"), 0);
    EXPECT_EQ(Bytes(Data(L"col")), (std::vector<uint8_t>{1, 2, 3, 1, 0xFF, 9}));
    ASSERT_EQ(Acquire(L"lines"), 0);
    EXPECT_EQ(Data(L"lines").textRecords[1], L"257 -1 9");   // a block skips empty lines
    EXPECT_EQ(Data(L"lines").textRecords[2], L"");
    ExpectFailed(L"csv", -1);
    ASSERT_EQ(Acquire(L"grid"), 0);
    EXPECT_DOUBLE_EQ(Data(L"grid").boundsMin[0], -3);
    EXPECT_DOUBLE_EQ(Data(L"grid").boundsMax[0], 4);
}

TEST_F(PayloadLoaderTest, ReducedNumberGridKeepsEveryStepthValue)
{
    std::string text, bin;
    for (int i = 0; i < 5 * 3 * 3; ++i) {
        text += std::to_string(i) + "\n";
        const float f = static_cast<float>(i);
        bin.append(reinterpret_cast<const char*>(&f), 4);
    }
    dir.Write("g.txt", text);
    dir.Write("g.bin", bin);
    OpenCleanly(SceneWithBody("<data name=\"t\" type=\"gridXYZ\" size=\"5,3,3\"><file path=\"g.txt\"/></data>"
                              "<data name=\"b\" type=\"gridXYZ\" size=\"5,3,3\"><file path=\"g.bin\"/></data>"));
    Reduce(2);
    const std::vector<float> kept{0, 2, 4, 10, 12, 14, 30, 32, 34, 40, 42, 44};
    for (const wchar_t* name : {L"t", L"b"}) {
        ASSERT_EQ(Acquire(name), 0);
        EXPECT_EQ(Data(name).countX, 3u);
        EXPECT_EQ(Floats(Data(name), 12), kept);
        EXPECT_DOUBLE_EQ(Data(name).boundsMax[0], 44);
    }
}

TEST_F(PayloadLoaderTest, SliceFoldersNeedTheirSlicesAndReaders)
{
    std::filesystem::create_directories(dir.Path() / "slices");
    for (int i = 0; i < 3; ++i) dir.Write("slices/s" + std::to_string(i) + ".png", "not read");
    const std::string body = "<data name=\"three\" type=\"volume\" format=\"GRAY\" size=\"2,2,3\"><file path=\"slices\\\" type=\"png\"/></data>"
                             "<data name=\"four\" type=\"volume\" format=\"GRAY\" size=\"2,2,4\"><file path=\"slices/\" type=\"png\"/></data>"
                             "<data name=\"image\" type=\"image\" format=\"RGB\" size=\"2,2\"><file path=\"slices/s0.png\"/></data>";
    OpenCleanly(SceneWithBody(body));
    ExpectFailed(L"four", -1);    // one file fewer than the slices
    ExpectFailed(L"three", -1);   // files that are no pictures
    ExpectFailed(L"image", -1);
}

// Picture stacks and DICOM series through the whole job: slice order, the
// row rule, reverseZ, the pictures' channels and one progress step a slice.
TEST_F(PayloadLoaderTest, SliceStacksAndImagesLoadThroughTheJob)
{
    std::filesystem::create_directories(dir.Path() / "bmp");
    for (int k = 0; k < 3; ++k) {
        std::vector<uint8_t> bgr(2 * 2 * 3);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x) {
                uint8_t* p = &bgr[(y * 2 + x) * 3];
                p[0] = static_cast<uint8_t>(10 * k + 2 * y + x);   // blue: what one channel keeps
                p[1] = 100;
                p[2] = 200;
            }
        ASSERT_TRUE(SaveBmp24(dir.WidePath("bmp/s" + std::to_string(k) + ".bmp"), bgr.data(), 2, 2, 6));
    }
    std::filesystem::create_directories(dir.Path() / "ct");
    // Instance numbers send the folder through the DICOM ordering (its order is tested on its own).
    const int instances[3] = {3, 1, 2};
    for (int k = 0; k < 3; ++k) {
        DicomSliceOptions options;
        options.instanceNumber = instances[k];
        options.rows = 2;
        options.columns = 3;
        dir.Write("ct/f" + std::to_string(k) + ".dcm", MakeDicomSlice(options));
    }
    OpenCleanly(SceneWithBody(
        "<data name=\"stack\" type=\"volume\" format=\"GRAY\" size=\"2,2,3\"><file path=\"bmp/\" type=\"bmp\"/></data>"
        "<data name=\"reversed\" type=\"volume\" format=\"GRAY\" size=\"2,2,3\"><file path=\"bmp\\\" type=\"bmp\" reverseZ=\"on\" reverseY=\"on\"/></data>"
        "<data name=\"picture\" type=\"image\" format=\"RGB\" size=\"2,2\"><file path=\"bmp/s1.bmp\"/></data>"
        "<data name=\"series\" type=\"volume\" format=\"GRAY16\" size=\"3,2,3\"><file path=\"ct/\" type=\"dcm\"/></data>"));

    ASSERT_EQ(Acquire(L"stack"), 0);
    EXPECT_EQ(Bytes(Data(L"stack")), (std::vector<uint8_t>{2, 3, 0, 1, 12, 13, 10, 11, 22, 23, 20, 21}));
    ASSERT_EQ(Acquire(L"reversed"), 0);
    EXPECT_EQ(Bytes(Data(L"reversed")), (std::vector<uint8_t>{20, 21, 22, 23, 10, 11, 12, 13, 0, 1, 2, 3}));
    ASSERT_EQ(Acquire(L"picture"), 0);
    EXPECT_EQ(Bytes(Data(L"picture")), (std::vector<uint8_t>{200, 100, 12, 200, 100, 13, 200, 100, 10, 200, 100, 11}));

    ASSERT_EQ(Acquire(L"series"), 0);
    DataObject& series = Data(L"series");
    EXPECT_TRUE(series.isSigned);
    const auto* values = reinterpret_cast<const uint16_t*>(series.samples);
    // Every slice holds the same picture; bottom row first, values offset by 32768.
    EXPECT_EQ(values[0], static_cast<uint16_t>(DicomSlicePixel(1, 0) + 32768));
    EXPECT_EQ(values[3 * 2 * 2 + 5], static_cast<uint16_t>(DicomSlicePixel(0, 2) + 32768));

    int steps = 0;
    for (const auto& m : host.Messages())
        if (m.kind == Kind::Step) steps += static_cast<int>(m.a);
    EXPECT_GE(steps, 3 * 3);   // at least a step per slice of the three stacks
}

TEST_F(PayloadLoaderTest, VolumeKindsChannelsAndBlockNames)
{
    dir.Write("v.tif", "II*\0 not a volume");
    std::string rgb;
    for (int i = 1; i <= 12; ++i) rgb += static_cast<char>(i);
    dir.Write("rgb.raw", rgb);
    dir.Write("this3", std::string(8, '\x55'));   // a file named like a block is not consulted
    const float grid[6] = {1, 2, 3, 4, 5, 6};
    dir.Write("g.bin", std::string(reinterpret_cast<const char*>(grid), sizeof grid));
    const std::string body =
        "<data name=\"tif\" type=\"volume\" format=\"GRAY\" size=\"2,2,2\"><file path=\"v.tif\"/></data>"
        "<data name=\"rgb\" type=\"volume\" format=\"RGB\" size=\"2,2,1\"><file path=\"rgb.raw\"/></data>"
        "<data name=\"block\" type=\"volume\" format=\"GRAY\" size=\"2,2,2\"><file path=\"this3\" type=\"raw\"/></data>"
        "<data name=\"grid\" type=\"gridXY\" size=\"3,2\"><file path=\"g.bin\" reverseX=\"on\" reverseY=\"on\"/></data>";
    OpenCleanly(MakeContainer(std::vector<std::string>{SceneWithBody(body), "", "", std::string("\1\2\3\4\5\6\7\10", 8)}));
    ASSERT_EQ(Acquire(L"tif"), 0);   // a kind no volume reader knows loads nothing
    EXPECT_EQ(Bytes(Data(L"tif")), std::vector<uint8_t>(8, 0));
    ASSERT_EQ(Acquire(L"rgb"), 0);   // channels stay together, rows reversed
    EXPECT_EQ(Bytes(Data(L"rgb")), (std::vector<uint8_t>{7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}));
    ASSERT_EQ(Acquire(L"block"), 0);
    EXPECT_EQ(Bytes(Data(L"block")), (std::vector<uint8_t>{3, 4, 1, 2, 7, 8, 5, 6}));
    ASSERT_EQ(Acquire(L"grid"), 0);
    EXPECT_EQ(Floats(Data(L"grid"), 6), (std::vector<float>{6, 5, 4, 3, 2, 1}));
}

namespace {

constexpr int kSx = 19, kSy = 13, kSz = 7;

// Signed CT values that differ from slice to slice.
int16_t SeriesValue(int z, int row, int column) { return static_cast<int16_t>((row * 31 + column * 7 + z * 101) % 3000 - 1500); }

// Slice z of the series has instance number kSz - z, so that name order is
// not slice order; one slice says its pixels are unsigned.
void WriteSeries(const std::filesystem::path& folder)
{
    std::filesystem::create_directories(folder);
    for (int z = 0; z < kSz; ++z) {
        std::vector<int16_t> pixels;
        for (int r = 0; r < kSy; ++r)
            for (int c = 0; c < kSx; ++c) pixels.push_back(SeriesValue(z, r, c));
        DicomDataSet set;
        const std::string instance = std::to_string(kSz - z);
        DicomElement number(MakeDicomTag(0x0020, 0x0013), kVrIS, kAnyMultiplicity, "n", 1);
        number.SetValue(instance.data(), uint32_t(instance.size()));
        set.Insert(number);
        const uint16_t rows = kSy, columns = kSx, representation = z == 3 ? 0 : 1;
        set.Insert(DicomElement(0x0028, 0x0010, &rows, 2));
        set.Insert(DicomElement(0x0028, 0x0011, &columns, 2));
        set.Insert(DicomElement(0x0028, 0x0103, &representation, 2));
        set.Insert(DicomElement(0x7FE0, 0x0010, pixels.data(), uint32_t(pixels.size() * 2)));
        ASSERT_TRUE(SaveDicomFile(set, (folder / ("s" + std::to_string(z) + ".dcm")).string()));
    }
}

// LZW strips of three rows: the decoding that is worth spreading over cores.
void WriteLzwStack(const std::filesystem::path& folder)
{
    std::filesystem::create_directories(folder);
    for (int z = 0; z < kSz; ++z) {
        TIFF* t = TIFFOpen((folder / ("s" + std::to_string(z) + ".tif")).c_str(), "w");
        ASSERT_NE(t, nullptr);
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kSx);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, kSy);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 16);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 3);
        for (int r = 0; r < kSy; ++r) {
            std::vector<uint16_t> row;
            for (int c = 0; c < kSx; ++c) row.push_back(static_cast<uint16_t>(SeriesValue(z, r, c) + 2000));
            ASSERT_EQ(TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(r), 0), 1);
        }
        TIFFClose(t);
    }
}

// Everything a load leaves that the units and dialogs read.
struct LoadedState {
    std::vector<uint8_t> samples;
    bool isSigned = false, isUnsigned = false, flipY = false, flipZ = false;
    float minValue = 0, maxValue = 0, peak = 0;
    std::vector<uint64_t> bins, values;
    bool operator==(const LoadedState&) const = default;
};

LoadedState StateOf(const DataObject& d)
{
    return {Bytes(d), d.isSigned, d.isUnsigned, d.pendingFlipY, d.pendingFlipZ, d.minValue, d.maxValue, d.histogramPeak,
            std::vector<uint64_t>(d.histogram256.get(), d.histogram256.get() + 256),
            std::vector<uint64_t>(d.histogram65536.get(), d.histogram65536.get() + 65536)};
}

} // namespace

// Slices read on several threads, their values counted on the way: the same
// samples, flags and histogram at every thread count, whole and halved, for
// a DICOM series, an LZW TIFF stack and raw and run-length volume files; and
// the histogram is the one a plain count of the samples gives.
TEST_F(PayloadLoaderTest, EveryThreadCountLoadsTheSame)
{
    WriteSeries(dir.Path() / "ct");
    WriteLzwStack(dir.Path() / "lzw");
    const TestVolume volume = RandomVolume(kSx, kSy, kSz, 2, 21);
    dir.Write("v.raw", RawBytes(volume));
    dir.Write("v.kxd", KxdBytes(volume));
    const std::string size = "size=\"" + std::to_string(kSx) + "," + std::to_string(kSy) + "," + std::to_string(kSz) + "\"";
    OpenCleanly(SceneWithBody(
        "<data name=\"ct\" type=\"volume\" format=\"GRAY16\" " + size + "><file path=\"ct/\" type=\"dcm\" reverseX=\"on\"/></data>"
        "<data name=\"lzw\" type=\"volume\" format=\"GRAY16\" " + size + "><file path=\"lzw/\" type=\"tif\" reverseZ=\"on\"/></data>"
        "<data name=\"raw\" type=\"volume\" format=\"GRAY16\" " + size + "><file path=\"v.raw\" reverseY=\"on\"/></data>"
        "<data name=\"kxd\" type=\"volume\" format=\"GRAY16\" " + size + "><file path=\"v.kxd\"/></data>"));

    for (const wchar_t* name : {L"ct", L"lzw", L"raw", L"kxd"}) {
        for (int step : {1, 2}) {
            Reduce(step);
            LoadedState first;
            for (unsigned threads : {1u, 2u, 3u, 0u}) {
                DataObject& d = Data(name);
                d.loadThreads = threads;
                d.isSigned = d.isUnsigned = false;
                ASSERT_EQ(Acquire(name), 0);
                const LoadedState state = StateOf(d);
                if (threads == 1) {
                    first = state;
                    // The plain count of what was loaded.
                    DataObject plain(L"plain");
                    plain.type = d.type;
                    plain.countX = d.countX;
                    plain.countY = d.countY;
                    plain.countZ = d.countZ;
                    plain.payloadBytes = d.payloadBytes;
                    plain.histogram256 = std::make_unique<uint64_t[]>(256);
                    plain.histogram65536 = std::make_unique<uint64_t[]>(65536);
                    plain.BuildHistogram16(d.samples);
                    EXPECT_EQ(state.values, std::vector<uint64_t>(plain.histogram65536.get(), plain.histogram65536.get() + 65536));
                    EXPECT_EQ(state.bins, std::vector<uint64_t>(plain.histogram256.get(), plain.histogram256.get() + 256));
                    EXPECT_EQ(state.minValue, plain.minValue);
                    EXPECT_EQ(state.maxValue, plain.maxValue);
                } else {
                    EXPECT_TRUE(state == first) << std::string(name, name + wcslen(name)) << " step " << step << " threads " << threads;
                }
                d.users.clear();
                d.FreeBuffers();
            }
        }
    }

    // The series in instance order, mirrored along x, bottom row first, offset by 32768.
    Reduce(1);
    DataObject& ct = Data(L"ct");
    ASSERT_EQ(Acquire(L"ct"), 0);
    EXPECT_TRUE(ct.isSigned);
    EXPECT_TRUE(ct.isUnsigned);
    const auto* values = reinterpret_cast<const uint16_t*>(ct.samples);
    for (int k = 0; k < kSz; ++k) {
        const int file = kSz - 1 - k;   // instance k + 1
        const uint16_t offset = file == 3 ? 0 : 32768;
        EXPECT_EQ(values[(k * kSy + 0) * kSx + 0], static_cast<uint16_t>(SeriesValue(file, kSy - 1, kSx - 1) + offset));
        EXPECT_EQ(values[(k * kSy + 5) * kSx + 2], static_cast<uint16_t>(SeriesValue(file, kSy - 6, kSx - 3) + offset));
    }
}

namespace {

// Megapixel slices; every stack below fills 64 to 66 MiB, enough to be
// given the region an earlier scene released.
constexpr uint32_t kSide = 1024;
constexpr uint64_t kSliceValues = uint64_t{kSide} * kSide, kStackBytes = uint64_t{64} << 20;
constexpr uint8_t kStale = 0xAB, kWritten = 0x40;

struct DeclaredFormat {
    const char* name;
    int bytes, components;
};
constexpr DeclaredFormat kFormats[] = {{"GRAY", 1, 1}, {"byte", 1, 1},   {"ubyte", 1, 1}, {"GRAY16", 2, 1},
                                       {"short", 2, 1}, {"ushort", 2, 1}, {"RGB", 1, 3},   {"RGB16", 2, 3},
                                       {"RGBA", 1, 4},  {"RGBA16", 2, 4}, {"float", 4, 1}, {"uint", 4, 1}};

// An earlier scene's large region full of its bytes, released and kept.
void ReleaseStaleRegion()
{
    constexpr uint64_t kBytes = uint64_t{80} << 20;
    auto* region = static_cast<uint8_t*>(CommitMemory(kBytes));
    std::memset(region, kStale, kBytes);
    ReleaseMemory(region, kBytes);
}

// A slice of the kind for values `width` bytes wide, with no stale byte in
// it or in what it decodes to; the "kxd" one says it has no rows.
std::filesystem::path WriteSliceOfKind(const TempDir& dir, const std::string& kind, int width)
{
    const std::string name = "slice" + std::to_string(width) + "." + kind, bytes(kSliceValues * 4 * width, char(kWritten));
    const auto* values = reinterpret_cast<const uint8_t*>(bytes.data());
    bool written = true;
    if (kind == "raw" || kind == "kxd" || kind == "gif") dir.Write(name, kind == "raw" ? bytes : kind == "kxd" ? std::string(1, '\0') : "GIF");
    if (kind == "bmp") written = SaveBmp24(dir.WidePath(name), values, kSide, kSide, kSide * 3);
    if (kind == "tif") written = WriteUncompressedTiff(dir.Path() / name, {values, kSide, kSide, kSide * width, 1, uint16_t(width)});
    if (kind == "dcm") {
        const uint16_t side = kSide;
        DicomDataSet set;
        set.Insert(DicomElement(0x0028, 0x0010, &side, 2));
        set.Insert(DicomElement(0x0028, 0x0011, &side, 2));
        set.Insert(DicomElement(0x7FE0, 0x0010, values, uint32_t(kSliceValues * width)));
        written = SaveDicomFile(set, (dir.Path() / name).string());
    }
    EXPECT_TRUE(written) << name;
    return dir.Path() / name;
}

} // namespace

// A slice folder read right after an earlier scene released a large region,
// for every format a scene may declare and every source kind: nothing of the
// region is left, and the payload is taken as it was exactly where the
// readers write all of it (one- or two-byte values from raw files,
// pictures, TIFF and DICOM).
TEST_F(PayloadLoaderTest, SliceFoldersKeepNothingOfAReleasedRegion)
{
    Reduce(1);
    for (const std::string kind : {"raw", "bmp", "tif", "dcm", "kxd", "gif"}) {
        const std::filesystem::path slices[] = {WriteSliceOfKind(dir, kind, 1), WriteSliceOfKind(dir, kind, 2)};
        for (const DeclaredFormat& f : kFormats) {
            const std::string name = f.name + ("-" + kind), count = std::to_string((kStackBytes - 1) / (kSliceValues * f.bytes * f.components) + 1);
            std::filesystem::create_directory(dir.Path() / name);
            for (int z = 0; z < std::stoi(count); ++z)
                std::filesystem::create_hard_link(slices[std::min(f.bytes, 2) - 1], dir.Path() / name / (std::to_string(100 + z) + "." + kind));
            OpenCleanly(SceneWithBody("<data name=\"v\" type=\"volume\" format=\"" + std::string(f.name) + "\" size=\"1024,1024," +
                                      count + "\"><file path=\"" + name + "/\" type=\"" + kind + "\"/></data>"));
            DataObject& d = Data(L"v");
            d.loadThreads = 1;
            ReleaseStaleRegion();
            // At the first step (one slice read, on one thread), whether the last slice is the released region.
            int steps = 0;
            bool stale = false;
            host.onPost = [&](const ProgressMessage& m) {
                if (m.kind != Kind::Step || steps++ != 0) return;
                const uint64_t slice = d.payloadBytes / d.countZ, end = d.payloadBytes;
                stale = std::count(d.samples + end - slice, d.samples + end, kStale) == int64_t(slice);
            };
            const bool loads = d.AcquireData(&unit) == 0;
            host.onPost = nullptr;
            EXPECT_EQ(loads, (f.components == 1 || (kind != "dcm" && kind != "kxd")) && (f.components != 4 || kind != "tif")) << name;
            EXPECT_EQ(steps != 0 && stale, kind != "kxd" && kind != "gif" && f.bytes != 4) << name;
            EXPECT_TRUE(!loads || std::memchr(d.samples, kStale, d.payloadBytes) == nullptr) << name;
            d.users.clear();
            d.FreeBuffers();
        }
    }
}
