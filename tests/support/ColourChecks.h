#pragma once
// A colour of a material against its values on the 0..255 scale of scenes.
#include <gtest/gtest.h>

namespace velmor::test {

inline void ExpectColour(const float actual[4], float r, float g, float b, float a = 255)
{
    EXPECT_FLOAT_EQ(actual[0], r / 255.0f);
    EXPECT_FLOAT_EQ(actual[1], g / 255.0f);
    EXPECT_FLOAT_EQ(actual[2], b / 255.0f);
    EXPECT_FLOAT_EQ(actual[3], a / 255.0f);
}

} // namespace velmor::test
