#include "processing/MaterialPresets.h"

#include "units/CKxDrawUnit.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

using namespace velmor;

TEST(MaterialPresets, ColorFrom255DividesWithoutClamping)
{
    float c[4];
    ColorFrom255(c, 255, 0, 51, 510);
    EXPECT_FLOAT_EQ(c[0], 1.0f);
    EXPECT_FLOAT_EQ(c[1], 0.0f);
    EXPECT_FLOAT_EQ(c[2], 0.2f);
    EXPECT_FLOAT_EQ(c[3], 2.0f);
    ColorFrom255(c, -255, 0, 0, 0);
    EXPECT_FLOAT_EQ(c[0], -1.0f);
}

TEST(MaterialPresets, HueToRgbSectors)
{
    using RGB = std::array<int, 3>;
    const std::pair<float, RGB> cases[] = {
        {0, {255, 0, 0}},   {60, {255, 255, 0}},  {120, {0, 255, 0}}, {180, {0, 255, 255}},
        {240, {0, 0, 255}}, {300, {255, 0, 255}}, {360, {255, 0, 0}}, {30, {255, 127, 0}},
    };
    for (const auto& [hue, want] : cases) {
        uint8_t r, g, b;
        HueToRgb(r, g, b, hue, 1, 1);
        EXPECT_EQ((RGB{r, g, b}), want) << hue;
    }
    uint8_t r = 1, g = 1, b = 1;
    HueToRgb(r, g, b, std::nanf(""), 1, 1);   // no undefined conversion
    HueToRgb(r, g, b, 100, std::nanf(""), 1);
}

TEST(MaterialPresets, ResetThenOwnAndHighlightMaterials)
{
    CKxDrawUnit unit(nullptr);   // sets the highlight material
    Material own;
    own.ambient[0] = own.ambient[1] = own.ambient[2] = 0.3f;
    MaterialPreset presets[MaterialPresetCount];
    uint8_t mode = 7;
    SetMaterialPresets(presets, mode, own);
    EXPECT_EQ(mode, 1);
    EXPECT_FLOAT_EQ(presets[0].ambient[0], 0.3f);
    EXPECT_FLOAT_EQ(presets[0].ambient[3], 1.0f);
    EXPECT_FLOAT_EQ(presets[0].shininess, own.shininess);
    EXPECT_FLOAT_EQ(presets[1].ambient[0], HighlightMaterial.ambient[0]);
    EXPECT_FLOAT_EQ(presets[1].diffuse[1], HighlightMaterial.diffuse[1]);
    for (int i = 2; i < MaterialPresetCount; ++i) {
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(presets[i].ambient[k], 0.0f);
            EXPECT_EQ(presets[i].diffuse[k], 0.0f);
            EXPECT_FLOAT_EQ(presets[i].specular[k], k < 3 ? 25 / 255.0f : 1.0f);
        }
        EXPECT_EQ(presets[i].shininess, 120.0f);
    }

    SetMaterialPresets(presets, mode, own, 0, L"VolumeRep5");
    EXPECT_EQ(mode, 0);
    EXPECT_EQ(presets[0].ambient[0], 0.0f);
}
