#include "render/RenderPassRules.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace velmor;

TEST(RenderPassRules, LightsSitAtTheChosenCornerWithTheirOppositeAndDistance)
{
    RenderSettings s;
    s.lightIntensity = 0.3f;
    s.lightPosition = 3;
    PlaceLights(s);
    EXPECT_EQ(s.light0Position[0], -100);
    EXPECT_EQ(s.light0Position[1], -100);
    EXPECT_EQ(s.light0Position[2], 100);
    EXPECT_EQ(s.light2Position[0], 100);
    EXPECT_EQ(s.light2Position[2], -100);
    EXPECT_EQ(s.light2Position[3], 1);
    EXPECT_NEAR(s.light0Distance, 173.205, 1e-3);
    EXPECT_EQ(s.lightIntensity, 1.0f);
    s.lightPosition = 2;
    PlaceLights(s);
    EXPECT_EQ(s.light0Position[0], 100);
    EXPECT_EQ(s.light0Position[1], -100);
    // A choice outside the table keeps the first corner.
    s.lightPosition = 99;
    PlaceLights(s);
    EXPECT_EQ(s.light0Position[0], 100);
    EXPECT_EQ(s.light0Position[1], 100);
}

TEST(RenderPassRules, DimModeDropsTheShadowLightAndKeepsTheLightOppositeIt)
{
    RenderSettings s;
    s.lightIntensity = 0.5f;
    s.light1Intensity = 2.0f;
    ComputeLightColours(s, 1);
    EXPECT_EQ(s.lightMode, 1u);
    EXPECT_FLOAT_EQ(s.light0Ambient[0], 0.5f);
    EXPECT_FLOAT_EQ(s.light0Diffuse[1], 0.2f);
    EXPECT_FLOAT_EQ(s.light0Specular[2], 0.0f);
    EXPECT_FLOAT_EQ(s.light1Diffuse[0], 0.8f);
    // Light 2 is not what the shadow map is taken from: it stays full.
    EXPECT_FLOAT_EQ(s.light2Diffuse[0], 0.5f);
    EXPECT_FLOAT_EQ(s.light2Specular[1], 0.5f);
    EXPECT_FLOAT_EQ(s.light2Ambient[0], 0.0f);
    EXPECT_FLOAT_EQ(s.light3Diffuse[2], 0.8f);
    EXPECT_FLOAT_EQ(s.light3Specular[0], 0.0f);
    ComputeLightColours(s, 0);
    EXPECT_FLOAT_EQ(s.light0Diffuse[0], 0.5f);
    EXPECT_FLOAT_EQ(s.light0Specular[0], 0.5f);
    EXPECT_FLOAT_EQ(s.light2Specular[0], 0.5f);
    // Another mode keeps diffuse and specular but still sets ambient.
    s.lightIntensity = 0.25f;
    ComputeLightColours(s, 7);
    EXPECT_FLOAT_EQ(s.light0Ambient[0], 0.25f);
    EXPECT_FLOAT_EQ(s.light0Diffuse[0], 0.5f);
    EXPECT_EQ(s.light0Diffuse[3], 1.0f);
}

TEST(RenderPassRules, FogAndViewportSizes)
{
    int start = 0, end = 0;
    FogRange(7.0f, start, end);
    EXPECT_EQ(start, 6);
    EXPECT_EQ(end, 10);

    RenderSettings s;
    s.SetViewportSize(1280, 720);
    EXPECT_EQ(s.textureWidth, 2048u);
    EXPECT_EQ(s.textureHeight, 1024u);
    EXPECT_NEAR(s.halfExtentX, 1.7778, 1e-4);
    EXPECT_EQ(s.halfExtentY, 1.0f);
    int w = 0, h = 0;
    ShadowProbeSize(s, w, h);
    EXPECT_EQ(w, 72);
    EXPECT_EQ(h, 40);
    EXPECT_TRUE(s.IsInViewport(0, 0));
    EXPECT_TRUE(s.IsInViewport(1279, 719));
    EXPECT_FALSE(s.IsInViewport(1280, 0));
    EXPECT_FALSE(s.IsInViewport(0, -1));

    s.SetViewportSize(300, 512);
    EXPECT_EQ(s.textureWidth, 512u);
    EXPECT_EQ(s.textureHeight, 512u);
    EXPECT_EQ(s.halfExtentX, 1.0f);
    EXPECT_NEAR(s.halfExtentY, 512.0 / 300.0, 1e-5);
    // A minimised window keeps finite extents and a texture of one texel.
    s.SetViewportSize(0, 0);
    EXPECT_EQ(s.textureWidth, 1u);
    EXPECT_TRUE(std::isfinite(s.halfExtentY));
}

TEST(RenderPassRules, BorderCutIsASquareAroundThePannedCentreWhileLinked)
{
    RenderSettings s;
    s.SetViewportSize(200, 100);   // hx 2: 50 pixels per unit
    ScissorBox box;
    s.squareRestrict = 1;
    EXPECT_FALSE(BorderCutBox(s, 0, 0, box));
    s.linkPanes = 1;
    ASSERT_TRUE(BorderCutBox(s, 0.5, -0.2, box));
    EXPECT_EQ(box.side, 100);
    EXPECT_EQ(box.x, 125 - 50);
    EXPECT_EQ(box.y, 40 - 50);
    s.squareRestrict = 2;
    ASSERT_TRUE(BorderCutBox(s, 0, 0, box));
    EXPECT_EQ(box.side, 50);
    EXPECT_EQ(box.x, 75);
    EXPECT_EQ(box.y, 25);
}

TEST(RenderPassRules, SectionMarkerShrinksWithZoomAndThickensUpToTwo)
{
    double s = 0, f = 0;
    SectionMarkerSize(0.25, s, f);
    EXPECT_EQ(s, 1.0);
    EXPECT_EQ(f, 1.0);
    SectionMarkerSize(0.75, s, f);
    EXPECT_EQ(f, 1.5);
    SectionMarkerSize(4, s, f);
    EXPECT_EQ(s, 4.0);
    EXPECT_EQ(f, 2.0);
}

TEST(RenderPassRules, LightWindowFramesTheDrawnDepthPixels)
{
    const LightWindow full = FullLightWindow(1.5, 1.0);
    EXPECT_NEAR(full.a, 2 * 1.73205 * 1.5, 1e-9);
    EXPECT_NEAR(full.c, 2 * 1.73205, 1e-9);
    EXPECT_EQ(full.b, 0);

    const int w = 40, h = 20;
    std::vector<float> depths(w * h, 1.0f);
    for (int y = 5; y <= 9; ++y)
        for (int x = 10; x <= 19; ++x)
            depths[y * w + x] = 0.5f;
    const LightWindow win = LightWindowFromDepths(depths, w, h, 1.0, 1.0);
    const double k = 2 * 1.73205;
    // x 9..21, y 4..11 after the margins.
    EXPECT_NEAR(win.a, 12.0 / 40 * k, 1e-9);
    EXPECT_NEAR(win.b, (30.0 - 40) / 40 * k, 1e-9);
    EXPECT_NEAR(win.c, 7.0 / 20 * k, 1e-9);
    EXPECT_NEAR(win.d, (15.0 - 20) / 20 * k, 1e-9);

    // Nothing drawn, or a short buffer: the whole scene rather than an
    // inverted window.
    std::fill(depths.begin(), depths.end(), 1.0f);
    EXPECT_NEAR(LightWindowFromDepths(depths, w, h, 1.0, 1.0).a, k, 1e-9);
    EXPECT_NEAR(LightWindowFromDepths({}, w, h, 1.0, 1.0).a, k, 1e-9);
}

TEST(RenderPassRules, ResetPassStateClearsThePickRecordsScalars)
{
    RenderSettings s;
    s.pick.nearestDepth = 0.2;
    s.pick.hit = 1;
    s.pick.pickedId = 9;
    s.drawingClippedPart = s.depthOnlyPass = s.clipOn = s.guideLines = 1;
    s.currentTime = 4;
    ResetPassState(s);
    EXPECT_EQ(s.pick.nearestDepth, 1.0);
    EXPECT_EQ(s.pick.hit, 0);
    EXPECT_EQ(s.pick.pickedId, 0u);
    EXPECT_EQ(s.drawingClippedPart + s.depthOnlyPass + s.clipOn + s.guideLines, 0);
    EXPECT_EQ(s.currentTime, 0.0f);
}
