// A disk that fills up in the middle of a file: the file-size limit makes
// every write past it fail as a full disk would. No writer may report such
// a file as written or leave it behind half written.
#include "export/ExportTestSupport.h"

#include "export/TiffImageWriter.h"
#include "platform/WideText.h"
#include "render/RenderSettings.h"
#include "support/MessageRecorder.h"
#include "support/RecordingJobHost.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <sys/resource.h>

using namespace velmor;
using namespace velmor::test;

namespace {

// Files may not grow past `bytes` while it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        ok_ = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    bool Ok() const { return ok_; }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
    bool ok_ = false;
};

} // namespace

TEST(ExportFailure, MeshFilesCutShortAreRemovedAndReported)
{
    RecordingJobHost host;
    MessageRecorder messages;
    ScriptedExportDialogs dialogs;
    TempDir dir;
    // 3000 triangles: 150084 bytes of STL, past the limit.
    std::vector<float> v;
    std::vector<uint32_t> idx;
    for (uint32_t t = 0; t < 3000; ++t) {
        v.insert(v.end(), {float(t), 0, 0, float(t), 1, 0, float(t), 0, 1});
        idx.insert(idx.end(), {3 * t, 3 * t + 1, 3 * t + 2});
    }
    OwnedMesh mesh(L"big", v, idx);
    FileSizeLimit limit(64 * 1024);
    ASSERT_TRUE(limit.Ok());
    for (const wchar_t* format : {L"STL", L"OBJ"}) {
        dialogs.polygonFormat = format;
        dialogs.savePath = dir.WidePath(format == std::wstring(L"STL") ? "big.stl" : "big.obj");
        ExportJob job(nullptr, L"");
        EXPECT_EQ(job.ExportPolygonRecords({mesh.record}), -1) << format;
    }
    EXPECT_EQ(messages.Messages(), (std::vector<std::wstring>{L"file write error", L"file write error"}));
    // The small material file was complete, but it goes with its OBJ file.
    EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{});
}

TEST(ExportFailure, SliceSeriesStopsAtTheFirstSliceThatDoesNotFit)
{
    for (const bool dicom : {false, true}) {
        RecordingJobHost host;
        TempDir dir;
        // 200 x 200 16-bit slices: 80000 bytes each, past the limit.
        std::vector<uint16_t> samples(200 * 200 * 2, 1234);
        VoxelGrid grid;
        grid.samples = samples.data();
        grid.nx = grid.ny = 200;
        grid.nz = 2;
        grid.bytesPerSample = 2;
        CurrentRenderSettings().voxelExport = VoxelExportSettings{{0, 0, 65535, 65535}, 0, 0};
        ExportJob job(&grid, WideFromPath(dir.Path()));
        job.pitchX = job.pitchY = job.pitchZ = 1;
        FileSizeLimit limit(64 * 1024);
        ASSERT_TRUE(limit.Ok());
        EXPECT_EQ(job.RunVoxelExport(dicom ? kUnsignedDicomSeries : kTiff16Series, L""), -1) << dicom;
        EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << dicom;
    }
}

TEST(ExportFailure, ImagesAndNotesCutShortAreRemoved)
{
    TempDir dir;
    std::vector<uint8_t> pixels(300 * 300 * 3, 77);
    ImageRecord record{pixels.data(), 300, 300, 900};
    ExportJob job(&record);
    job.outputFolder = WideFromPath(dir.Path());
    FileSizeLimit limit(16 * 1024);
    ASSERT_TRUE(limit.Ok());
    EXPECT_FALSE(job.WriteTiffImage(dir.WidePath("gray.tif"), 1, 2));
    EXPECT_EQ(job.SaveImageByExtension(dir.WidePath("colour.bmp"), L"bmp"), kEncoderWriteFailed);
    // A note with a long data path does not fit either.
    EXPECT_FALSE(job.WriteVoxelExportNote(std::wstring(20000, L'n')));
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}
