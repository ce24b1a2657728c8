#include "render/RenderPassRules.h"
#include "render/SceneRenderer.h"
#include "render/SolidShapes.h"
#include "support/gl/HeadlessGL.h"
#include "units/CKxDrawUTriIndex.h"
#include "units/CKxDrawUnit.h"
#include "units/DrawGroup.h"
#include "units/MeshUnitDrawing.h"
#include "units/PlainUnitsGL.h"
#include "units/PreloadedData.h"

#include <GL/gl.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

using namespace velmor;
using velmor::test::GLTest;
using velmor::test::Rgba;

namespace {

struct PassRecord {
    int layer, pass;
    bool clippedPart, depthOnly, mainPass;
};

// A flat square of one colour at a depth, unlit so that colours come back
// exactly; opaque ones draw in pass 0, translucent ones in pass 2.
class FlatSquare : public CKxDrawUnit {
public:
    FlatSquare(DrawGroup* group, Rgba colour, double half, double z, std::vector<PassRecord>* log)
        : CKxDrawUnit(group), colour_(colour), half_(half), z_(z), log_(log)
    {
        group->units.push_back(this);
    }
    void Draw(int pass) override
    {
        const RenderSettings& rs = CurrentRenderSettings();
        log_->push_back({rs.currentLayer, pass, rs.drawingClippedPart != 0, rs.depthOnlyPass != 0,
                         rs.pick.mainPass != 0});
        const bool translucent = colour_.a != 255;
        if (pass == 3) {
            SetPickColor(&pickId);
        } else if ((pass == 0 && !translucent) || (pass == 2 && translucent)) {
            glColor4ub(colour_.r, colour_.g, colour_.b, colour_.a);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        } else {
            return;
        }
        const bool lit = glIsEnabled(GL_LIGHTING);
        glDisable(GL_LIGHTING);
        glBegin(GL_QUADS);
        glVertex3d(-half_, -half_, z_);
        glVertex3d(half_, -half_, z_);
        glVertex3d(half_, half_, z_);
        glVertex3d(-half_, half_, z_);
        glEnd();
        if (lit)
            glEnable(GL_LIGHTING);
    }

private:
    Rgba colour_;
    double half_, z_;
    std::vector<PassRecord>* log_;
};

// A lit white box, for shadows: solids cast them, single faces do not.
class LitBox : public CKxDrawUnit {
public:
    LitBox(DrawGroup* group, double sx, double sy, double sz, double z) : CKxDrawUnit(group), z_(z)
    {
        size_[0] = sx;
        size_[1] = sy;
        size_[2] = sz;
        group->units.push_back(this);
    }
    void Draw(int pass) override
    {
        if (pass != 0)
            return;
        const float white[4] = {1, 1, 1, 1}, black[4] = {0, 0, 0, 1};
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, black);
        glPushMatrix();
        glTranslated(0, 0, z_);
        DrawBox(size_, true);
        glPopMatrix();
    }
    void TurnInsideOut() { for (double& size : size_) size = -size; }   // normals inwards, as in many STL files

private:
    double size_[3];
    double z_;
};

int Brightness(Rgba c) { return c.r + c.g + c.b; }

constexpr Rgba kBlue{0, 0, 255, 255}, kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255};

class ScenePanePassesGLTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        renderer.SetViewportSize(64, 64);
        PublishRenderSettings(&renderer);
        renderer.Init();
        root.children = {&back, &main, &fore};
        back.layer = 0;
        fore.layer = 2;
        pane.root = &root;
        pane.state = PaneState::kActive;
        pane.CreateTexture();
        glClearColor(0, 0, 0, 0);
        PickCounter = 0;
    }
    void TearDown() override
    {
        pane.FreeTexture();
        PublishRenderSettings(nullptr);
        GLTest::TearDown();
    }
    // The pane picture after RenderPane, window coordinates.
    Rgba Picture(int x, int y)
    {
        std::vector<Rgba> texels(64 * 64);
        glBindTexture(GL_TEXTURE_2D, pane.texture);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        return texels[y * 64 + x];
    }
    std::vector<PassRecord> log;
    SceneRenderer renderer;
    DrawGroup root{L"root"}, back{L"back"}, main{L"main"}, fore{L"fore"};
    ScenePane pane;
};

TEST_F(ScenePanePassesGLTest, LayersStackBackMainForeWhateverTheirDepth)
{
    new FlatSquare(&back, kBlue, 0.9, 0.5, &log);
    new FlatSquare(&main, kRed, 0.5, -1.0, &log);
    new FlatSquare(&fore, kGreen, 0.2, -1.5, &log);
    pane.RenderPane();
    EXPECT_EQ(Picture(32, 32), kGreen);
    EXPECT_EQ(Picture(32 + 12, 32), kRed);
    EXPECT_EQ(Picture(32 + 24, 32), kBlue);
    EXPECT_EQ(Picture(1, 1), (Rgba{0, 0, 0, 0}));
    // The frame leaves the colour buffer clear for the next pane.
    EXPECT_EQ(Pixel(32, 32), (Rgba{0, 0, 0, 0}));
    // Every layer draws its passes 0, 1 and 2 in order; the main opaque pass
    // carries the pick record's main-pass flag.
    std::vector<std::pair<int, int>> order;
    for (const PassRecord& r : log)
        order.push_back({r.layer, r.pass});
    const std::vector<std::pair<int, int>> expected = {{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1},
                                                       {1, 2}, {2, 0}, {2, 1}, {2, 2}};
    EXPECT_EQ(order, expected);
    EXPECT_TRUE(log[3].mainPass);
    EXPECT_FALSE(log[4].mainPass);
}

TEST_F(ScenePanePassesGLTest, TransparentBlendsOverOpaqueAndNeverThroughIt)
{
    new FlatSquare(&main, kRed, 0.5, 0.0, &log);
    new FlatSquare(&main, Rgba{0, 0, 255, 128}, 0.3, 0.5, &log);    // in front
    new FlatSquare(&main, Rgba{0, 255, 0, 128}, 0.8, -0.5, &log);   // behind
    pane.RenderPane();
    const Rgba centre = Picture(32, 32);
    EXPECT_NEAR(centre.r, 127, 2);
    EXPECT_NEAR(centre.b, 128, 2);
    EXPECT_EQ(centre.g, 0);
    // Outside the opaque square the green one shows, half covering nothing.
    EXPECT_NEAR(Picture(32 + 20, 32).g, 128, 2);
}

TEST_F(ScenePanePassesGLTest, TheClipPlaneCutsAwayWhatLiesInFrontOfIt)
{
    new FlatSquare(&main, kRed, 0.3, 0.5, &log);
    new FlatSquare(&main, kGreen, 0.6, -0.5, &log);
    pane.RenderPane();
    EXPECT_EQ(Picture(32, 32), kRed);
    pane.clipOn = 1;
    pane.RenderPane();
    EXPECT_EQ(Picture(32, 32), kGreen);
    // Moving the plane forward past the red square keeps it.
    pane.clipOffset = 0.75;
    pane.RenderPane();
    EXPECT_EQ(Picture(32, 32), kRed);
}

TEST_F(ScenePanePassesGLTest, TheClippedPartIsRedrawnOnlyWithBothSwitches)
{
    new FlatSquare(&main, kRed, 0.3, 0.5, &log);
    auto clippedDraws = [&] {
        return std::count_if(log.begin(), log.end(), [](const PassRecord& r) { return r.clippedPart; });
    };
    renderer.transparencyClip = 1;
    pane.RenderPane();
    EXPECT_EQ(clippedDraws(), 0);
    pane.clipOn = 1;
    pane.RenderPane();
    EXPECT_EQ(clippedDraws(), 1);
    EXPECT_EQ(renderer.drawingClippedPart, 0);
}

TEST_F(ScenePanePassesGLTest, FogBlendsTowardsTheBackgroundWithDepth)
{
    new FlatSquare(&main, kRed, 0.5, 0.0, &log);
    renderer.SetBackgroundColor(0, 0, 255);
    renderer.fog = 1;
    pane.RenderPane();
    // The square is 7 from the eye; fog runs from 6 to 10: 3/4 of its colour.
    const Rgba c = Picture(32, 32);
    EXPECT_NEAR(c.r, 191, 3);
    EXPECT_NEAR(c.b, 64, 3);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    renderer.fog = 0;
    pane.RenderPane();
    EXPECT_EQ(Picture(32, 32), kRed);
}

TEST_F(ScenePanePassesGLTest, PickPassGivesEveryUnitItsExactId)
{
    new FlatSquare(&back, kBlue, 0.9, 0.0, &log);
    new FlatSquare(&main, kRed, 0.5, 0.0, &log);
    new FlatSquare(&fore, kGreen, 0.2, 0.0, &log);
    pane.RenderPickPass(3);
    EXPECT_EQ(Pixel(32, 32), (Rgba{3, 0, 0, 0}));
    EXPECT_EQ(Pixel(32 + 12, 32), (Rgba{2, 0, 0, 0}));
    EXPECT_EQ(Pixel(32 + 24, 32), (Rgba{1, 0, 0, 0}));
    EXPECT_EQ(Pixel(1, 1), (Rgba{0, 0, 0, 0}));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    // A second pick frame hands out the same ids.
    pane.RenderPickPass(3);
    EXPECT_EQ(Pixel(32, 32), (Rgba{3, 0, 0, 0}));
}

TEST_F(ScenePanePassesGLTest, OrdinaryPanesDrawNoBackOrForeLayer)
{
    new FlatSquare(&back, kBlue, 0.9, 0.0, &log);
    new FlatSquare(&main, kRed, 0.2, 0.0, &log);
    new FlatSquare(&fore, kGreen, 0.9, 0.0, &log);
    pane.state = PaneState::kOrdinary;
    pane.RenderPane();
    EXPECT_EQ(Picture(32, 32), kRed);
    EXPECT_EQ(Picture(32 + 20, 32), (Rgba{0, 0, 0, 0}));
}

TEST_F(ScenePanePassesGLTest, BorderCutKeepsTheMainLayerInsideItsSquare)
{
    new FlatSquare(&back, kBlue, 0.95, 0.0, &log);
    new FlatSquare(&main, kRed, 0.95, 0.0, &log);
    renderer.squareRestrict = 2;
    renderer.linkPanes = 1;
    pane.RenderPane();
    // 32 pixels per unit: the square of one unit spans pixels 16..47.
    EXPECT_EQ(Picture(32, 32), kRed);
    EXPECT_EQ(Picture(8, 32), kBlue);
    EXPECT_EQ(Picture(32, 52), kBlue);
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
}

TEST_F(ScenePanePassesGLTest, ShadowedFrameStillShowsTheSceneAndDrawsDepthFromTheLight)
{
    new FlatSquare(&main, kRed, 0.5, 0.0, &log);
    renderer.shadow = 1;
    renderer.CreateDepthTexture();
    ASSERT_NE(renderer.depthTexture, 0u);
    for (const double zoom : {0.3, 0.5, 2.0}) {
        log.clear();
        pane.zoom = zoom;
        pane.RenderPane();
        EXPECT_EQ(Picture(32, 32), kRed) << zoom;
        // Depth-only points find the light's window when zoomed in; the
        // shadow map itself is drawn from the surfaces.
        EXPECT_EQ(std::any_of(log.begin(), log.end(), [](const PassRecord& r) { return r.depthOnly; }), zoom > 0.4)
            << zoom;
        EXPECT_EQ(renderer.lightMode, 0u);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << zoom;
    }
    renderer.FreeDepthTexture();
    EXPECT_EQ(renderer.depthTextureBuffer, nullptr);
}

} // namespace

TEST_F(ScenePanePassesGLTest, ALitBoxCastsItsShadowAwayFromTheLight)
{
    // The light stands at the upper right front corner: the block's shadow
    // falls towards the lower left of the slab beneath it, in either
    // projection, also once the slab is inside out (lit by light 2, not 0);
    // so does that of an open sheet in the block's place, wound either way,
    // and neither darkens its own top.
    auto* slab = new LitBox(&main, 1.9, 1.9, 0.1, -0.3);
    new LitBox(&main, 0.3, 0.3, 0.3, 0.3);
    DataObject corners{L"c"}, triangles{L"i"};
    test::Preload(corners, std::vector<float>{-0.2f, -0.2f, 0, 0.2f, -0.2f, 0, 0.2f, 0.2f, 0, -0.2f, 0.2f, 0}, 4);
    test::Preload(triangles, std::vector<uint32_t>{0, 1, 2, 0, 2, 3}, 6);
    CKxDrawUTriIndex sheet(&main, L"");
    sheet.data = &corners;
    sheet.indexData = &triangles;
    sheet.translation[2] = 0.45;
    InstallMeshUnitDrawing();
    sheet.Load();
    renderer.CreateDepthTexture();
    for (const int run : {0, 1, 2, 3, 4, 5, 6, 7}) {
        if (run == 2) slab->TurnInsideOut();
        if (run == 4) delete std::exchange(main.units.back(), &sheet);   // the sheet in the block's place
        if (run == 6) sheet.scale[0] = sheet.scale[2] = -1;   // turned over: wound the other way
        renderer.projection = uint8_t(run % 2);
        renderer.shadow = 0;
        pane.RenderPane();
        const Rgba plainLowerLeft = Picture(13, 13);
        if (run == 4) EXPECT_EQ(sheet.mesh.closure, MeshClosure::kUndecided);   // drawn, but without a shadow
        std::vector<Rgba> plainMiddle;   // the block's or sheet's top
        for (int i = 0; i < 81; ++i) plainMiddle.push_back(Picture(28 + i % 9, 28 + i / 9));
        renderer.shadow = 1;
        pane.RenderPane();
        const Rgba shadowed = Picture(13, 13), lit = Picture(50, 14);
        EXPECT_LT(Brightness(shadowed) + 60, Brightness(plainLowerLeft)) << run;
        EXPECT_NEAR(Brightness(lit), Brightness(plainLowerLeft), 6) << run;
        if (run >= 4) EXPECT_EQ(sheet.mesh.closure, MeshClosure::kOpen);
        for (int i = 0; i < 81; ++i) EXPECT_EQ(Picture(28 + i % 9, 28 + i / 9), plainMiddle[i]) << run << ' ' << i;
    }
    main.units.pop_back();
    renderer.FreeDepthTexture();
}

TEST_F(ScenePanePassesGLTest, SectionMarkerFramesTheClipPlaneOfTheActivePaneOnly)
{
    const Rgba marker{133, 192, 38, 255};
    auto markerAt = [&](int x) {
        for (int dx = -1; dx <= 1; ++dx)
            if (Picture(x + dx, 32) == marker)
                return true;
        return false;
    };
    pane.clipOn = 1;
    pane.clipHandleMode = 1;
    pane.zoom = 0.5;   // the square of side 2 spans pixels 16..48
    pane.RenderPane();
    EXPECT_TRUE(markerAt(16));
    EXPECT_TRUE(markerAt(48));
    EXPECT_FALSE(markerAt(32));
    pane.state = PaneState::kOrdinary;
    pane.RenderPane();
    EXPECT_FALSE(markerAt(16));
}

TEST_F(ScenePanePassesGLTest, GuideLinesCrossTheSceneBoxThroughTheRootCentre)
{
    InstallPlainUnitDrawing();
    renderer.guideLines = 1;
    for (int i = 0; i < 3; ++i) {
        renderer.sceneBoxMin[i] = -0.5;
        renderer.sceneBoxMax[i] = 0.5;
    }
    auto inked = [&](int x, int y) {
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy) {
                const Rgba c = Picture(x + dx, y + dy);
                if (c.r > c.g && c.g > 0 && c.b == 0)
                    return true;
            }
        return false;
    };
    pane.RenderPane();
    EXPECT_TRUE(inked(32, 20));
    EXPECT_TRUE(inked(44, 32));
    EXPECT_FALSE(inked(20, 20));
    EXPECT_FALSE(inked(32, 56));
    pane.state = PaneState::kOrdinary;
    pane.RenderPane();
    EXPECT_FALSE(inked(32, 20));
}

TEST_F(ScenePanePassesGLTest, SettingsSendLightsFogAndBackground)
{
    GLfloat value[4] = {};
    glGetFloatv(GL_FOG_START, value);
    EXPECT_EQ(value[0], 6.0f);
    glGetFloatv(GL_FOG_END, value);
    EXPECT_EQ(value[0], 10.0f);
    renderer.SetLightMode(1);
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, value);
    EXPECT_FLOAT_EQ(value[0], 0.4f);
    glGetLightfv(GL_LIGHT2, GL_SPECULAR, value);
    EXPECT_EQ(value[0], 1.0f);
    renderer.SetLightMode(0);
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, value);
    EXPECT_EQ(value[0], 1.0f);
    glGetLightfv(GL_LIGHT3, GL_DIFFUSE, value);
    EXPECT_FLOAT_EQ(value[1], 0.4f);
    renderer.SetBackgroundColor(255, 0, 51);
    glGetFloatv(GL_FOG_COLOR, value);
    EXPECT_FLOAT_EQ(value[0], 1.0f);
    EXPECT_FLOAT_EQ(value[2], 0.2f);
}

TEST_F(ScenePanePassesGLTest, SelectionGroupGoesUnderBackOverForeOrWithTheMainLayer)
{
    DrawGroup selection{L"selection"};
    new FlatSquare(&fore, kGreen, 0.9, 0.0, &log);
    pane.selectionGroup = &selection;
    // The selection's own layer decides which layer draw reaches it.
    selection.layer = 2;
    new FlatSquare(&selection, kRed, 0.3, 0.0, &log);
    pane.selectMode = SelectMode::kOverForeLayer;
    pane.RenderPane();
    EXPECT_EQ(Picture(32, 32), kRed);
    pane.selectMode = SelectMode::kNone;
    pane.RenderPane();
    EXPECT_EQ(Picture(32, 32), kGreen);

    selection.layer = 1;
    pane.selectMode = SelectMode::kWithMainLayer;
    fore.units[0]->valid = false;
    pane.RenderPickPass(3);
    // The main layer's pick pass reaches the selection too.
    EXPECT_EQ(Pixel(32, 32), (Rgba{1, 0, 0, 0}));
    EXPECT_EQ(Pixel(32 + 20, 32), (Rgba{0, 0, 0, 0}));
}
