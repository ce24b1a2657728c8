#include "units/CKxDrawUVolumeR.h"

#include "VolumeUnitFixture.h"
#include "platform/Memory.h"
#include "render/RenderSettings.h"
#include "scene/CVelmorDoc.h"
#include "support/MessageRecorder.h"
#include "support/RecordingJobHost.h"
#include "support/TempDir.h"
#include "support/VolumeWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using namespace velmor;
using namespace velmor::test;

namespace {

int gStacksDrawn = 0;
bool gTextureFails = false;

// Stands in for the GL layer: sizes the texture as it would, names it
// without GL, and counts the stacks drawn.
bool FakeTexture(CKxDrawUVolumeR& unit)
{
    if (gTextureFails) return false;
    unit.colorLut.ChooseSize(*unit.volumeData, false);
    unit.colorLut.textureId = 7;
    return true;
}

void CountStack(CKxDrawUVolumeR&) { ++gStacksDrawn; }

class VolumeUnitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = VolumeUnitGL;
        VolumeUnitGL = {&FakeTexture, &CountStack};
        gStacksDrawn = 0;
        gTextureFails = false;
    }
    void TearDown() override
    {
        VolumeUnitGL = saved_;
        SetMemoryStatusSource(nullptr);
        CurrentRenderSettings().drawingClippedPart = 0;
    }
    static uint32_t Ramp(uint64_t i, uint64_t j, uint64_t k) { return uint32_t(1 + i + 4 * j + 16 * k); }

    RecordingJobHost host;
    MessageRecorder messages;
    VolumeUnitDrawing saved_;
};

const uint8_t* Display(const CKxDrawUVolumeR& unit, int axis) { return unit.displayVolume[axis].Data(); }

} // namespace

TEST_F(VolumeUnitTest, LoadsColoursAndPlacesTheSlices)
{
    auto data = MakeVolume(4, 3, 2, 1, Ramp);
    data->voxelPitch.loadedPitch[2] = 2.0f;
    data->voxelPitch.unit = L"cm";
    CKxDrawUVolumeR unit(nullptr);
    unit.volumeData = data.get();
    unit.renderingType = L"B";   // brightness 0, contrast 1: display equals data
    unit.Load();
    EXPECT_TRUE(messages.Messages().empty());
    ASSERT_TRUE(unit.valid);
    EXPECT_EQ(host.Runs(), 2);   // the payload and the colours
    EXPECT_TRUE(data->users.count(&unit));
    EXPECT_EQ(unit.voxels.nx, 4u);
    EXPECT_EQ(unit.voxels.sliceSize, 12u);
    for (uint64_t k = 0; k < 2; ++k)
        for (uint64_t j = 0; j < 3; ++j)
            for (uint64_t i = 0; i < 4; ++i) {
                const uint8_t v = uint8_t(Ramp(i, j, k));
                EXPECT_EQ(Display(unit, 0)[(i * 2 + k) * 3 + j], v);
                EXPECT_EQ(Display(unit, 1)[(j * 2 + k) * 4 + i], v);
                EXPECT_EQ(Display(unit, 2)[(k * 3 + j) * 4 + i], v);
            }
    EXPECT_EQ(unit.halfExtent[0], 2.0);
    EXPECT_EQ(unit.halfExtent[1], 1.5);
    EXPECT_EQ(unit.pitch[2], 2.0);
    EXPECT_EQ(unit.lengthUnit, L"cm");
    EXPECT_EQ(unit.sliceCount[0], 4);
    EXPECT_EQ(unit.sliceCount[2], 4);   // twice the pitch, twice the slices
    // Texture 4 x 4 for layers of up to 4 x 3 (no power-of-two rounding
    // needed), cleared one texel beyond the largest layer where it fits.
    EXPECT_EQ(unit.colorLut.textureWidth, 4u);
    EXPECT_EQ(unit.colorLut.textureHeight, 4u);
    EXPECT_EQ(unit.clearWidth, 4u);
    EXPECT_EQ(unit.clearHeight, 4u);
    EXPECT_EQ(unit.sliceTexCoords[0][1][0], 3.0f / 4);
    EXPECT_EQ(unit.sliceTexCoords[0][1][1], 2.0f / 4);
    EXPECT_EQ(unit.sliceTexCoords[2][0][1], 3.0f / 4);
    EXPECT_EQ(unit.sliceTexCoords[2][2][0], 1.0f);
    EXPECT_TRUE(unit.ReadyToDraw());

    // A second load keeps the display volumes; after FreeWork they are made
    // and coloured again.
    unit.Load();
    EXPECT_EQ(host.Runs(), 3);
    unit.FreeWork();
    EXPECT_FALSE(unit.ReadyToDraw());
    unit.Load();
    EXPECT_EQ(host.Runs(), 5);
    EXPECT_EQ(Display(unit, 2)[5], uint8_t(Ramp(1, 1, 0)));
}

TEST_F(VolumeUnitTest, VolumeFromAFileThroughThePayloadLoader)
{
    TempDir dir;
    const TestVolume v = RandomVolume(5, 4, 3, 2, 11);
    dir.Write("v.raw", RawBytes(v));
    SceneFolder = dir.Path().wstring() + L"/";
    DataObject data(L"v");
    data.type = L"volume";
    data.format = L"GRAY16";
    data.sizeX = 5, data.sizeY = 4, data.sizeZ = 3;
    data.sourcePath = L"v.raw";
    data.sourceType = L"raw";
    CKxDrawUVolumeR unit(nullptr);
    unit.volumeData = &data;
    unit.renderingType = L"C";
    unit.Load();
    SceneFolder.clear();
    ASSERT_TRUE(unit.valid) << (messages.Messages().empty() ? "" : "message shown");
    const std::vector<uint8_t> expected = ReferenceLoad(v, 1);
    ASSERT_EQ(expected.size(), 5u * 4 * 3 * 2);
    // Window 0..65535, brightness B 0 and contrast B 1 show the samples as
    // they are; zeros stay zero.
    EXPECT_EQ(std::memcmp(Display(unit, 2), expected.data(), expected.size()), 0);
    EXPECT_EQ(unit.rangeLow, 0.0f);
    EXPECT_EQ(unit.rangeHigh, 65535.0f);
}

TEST_F(VolumeUnitTest, FailedLoadsShowTheirMessageAndStayInvalid)
{
    CKxDrawUVolumeR noData(nullptr);
    noData.Load();
    EXPECT_FALSE(noData.valid);

    DataObject missing(L"m");
    missing.type = L"volume";
    missing.format = L"GRAY";
    missing.sizeX = missing.sizeY = missing.sizeZ = 2;
    missing.sourcePath = L"/nonexistent/volume.raw";
    missing.sourceType = L"raw";
    CKxDrawUVolumeR unreadable(nullptr);
    unreadable.volumeData = &missing;
    unreadable.Load();
    EXPECT_FALSE(unreadable.valid);
    EXPECT_TRUE(missing.users.empty());

    auto data = MakeVolume(3, 3, 3, 1, Ramp);
    CKxDrawUVolumeR noTexture(nullptr);
    noTexture.volumeData = data.get();
    gTextureFails = true;
    noTexture.Load();
    gTextureFails = false;
    EXPECT_FALSE(noTexture.valid);
    EXPECT_FALSE(data->users.count(&noTexture));

    // The memory check after committing the display volumes fails.
    CKxDrawUVolumeR shortOfMemory(nullptr);
    shortOfMemory.volumeData = data.get();
    SetMemoryStatusSource([] { return MemoryStatus{0, 0}; });
    shortOfMemory.Load();
    SetMemoryStatusSource(nullptr);
    EXPECT_FALSE(shortOfMemory.valid);
    EXPECT_EQ(shortOfMemory.displayVolume[0].Data(), nullptr);
    EXPECT_EQ(shortOfMemory.clearBuffer.Data(), nullptr);
    EXPECT_EQ(shortOfMemory.colorLut.textureId, 0u);
    EXPECT_FALSE(data->users.count(&shortOfMemory));

    // A pitch that asks for more slices than can be had.
    data->voxelPitch.loadedPitch[0] = 1e-30f;
    CKxDrawUVolumeR tooManySlices(nullptr);
    tooManySlices.volumeData = data.get();
    tooManySlices.Load();
    EXPECT_FALSE(tooManySlices.valid);
    EXPECT_FALSE(tooManySlices.sliceQuads[1]);

    // A data object that holds no grey volume cannot be sliced.
    auto picture = MakeVolume(2, 2, 1, 1, Ramp);
    picture->type = L"image";
    CKxDrawUVolumeR notAVolume(nullptr);
    notAVolume.volumeData = picture.get();
    notAVolume.Load();
    EXPECT_FALSE(notAVolume.valid);

    EXPECT_EQ(messages.Messages(),
              (std::vector<std::wstring>{L"volume data file read error", L"volume data file read error", L"memory error",
                                         L"memory error", L"memory error", L"volume data file read error"}));
}

TEST_F(VolumeUnitTest, SliceCountsFollowThePitchRatios)
{
    auto data = MakeVolume(1, 1, 1, 1, Ramp);
    CKxDrawUVolumeR unit(nullptr);
    unit.volumeData = data.get();
    unit.voxels.nx = 100, unit.voxels.ny = 100, unit.voxels.nz = 50;
    unit.halfExtent[0] = 50, unit.halfExtent[1] = 50, unit.halfExtent[2] = 25;
    const float pitches[3] = {1, 1, 2};
    std::copy(pitches, pitches + 3, data->voxelPitch.loadedPitch);
    ASSERT_TRUE(unit.BuildSliceQuads());
    EXPECT_EQ(unit.sliceCount[0], 100);
    EXPECT_EQ(unit.sliceCount[1], 100);
    EXPECT_EQ(unit.sliceCount[2], 100);
    // Slice 0 of z sits 0.5001 of a spacing above the bottom face.
    const float* first = unit.sliceQuads[2].get();
    EXPECT_FLOAT_EQ(first[2], float(0.5001 * 0.5 - 25));
    EXPECT_FLOAT_EQ(unit.sliceQuads[2][99 * 12 + 2], float(99.5001 * 0.5 - 25));
    EXPECT_EQ(first[0], -50.0f);
    EXPECT_EQ(first[1], 50.0f);
    EXPECT_EQ(first[4], -50.0f);   // second corner at -hy
    const float* x0 = unit.sliceQuads[0].get();
    EXPECT_FLOAT_EQ(x0[0], float(0.5001 - 50));
    EXPECT_EQ(x0[5], 25.0f);

    // A smallest pitch of 0 divides by 1; a zero-pitch axis keeps one slice.
    const float zeroPitch[3] = {0, 1, 2};
    std::copy(zeroPitch, zeroPitch + 3, data->voxelPitch.loadedPitch);
    unit.voxels.nx = 4, unit.voxels.ny = 5, unit.voxels.nz = 6;
    ASSERT_TRUE(unit.BuildSliceQuads());
    EXPECT_EQ(unit.sliceCount[0], 1);
    EXPECT_EQ(unit.sliceCount[1], 5);
    EXPECT_EQ(unit.sliceCount[2], 12);

    data->voxelPitch.loadedPitch[1] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(unit.BuildSliceQuads());
    EXPECT_FALSE(unit.sliceQuads[0]);
}

namespace {

// A unit over `data` after the automatic levels of its sample width.
std::unique_ptr<CKxDrawUVolumeR> Leveled(DataObject& data)
{
    auto unit = std::make_unique<CKxDrawUVolumeR>(nullptr);
    unit->volumeData = &data;
    EXPECT_EQ(unit->AcquireVolume(), kLoaded);
    unit->ApplyAutoLevels();
    return unit;
}

uint32_t Constant(uint32_t value, uint64_t, uint64_t, uint64_t) { return value; }

} // namespace

TEST_F(VolumeUnitTest, AutomaticWindowAndBrightness)
{
    using std::placeholders::_1, std::placeholders::_2, std::placeholders::_3;
    // 8-bit: the window is 0..255 whatever the data; zeros stay out of the mean.
    auto bytes = MakeVolume(2, 2, 1, 1, [](uint64_t i, uint64_t j, uint64_t) { return uint32_t(i + j == 0 ? 0 : 10 * (i + 2 * j)); });
    auto unit = Leveled(*bytes);
    EXPECT_EQ(unit->rangeLow, 0.0f);
    EXPECT_EQ(unit->rangeHigh, 255.0f);
    EXPECT_FLOAT_EQ(unit->brightnessA, -20.0f / 255 * 256);   // mean of 10, 20, 30
    // Values the scene or the dialog set are kept.
    unit->SetRangeLow(5);
    unit->brightnessA = 3;
    unit->AutoVolumeLevel8(255);
    EXPECT_EQ(unit->rangeLow, 5.0f);
    EXPECT_EQ(unit->brightnessA, 3.0f);

    // All zeros, or an empty window: a finite brightness of 0.
    auto zeros = MakeVolume(2, 2, 2, 1, std::bind(Constant, 0u, _1, _2, _3));
    EXPECT_EQ(Leveled(*zeros)->brightnessA, 0.0f);
    auto flat = MakeVolume(2, 1, 1, 2, std::bind(Constant, 31768u, _1, _2, _3));
    flat->isSigned = true;
    auto emptyWindow = Leveled(*flat);
    EXPECT_EQ(emptyWindow->rangeHigh, emptyWindow->rangeLow);
    EXPECT_EQ(emptyWindow->brightnessA, 0.0f);

    // Signed 16-bit data: from -1000 (stored 31768) to the data maximum.
    auto ct = MakeVolume(2, 1, 1, 2, [](uint64_t i, uint64_t, uint64_t) { return i == 0 ? 32768u - 500 : 32768u + 1500; });
    ct->isSigned = true;
    auto signedUnit = Leveled(*ct);
    EXPECT_EQ(signedUnit->rangeLow, 31768.0f);
    EXPECT_EQ(signedUnit->GetRangeLow(), -1000.0f);
    EXPECT_EQ(signedUnit->GetRangeHigh(), 1500.0f);
    EXPECT_FLOAT_EQ(signedUnit->brightnessA, -(32768.0f + 500 - 31768) / 2500 * 256);
    signedUnit->SetRangeHigh(2000);
    EXPECT_EQ(signedUnit->rangeHigh, 34768.0f);

    // Unsigned 16-bit data: 0..65535.
    auto wide = MakeVolume(1, 1, 1, 2, std::bind(Constant, 300u, _1, _2, _3));
    auto unsignedUnit = Leveled(*wide);
    EXPECT_EQ(unsignedUnit->rangeHigh, 65535.0f);
    EXPECT_EQ(unsignedUnit->GetRangeHigh(), 65535.0f);
}

TEST(VolumeUnitGeometry, StackFacesTheViewAndRunsFarToNear)
{
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    SliceAxis s = CKxDrawUVolumeR::ChooseSliceAxis(identity, 7.0f);
    EXPECT_EQ(s.axis, 2);
    EXPECT_EQ(s.direction, 1);   // -z is the far end
    // Turned half a turn about y: +z is now the far end.
    const float turned[16] = {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1};
    s = CKxDrawUVolumeR::ChooseSliceAxis(turned, 7.0f);
    EXPECT_EQ(s.axis, 2);
    EXPECT_EQ(s.direction, 0);
    // A quarter turn about y puts x along the view; about x, y.
    const float quarterY[16] = {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1};
    s = CKxDrawUVolumeR::ChooseSliceAxis(quarterY, 7.0f);
    EXPECT_EQ(s.axis, 0);
    EXPECT_EQ(s.direction, 0);   // -x turned toward the eye: +x is the far end
    const float quarterX[16] = {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1};
    s = CKxDrawUVolumeR::ChooseSliceAxis(quarterX, 7.0f);
    EXPECT_EQ(s.axis, 1);
    // Slightly more x than z along the view.
    const float a = 0.72f, b = 0.69f;
    const float tilted[16] = {b, 0, -a, 0, 0, 1, 0, 0, a, 0, b, 0, 0, 0, 0, 1};
    EXPECT_EQ(CKxDrawUVolumeR::ChooseSliceAxis(tilted, 7.0f).axis, 0);
}

TEST(VolumeUnitGeometry, LayersUploadOnlyWhenTheyChange)
{
    auto order = [](uint64_t n, int32_t count, int direction) {
        std::vector<std::pair<int64_t, int32_t>> out;
        for (const SliceStep& s : CKxDrawUVolumeR::SliceSteps(n, count, direction)) out.push_back({s.layer, s.quad});
        return out;
    };
    using Steps = std::vector<std::pair<int64_t, int32_t>>;
    EXPECT_EQ(order(3, 3, 1), (Steps{{0, 0}, {1, 1}, {2, 2}}));
    EXPECT_EQ(order(3, 3, 0), (Steps{{2, 2}, {1, 1}, {0, 0}}));
    EXPECT_EQ(order(2, 4, 1), (Steps{{0, 0}, {-1, 1}, {1, 2}, {-1, 3}}));
    EXPECT_EQ(order(2, 4, 0), (Steps{{1, 3}, {-1, 2}, {0, 1}, {-1, 0}}));
    EXPECT_EQ(order(8, 4, 1), (Steps{{0, 0}, {2, 1}, {4, 2}, {6, 3}}));
    EXPECT_TRUE(order(0, 4, 1).empty());
    EXPECT_TRUE(order(4, 0, 1).empty());
}

TEST_F(VolumeUnitTest, RecolourNowRunsTheJobAtOnceOrMarksAnUnloadedUnit)
{
    auto data = MakeVolume(3, 2, 2, 1, Ramp);
    CKxDrawUVolumeR unit(nullptr);
    unit.volumeData = data.get();
    unit.renderingType = L"B";
    unit.RecolourNow();   // nothing loaded to colour: left to the first draw
    EXPECT_TRUE(data->redoMarks.at(&unit));
    unit.Load();
    const int runs = host.Runs();
    unit.brightnessB = 256;
    unit.RecolourNow();
    EXPECT_EQ(host.Runs(), runs + 1);
    EXPECT_FALSE(data->redoMarks.at(&unit));
    EXPECT_EQ(Display(unit, 2)[0], 255);
    unit.Draw(2);
    EXPECT_EQ(host.Runs(), runs + 1);   // no second run inside the paint
    unit.Release();
}

TEST_F(VolumeUnitTest, DrawsInTheTransparentPassAndRecoloursOnRequest)
{
    auto data = MakeVolume(3, 2, 2, 1, Ramp);
    CKxDrawUVolumeR unit(nullptr);
    unit.volumeData = data.get();
    unit.renderingType = L"B";
    unit.Load();
    ASSERT_TRUE(unit.valid);
    for (int pass : {0, 1, 3, 4}) unit.Draw(pass);
    EXPECT_EQ(gStacksDrawn, 0);
    unit.Draw(2);
    EXPECT_EQ(gStacksDrawn, 1);
    unit.hidden = true;
    unit.Draw(2);
    unit.hidden = false;
    CurrentRenderSettings().drawingClippedPart = 1;
    unit.Draw(2);
    CurrentRenderSettings().drawingClippedPart = 0;
    EXPECT_EQ(gStacksDrawn, 1);

    // A marked unit is coloured again before it draws, and the mark clears.
    const int runs = host.Runs();
    unit.brightnessB = 256;
    unit.RequestRecolour();
    unit.Draw(2);
    EXPECT_EQ(host.Runs(), runs + 1);
    EXPECT_FALSE(data->redoMarks.at(&unit));
    EXPECT_EQ(Display(unit, 2)[0], 255);
    unit.Draw(2);
    EXPECT_EQ(host.Runs(), runs + 1);

    // A missing mark is entered as clear.
    data->redoMarks.clear();
    unit.Draw(2);
    EXPECT_FALSE(data->redoMarks.at(&unit));

    // Released: the display volumes stay, nothing else does, nothing draws.
    unit.Release();
    EXPECT_FALSE(data->users.count(&unit));
    EXPECT_FALSE(unit.sliceQuads[0]);
    EXPECT_EQ(unit.colorLut.textureId, 0u);
    EXPECT_NE(unit.displayVolume[0].Data(), nullptr);
    EXPECT_FALSE(unit.FreeGLBuffers());
    unit.RequestRecolour();
    unit.Draw(2);   // no payload held: no colour job, no stack
    EXPECT_EQ(host.Runs(), runs + 1);
    EXPECT_EQ(gStacksDrawn, 4);
    unit.Load();
    unit.Draw(2);
    EXPECT_EQ(gStacksDrawn, 5);
}
