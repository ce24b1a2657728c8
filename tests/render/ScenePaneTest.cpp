#include "render/RenderSettings.h"
#include "render/ScenePane.h"
#include "support/RecordingUnit.h"
#include "units/DrawGroup.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

using namespace velmor;
using velmor::test::RecordingUnit;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class ScenePaneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.halfExtentX = 1.5;
        settings.halfExtentY = 1.0;
        PublishRenderSettings(&settings);
    }
    void TearDown() override { PublishRenderSettings(nullptr); }

    RenderSettings settings;
    ScenePane pane;
};

void ExpectSameRotation(const Quaternion& a, const Quaternion& b)
{
    const double sign = a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z < 0 ? -1.0 : 1.0;
    EXPECT_NEAR(a.w, sign * b.w, 1e-12);
    EXPECT_NEAR(a.x, sign * b.x, 1e-12);
    EXPECT_NEAR(a.y, sign * b.y, 1e-12);
    EXPECT_NEAR(a.z, sign * b.z, 1e-12);
}

} // namespace

TEST_F(ScenePaneTest, StartsAtHomeWithTheDefaultLimits)
{
    EXPECT_EQ(pane.panAllowed + pane.zoomAllowed + pane.clipAllowed + pane.deleteAllowed, 4);
    EXPECT_EQ(pane.zoom, 1.0);
    EXPECT_EQ(pane.zoomMin, 0.1);
    EXPECT_EQ(pane.zoomMax, 100.0);
    EXPECT_EQ(pane.panXMin, -1);
    EXPECT_EQ(pane.panYMax, 1);
    EXPECT_EQ(pane.clipOffsetMin, -1);
    EXPECT_EQ(pane.clipOffsetMax, 1);
    EXPECT_EQ(pane.objectRotation, Quaternion{});
    EXPECT_EQ(pane.pixels, nullptr);
    EXPECT_EQ(pane.objectMatrix[0], 1);
    EXPECT_EQ(pane.objectMatrix[15], 1);
    EXPECT_EQ(pane.clipMatrix[10], 1);
}

TEST_F(ScenePaneTest, ResetsReturnToTheHomeState)
{
    pane.homePanX = 0.25;
    pane.homePanY = -0.5;
    pane.homeZoom = 2;
    pane.homeClipOn = 1;
    pane.homeClipOffset = 0.3;
    pane.homeClipHandleMode = 1;
    pane.homeObjectRotation = QuatFromAxisAngle(90, 0, 1, 0);
    pane.homeClipRotation = QuatFromAxisAngle(90, 1, 0, 0);

    pane.ResetZoom();
    EXPECT_EQ(pane.zoom, 2);
    EXPECT_EQ(pane.panX, 0);   // each single reset touches its own value only
    pane.ResetPan();
    EXPECT_EQ(pane.panY, -0.5);
    EXPECT_EQ(pane.clipOn, 0);

    pane.Reset();
    EXPECT_EQ(pane.panX, 0.25);
    EXPECT_EQ(pane.clipOn, 1);
    EXPECT_EQ(pane.clipOffset, 0.3);
    EXPECT_EQ(pane.clipHandleMode, 1);
    EXPECT_EQ(pane.objectRotation, pane.homeObjectRotation);
    EXPECT_EQ(pane.clipRelativeRotation, pane.homeClipRotation);
    ExpectSameRotation(pane.clipRotation, QuatMultiply(pane.homeObjectRotation, pane.homeClipRotation));
    float expected[16];
    QuatToMatrix(pane.homeClipRotation, expected);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(pane.clipMatrix[i], expected[i]) << i;
}

TEST_F(ScenePaneTest, DragsTurnFromTheStartCopiesNotCumulatively)
{
    pane.StoreRotationStart();
    pane.Rotate(30, 0, 0, 1, true, false);
    pane.Rotate(60, 0, 0, 1, true, false);
    ExpectSameRotation(pane.objectRotation, QuatFromAxisAngle(60, 0, 0, 1));
    float expected[16];
    QuatToMatrix(pane.objectRotation, expected);
    EXPECT_EQ(pane.objectMatrix[1], expected[1]);

    // A drag without an axis, or with values that are not numbers, stays at
    // its start instead of filling the matrices with NaN.
    const Quaternion start = pane.objectRotation;
    pane.StoreRotationStart();
    pane.Rotate(45, 0, 0, 0, true, false);
    EXPECT_EQ(pane.objectRotation, start);
    pane.Rotate(kNaN, 1, 0, 0, true, true);
    EXPECT_EQ(pane.objectRotation, start);
    pane.Rotate(10, kNaN, 0, 0, false, true);
    EXPECT_EQ(pane.clipRotation, pane.clipRotationStart);
    for (float value : pane.objectMatrix)
        EXPECT_FALSE(std::isnan(value));
}

TEST_F(ScenePaneTest, ClipPlaneStaysInTheWorldWhileTheObjectTurns)
{
    pane.homeClipRotation = QuatFromAxisAngle(45, 1, 0, 0);
    pane.Reset();
    const Quaternion worldClip = pane.clipRotation;
    pane.StoreRotationStart();
    pane.Rotate(70, 0, 1, 0, true, false);
    ExpectSameRotation(pane.clipRotation, worldClip);
    ExpectSameRotation(QuatMultiply(pane.objectRotation, pane.clipRelativeRotation), worldClip);

    // Turning both keeps the plane fixed on the object instead.
    const Quaternion relative = pane.clipRelativeRotation;
    pane.StoreRotationStart();
    pane.Rotate(25, 1, 0, 0, true, true);
    EXPECT_EQ(pane.clipRelativeRotation, relative);
    ExpectSameRotation(pane.clipRotation, QuatMultiply(pane.objectRotation, relative));

    // The clip handle turns the plane alone.
    const Quaternion object = pane.objectRotation;
    pane.StoreRotationStart();
    pane.Rotate(-40, 0, 0, 1, false, true);
    EXPECT_EQ(pane.objectRotation, object);
    ExpectSameRotation(pane.clipRotation, QuatMultiply(pane.objectRotation, pane.clipRelativeRotation));
    ExpectSameRotation(pane.clipRotation, QuatMultiply(QuatFromAxisAngle(-40, 0, 0, 1), pane.clipRotationStart));
}

TEST_F(ScenePaneTest, ZoomClampsWrapsOrReflectsAtItsLimits)
{
    double factor = 200;
    EXPECT_FALSE(pane.Zoom(factor, 1));
    EXPECT_EQ(pane.zoom, 100.0);
    factor = 1e-6;
    EXPECT_FALSE(pane.Zoom(factor, 0));
    EXPECT_EQ(pane.zoom, 0.1);
    factor = 2;
    EXPECT_TRUE(pane.Zoom(factor, 1));
    EXPECT_DOUBLE_EQ(pane.zoom, 0.2);

    pane.zoom = 60;
    factor = 2;
    EXPECT_TRUE(pane.Zoom(factor, kMoveWrap));
    EXPECT_EQ(pane.zoom, 0.1);
    factor = 0.5;
    EXPECT_TRUE(pane.Zoom(factor, kMoveWrap));
    EXPECT_EQ(pane.zoom, 100.0);

    pane.zoom = 60;
    factor = 2;
    EXPECT_TRUE(pane.Zoom(factor, kMoveReflect));
    EXPECT_EQ(pane.zoom, 100.0);
    EXPECT_EQ(factor, 0.5);   // the animation turns back
}

TEST_F(ScenePaneTest, ZoomHonoursItsAbilityAndRejectsFactorsThatAreNoScale)
{
    pane.zoomAllowed = 0;
    double factor = 3;
    EXPECT_TRUE(pane.Zoom(factor, 1));
    EXPECT_EQ(pane.zoom, 1.0);

    pane.zoomAllowed = 1;
    for (double bad : {0.0, -2.0, kNaN, std::numeric_limits<double>::infinity()}) {
        factor = bad;
        EXPECT_FALSE(pane.Zoom(factor, kMoveReflect)) << bad;
        EXPECT_EQ(pane.zoom, 1.0) << bad;
    }
}

TEST_F(ScenePaneTest, ZoomingOutPullsThePanBackIntoItsBounds)
{
    // Bounds at zoom z: x in [-hx - z, hx + z], y in [-hy - z, hy + z].
    pane.zoom = 4;
    pane.panX = 5.0;
    pane.panY = -4.5;
    double factor = 0.25;
    EXPECT_TRUE(pane.Zoom(factor, 1));
    EXPECT_EQ(pane.panX, 2.5);
    EXPECT_EQ(pane.panY, -2.0);
}

TEST_F(ScenePaneTest, PanStopsOneZoomedUnitBeyondTheWindow)
{
    double dx = 3, dy = 0.5;
    EXPECT_FALSE(pane.Pan(dx, dy, 1));
    EXPECT_EQ(pane.panX, 2.5);
    EXPECT_EQ(pane.panY, 0.5);
    pane.zoom = 2;
    dx = 0.9, dy = 0;
    EXPECT_TRUE(pane.Pan(dx, dy, 1));
    EXPECT_DOUBLE_EQ(pane.panX, 3.4);

    // Exactly on the bound is still inside.
    pane.panX = 0;
    dx = 0, dy = 2.5;
    EXPECT_TRUE(pane.Pan(dx, dy, 1));
    EXPECT_EQ(pane.panY, 3.0);
}

TEST_F(ScenePaneTest, PanWrapsOrReflects)
{
    double dx = 2.6, dy = 0;
    EXPECT_TRUE(pane.Pan(dx, dy, kMoveWrap));
    EXPECT_EQ(pane.panX, -2.5);
    dx = -0.1;
    EXPECT_TRUE(pane.Pan(dx, dy, kMoveWrap));
    EXPECT_EQ(pane.panX, 2.5);

    pane.panX = 0;
    dx = 0.5, dy = -2.5;
    EXPECT_TRUE(pane.Pan(dx, dy, kMoveReflect));
    EXPECT_EQ(pane.panY, -2.0);
    EXPECT_EQ(dy, 2.5);
    EXPECT_EQ(dx, 0.5);
}

TEST_F(ScenePaneTest, PanHonoursItsAbilityAndIgnoresNonNumbers)
{
    pane.panAllowed = 0;
    double dx = 1, dy = 1;
    EXPECT_TRUE(pane.Pan(dx, dy, 1));
    EXPECT_EQ(pane.panX, 0);
    pane.panAllowed = 1;
    dx = kNaN;
    EXPECT_FALSE(pane.Pan(dx, dy, kMoveWrap));
    EXPECT_EQ(pane.panX, 0);
    EXPECT_EQ(pane.panY, 0);
}

TEST_F(ScenePaneTest, ClipOffsetStaysWithinPlusMinusOne)
{
    double delta = 1.5;
    EXPECT_FALSE(pane.MoveClip(delta, 1));
    EXPECT_EQ(pane.clipOffset, 1);
    delta = 0.25;
    EXPECT_TRUE(pane.MoveClip(delta, kMoveWrap));
    EXPECT_EQ(pane.clipOffset, -1);
    delta = -0.5;
    EXPECT_TRUE(pane.MoveClip(delta, kMoveReflect));
    EXPECT_EQ(pane.clipOffset, -1);
    EXPECT_EQ(delta, 0.5);
    pane.clipAllowed = 0;   // not an ability of the plane's own moves
    delta = 0.5;
    EXPECT_TRUE(pane.MoveClip(delta, 1));
    EXPECT_EQ(pane.clipOffset, -0.5);
    delta = kNaN;
    EXPECT_FALSE(pane.MoveClip(delta, 1));
    EXPECT_EQ(pane.clipOffset, -0.5);
}

TEST_F(ScenePaneTest, RootGivesTheTimeRangeAndTheFirstStep)
{
    std::vector<std::string> log;
    DrawGroup root{L"root"}, early{L"early"}, late{L"late"}, empty{L"empty"};
    root.children = {&early, &late, &empty};
    early.units.push_back(new RecordingUnit(&early, log, "a"));
    late.units.push_back(new RecordingUnit(&late, log, "b"));
    early.timeStart = 2;
    early.timeEnd = 5;
    late.timeStart = 3;
    late.timeEnd = 9.5f;
    empty.timeStart = -7;   // a group without units has no say
    pane.timeStep = 42;
    pane.SetRoot(&root);
    EXPECT_EQ(pane.root, &root);
    EXPECT_EQ(pane.timeStart, 2);
    EXPECT_EQ(pane.timeEnd, 9.5f);
    EXPECT_EQ(pane.timeStep, 2);

    // Without time bounds both ends stay at their seeds and become 0.
    DrawGroup plain{L"plain"};
    plain.units.push_back(new RecordingUnit(&plain, log, "c"));
    pane.SetRoot(&plain);
    EXPECT_EQ(pane.timeStart, 0);
    EXPECT_EQ(pane.timeEnd, 0);
    pane.SetRoot(nullptr);
    EXPECT_EQ(pane.timeEnd, 0);
}

TEST_F(ScenePaneTest, TimeStepsClampReportingTheEndOrWrapSilently)
{
    pane.timeStart = 1;
    pane.timeEnd = 4;
    pane.ResetTime();
    EXPECT_FALSE(pane.StepTime(2, false));
    EXPECT_EQ(pane.timeStep, 3);
    EXPECT_TRUE(pane.StepTime(5, false));
    EXPECT_EQ(pane.timeStep, 4);
    EXPECT_TRUE(pane.SetTime(-3, false));
    EXPECT_EQ(pane.timeStep, 1);

    EXPECT_FALSE(pane.SetTime(5, true));
    EXPECT_EQ(pane.timeStep, 1);
    EXPECT_FALSE(pane.StepTime(-1, true));
    EXPECT_EQ(pane.timeStep, 4);

    // Steps far outside 32 bits saturate instead of overflowing.
    pane.timeStep = std::numeric_limits<int32_t>::max();
    EXPECT_TRUE(pane.StepTime(std::numeric_limits<int32_t>::max(), false));
    EXPECT_EQ(pane.timeStep, 4);
    pane.timeStart = 1e20f;
    pane.ResetTime();
    EXPECT_EQ(pane.timeStep, std::numeric_limits<int32_t>::max());
}

TEST_F(ScenePaneTest, HalfDepthFollowsTheNearFarRestriction)
{
    EXPECT_EQ(PaneHalfDepth(0, 5.0), 3.4641);
    EXPECT_EQ(PaneHalfDepth(1, 2.0), 1.73205);
    EXPECT_EQ(PaneHalfDepth(1, 4.0), 1.25);
    EXPECT_EQ(PaneHalfDepth(2, 2.0), 0.5);
    EXPECT_EQ(PaneHalfDepth(3, 1.0), 0.2);
    EXPECT_EQ(PaneHalfDepth(7, 1.0), 0.2);
    EXPECT_EQ(PaneHalfDepth(2, 0.1), 1.73205);
}

TEST_F(ScenePaneTest, ProjectionFollowsPanZoomAndKind)
{
    pane.panX = 0.5;
    pane.panY = -0.25;
    pane.zoom = 2;
    PaneProjection p = ComputePaneProjection(pane, ProjectionMode::kScene, settings);
    EXPECT_FALSE(p.perspective);
    EXPECT_DOUBLE_EQ(p.left, -1.0);
    EXPECT_DOUBLE_EQ(p.right, 0.5);
    EXPECT_DOUBLE_EQ(p.bottom, -0.375);
    EXPECT_DOUBLE_EQ(p.top, 0.625);
    EXPECT_FLOAT_EQ(p.nearPlane, 7.0f - 3.4641f);
    EXPECT_FLOAT_EQ(p.farPlane, 7.0f + 3.4641f);

    settings.projection = 1;
    settings.nearFarRestrict = 1;
    p = ComputePaneProjection(pane, ProjectionMode::kScene, settings);
    const double k = (7.0 - 2.9999972025) / 6.0;
    EXPECT_TRUE(p.perspective);
    EXPECT_DOUBLE_EQ(p.left, -1.0 * k);
    EXPECT_DOUBLE_EQ(p.top, 0.625 * k);
    EXPECT_DOUBLE_EQ(p.nearPlane, 7.0 - 1.73205);

    // Layers: mode 1 follows pan and zoom without perspective, mode 2 is fixed.
    p = ComputePaneProjection(pane, ProjectionMode::kFollowingLayer, settings);
    EXPECT_FALSE(p.perspective);
    EXPECT_DOUBLE_EQ(p.left, -1.0);
    EXPECT_DOUBLE_EQ(p.farPlane, 7.0 + 3.4641);
    p = ComputePaneProjection(pane, ProjectionMode::kFixedLayer, settings);
    EXPECT_FALSE(p.perspective);
    EXPECT_DOUBLE_EQ(p.left, -1.5);
    EXPECT_DOUBLE_EQ(p.top, 1.0);
}

TEST_F(ScenePaneTest, RecentringShiftsThePanOnlyBeyondTheThreshold)
{
    double sx = 0, sy = 0;
    WindowToPaneUnits(320, 0, 640, 480, sx, sy);
    EXPECT_EQ(sx, 0);
    EXPECT_EQ(sy, -1);
    WindowToPaneUnits(640, 240, 640, 480, sx, sy);
    EXPECT_DOUBLE_EQ(sx, 4.0 / 3.0);

    pane.centreScreenX = 0.2;
    pane.centreScreenY = 0.1;
    ShiftPanTowards(pane, 0.2 + 5e-9, 0.4);
    EXPECT_EQ(pane.panX, 0);
    EXPECT_DOUBLE_EQ(pane.panY, 0.3);
    ShiftPanTowards(pane, kNaN, std::numeric_limits<double>::infinity());
    EXPECT_EQ(pane.panX, 0);
    EXPECT_DOUBLE_EQ(pane.panY, 0.3);
}

TEST_F(ScenePaneTest, ClearingTheCentreOffsetTouchesOnlyTheRoot)
{
    DrawGroup root{L"root"};
    root.centre[0] = 1;
    root.centre[2] = -3;
    root.offset[1] = 7;
    pane.ClearRootCentreOffset();   // no root yet: nothing to clear
    pane.root = &root;
    pane.ClearRootCentreOffset();
    EXPECT_EQ(root.centre[0], 0);
    EXPECT_EQ(root.centre[2], 0);
    double centre[3];
    RootCentre(root, centre);
    EXPECT_EQ(centre[1], 7);
}
