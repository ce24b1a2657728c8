#include "render/RenderSettings.h"
#include "units/CKxDrawUPrimitive.h"
#include "units/CKxDrawUText.h"
#include "units/DrawGroup.h"
#include "units/PlainUnitDrawing.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace velmor;

TEST(PlainUnitDrawingTest, PassesFollowHiddenClippedPartAndOpacity)
{
    CKxDrawUPrimitive unit(nullptr);
    for (int pass : {1, 2, 3})
        EXPECT_TRUE(PlainUnitMayDraw(unit, pass));
    for (int pass : {0, 4, -1, 5})
        EXPECT_FALSE(PlainUnitMayDraw(unit, pass));
    unit.hidden = true;
    EXPECT_FALSE(PlainUnitMayDraw(unit, 1));
    unit.hidden = false;
    CurrentRenderSettings().drawingClippedPart = 1;
    EXPECT_FALSE(PlainUnitMayDraw(unit, 2));
    CurrentRenderSettings().drawingClippedPart = 0;

    EXPECT_TRUE(DrawsInPass(true, 1));
    EXPECT_FALSE(DrawsInPass(true, 2));
    EXPECT_TRUE(DrawsInPass(true, 3));
    EXPECT_FALSE(DrawsInPass(false, 1));
    EXPECT_TRUE(DrawsInPass(false, 2));
    EXPECT_FALSE(DrawsInPass(false, 3));   // transparent units are never picked
}

TEST(PlainUnitDrawingTest, ShapeNamesAreExact)
{
    EXPECT_EQ(ParsePrimitiveShape(L"ellipsoid"), PrimitiveShape::Ellipsoid);
    EXPECT_EQ(ParsePrimitiveShape(L"cone"), PrimitiveShape::Cone);
    EXPECT_EQ(ParsePrimitiveShape(L"Cone"), PrimitiveShape::None);
    EXPECT_EQ(ParsePrimitiveShape(L""), PrimitiveShape::None);
    EXPECT_TRUE(IsPointShape(PrimitiveShape::Triangle));
    EXPECT_FALSE(IsPointShape(PrimitiveShape::Bar));
}

TEST(PlainUnitDrawingTest, EllipseRimClosesAndCountsBelowOneGiveNothing)
{
    const auto rim = EllipseRim(2, 1, 4);
    ASSERT_EQ(rim.size(), 5u);
    EXPECT_DOUBLE_EQ(rim[0].x, 2);
    EXPECT_NEAR(rim[1].y, 1, 1e-12);
    EXPECT_NEAR(rim[2].x, -2, 1e-12);
    EXPECT_EQ(rim[4].x, rim[0].x);
    EXPECT_EQ(rim[4].y, rim[0].y);
    EXPECT_TRUE(EllipseRim(1, 1, 0).empty());
    EXPECT_TRUE(EllipseRim(1, 1, -5).empty());
}

TEST(PlainUnitDrawingTest, WireEllipseHasSpokesAndRings)
{
    const int32_t counts[4] = {16, 8, 3, 4};
    const auto lines = WireEllipseSegments(2, 1, counts);
    // 8 spokes and 3 rings of 16 segments, as end-point pairs.
    ASSERT_EQ(lines.size(), 2u * (8 + 3 * 16));
    EXPECT_EQ(lines[0].x, 0);
    EXPECT_DOUBLE_EQ(lines[1].x, 2);
    // The innermost ring runs at a third of the semi-axes.
    EXPECT_NEAR(lines[16].x, 2.0 / 3, 1e-12);
    const int32_t none[4] = {0, -1, 0, 4};
    EXPECT_TRUE(WireEllipseSegments(2, 1, none).empty());
    const int32_t ringsOnly[4] = {4, 0, 2, 4};
    EXPECT_EQ(WireEllipseSegments(1, 1, ringsOnly).size(), 2u * 8);
}

TEST(PlainUnitDrawingTest, MainLayerPointsFollowTheSpaceOthersKeepTheirs)
{
    DrawGroup top(L"top"), group(L"g");
    top.centre[0] = 1;
    CKxDrawUPrimitive unit(&group);
    unit.topGroup = &top;
    unit.translation[0] = 0.5;
    unit.scale[0] = 2;
    unit.pivot[0] = 1;
    const float p[3] = {3, 4, 5};
    double out[3];
    UnitPointPosition(unit, p, out);
    EXPECT_DOUBLE_EQ(out[0], 0.5 + 2 * (3 - 1 - 1));
    EXPECT_DOUBLE_EQ(out[1], 4);
    group.layer = 2;
    UnitPointPosition(unit, p, out);
    EXPECT_DOUBLE_EQ(out[0], 3);
}

TEST(PlainUnitDrawingTest, FixPointsCountFromTheViewportCentreInHalfTheSmallerSide)
{
    const float fix[3] = {0.5f, -1, 0.25f};
    const int32_t viewport[4] = {100, 0, 400, 200};
    double window[3];
    FixPointWindow(fix, viewport, window);
    EXPECT_DOUBLE_EQ(window[0], 100 + 200 + 0.5 * 100);
    EXPECT_DOUBLE_EQ(window[1], 100 - 100);
    EXPECT_DOUBLE_EQ(window[2], 0.25);
}

TEST(PlainUnitDrawingTest, ConnectorPathTurnsZOntoTheConnector)
{
    const double a[3] = {0, 0, 0};
    const float b[3] = {2, 0, 0};
    ConnectorPath path = MakeConnectorPath(a, b);
    EXPECT_DOUBLE_EQ(path.length, 2);
    EXPECT_DOUBLE_EQ(path.midpoint[0], 1);
    EXPECT_NEAR(path.angleDegrees, 90, 1e-9);
    EXPECT_DOUBLE_EQ(path.axis[1], 1);   // z x x = y

    const float below[3] = {0, 0, -3};
    path = MakeConnectorPath(a, below);
    EXPECT_NEAR(path.angleDegrees, 180, 1e-9);   // any axis perpendicular to z
    EXPECT_DOUBLE_EQ(path.axis[2], 0);

    const float same[3] = {0, 0, 0};
    path = MakeConnectorPath(a, same);
    EXPECT_EQ(path.length, 0);
    EXPECT_FALSE(std::isnan(path.angleDegrees));
}

TEST(PlainUnitDrawingTest, TextFontAndTextStayWithinTheirBuffers)
{
    TextFont font = MakeTextFont(16.7f, true, true, std::wstring(40, L'ゴ'));
    EXPECT_EQ(font.height, 16);
    EXPECT_EQ(font.weight, 700);
    EXPECT_EQ(font.italic, 1);
    EXPECT_EQ(font.charSet, 128);
    EXPECT_EQ(font.faceName.size(), 31u);
    EXPECT_EQ(MakeTextFont(1e30f, false, false, L"a").height, kMaxFontHeight);
    EXPECT_EQ(MakeTextFont(-5000, false, false, L"a").height, -kMaxFontHeight);
    EXPECT_EQ(MakeTextFont(NAN, false, false, L"a").height, kDefaultFontHeight);
    EXPECT_EQ(MakeTextFont(12, false, false, L"a").weight, 400);
    EXPECT_EQ(LimitedText(std::wstring(600, L'x')).size(), 511u);
    EXPECT_EQ(LimitedText(L"abc"), L"abc");

    CKxDrawUText text(nullptr);
    text.fontSize = 20;
    text.Load();   // without the GL half: the font record only, no lists
    EXPECT_EQ(text.logFont.height, 20);
    EXPECT_EQ(text.logFont.faceName, L"ＭＳ ゴシック");
    EXPECT_EQ(text.listCount, 0u);
}
