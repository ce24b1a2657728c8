// Mesh units drawn on the headless context and read back.
#include "platform/Memory.h"
#include "render/RenderSettings.h"
#include "scene/ApplicationSettings.h"
#include "scene/DataObject.h"
#include "support/RecordingJobHost.h"
#include "units/PreloadedData.h"
#include "support/gl/HeadlessGL.h"
#include "units/CKxDrawUPointCloud.h"
#include "units/CKxDrawUPrimitive.h"
#include "units/PlainUnitsGL.h"
#include "support/MessageRecorder.h"
#include "units/CKxDrawUTriIndex.h"
#include "units/DrawGroup.h"
#include "units/MeshUnitDrawing.h"

#include <GL/gl.h>

#include <cstring>
#include <vector>

using namespace velmor;
using velmor::test::GLTest;
using velmor::test::Rgba;
using velmor::test::Preload;

namespace {

class MeshUnitsGLTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        InstallMeshUnitDrawing();
        PublishRenderSettings(&settings);
        settings.clipCap = 0;
        saved = CurrentApplicationSettings();
        UseVbo(true);
        // A square over the middle of the picture, facing the viewer.
        Preload(coordinates, std::vector<float>{-0.5f, -0.5f, 0, 0.5f, -0.5f, 0, 0.5f, 0.5f, 0, -0.5f, 0.5f, 0}, 4);
        Preload(indices, std::vector<uint32_t>{0, 1, 2, 0, 2, 3}, 6);
        unit.data = &coordinates;
        unit.indexData = &indices;
        UseUnitOrtho();
    }
    void TearDown() override
    {
        unit.FreeGLBuffers();
        SetApplicationSettings(saved);
        PublishRenderSettings(nullptr);
        GLTest::TearDown();
    }
    static void UseVbo(bool on)
    {
        ApplicationSettings s = CurrentApplicationSettings();
        s.useVBO = on;
        SetApplicationSettings(s);
    }
    // A closed cube whose near half the clip plane takes away, drawn capped.
    void ClippedCube()
    {
        Preload(coordinates,
                std::vector<float>{-0.5f, -0.5f, -0.5f, 0.5f, -0.5f, -0.5f, 0.5f, 0.5f, -0.5f, -0.5f, 0.5f, -0.5f,
                                   -0.5f, -0.5f, 0.5f,  0.5f, -0.5f, 0.5f,  0.5f, 0.5f, 0.5f,  -0.5f, 0.5f, 0.5f},
                8);
        Preload(indices, std::vector<uint32_t>{0, 3, 2, 0, 2, 1, 4, 5, 6, 4, 6, 7, 0, 1, 5, 0, 5, 4,
                                               3, 7, 6, 3, 6, 2, 0, 4, 7, 0, 7, 3, 1, 2, 6, 1, 6, 5},
                36);
        const GLdouble keepBehind[4] = {0, 0, -1, 0};
        glClipPlane(GL_CLIP_PLANE0, keepBehind);
        glEnable(GL_CLIP_PLANE0);
        settings.clipMatrix = identity;
        settings.clipOn = 1;
        settings.pick.mainPass = 1;
    }
    std::vector<Rgba> Drawn(CKxDrawUnit& u, int pass)
    {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        u.Draw(pass);
        glFinish();
        return framebuffer_->ReadAll();
    }
    bool Blank(CKxDrawUnit& u, int pass)
    {
        for (const Rgba& p : Drawn(u, pass))
            if (p != Rgba{}) return false;
        return true;
    }

    static constexpr float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    test::RecordingJobHost host;
    RenderSettings settings;
    ApplicationSettings saved;
    DataObject coordinates{L"c"}, indices{L"i"};
    CKxDrawUTriIndex unit{nullptr, L""};
};

} // namespace

TEST_F(MeshUnitsGLTest, RenderingTypeChoosesTheOpaqueOrTransparentPass)
{
    unit.Load();
    ASSERT_TRUE(unit.valid);
    EXPECT_TRUE(unit.buffersBuilt);
    Drawn(unit, 1);
    EXPECT_NE(Pixel(32, 32), Rgba{});
    EXPECT_EQ(Pixel(4, 4), Rgba{});   // outside the square
    EXPECT_TRUE(Blank(unit, 2));
    EXPECT_TRUE(Blank(unit, 0));      // not capped: the clip cap is off

    unit.renderingType = L"B";
    EXPECT_TRUE(Blank(unit, 1));
    EXPECT_FALSE(Blank(unit, 2));
    EXPECT_TRUE(Blank(unit, 3));      // never picked

    unit.renderingType = L"Z";
    for (int pass = 0; pass <= 4; ++pass) EXPECT_TRUE(Blank(unit, pass)) << pass;

    unit.renderingType = L"A";
    unit.selected = true;   // the highlight's orange
    Drawn(unit, 1);
    const Rgba lit = Pixel(32, 32);
    EXPECT_GT(lit.r, lit.g);
    EXPECT_GT(lit.g, lit.b);
    unit.selected = false;
    unit.hidden = true;
    EXPECT_TRUE(Blank(unit, 1));
}

TEST_F(MeshUnitsGLTest, PickPassDrawsTheExactPickColour)
{
    unit.Load();
    CKxDrawUTriIndex second(nullptr, L"");
    second.data = &coordinates;
    second.indexData = &indices;
    second.renderingType = L"E";
    second.Load();
    PickCounter = 0x0201ff;
    unit.pickId = 0;
    Drawn(unit, 3);
    EXPECT_EQ(unit.pickId, 0x020200u);
    EXPECT_EQ(Pixel(32, 32), (Rgba{0x00, 0x02, 0x02, 0x00}));
    Drawn(second, 3);
    EXPECT_EQ(Pixel(32, 32), (Rgba{0x01, 0x02, 0x02, 0x00}));
    second.FreeGLBuffers();
}

// The pick pass draws every unit unlit: a mesh must not switch lighting back
// on for the units after it, or their pick colours come out shaded and a click
// on them finds nothing.
TEST_F(MeshUnitsGLTest, AUnitPickedAfterAMeshKeepsItsExactPickColour)
{
    InstallPlainUnitDrawing();
    DrawGroup group(L"g");
    group.layer = 1;
    settings.currentLayer = 1;
    unit.Load();
    auto* square = new CKxDrawUPrimitive(&group);
    square->shape = L"square";
    square->size[0] = square->size[1] = 0.25f;
    square->points[0][2] = 0.25f;   // in front of the mesh
    square->Load();
    group.units = {&unit, square};
    PickCounter = 0x0201fe;
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    group.DrawTree(3);
    glFinish();
    EXPECT_EQ(square->pickId, 0x020200u);
    EXPECT_EQ(Pixel(32, 32), (Rgba{0x00, 0x02, 0x02, 0x00}));
    EXPECT_EQ(Pixel(20, 20), (Rgba{0xff, 0x01, 0x02, 0x00}));   // the mesh around it
    group.units.clear();   // the group does not own these two
    delete square;
}

TEST_F(MeshUnitsGLTest, BufferObjectsAndClientArraysGiveTheSamePicture)
{
    unit.renderingType = L"E";
    unit.Load();
    ASSERT_TRUE(unit.buffersBuilt);
    const std::vector<Rgba> withBuffers = Drawn(unit, 1);
    EXPECT_TRUE(unit.FreeGLBuffers());
    EXPECT_FALSE(unit.FreeGLBuffers());   // nothing left to delete
    EXPECT_FALSE(unit.buffersBuilt);
    EXPECT_EQ(Drawn(unit, 1), withBuffers);   // drawn from the arrays meanwhile

    UseVbo(false);
    unit.Load();   // the mesh stays; only the buffers would be rebuilt
    EXPECT_FALSE(unit.buffersBuilt);
    EXPECT_EQ(unit.vertexBuffer, 0u);
    EXPECT_FALSE(unit.FreeGLBuffers());
    EXPECT_EQ(Drawn(unit, 1), withBuffers);
}

TEST_F(MeshUnitsGLTest, PointCloudDrawsUnlitPointsInTheTransparentPassOnly)
{
    DataObject points(L"p");
    Preload(points, std::vector<float>{0, 0, 0, 0.5f, 0.5f, 0}, 2);
    CKxDrawUPointCloud cloud(nullptr);
    cloud.data = &points;
    cloud.Load();
    ASSERT_TRUE(cloud.valid);
    for (int pass : {0, 1, 3}) EXPECT_TRUE(Blank(cloud, pass)) << pass;
    Drawn(cloud, 2);
    // (76 x 1.6666666 + 178 x 0.71428573) x 0.65 of 255: every channel alike.
    const Rgba p = Pixel(32, 32);
    EXPECT_NEAR(p.r, 165, 1);
    EXPECT_EQ(p.r, p.g);
    EXPECT_EQ(p.g, p.b);
    EXPECT_TRUE(cloud.FreeGLBuffers());
}

TEST_F(MeshUnitsGLTest, StencilCapClosesTheCutOfAClippedMesh)
{
    ClippedCube();
    unit.Load();
    ASSERT_EQ(unit.mesh.triangleCount, 12u);

    settings.clipCap = 0;   // uncapped: the inside of the far half shows through
    Drawn(unit, 1);
    const Rgba open = Pixel(32, 32);
    settings.clipCap = 1;
    EXPECT_TRUE(Blank(unit, 1));
    Drawn(unit, 0);
    const Rgba capped = Pixel(32, 32);
    EXPECT_GT(int(capped.r), int(open.r));   // the cap faces the light
    EXPECT_EQ(Pixel(4, 4), Rgba{});          // the cap quad fills only the cut
    EXPECT_EQ(framebuffer_->ReadStencil(32, 32), 0);
    EXPECT_TRUE(glIsEnabled(GL_CLIP_PLANE0));

    // The pick pass caps in the pick colour, so the cut picks the unit.
    PickCounter = 0;
    Drawn(unit, 3);
    EXPECT_EQ(Pixel(32, 32), (Rgba{1, 0, 0, 0}));
    glDisable(GL_CLIP_PLANE0);
}

TEST_F(MeshUnitsGLTest, TexturedCapShowsTheSectionOfItsVolume)
{
    test::MessageRecorder messages;
    ClippedCube();
    DataObject volume(L"v");
    volume.type = L"volume";
    volume.countX = volume.countY = volume.countZ = 8;
    volume.bytesPerComponent = 1;
    Preload(volume, std::vector<uint8_t>(512, 200), 512);
    DrawGroup top(L"top");
    top.lengthUnit = L"mm";
    top.extent = 2;
    unit.topGroup = &top;
    unit.clipCapData = &volume;
    unit.Load();
    ASSERT_TRUE(unit.capTextured);
    EXPECT_EQ(unit.colorTableUp, 255);
    settings.clipCap = 1;
    Drawn(unit, 0);
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_FALSE(unit.capTextureDirty);
    EXPECT_EQ(Pixel(32, 32), (Rgba{200, 200, 200, 255}));   // grey table over 0..255
    EXPECT_EQ(Pixel(4, 4), Rgba{});

    // A space without extent gives no section: the cap goes plain, once.
    top.extent = 0;
    unit.capTextureDirty = true;
    Drawn(unit, 0);
    Drawn(unit, 0);
    EXPECT_EQ(messages.Messages(), std::vector<std::wstring>{L"clip cap texture error"});
    EXPECT_FALSE(unit.capTextured);
    EXPECT_NE(Pixel(32, 32), Rgba{});
    unit.Release();
    glDisable(GL_CLIP_PLANE0);
}

TEST_F(MeshUnitsGLTest, WithoutVideoMemoryNothingIsBuiltOrDrawn)
{
    SetVideoMemoryQuery([] { return int64_t(0); });
    unit.Load();
    EXPECT_TRUE(unit.valid);
    EXPECT_FALSE(unit.buffersBuilt);   // the buffers need memory the card does not have
    EXPECT_EQ(unit.vertexBuffer, 0u);
    EXPECT_TRUE(Blank(unit, 1));       // nor can the arrays be drawn this frame
    SetVideoMemoryQuery([] { return int64_t(1000); });
    EXPECT_FALSE(Blank(unit, 1));      // the next frame tries again
    SetVideoMemoryQuery(nullptr);
}
