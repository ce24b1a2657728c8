#include "render/SceneRenderer.h"
#include "units/DrawGroup.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace velmor;

namespace {

// Four panes: 0 active, 1 and 3 ordinary, 2 the background space.
class LinkedPanesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        renderer.halfExtentX = 1.0;
        renderer.halfExtentY = 1.0;
        PublishRenderSettings(&renderer);
        renderer.placeholderGroup = &placeholder;
        renderer.paneCount = 4;
        ASSERT_TRUE(renderer.CreatePanes());
        renderer.activeSpace = 0;
        renderer.backgroundSpace = 2;
        renderer.linkPanes = 1;
    }
    void TearDown() override { PublishRenderSettings(nullptr); }
    ScenePane& P(int i) { return renderer.panes[i]; }
    // The moves take their step by reference; most checks only need the result.
    bool Zoom(int index, double factor, int mode) { return renderer.ZoomPane(index, factor, mode); }
    bool MoveClip(int index, double delta, int mode) { return renderer.MovePaneClip(index, delta, mode); }
    bool Pan(int index, double dx, double dy, int mode) { return renderer.PanPane(index, dx, dy, mode); }

    DrawGroup placeholder{L"placeholder"};
    SceneRenderer renderer;
};

} // namespace

TEST_F(LinkedPanesTest, NewPanesShowThePlaceholder)
{
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(P(i).root, &placeholder);
    EXPECT_EQ(renderer.Pane(-1), nullptr);
    EXPECT_EQ(renderer.Pane(4), nullptr);
    EXPECT_TRUE(renderer.IsOrdinaryPane(1));
    EXPECT_FALSE(renderer.IsOrdinaryPane(2));
    EXPECT_FALSE(renderer.IsOrdinaryPane(0));
}

TEST_F(LinkedPanesTest, ActiveRotationRepeatsOnOrdinaryPanesOnly)
{
    renderer.StoreRotationStart(0);
    renderer.RotatePane(0, 90, 0, 1, 0, true, false);
    const Quaternion turned = QuatFromAxisAngle(90, 0, 1, 0);
    EXPECT_EQ(P(0).objectRotation, turned);
    EXPECT_EQ(P(1).objectRotation, turned);
    EXPECT_EQ(P(3).objectRotation, turned);
    EXPECT_EQ(P(2).objectRotation, Quaternion{});

    // An ordinary pane's own rotation, or an unlinked active one, stays alone.
    renderer.StoreRotationStart(1);
    renderer.RotatePane(1, 90, 0, 1, 0, true, false);
    EXPECT_EQ(P(0).objectRotation, turned);
    renderer.linkPanes = 0;
    renderer.StoreRotationStart(0);
    renderer.RotatePane(0, 30, 1, 0, 0, true, false);
    EXPECT_EQ(P(3).objectRotation, turned);
}

TEST_F(LinkedPanesTest, IndicesThatNameNoPaneDoNothing)
{
    for (int index : {-1, 4, 1000}) {
        renderer.RotatePane(index, 90, 0, 0, 1, true, false);
        renderer.SetClipSwitch(index, 1);
        renderer.ToggleClipHandleMode(index);
        renderer.ResetPaneTime(index);
        EXPECT_FALSE(renderer.StepPaneTime(index, 1, false));
        EXPECT_FALSE(Zoom(index, 2, 1));
        EXPECT_FALSE(MoveClip(index, 0.5, 1));
        EXPECT_FALSE(Pan(index, 0.5, 0, 1));
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(P(i).clipOn, 0);
        EXPECT_EQ(P(i).zoom, 1.0);
        EXPECT_EQ(P(i).objectMatrix[0], 1.0f);
    }
    renderer.activeSpace = -1;
    renderer.ResetActivePane();
    renderer.ClearActiveCentreOffset();
    renderer.HomeLinkedObject();
    renderer.FreePanes();
    EXPECT_EQ(renderer.Pane(0), nullptr);
    renderer.RotatePane(0, 90, 0, 0, 1, true, false);
}

TEST_F(LinkedPanesTest, ClipSwitchesFollowTheActivePane)
{
    P(0).clipHandleMode = 1;
    P(1).clipHandleMode = 1;
    renderer.ToggleClipSwitch(0);
    for (int i : {0, 1, 3}) {
        EXPECT_EQ(P(i).clipOn, 1) << i;
        EXPECT_EQ(P(i).clipHandleMode, 0) << i;
    }
    EXPECT_EQ(P(2).clipOn, 0);

    // The toggle negates the addressed pane's value and hands it to all.
    P(3).clipHandleMode = 1;
    renderer.ToggleClipHandleMode(0);
    EXPECT_EQ(P(3).clipHandleMode, 1);
    EXPECT_EQ(P(1).clipHandleMode, 1);
    renderer.SetClipHandleMode(0, 0);
    EXPECT_EQ(P(3).clipHandleMode, 0);
}

TEST_F(LinkedPanesTest, TimeStepsEndOnlyWhenEveryLinkedPaneEnds)
{
    P(0).timeEnd = 10;
    P(1).timeEnd = 3;
    P(3).timeEnd = 10;
    EXPECT_FALSE(renderer.StepPaneTime(0, 4, false));
    EXPECT_EQ(P(0).timeStep, 4);
    EXPECT_EQ(P(1).timeStep, 3);
    EXPECT_EQ(P(2).timeStep, 0);
    EXPECT_TRUE(renderer.StepPaneTime(0, 20, false));
    EXPECT_EQ(P(3).timeStep, 10);
    renderer.ResetPaneTime(0);
    EXPECT_EQ(P(1).timeStep, 0);
    EXPECT_EQ(P(3).timeStep, 0);
}

TEST_F(LinkedPanesTest, ZoomAndClipMovesRepeatUnlessTheyWrapOrReflect)
{
    P(1).zoom = 80;
    EXPECT_TRUE(Zoom(0, 2, 1));   // pane 1 clamps, the others move
    EXPECT_EQ(P(0).zoom, 2);
    EXPECT_EQ(P(1).zoom, 100);
    EXPECT_EQ(P(3).zoom, 2);
    EXPECT_EQ(P(2).zoom, 1);
    P(0).zoom = 100;
    P(3).zoom = 100;
    EXPECT_FALSE(Zoom(0, 2, 1));

    EXPECT_TRUE(Zoom(0, 0.5, kMoveReflect));
    EXPECT_EQ(P(0).zoom, 50);
    EXPECT_EQ(P(3).zoom, 100);

    EXPECT_TRUE(MoveClip(0, 0.5, 1));
    EXPECT_EQ(P(1).clipOffset, 0.5);
    EXPECT_TRUE(MoveClip(0, 0.75, kMoveWrap));
    EXPECT_EQ(P(0).clipOffset, -1);
    EXPECT_EQ(P(1).clipOffset, 0.5);

    // Pan is never linked.
    EXPECT_TRUE(Pan(0, 0.5, 0, 1));
    EXPECT_EQ(P(0).panX, 0.5);
    EXPECT_EQ(P(1).panX, 0);
}

TEST_F(LinkedPanesTest, AReflectingMoveHandsBackItsTurnedStep)
{
    // A flick that reaches the pan limit must come back the other way on the
    // next tick, not stay pressed against the limit.
    double dx = 0.75, dy = 0;
    P(0).panX = 1.5;
    EXPECT_TRUE(renderer.PanPane(0, dx, dy, kMoveReflect));
    EXPECT_EQ(P(0).panX, 2.0);
    EXPECT_EQ(dx, -0.75);
    EXPECT_TRUE(renderer.PanPane(0, dx, dy, kMoveReflect));
    EXPECT_EQ(P(0).panX, 1.25);

    double delta = 0.75;
    P(0).clipOffset = 0.5;
    EXPECT_TRUE(renderer.MovePaneClip(0, delta, kMoveReflect));
    EXPECT_EQ(delta, -0.75);
    double factor = 4;
    P(0).zoom = 50;
    EXPECT_TRUE(renderer.ZoomPane(0, factor, kMoveReflect));
    EXPECT_EQ(factor, 0.25);

    // A clamping move of linked panes leaves the caller's step alone.
    double clamped = 4;
    renderer.ZoomPane(0, clamped, 1);
    EXPECT_EQ(clamped, 4);
}

TEST_F(LinkedPanesTest, HomingCarriesOrdinaryPanesToTheActiveHome)
{
    // The active pane has been turned and zoomed away from home; the
    // ordinary panes followed it.
    for (int i = 0; i < 4; ++i) {
        P(i).StoreRotationStart();
        P(i).Rotate(40, 0, 0, 1, false, true);
        P(i).StoreRotationStart();
        P(i).Rotate(50, 1, 1, 0, true, false);
        P(i).zoom = 4;
        P(i).clipOffset = 0.6;
    }
    P(0).homeClipOn = 1;
    P(0).homeClipHandleMode = 1;
    renderer.HomeLinkedObject();
    renderer.HomeLinkedClip();
    for (int i : {1, 3}) {
        EXPECT_NEAR(std::fabs(P(i).objectRotation.w), 1.0, 1e-12) << i;
        EXPECT_NEAR(std::fabs(P(i).clipRotation.w), 1.0, 1e-12) << i;
        EXPECT_NEAR(std::fabs(P(i).clipRelativeRotation.w), 1.0, 1e-12) << i;
        EXPECT_EQ(P(i).zoom, 1.0) << i;
        EXPECT_NEAR(P(i).clipOffset, 0.0, 1e-15) << i;
        EXPECT_EQ(P(i).clipOn, 1) << i;
        EXPECT_EQ(P(i).clipHandleMode, 1) << i;
    }
    EXPECT_EQ(P(0).zoom, 4);
    EXPECT_EQ(P(2).zoom, 4);
    EXPECT_LT(P(2).clipRotation.w, 0.99);

    // Not while the panes are unlinked.
    renderer.linkPanes = 0;
    P(1).zoom = 3;
    renderer.HomeLinkedObject();
    EXPECT_EQ(P(1).zoom, 3);
}

TEST_F(LinkedPanesTest, NextSelectablePaneSkipsSpecialAndEmptyPanes)
{
    DrawGroup shown{L"shown"};
    P(0).root = &shown;
    P(2).root = &shown;   // the background space: never selectable
    P(3).root = &shown;
    EXPECT_EQ(renderer.NextSelectablePane(0), 3);
    EXPECT_EQ(renderer.NextSelectablePane(3), 0);
    EXPECT_EQ(renderer.NextSelectablePane(1), 3);
    P(3).root = &placeholder;
    EXPECT_EQ(renderer.NextSelectablePane(0), 0);   // the only one returns itself
    EXPECT_EQ(renderer.NextSelectablePane(-1), 0);
    P(0).root = &placeholder;
    EXPECT_EQ(renderer.NextSelectablePane(-1), -1);
    EXPECT_EQ(renderer.NextSelectablePane(9), -1);
}
