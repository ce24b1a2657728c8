#include "units/CKxDrawUnit.h"

#include "render/RenderSettings.h"
#include "support/ColourChecks.h"

#include <gtest/gtest.h>

using namespace velmor;

using velmor::test::ExpectColour;

TEST(CKxDrawUnit, ConstructorGivesEveryMemberItsValue)
{
    CKxDrawUnit unit(nullptr);
    EXPECT_EQ(unit.owner, nullptr);
    EXPECT_EQ(unit.topGroup, nullptr);
    EXPECT_FALSE(unit.hidden);
    ExpectColour(unit.material.ambient, 76, 76, 76, 255);
    ExpectColour(unit.material.diffuse, 178, 178, 178, 255);
    ExpectColour(unit.material.specular, 10, 10, 10, 255);
    EXPECT_EQ(unit.material.shininess, 120.0f);
    EXPECT_EQ(unit.lengthFactor, 1.0);
    EXPECT_EQ(unit.lengthUnit, L"mm");
    EXPECT_EQ(unit.scale[2], 1.0);
    EXPECT_EQ(unit.translation[0], 0.0);
    EXPECT_EQ(unit.pickId, 0u);
    EXPECT_TRUE(unit.valid);
    std::wstring name;
    EXPECT_EQ(unit.GetClassName(name), L"CKxDrawUnit");
    EXPECT_EQ(name, L"CKxDrawUnit");
    double box[2][3] = {{1, 2, 3}, {4, 5, 6}};
    unit.GetBounds(box[0], box[1]);
    EXPECT_EQ(box[1][2], 6.0);
    EXPECT_FALSE(unit.FreeGLBuffers());
}

TEST(CKxDrawUnit, OnlyAFullDiffuseAlphaIsOpaque)
{
    CKxDrawUnit unit(nullptr);
    EXPECT_TRUE(unit.IsOpaque());
    unit.material.diffuse[3] = 254 / 255.0f;
    EXPECT_FALSE(unit.IsOpaque());
    unit.material.diffuse[3] = 255 / 255.0f;
    EXPECT_TRUE(unit.IsOpaque());
}

TEST(HighlightMaterial, TheLastConstructedUnitDecides)
{
    CKxDrawUnit first(nullptr);
    ExpectColour(HighlightMaterial.ambient, 127, 96, 27, 255);
    ExpectColour(HighlightMaterial.diffuse, 127, 96, 27, 255);
    ExpectColour(HighlightMaterial.specular, 10, 10, 10, 255);
    EXPECT_EQ(HighlightMaterial.shininess, 120.0f);

    // What the scene reader does with "selectedDiffuse" right after each unit.
    HighlightMaterial.diffuse[0] = 0.1f;
    CKxDrawUnit second(nullptr);
    HighlightMaterial.diffuse[0] = 0.2f;
    EXPECT_EQ(HighlightMaterial.diffuse[0], 0.2f);
    CKxDrawUnit third(nullptr);
    ExpectColour(HighlightMaterial.diffuse, 127, 96, 27, 255);
}

TEST(HighlightMaterial, UnitsBuiltWhileDrawingLeaveItAlone)
{
    CKxDrawUnit sceneUnit(nullptr);
    HighlightMaterial.ambient[1] = 0.75f;
    {
        HighlightMaterialGuard guard;
        CKxDrawUnit scaleBarPart(nullptr);
        EXPECT_NE(HighlightMaterial.ambient[1], 0.75f);
    }
    EXPECT_EQ(HighlightMaterial.ambient[1], 0.75f);
}

TEST(RenderSettings, ConstructionValues)
{
    RenderSettings settings;
    EXPECT_EQ(settings.clipCap, 1);
    EXPECT_EQ(settings.projection, 0);
    EXPECT_EQ(settings.scaleBarPosition[0], -0.95f);
    EXPECT_EQ(settings.scaleBarLength, -1.0f);
    EXPECT_EQ(settings.scaleBarUnit, L"mm");
    EXPECT_EQ(settings.scaleBarChanged, 0);
    EXPECT_EQ(settings.depthTextureBuffer, nullptr);
    EXPECT_EQ(settings.pick.workA.size(), 63001u);
    EXPECT_EQ(settings.pick.workIndices.size(), 63001u);
    EXPECT_EQ(settings.pick.nearestDepth, 1.0);

    // Readers always find a record, published or not.
    CurrentRenderSettings().currentTime = 3;
    PublishRenderSettings(&settings);
    EXPECT_EQ(&CurrentRenderSettings(), &settings);
    PublishRenderSettings(nullptr);
    EXPECT_EQ(CurrentRenderSettings().currentTime, 3.0f);
}
