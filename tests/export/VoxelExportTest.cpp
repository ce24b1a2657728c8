// Voxel slice export: the value mapping, TIFF slices read back by libtiff
// and its tools, DICOM series read by dcmdump and pydicom, the note file's
// bytes, and failing folders.
#include "export/ExportTestSupport.h"

#include "export/DicomSeriesUids.h"
#include "export/TiffImageWriter.h"
#include "platform/HiddenNames.h"
#include "platform/WideText.h"
#include "render/RenderSettings.h"
#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"
#include "scene/PathParts.h"
#include "support/MessageRecorder.h"
#include "support/RecordingJobHost.h"
#include "support/TempDir.h"
#include "units/CKxDrawUnit.h"
#include "units/DrawGroup.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <ctime>
#include <filesystem>
#include <cstring>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace velmor;
using namespace velmor::test;

namespace {

// One surface unit whose grid the tests fill.
class OneVoxelUnit final : public ExportUnitAccess {
public:
    OneVoxelUnit() : previous_(SetExportUnitAccess(this)) {}
    ~OneVoxelUnit() override { SetExportUnitAccess(previous_); }
    bool DescribeMeshUnit(CKxDrawUnit&, MeshExportRecord&) override { return false; }
    bool DescribeVoxelUnit(CKxDrawUnit& u, VoxelExportSource& s) override
    {
        if (&u != &unit) return false;
        s = source;
        return true;
    }

    DrawGroup group{L"g"};
    CKxDrawUnit unit{&group};
    DataObject data{L"ct"};
    VoxelExportSource source;

private:
    ExportUnitAccess* previous_;
};

template <typename T> struct Grid {
    std::vector<T> samples;
    VoxelGrid grid;
    Grid(uint64_t nx, uint64_t ny, uint64_t nz) : samples(nx * ny * nz)
    {
        grid.samples = samples.data();
        grid.nx = nx, grid.ny = ny, grid.nz = nz;
        grid.sliceSize = nx * ny;
        grid.bytesPerSample = sizeof(T);
    }
    T& At(uint64_t x, uint64_t y, uint64_t z) { return samples[(z * grid.ny + y) * grid.nx + x]; }
};

struct VoxelCommand {
    RecordingJobHost host;
    MessageRecorder messages;
    ScriptedExportDialogs dialogs;
    OneVoxelUnit units;
    TempDir dir;
    std::wstring chosenFolder;

    VoxelCommand()
    {
        units.source.data = &units.data;
        units.source.pitch[0] = 0.5, units.source.pitch[1] = 0.25, units.source.pitch[2] = 2;
        units.source.lengthUnit = L"mm";
        units.data.sourcePath = L"/data/ct/";
        chosenFolder = WideFromPath(dir.Path() / "out");
        SetFolderChooser([this](const std::wstring&, const std::wstring&) { return chosenFolder; });
        LastFolder = L"/before/";
    }
    ~VoxelCommand() { SetFolderChooser(nullptr); }

    void Run(const VoxelGrid& grid)
    {
        ExportJob job(&grid, L"");
        job.ExportVoxels(&units.unit, nullptr);
    }
    std::filesystem::path Out(const std::string& name) const { return dir.Path() / "out" / name; }
    void SetPoints(uint32_t in1, uint32_t out1, uint32_t in2, uint32_t out2)
    {
        dialogs.onVoxelDialog = [=] {
            uint32_t* p = CurrentRenderSettings().voxelExport.colorControlPoints;
            p[0] = in1, p[1] = out1, p[2] = in2, p[3] = out2;
        };
    }
};

struct TiffSlice {
    uint32_t width = 0, height = 0, rowsPerStrip = 0;
    uint16_t bits = 0, samples = 0, compression = 0, photometric = 0, fillOrder = 0, planar = 0, orientation = 0,
             resolutionUnit = 0;
    float xResolution = 0, yResolution = 0;
    std::vector<uint8_t> bytes;   // rows top to bottom
};

bool ReadTiff(const std::filesystem::path& path, TiffSlice& s)
{
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr) return false;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &s.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &s.height);
    TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &s.rowsPerStrip);
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &s.bits);
    TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &s.samples);
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &s.compression);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &s.photometric);
    TIFFGetField(tif, TIFFTAG_FILLORDER, &s.fillOrder);
    TIFFGetField(tif, TIFFTAG_PLANARCONFIG, &s.planar);
    TIFFGetField(tif, TIFFTAG_ORIENTATION, &s.orientation);
    TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &s.resolutionUnit);
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &s.xResolution);
    TIFFGetField(tif, TIFFTAG_YRESOLUTION, &s.yResolution);
    const tmsize_t line = TIFFScanlineSize(tif);
    s.bytes.resize(size_t(line) * s.height);
    bool ok = true;
    for (uint32_t row = 0; row < s.height && ok; ++row) ok = TIFFReadScanline(tif, s.bytes.data() + row * line, row) == 1;
    TIFFClose(tif);
    return ok;
}

std::vector<uint16_t> Words(const std::vector<uint8_t>& bytes)
{
    std::vector<uint16_t> words(bytes.size() / 2);
    std::memcpy(words.data(), bytes.data(), words.size() * 2);
    return words;
}

std::string ToolPath(const char* tool) { return std::filesystem::exists(tool) ? tool : ""; }

// pydicom's check of the UIDs of one series a folder (dicom_slice_check.py --uids).
std::string UidCheck(const std::vector<std::filesystem::path>& folders)
{
    std::string command = "/usr/bin/python3 " VELMOR_EXPORT_TEST_DIR "/peers/dicom_slice_check.py --uids";
    for (const auto& folder : folders) command += " " + Quoted(folder.string());
    return RunCommand(command).output;
}

} // namespace

TEST(VoxelExport, EightBitSlicesKeepEveryValueWithTheLastGridRowOnTop)
{
    VoxelCommand c;
    Grid<uint8_t> g(5, 3, 2);
    for (uint64_t z = 0; z < 2; ++z)
        for (uint64_t y = 0; y < 3; ++y)
            for (uint64_t x = 0; x < 5; ++x) g.At(x, y, z) = uint8_t(100 * z + 10 * y + x + (z == 1 && y == 2 ? 150 : 0));
    c.Run(g.grid);
    EXPECT_TRUE(c.messages.Messages().empty());
    EXPECT_EQ(c.dialogs.voxelDialogInfo, (std::vector<uint32_t>{1, 0, 0}));

    for (int z = 0; z < 2; ++z) {
        TiffSlice s;
        ASSERT_TRUE(ReadTiff(c.Out(z == 0 ? "0000.tif" : "0001.tif"), s));
        EXPECT_EQ(s.width, 5u);
        EXPECT_EQ(s.height, 3u);
        EXPECT_EQ(s.bits, 8);
        EXPECT_EQ(s.samples, 1);
        EXPECT_EQ(s.compression, COMPRESSION_NONE);
        EXPECT_EQ(s.photometric, PHOTOMETRIC_MINISBLACK);
        EXPECT_EQ(s.fillOrder, FILLORDER_MSB2LSB);
        EXPECT_EQ(s.planar, PLANARCONFIG_CONTIG);
        EXPECT_EQ(s.rowsPerStrip, 8u);
        EXPECT_EQ(s.orientation, ORIENTATION_TOPLEFT);
        EXPECT_EQ(s.resolutionUnit, RESUNIT_INCH);
        EXPECT_EQ(s.xResolution, 72.0f);
        EXPECT_EQ(s.yResolution, 72.0f);
        for (uint64_t row = 0; row < 3; ++row)
            for (uint64_t x = 0; x < 5; ++x) EXPECT_EQ(s.bytes[row * 5 + x], g.At(x, 2 - row, z)) << z << row << x;
    }
    EXPECT_FALSE(std::filesystem::exists(c.Out("0002.tif")));
    EXPECT_EQ(ReadFileBytes(c.Out("kx_voxel_export.txt")),
              "previous data path; /data/ct/\r\nscale; 0.5, 0.25, 2, mm\r\n"
              "color control point 1; 0, 0\r\ncolor control point 2; 255, 255\r\n");
    EXPECT_EQ(LastFolder, c.chosenFolder + L"/");

    int64_t steps = 0;
    for (const auto& m : c.host.Messages()) steps += m.kind == ProgressMessage::Kind::Step ? m.a : 0;
    EXPECT_EQ(steps, 100);
}

TEST(VoxelExport, TiffToolsReadTheSlicesWithoutComplaint)
{
    const std::string tiffinfo = ToolPath("/usr/bin/tiffinfo"), tiffdump = ToolPath("/usr/bin/tiffdump");
    if (tiffinfo.empty() || tiffdump.empty()) GTEST_SKIP() << "libtiff tools missing";
    VoxelCommand c;
    Grid<uint16_t> g(100, 20, 1);
    for (uint64_t i = 0; i < g.samples.size(); ++i) g.samples[i] = uint16_t(i * 37);
    c.Run(g.grid);
    const std::string file = Quoted(c.Out("0000.tif").string());
    const CommandResult info = RunCommand(tiffinfo + " -s " + file);
    EXPECT_EQ(info.exitCode, 0) << info.output;
    EXPECT_EQ(info.output.find("Warning"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("Image Width: 100 Image Length: 20"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("Bits/Sample: 16"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("Rows/Strip: 8"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("3 Strips:"), std::string::npos) << info.output;
    const CommandResult dump = RunCommand(tiffdump + " " + file);
    EXPECT_EQ(dump.exitCode, 0) << dump.output;
    EXPECT_NE(dump.output.find("StripByteCounts (279)"), std::string::npos) << dump.output;
    EXPECT_NE(dump.output.find(" 3<1600 1600 800>"), std::string::npos) << dump.output;

    TiffSlice s;
    ASSERT_TRUE(ReadTiff(c.Out("0000.tif"), s));
    const std::vector<uint16_t> words = Words(s.bytes);
    for (uint64_t row = 0; row < 20; ++row)
        for (uint64_t x = 0; x < 100; ++x) ASSERT_EQ(words[row * 100 + x], g.At(x, 19 - row, 0));
}

TEST(VoxelExport, SixteenBitDataGoesDownToEightBitsThroughTheTwoPoints)
{
    VoxelCommand c;
    Grid<uint16_t> g(3, 1, 3);
    g.At(0, 0, 0) = 65535, g.At(1, 0, 0) = 128, g.At(2, 0, 0) = 32768;
    c.units.data.reverseZ = true;
    c.SetPoints(0, 0, 65535, 255);
    const auto earlier = c.dialogs.onVoxelDialog;
    c.dialogs.onVoxelDialog = [&] {
        earlier();
        CurrentRenderSettings().voxelExport.downTo8Bit = 1;
    };
    c.Run(g.grid);
    EXPECT_EQ(c.dialogs.voxelDialogInfo, (std::vector<uint32_t>{2, 0, 1}));
    TiffSlice s;
    // Reverse order: slice z = 0 is the last file.
    ASSERT_TRUE(ReadTiff(c.Out("0002.tif"), s));
    EXPECT_EQ(s.bits, 8);
    EXPECT_EQ(s.bytes, (std::vector<uint8_t>{255, 0, 127}));
    const std::string note = ReadFileBytes(c.Out("kx_voxel_export.txt"));
    EXPECT_EQ(note.substr(note.find("color control point 1")),
              "color control point 1; 0, 0\r\ncolor control point 2; 65535, 255\r\ndown to 8bit; yes\r\nreverseZ; yes\r\n");
}

TEST(VoxelExport, MappedValuesAreClampedAndEqualInputsMakeAThreshold)
{
    VoxelCommand c;
    Grid<uint16_t> g(4, 1, 1);
    g.At(0, 0, 0) = 50, g.At(1, 0, 0) = 150, g.At(2, 0, 0) = 1000, g.At(3, 0, 0) = 2000;
    // (100, 0) to (200, 100): 50 maps to -50 (written as 0); 2000 to 1900.
    c.SetPoints(100, 0, 200, 100);
    c.Run(g.grid);
    TiffSlice s;
    ASSERT_TRUE(ReadTiff(c.Out("0000.tif"), s));
    EXPECT_EQ(Words(s.bytes), (std::vector<uint16_t>{0, 50, 900, 1900}));

    // A result of 70000 is written as 65535.
    c.SetPoints(0, 0, 1000, 70000);
    c.Run(g.grid);
    ASSERT_TRUE(ReadTiff(c.Out("0000.tif"), s));
    EXPECT_EQ(Words(s.bytes), (std::vector<uint16_t>{3500, 10500, 65535, 65535}));

    c.SetPoints(1000, 10, 1000, 20);
    c.Run(g.grid);
    ASSERT_TRUE(ReadTiff(c.Out("0000.tif"), s));
    EXPECT_EQ(Words(s.bytes), (std::vector<uint16_t>{10, 10, 20, 20}));
    EXPECT_TRUE(c.messages.Messages().empty());
}

TEST(VoxelExport, SignedDicomSeriesReadsBackThroughDcmdumpAndPydicom)
{
    VoxelCommand c;
    Grid<uint16_t> g(3, 2, 3);
    for (uint64_t i = 0; i < g.samples.size(); ++i) g.samples[i] = uint16_t(31768 + i);   // -1000 and up
    c.units.data.isSigned = true;
    c.units.data.reverseZ = true;
    c.units.source.pitch[2] = 1.5;
    c.Run(g.grid);
    ASSERT_TRUE(c.messages.Messages().empty());
    for (const char* name : {"0000.dcm", "0001.dcm", "0002.dcm"}) ASSERT_TRUE(std::filesystem::exists(c.Out(name))) << name;
    EXPECT_EQ(c.dialogs.voxelDialogInfo, (std::vector<uint32_t>{2, 1, 1}));

    const std::string dcmdump = ToolPath("/usr/bin/dcmdump");
    if (!dcmdump.empty()) {
        const CommandResult d = RunCommand(dcmdump + " " + Quoted(c.Out("0002.dcm").string()));
        EXPECT_EQ(d.exitCode, 0) << d.output;
        EXPECT_EQ(d.output.find("W: "), std::string::npos) << d.output;
        EXPECT_EQ(d.output.find("E: "), std::string::npos) << d.output;
        for (const char* line : {"(0002,0010) UI =LittleEndianImplicit", "(0008,0060) CS [CT]", "(0020,0013) IS [   3]",
                                 "(0020,0032) DS [-0.750000\\-0.250000\\-3.000000]", "(0028,0010) US 2",
                                 "(0028,0011) US 3", "(0028,0103) US 1", "(0018,0050) DS [1.500000]",
                                 "(0028,0030) DS [0.250000\\0.500000]", "(0008,0070) LO [Quillmarsh]"})
            EXPECT_NE(d.output.find(line), std::string::npos) << line << "\n" << d.output;
    }

    const CommandResult p = RunCommand("/usr/bin/python3 " VELMOR_EXPORT_TEST_DIR "/peers/dicom_slice_check.py " +
                                       Quoted(c.Out("").string()));
    if (p.exitCode == 77) GTEST_SKIP() << p.output;
    ASSERT_EQ(p.exitCode, 0) << p.output;
    std::istringstream lines(p.output);
    std::string line;
    std::vector<std::string> got;
    while (std::getline(lines, line)) got.push_back(line);
    ASSERT_EQ(got.size(), 3u) << p.output;
    const std::string common = " rows=2 columns=3 representation=1 thickness=1.5 spacing=0.25\\0.5 modality=CT "
                               "syntax=1.2.840.10008.1.2 sop_uid_matches=True pixels=";
    // File i holds slice 2 - i, rows upside down: values are -1000 + (6z + 3y + x).
    EXPECT_EQ(got[0], "0000.dcm instance=1 position=-0.75\\-0.25\\0" + common + "-985 -984 -983 -988 -987 -986");
    EXPECT_EQ(got[1], "0001.dcm instance=2 position=-0.75\\-0.25\\-1.5" + common + "-991 -990 -989 -994 -993 -992");
    EXPECT_EQ(got[2], "0002.dcm instance=3 position=-0.75\\-0.25\\-3" + common + "-997 -996 -995 -1000 -999 -998");
}

TEST(VoxelExport, UnsignedDicomSeriesKeepsStoredValues)
{
    VoxelCommand c;
    Grid<uint16_t> g(2, 1, 1);
    g.At(0, 0, 0) = 0, g.At(1, 0, 0) = 40000;
    c.units.data.isUnsigned = true;
    c.units.source.lengthUnit = L"cm";   // lengths leave in millimetres
    c.Run(g.grid);
    const CommandResult p = RunCommand("/usr/bin/python3 " VELMOR_EXPORT_TEST_DIR "/peers/dicom_slice_check.py " +
                                       Quoted(c.Out("").string()));
    if (p.exitCode == 77) GTEST_SKIP() << p.output;
    ASSERT_EQ(p.exitCode, 0) << p.output;
    EXPECT_NE(p.output.find("position=-5\\-1.25\\0 rows=1 columns=2 representation=0 thickness=20 spacing=2.5\\5"),
              std::string::npos) << p.output;
    EXPECT_NE(p.output.find("pixels=0 40000\n"), std::string::npos) << p.output;
}

TEST(VoxelExport, EveryDicomSeriesHasInstanceSeriesAndFrameUidsOfItsOwn)
{
    // Two exports of one volume a moment apart, then a second later two at
    // once in two processes.
    VoxelCommand c;
    Grid<uint16_t> g(2, 2, 3);
    c.units.data.isUnsigned = true;
    const auto exportTo = [&](const char* name) { c.chosenFolder = WideFromPath(c.dir.Path() / name); c.Run(g.grid); };
    const std::time_t start = std::time(nullptr);
    exportTo("a");
    exportTo("b");
    while (std::time(nullptr) == start) usleep(10000);
    const pid_t child = fork();
    exportTo(child == 0 ? "c" : "d");
    if (child == 0) _exit(c.messages.Messages().empty() ? 0 : 1);
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_EQ(status, 0);
    // Each of the 12 slices an instance UID, each export a study, series and frame of reference.
    EXPECT_EQ(UidCheck({c.dir.Path() / "a", c.dir.Path() / "b", c.dir.Path() / "c", c.dir.Path() / "d"}),
              "24 UIDs, the longest 55\n");

    // Random bytes that are all zero still make no component with a leading zero.
    const auto zeros = [](void* bytes, size_t size) { std::memset(bytes, 0, size); };
    const DicomSeriesUids z = MakeDicomSeriesUids("202401051010100123", zeros);
    EXPECT_EQ(z.study, "1.2.999.417.70203.11.1.2.1000000000.1202401051010100123");
    EXPECT_EQ(z.series, "1.2.999.417.70203.11.1.3.1000000000202401051010100123");
    EXPECT_EQ(z.instancePrefix, "1.2.999.417.70203.11.1.4.100000000.100000000000000000.");
    EXPECT_EQ(z.frameOfReference, "1.2.999.417.70203.11.1.5.100000000.100000000000000000");
}

TEST(VoxelExport, SwitchedOffUnitsAndCancelledFoldersExportNothing)
{
    VoxelCommand c;
    Grid<uint8_t> g(2, 2, 2);
    c.units.source.dataExport = false;
    c.Run(g.grid);
    EXPECT_EQ(c.messages.Messages(), (std::vector<std::wstring>{L"cannot export data"}));
    EXPECT_TRUE(c.dialogs.voxelDialogInfo.empty());

    VoxelCommand d;
    d.chosenFolder.clear();
    d.Run(g.grid);
    EXPECT_TRUE(d.messages.Messages().empty());
    EXPECT_FALSE(std::filesystem::exists(d.Out("")));
    EXPECT_EQ(LastFolder, L"/before/");
}

TEST(VoxelExport, AFolderThatCannotBeMadeIsAFailureWithoutNote)
{
    VoxelCommand c;
    Grid<uint8_t> g(2, 2, 2);
    c.chosenFolder = WideFromPath(c.dir.Path() / "no" / "such" / "folder");
    c.Run(g.grid);
    EXPECT_EQ(c.messages.Messages(), (std::vector<std::wstring>{L"file write error"}));
    EXPECT_EQ(LastFolder, L"/before/");
    EXPECT_TRUE(std::filesystem::is_empty(c.dir.Path()));

    ExportJob job(&g.grid, WideFromPath(c.dir.Path() / "missing"));
    EXPECT_FALSE(job.WriteVoxelExportNote(L"x"));
}

TEST(VoxelExport, ASeriesThatFailsPartWayLeavesTheFolderAsItWas)
{
    // The third slice's name is taken by a folder: the export fails before
    // a slice is written, and the old ones stay.
    for (const bool dicom : {false, true}) {
        VoxelCommand c;
        Grid<uint16_t> g(4, 3, 5);
        c.units.data.isUnsigned = dicom;
        const std::string ext = dicom ? ".dcm" : ".tif";
        c.dir.Write("out/0000" + ext, "old first");
        c.dir.Write("out/0001" + ext, "old second");
        std::filesystem::create_directory(c.Out("0002" + ext));
        LeaveTemporary(c.Out("0003" + ext));   // of an export killed at the fourth slice: it goes
        c.Run(g.grid);
        EXPECT_EQ(c.messages.Messages(), (std::vector<std::wstring>{L"file write error"})) << dicom;
        EXPECT_EQ(ReadFileBytes(c.Out("0000" + ext)), "old first");
        EXPECT_EQ(ReadFileBytes(c.Out("0001" + ext)), "old second");
        EXPECT_EQ(FolderNames(c.dir.Path() / "out").size(), 3u) << "no slice, note or temporary file stays";
        EXPECT_EQ(LastFolder, L"/before/");
    }
    // Every slice written, renames failing from the third on, putting back too:
    // the two old slices replaced stay under hidden names the message gives.
    VoxelCommand c;
    Grid<uint8_t> g(4, 3, 5);
    const std::vector<std::string> old{"0000.tif", "0001.tif", "0002.tif", "0003.tif", "0004.tif", "kx_voxel_export.txt"};
    for (const std::string& name : old) c.dir.Write("out/" + name, "old " + name);
    RenamesRunOutAfter(2);
    c.Run(g.grid);
    ReplaceRenameForTest(nullptr);
    std::wistringstream lines(c.messages.Messages().at(0));
    std::vector<std::string> said;
    for (std::wstring line; std::getline(lines, line);) said.push_back(line[0] == L'/' ? ReadFileBytes(PathFromWide(line)) : PathFromWide(line).string());
    EXPECT_EQ(said, (std::vector<std::string>{"file write error", "The old files that could not be put back are kept as:", "old 0001.tif", "old 0000.tif"}));
    EXPECT_EQ(FolderNames(c.Out("")).size(), 8u) << "the series and two old files kept";
    // An old one that cannot be replaced: the slices renamed before it are
    // taken back, and the old note stays.
    std::filesystem::remove_all(c.Out(""));
    for (const std::string& name : old) c.dir.Write("out/" + name, "old " + name);
    const std::string fixed = Quoted(c.Out("0003.tif").string());
    if (RunCommand("chattr +i " + fixed).exitCode != 0) GTEST_SKIP() << "no immutable files here";
    c.Run(g.grid);
    RunCommand("chattr -i " + fixed);
    EXPECT_EQ(c.messages.Messages(), (std::vector<std::wstring>{c.messages.Messages().at(0), L"file write error"}));
    for (const std::string& name : old) EXPECT_EQ(ReadFileBytes(c.Out(name)), "old " + name);
    EXPECT_EQ(FolderNames(c.dir.Path() / "out"), old);
}

TEST(VoxelExport, TiffWritesToAFullDeviceFailAndLeaveTheDevice)
{
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    std::vector<uint8_t> pixels(64 * 64, 7);
    TiffPixels p;
    p.data = pixels.data();
    p.width = p.height = p.stride = 64;
    EXPECT_FALSE(WriteUncompressedTiff("/dev/full", p));
    struct stat info;
    ASSERT_EQ(stat("/dev/full", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
}

TEST(VoxelExport, DicomSlicesTooWideForTheirHeaderAreRefused)
{
    TempDir dir;
    VoxelGrid wide;
    std::vector<uint16_t> samples(70000);
    wide.samples = samples.data();
    wide.nx = 70000, wide.ny = 1, wide.nz = 1;
    wide.bytesPerSample = 2;
    ExportJob job(&wide, WideFromPath(dir.Path()));
    job.BuildDicomSliceDataSet(false);
    std::vector<uint8_t> slice(140000);
    EXPECT_FALSE(job.WriteDicomSlice(0, slice.data()));
    // 60000 x 60000 fits Rows and Columns, but not the pixel value's 32-bit length.
    VoxelGrid square = wide;
    square.nx = square.ny = 60000;
    ExportJob big(&square, WideFromPath(dir.Path()));
    big.BuildDicomSliceDataSet(false);
    EXPECT_FALSE(big.WriteDicomSlice(0, slice.data()));
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    // As many slices as an Instance Number counts: the last one's UID is the
    // longest of all and valid; one slice more is refused.
    VoxelGrid tall = wide;
    tall.nx = 1, tall.nz = kLargestInstanceNumber;
    ExportJob last(&tall, WideFromPath(dir.Path()));
    last.BuildDicomSliceDataSet(false);
    ASSERT_TRUE(last.WriteDicomSlice(kLargestInstanceNumber - 1, slice.data()) && last.PublishSeries());
    EXPECT_EQ(UidCheck({dir.Path()}), "4 UIDs, the longest " + std::to_string(kLongestDicomUid) + "\n");
    ++tall.nz;
    EXPECT_FALSE(last.WriteDicomSlice(0, slice.data()));
}

TEST(VoxelExport, VolumeUnitsExportLikeSurfaceUnits)
{
    VoxelCommand c;
    Grid<uint8_t> g(2, 2, 1);
    g.At(1, 0, 0) = 9;
    ExportJob job(&g.grid, L"");
    job.ExportVoxels(nullptr, &c.units.unit);
    TiffSlice s;
    ASSERT_TRUE(ReadTiff(c.Out("0000.tif"), s));
    EXPECT_EQ(s.bytes, (std::vector<uint8_t>{0, 0, 0, 9}));
    EXPECT_TRUE(std::filesystem::exists(c.Out("kx_voxel_export.txt")));
}
