#include "units/CKxDrawUVolumeR.h"

#include "VolumeUnitFixture.h"
#include "support/MessageRecorder.h"
#include "support/RecordingJobHost.h"
#include "support/gl/HeadlessGL.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

using namespace velmor;
using namespace velmor::test;

namespace {

// Four voxels a side over 60 pixels: voxel i covers pixels 15i..15i+14 and
// its centre falls on the centre of pixel 15i + 7, where the texture is
// sampled exactly at a texel.
constexpr int kSide = 60;
int Centre(int voxel) { return 15 * voxel + 7; }

uint32_t Voxel(uint64_t i, uint64_t j, uint64_t k) { return uint32_t(10 + 40 * k + 9 * i + 3 * j); }

} // namespace

class VolumeUnitGLTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        target_ = std::make_unique<GLFramebuffer>(kSide, kSide);
        UseFlatUnitOrtho();
        glEnable(GL_BLEND);
        data_ = MakeVolume(4, 4, 4, 1, Voxel);
        // Half-unit voxels: the volume fills -1..1 on every axis.
        std::fill(data_->voxelPitch.loadedPitch, data_->voxelPitch.loadedPitch + 3, 0.5f);
        unit_.volumeData = data_.get();
        unit_.renderingType = L"B";
    }
    void TearDown() override
    {
        target_.reset();
        GLTest::TearDown();
    }
    void LoadUnit()
    {
        unit_.Load();
        ASSERT_TRUE(unit_.valid);
        ASSERT_TRUE(messages_.Messages().empty());
    }
    int Grey(int column, int row) const { return GreyAt(Centre(column), Centre(row)); }
    // The grey of the pixel over voxel `column` of `columns` and `row` of `rows`.
    int GreyOver(int column, int columns, int row, int rows) const
    {
        return GreyAt(int((column + 0.5) * kSide / columns), int((row + 0.5) * kSide / rows));
    }
    int GreyAt(int x, int y) const
    {
        const Rgba p = target_->ReadPixel(x, y);
        EXPECT_EQ(p.r, p.g);
        EXPECT_EQ(p.r, p.b);
        return p.r;
    }
    void ClearTarget()
    {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    // A fresh picture of the unit turned by `angle` degrees about an axis.
    void DrawTurned(float angle, float x, float y, float z)
    {
        ClearTarget();
        glLoadIdentity();
        glRotatef(angle, x, y, z);
        unit_.Draw(2);
    }

    RecordingJobHost host_;
    MessageRecorder messages_;
    std::unique_ptr<GLFramebuffer> target_;
    std::unique_ptr<DataObject> data_;
    CKxDrawUVolumeR unit_{nullptr};
};

TEST_F(VolumeUnitGLTest, MaximumIntensityShowsTheBrightestVoxelOfEachRay)
{
    LoadUnit();
    ASSERT_NE(GLCaps.blendEquation, nullptr);
    unit_.Draw(2);
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(Grey(i, j), int(Voxel(i, j, 3)), 1) << i << "," << j;
    // The stack leaves the blend state of the pass behind it.
    GLint equation = 0, destination = 0;
    glGetIntegerv(GL_BLEND_EQUATION, &equation);
    glGetIntegerv(GL_BLEND_DST_RGB, &destination);
    EXPECT_EQ(equation, GL_FUNC_ADD);
    EXPECT_EQ(destination, GL_ONE_MINUS_SRC_COLOR);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

    // Brighter voxels nearer the back still win.
    ClearTarget();
    auto backBright = MakeVolume(4, 4, 4, 1, [](uint64_t i, uint64_t, uint64_t k) { return k == 0 ? 200u : uint32_t(20 * i); });
    std::fill(backBright->voxelPitch.loadedPitch, backBright->voxelPitch.loadedPitch + 3, 0.5f);
    CKxDrawUVolumeR other(nullptr);
    other.volumeData = backBright.get();
    other.renderingType = L"B";
    other.Load();
    other.Draw(2);
    EXPECT_NEAR(Grey(3, 1), 200, 1);
}

TEST_F(VolumeUnitGLTest, AdditiveSlicesAccumulateFarToNear)
{
    unit_.renderingType = L"A";
    unit_.brightnessA = 0;
    unit_.contrastA = 1;
    LoadUnit();
    unit_.Draw(2);
    for (int j = 0; j < 4; j += 3)
        for (int i = 0; i < 4; i += 3) {
            double d = 0;
            for (int k = 0; k < 4; ++k) {
                const double s = Voxel(i, j, k) / 255.0;
                d = std::round((s + d * (1 - s)) * 255) / 255;
            }
            EXPECT_NEAR(Grey(i, j), d * 255, 2) << i << "," << j;
        }
}

TEST_F(VolumeUnitGLTest, StackAndOrderFollowTheViewingDirection)
{
    // Without blending the last slice drawn, the nearest, is what shows.
    unit_.renderingType = L"C";
    glDisable(GL_BLEND);
    LoadUnit();
    unit_.Draw(2);
    EXPECT_EQ(Grey(1, 2), int(Voxel(1, 2, 3)));
    EXPECT_EQ(Grey(3, 0), int(Voxel(3, 0, 3)));

    // Turned half a turn about y: the stack runs the other way, so the
    // first layer is now the nearest (and x appears mirrored).
    DrawTurned(180, 0, 1, 0);
    EXPECT_EQ(Grey(0, 2), int(Voxel(3, 2, 0)));
    EXPECT_EQ(Grey(2, 1), int(Voxel(1, 1, 0)));
    // With depth testing the nearest quad wins whatever the order: it must
    // carry the nearest layer.
    ClearTarget();
    glClear(GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    unit_.Draw(2);
    glDisable(GL_DEPTH_TEST);
    EXPECT_EQ(Grey(0, 2), int(Voxel(3, 2, 0)));

    // A quarter turn about y looks along x: columns show z, the nearest
    // x layer is the first.
    DrawTurned(90, 0, 1, 0);
    EXPECT_EQ(Grey(1, 2), int(Voxel(0, 2, 1)));
    EXPECT_EQ(Grey(3, 0), int(Voxel(0, 0, 3)));

    // A quarter turn about x looks along y: rows show z.
    DrawTurned(-90, 1, 0, 0);
    EXPECT_EQ(Grey(2, 1), int(Voxel(2, 0, 1)));
    EXPECT_EQ(Grey(0, 3), int(Voxel(0, 0, 3)));
}

TEST_F(VolumeUnitGLTest, EachStackMapsItsOwnLayerShape)
{
    // 4 x 2 x 3 voxels stretched by their pitches to fill -1..1: every
    // stack's layers have another shape within the one texture.
    auto box = MakeVolume(4, 2, 3, 1, Voxel);
    const float pitches[3] = {0.5f, 1.0f, 2.0f / 3};
    std::copy(pitches, pitches + 3, box->voxelPitch.loadedPitch);
    unit_.volumeData = box.get();
    unit_.renderingType = L"C";
    glDisable(GL_BLEND);
    LoadUnit();
    EXPECT_EQ(unit_.sliceCount[1], 4);
    unit_.Draw(2);
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(GreyOver(i, 4, j, 2), int(Voxel(i, j, 2)), 2) << i << "," << j;
    DrawTurned(90, 0, 1, 0);   // columns show z, rows y; x = 0 is nearest
    for (int j = 0; j < 2; ++j)
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(GreyOver(k, 3, j, 2), int(Voxel(0, j, k)), 2) << k << "," << j;
    DrawTurned(-90, 1, 0, 0);   // columns show x, rows z; y = 0 is nearest
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(GreyOver(i, 4, k, 3), int(Voxel(i, 0, k)), 2) << i << "," << k;
}

TEST_F(VolumeUnitGLTest, SixteenBitVolumesDrawThroughTheirWindow)
{
    auto wide = MakeVolume(4, 4, 4, 2, [](uint64_t i, uint64_t j, uint64_t k) { return Voxel(i, j, k) * 257; });
    std::fill(wide->voxelPitch.loadedPitch, wide->voxelPitch.loadedPitch + 3, 0.5f);
    unit_.volumeData = wide.get();
    LoadUnit();
    EXPECT_EQ(unit_.rangeHigh, 65535.0f);
    unit_.Draw(2);
    EXPECT_NEAR(Grey(2, 3), int(Voxel(2, 3, 3)), 1);
    unit_.Release();
}

TEST_F(VolumeUnitGLTest, TextureLivesFromLoadToRelease)
{
    LoadUnit();
    const GLuint texture = unit_.colorLut.textureId;
    ASSERT_TRUE(glIsTexture(texture));
    // No buffer objects to give back: the texture stays.
    EXPECT_FALSE(unit_.FreeGLBuffers());
    EXPECT_TRUE(glIsTexture(texture));
    unit_.Release();
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_EQ(unit_.colorLut.textureId, 0u);
    unit_.Draw(2);   // nothing to draw with
    EXPECT_EQ(Grey(1, 1), 0);
    LoadUnit();
    unit_.Draw(2);
    EXPECT_NEAR(Grey(1, 1), int(Voxel(1, 1, 3)), 1);
}

TEST_F(VolumeUnitGLTest, VolumeWiderThanAnyTextureIsAMemoryError)
{
    ASSERT_GT(GLCaps.maxTextureSize, 0);
    auto wide = MakeVolume(uint64_t(GLCaps.maxTextureSize) + 1, 1, 1, 1, [](uint64_t, uint64_t, uint64_t) { return 1u; });
    unit_.volumeData = wide.get();
    unit_.Load();
    EXPECT_FALSE(unit_.valid);
    EXPECT_EQ(messages_.Messages(), std::vector<std::wstring>{L"memory error"});
    EXPECT_FALSE(wide->users.count(&unit_));
}
