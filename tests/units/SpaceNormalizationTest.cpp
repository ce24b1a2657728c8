#include "units/SpaceNormalization.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace velmor;

namespace {

struct Axes {
    bool normalize[3] = {true, true, true};
    double rangeMap[3][4] = {};
    double scale[3] = {7, 7, 7};
    double offset[3] = {7, 7, 7};
    double extent = 7;
};

} // namespace

TEST(NormalizeBox, LargestSideBecomesTwoAndIsCentred)
{
    Axes a;
    double min[3] = {0, -1, 10}, max[3] = {4, 1, 11};
    ASSERT_TRUE(NormalizeBox(min, max, a.normalize, a.rangeMap, a.scale, a.offset, a.extent));
    EXPECT_EQ(a.extent, 4.0);
    EXPECT_EQ(a.scale[0], 0.5);
    EXPECT_EQ(a.scale[2], 0.5);
    EXPECT_EQ(a.offset[0], 2.0);
    EXPECT_EQ(a.offset[1], 0.0);
    EXPECT_EQ(a.offset[2], 10.5);
}

TEST(NormalizeBox, SinglePointGrowsToExtentTwo)
{
    Axes a;
    double min[3] = {3, 4, 5}, max[3] = {3, 4, 5};
    ASSERT_TRUE(NormalizeBox(min, max, a.normalize, a.rangeMap, a.scale, a.offset, a.extent));
    EXPECT_EQ(a.extent, 2.0);
    EXPECT_EQ(a.scale[0], 1.0);
    EXPECT_EQ(a.scale[1], 1.0);
    EXPECT_EQ(a.offset[2], 5.0);
    EXPECT_EQ(min[0], 2.0);
    EXPECT_EQ(max[2], 6.0);
}

TEST(NormalizeBox, MappedAxisTakesItsRange)
{
    Axes a;
    a.normalize[1] = false;
    const double map[4] = {0, 100, -1, 1};
    std::copy(map, map + 4, a.rangeMap[1]);
    double min[3] = {0, 0, 0}, max[3] = {10, 50, 5};
    ASSERT_TRUE(NormalizeBox(min, max, a.normalize, a.rangeMap, a.scale, a.offset, a.extent));
    EXPECT_EQ(a.scale[1], 0.02);
    // y = 0 lands on -1 and y = 100 on 1.
    EXPECT_DOUBLE_EQ((0 - a.offset[1]) * a.scale[1], -1.0);
    EXPECT_DOUBLE_EQ((100 - a.offset[1]) * a.scale[1], 1.0);
    EXPECT_EQ(a.extent, 50.0);
    EXPECT_EQ(a.scale[0], 2.0 / 50);
}

TEST(NormalizeBox, MappedAxisWithEqualEndsFallsBackToTheBox)
{
    Axes a;
    a.normalize[0] = false;
    a.normalize[2] = false;
    const double sameInput[4] = {5, 5, -1, 1}, sameOutput[4] = {0, 10, 3, 3};
    std::copy(sameInput, sameInput + 4, a.rangeMap[0]);
    std::copy(sameOutput, sameOutput + 4, a.rangeMap[2]);
    double min[3] = {0, 0, 0}, max[3] = {4, 4, 4};
    ASSERT_TRUE(NormalizeBox(min, max, a.normalize, a.rangeMap, a.scale, a.offset, a.extent));
    EXPECT_EQ(a.scale[0], 0.5);
    EXPECT_EQ(a.offset[0], 2.0);
    EXPECT_EQ(a.scale[2], 0.5);
}

TEST(NormalizeBox, EmptySpaceChangesNothing)
{
    Axes a;
    double min[3] = {kEmptyBoxStart, kEmptyBoxStart, kEmptyBoxStart};
    double max[3] = {-kEmptyBoxStart, -kEmptyBoxStart, -kEmptyBoxStart};
    EXPECT_FALSE(NormalizeBox(min, max, a.normalize, a.rangeMap, a.scale, a.offset, a.extent));
    EXPECT_EQ(a.scale[0], 7.0);
    EXPECT_EQ(a.offset[0], 7.0);
    EXPECT_EQ(a.extent, 7.0);
}

TEST(NiceScaleBarLength, RoundsToOneTwoOrFiveSteps)
{
    EXPECT_EQ(NiceScaleBarLength(0), 1.0);
    EXPECT_DOUBLE_EQ(NiceScaleBarLength(1.5), 0.2);
    EXPECT_DOUBLE_EQ(NiceScaleBarLength(2), 0.5);
    EXPECT_DOUBLE_EQ(NiceScaleBarLength(4.99), 0.5);
    EXPECT_DOUBLE_EQ(NiceScaleBarLength(5), 1.0);
    EXPECT_DOUBLE_EQ(NiceScaleBarLength(9.99), 1.0);
    EXPECT_DOUBLE_EQ(NiceScaleBarLength(10), 2.0);
    EXPECT_DOUBLE_EQ(NiceScaleBarLength(350), 50.0);
    EXPECT_DOUBLE_EQ(NiceScaleBarLength(3e-8), 0.5e-8);
    EXPECT_DOUBLE_EQ(NiceScaleBarLength(9e7), 1e7);
    // Beyond the steps, and for a negative side, no step fits.
    EXPECT_EQ(NiceScaleBarLength(1e8), 1.0);
    EXPECT_EQ(NiceScaleBarLength(1e-9), 1.0);
    EXPECT_EQ(NiceScaleBarLength(-3), 1.0);
}
