#include "processing/ColorConversion.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace velmor;

TEST(ColorFrom255, DividesEveryChannelWithoutClamping)
{
    float out[4];
    ColorFrom255(out, 255, 0, 127.5f, 510);
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[1], 0.0f);
    EXPECT_EQ(out[2], 0.5f);
    EXPECT_EQ(out[3], 2.0f);
    ColorFrom255(out, 254, 76, 178, 10);
    EXPECT_EQ(out[0], static_cast<float>(254 / 255.0));
    EXPECT_LT(out[0], 1.0f);
}

TEST(HueToRgb, PrimaryAndSecondaryHues)
{
    using C = std::tuple<int, int, int>;
    const std::pair<float, C> cases[] = {
        {0, C{255, 0, 0}},   {60, C{255, 255, 0}},  {120, C{0, 255, 0}}, {180, C{0, 255, 255}},
        {240, C{0, 0, 255}}, {300, C{255, 0, 255}}, {360, C{255, 0, 0}},
    };
    for (const auto& [hue, colour] : cases) {
        uint8_t r = 1, g = 1, b = 1;
        HueToRgb(r, g, b, hue, 1.0f, 1.0f);
        EXPECT_EQ((C{r, g, b}), colour) << hue;
    }
}

TEST(HueToRgb, TruncatesIntermediateHues)
{
    uint8_t r, g, b;
    // f = 0.5: T = trunc(0.5 x 255) = 127.
    HueToRgb(r, g, b, 30, 1.0f, 1.0f);
    EXPECT_EQ(r, 255);
    EXPECT_EQ(g, 127);
    EXPECT_EQ(b, 0);
    HueToRgb(r, g, b, 200, 1.0f, 1.0f);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(g, 170);
    EXPECT_EQ(b, 255);
    HueToRgb(r, g, b, 120, 0.5f, 0.5f);
    EXPECT_EQ(r, 63);
    EXPECT_EQ(g, 127);
    EXPECT_EQ(b, 63);
}
