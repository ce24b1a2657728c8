#include "render/GLExtensions.h"
#include "render/SceneRenderer.h"
#include "render/RenderListener.h"
#include "scene/DataObject.h"
#include "support/gl/HeadlessGL.h"
#include "units/CKxDrawUPrimitive.h"
#include "units/DrawGroup.h"

#include <gtest/gtest.h>

#include <memory>

using namespace velmor;
using velmor::test::GLTest;
using velmor::test::Rgba;

namespace {

// Two panes over a 64 x 64 window, each showing a group with one lit square
// panned to its own half: pane 0 red on the left, pane 1 green on the right.
class SceneRendererGLTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        renderer = std::make_unique<SceneRenderer>();
        renderer->SetViewportSize(64, 64);
        PublishRenderSettings(renderer.get());
        renderer->ResetRenderer();
        renderer->linkPanes = 1;
        renderer->paneCount = 2;
        ASSERT_TRUE(renderer->CreatePanes());
        red = AddSquare(left, 255, 0);
        green = AddSquare(right, 0, 255);
        renderer->SetPaneRoot(false, 0, &left);
        renderer->SetPaneRoot(false, 1, &right);
        renderer->panes[0].panX = -0.5;
        renderer->panes[1].panX = 0.5;
        renderer->SetActiveSpace(false, 0);
        // The selection marks stay out of the way unless a test asks for them.
        renderer->frameAndArrow = 0;
        glClearColor(0, 0, 0, 0);
    }
    void TearDown() override
    {
        renderer.reset();
        PublishRenderSettings(nullptr);
        GLTest::TearDown();
    }
    static CKxDrawUPrimitive* AddSquare(DrawGroup& group, float r, float g)
    {
        group.normalize[0] = group.normalize[1] = group.normalize[2] = false;
        auto* square = new CKxDrawUPrimitive(&group);
        group.units.push_back(square);
        square->shape = L"square";
        square->size[0] = square->size[1] = 0.5f;
        for (float* c : {square->material.ambient, square->material.diffuse}) {
            c[0] = r / 255.0f;
            c[1] = g / 255.0f;
            c[2] = 0;
            c[3] = 1;
        }
        return square;
    }
    void Frame()
    {
        renderer->RebuildPaneTextures();
        renderer->RenderAllPanes();
    }
    void PickAt(int x, int y)
    {
        renderer->pick.cursorX = x;
        renderer->pick.cursorY = y;
        renderer->PickUnitByColor();
    }

    std::unique_ptr<SceneRenderer> renderer;
    DrawGroup left{L"left"}, right{L"right"};
    CKxDrawUPrimitive *red = nullptr, *green = nullptr;
};

int Brightness(Rgba c) { return c.r + c.g + c.b; }
bool Reddish(Rgba c) { return c.r > 40 && c.g < c.r / 4; }
bool Greenish(Rgba c) { return c.g > 40 && c.r < c.g / 4; }

} // namespace

TEST_F(SceneRendererGLTest, TwoPanesComposeSideBySide)
{
    renderer->SetBackgroundColor(0, 0, 255);
    Frame();
    EXPECT_EQ(renderer->panes[0].state, PaneState::kActive);
    EXPECT_EQ(renderer->panes[1].state, PaneState::kLinked);
    EXPECT_TRUE(Reddish(Pixel(16, 32))) << int(Pixel(16, 32).r);
    EXPECT_TRUE(Greenish(Pixel(48, 32))) << int(Pixel(48, 32).g);
    EXPECT_FALSE(Greenish(Pixel(16, 32)));
    EXPECT_FALSE(Reddish(Pixel(48, 32)));
    // Where neither pane draws, the window shows the background colour.
    const Rgba corner = Pixel(2, 62);
    EXPECT_EQ(corner.r, 0);
    EXPECT_EQ(corner.g, 0);
    EXPECT_EQ(corner.b, 255);
}

TEST_F(SceneRendererGLTest, UnlinkedOrdinaryPanesKeepTheirLastStill)
{
    renderer->linkPanes = 0;
    Frame();
    EXPECT_TRUE(Greenish(Pixel(48, 32)));
    renderer->panes[1].panX = -0.5;   // moves only in the next rebuild
    renderer->RenderAllPanes();
    EXPECT_TRUE(Greenish(Pixel(48, 32)));
    Frame();
    EXPECT_FALSE(Greenish(Pixel(48, 32)));
}

TEST_F(SceneRendererGLTest, PickFindsTheUnitUnderThePixelOfAnActiveOrSpecialPane)
{
    Frame();
    PickAt(16, 32);
    EXPECT_EQ(renderer->pickedPane, 0);
    EXPECT_NE(renderer->pick.pickedId, 0u);
    EXPECT_EQ(renderer->pick.pickedId, red->pickId);
    // Background.
    PickAt(16, 60);
    EXPECT_EQ(renderer->pickedPane, -1);
    EXPECT_EQ(renderer->pick.pickedId, 0u);
    // An ordinary pane is never picked.
    PickAt(48, 32);
    EXPECT_EQ(renderer->pickedPane, -1);
    // Near the window's edge the window reaches outside it without harm.
    PickAt(0, 0);
    EXPECT_EQ(renderer->pickedPane, -1);
    // As the foreground space it is.
    renderer->SetForegroundSpace(false, 1);
    EXPECT_EQ(renderer->panes[1].state, PaneState::kBackOrFore);
    Frame();
    PickAt(48, 32);
    EXPECT_EQ(renderer->pickedPane, 1);
    EXPECT_EQ(renderer->pick.pickedId, green->pickId);
}

TEST_F(SceneRendererGLTest, RolesMoveAndClearEachOther)
{
    renderer->SetBackgroundSpace(false, 1);
    EXPECT_EQ(renderer->backgroundSpace, 1);
    EXPECT_TRUE(right.spaceFlags[2]);
    renderer->SetActiveSpace(false, 1);
    EXPECT_EQ(renderer->backgroundSpace, -1);
    EXPECT_EQ(renderer->activeSpace, 1);
    EXPECT_EQ(renderer->panes[0].state, PaneState::kLinked);
    EXPECT_TRUE(right.spaceFlags[0]);
    EXPECT_FALSE(right.spaceFlags[2]);
    renderer->SelectNextPane();
    EXPECT_EQ(renderer->activeSpace, 0);
    renderer->SetActiveSpace(false, 5);   // no such pane: none active
    EXPECT_EQ(renderer->activeSpace, -1);
}

TEST_F(SceneRendererGLTest, MovingOnFromTheOnlySelectablePaneLeavesNoneActive)
{
    renderer->SetBackgroundSpace(false, 1);
    renderer->guideLines = 1;
    renderer->MoveToNextSpace();
    EXPECT_EQ(renderer->activeSpace, -1);
    EXPECT_EQ(renderer->guideLines, 0);
    EXPECT_EQ(renderer->panes[0].root, renderer->placeholderGroup);
}

TEST_F(SceneRendererGLTest, TheAxisHandleIsDrawnInTheActivePanesForeLayerOnly)
{
    renderer->SetSelectMode(SelectMode::kOverForeLayer);
    renderer->panes[0].panX = 0;
    renderer->frameAndArrow = 0;
    Frame();
    std::vector<Rgba> without;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            without.push_back(Pixel(x, y));
    renderer->frameAndArrow = 1;
    Frame();
    // The first pattern's arrow sits in the lower left corner of the active
    // pane, on top of everything, and nowhere else.
    int changed = 0, outside = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const Rgba a = Pixel(x, y), b = without[y * 64 + x];
            const bool differs = a.r != b.r || a.g != b.g || a.b != b.b;
            changed += differs;
            outside += differs && (y >= 16 || x >= 16);
        }
    EXPECT_GT(changed, 0);
    EXPECT_EQ(outside, 0);
    EXPECT_NE(Brightness(Pixel(2, 2)), 0);
    EXPECT_TRUE(Reddish(Pixel(32, 32)));
    EXPECT_TRUE(Greenish(Pixel(48, 32)));
}

TEST_F(SceneRendererGLTest, StartingOnAContextInstallsTheDriversVideoMemoryQuery)
{
    SetVideoMemoryQuery(nullptr);
    EXPECT_EQ(QueryVideoMemory(), -1);
    renderer->StartOnContext();
    EXPECT_EQ(QueryVideoMemory(), QueryDriverVideoMemory());
    SetVideoMemoryQuery(nullptr);
}

TEST_F(SceneRendererGLTest, ResetClearsPanesRolesAndTheUnitPanel)
{
    struct Panel : RenderListener {
        int cleared = 0, rotate = -1;
        void UnitsChanged(DrawGroup* root, const std::vector<CKxDrawUnit*>& units, bool focus) override
        {
            cleared += root == nullptr && units.empty() && focus;
        }
        void ActivePaneChanged(bool present) override { rotate = present; }
    } windows;
    int& cleared = windows.cleared;
    int& rotate = windows.rotate;
    renderer->listener = &windows;
    renderer->ResetRenderer();
    renderer->listener = nullptr;
    EXPECT_EQ(cleared, 1);
    EXPECT_EQ(rotate, 0);
    EXPECT_EQ(renderer->panes, nullptr);
    EXPECT_EQ(renderer->activeSpace, -1);
    EXPECT_EQ(renderer->selectMode, SelectMode::kWithMainLayer);
    // Without panes a frame and a pick do nothing.
    renderer->RenderAllPanes();
    PickAt(16, 32);
    EXPECT_EQ(renderer->pickedPane, -1);
}

TEST_F(SceneRendererGLTest, TheScaleReportCarriesTheFrameWhileAFramingPatternShowsIt)
{
    struct Windows : RenderListener {
        std::vector<std::optional<FrameSize>> frames;
        void ScaleChanged(const std::optional<FrameSize>& frame) override { frames.push_back(frame); }
    } windows;
    renderer->listener = &windows;
    left.extent = 4;
    left.lengthUnit = L"mm";
    for (uint8_t pattern : {4, 5, 6, 7}) {
        renderer->selectionPattern = pattern;
        renderer->ToggleFrameAndArrow();   // shown, then hidden again
        renderer->ToggleFrameAndArrow();
    }
    renderer->listener = nullptr;
    std::vector<double> pitches;
    for (const auto& frame : windows.frames) pitches.push_back(frame && frame->unit == L"mm" ? frame->pitch : 0);
    EXPECT_EQ(pitches, std::vector<double>({0, 0, 4, 0, 4, 0, 0, 0}));
}
