#include "render/GeometryRoutines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace velmor;

TEST(UnitFactor, FollowsTheTableFromOneUnitToAnother)
{
    EXPECT_EQ(UnitFactor(L"um", L"mm"), 1000.0);
    EXPECT_EQ(UnitFactor(L"mm", L"um"), 0.001);
    EXPECT_EQ(UnitFactor(L"cm", L"um"), 0.0001);
    EXPECT_EQ(UnitFactor(L"m", L"um"), 0.000001);
    EXPECT_EQ(UnitFactor(L"um", L"m"), 1000000.0);
    EXPECT_EQ(UnitFactor(L"mm", L"cm"), 10.0);
    EXPECT_EQ(UnitFactor(L"cm", L"m"), 100.0);
    EXPECT_EQ(UnitFactor(L"m", L"cm"), 0.01);
    EXPECT_EQ(UnitFactor(L"cm", L"cm"), 1.0);
}

TEST(UnitFactor, IsOneForNamesOutsideTheTable)
{
    EXPECT_EQ(UnitFactor(L"mm", L"inch"), 1.0);
    EXPECT_EQ(UnitFactor(L"km", L"mm"), 1.0);
    EXPECT_EQ(UnitFactor(L"", L""), 1.0);
    EXPECT_EQ(UnitFactor(L"MM", L"um"), 1.0);
}

TEST(CrossProducts, UnitCrossOfParallelVectorsIsTheXAxis)
{
    const double a[3] = {1, 2, 3}, b[3] = {2, 4, 6};
    double out[3] = {9, 9, 9};
    UnitCrossProduct3d(a, b, out);
    EXPECT_EQ(out[0], 1.0);
    EXPECT_EQ(out[1], 0.0);
    EXPECT_EQ(out[2], 0.0);

    const double x[3] = {2, 0, 0}, y[3] = {0, 3, 0};
    UnitCrossProduct3d(x, y, out);
    EXPECT_DOUBLE_EQ(out[2], 1.0);
    CrossProduct3d(x, y, out);
    EXPECT_EQ(out[2], 6.0);
}

TEST(TriangleNormals, DegenerateTriangleGivesZero)
{
    const float p[3] = {1, 2, 3};
    float out[3] = {9, 9, 9};
    UnitTriangleNormal(p, p, p, out);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[1], 0.0f);
    EXPECT_EQ(out[2], 0.0f);

    const float p0[3] = {0, 0, 0}, p1[3] = {2, 0, 0}, p2[3] = {0, 2, 0};
    TriangleNormal(p0, p1, p2, out);
    EXPECT_EQ(out[2], 4.0f);
    UnitTriangleNormal(p0, p1, p2, out);
    EXPECT_EQ(out[2], 1.0f);
}

TEST(Angles, AreClampedAndZeroForZeroVectors)
{
    const double a[3] = {1, 0, 0}, b[3] = {0, 5, 0}, zero[3] = {0, 0, 0};
    EXPECT_DOUBLE_EQ(VecAngle3d(a, b), std::numbers::pi / 2);
    EXPECT_EQ(VecAngle3d(a, a), 0.0);
    EXPECT_EQ(VecAngle3d(a, zero), 0.0);
    const float f[3] = {1e-3f, 1e-3f, 1e-3f}, g[3] = {-1, -1, -1}, fz[3] = {0, 0, 0};
    EXPECT_FLOAT_EQ(VecAngle3f(f, g), static_cast<float>(std::numbers::pi));
    EXPECT_EQ(VecAngle3f(fz, fz), 0.0f);
}

TEST(Directions, NormaliseAndMean)
{
    float v[3] = {0, 0, 0};
    NormalizeVec3f(v);
    EXPECT_EQ(v[0], 1.0f);
    float w[3] = {0, 3, 4};
    NormalizeVec3f(w);
    EXPECT_FLOAT_EQ(w[1], 0.6f);

    float out[3] = {9, 9, 9};
    MeanDirection(nullptr, 0, out);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[1], 0.0f);
    const float opposite[6] = {1, 0, 0, -1, 0, 0};
    MeanDirection(opposite, 2, out);
    EXPECT_EQ(out[0], 0.0f);
    const float two[6] = {2, 0, 0, 0, 2, 0};
    MeanDirection(two, 2, out);
    EXPECT_FLOAT_EQ(out[0], std::sqrt(0.5f));
    EXPECT_FLOAT_EQ(out[1], std::sqrt(0.5f));
}

TEST(TransformPoint, UsesColumnMajorMatrices)
{
    // Translation (1, 2, 3) sits in elements 12..14.
    const float m[16] = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 1, 2, 3, 1};
    const float p[3] = {1, 1, 1};
    float out[3];
    TransformPoint(p, m, out);
    EXPECT_EQ(out[0], 3.0f);
    EXPECT_EQ(out[1], 4.0f);
    EXPECT_EQ(out[2], 5.0f);
}

namespace {

void ExpectIdentityProduct(const float a[16], const float b[16])
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a[4 * r + k] * b[4 * k + c];
            EXPECT_NEAR(sum, r == c ? 1.0f : 0.0f, 1e-5f) << r << "," << c;
        }
}

} // namespace

TEST(InvertMatrix4f, RoundTripsGeneralMatrices)
{
    // Needs row exchanges: the first pivot is 0.
    const float m[16] = {0, 2, 1, 4, 3, 0, 2, 1, 1, 1, 0, 5, 2, 3, 1, 0};
    float inverse[16];
    ASSERT_TRUE(InvertMatrix4f(m, inverse));
    ExpectIdentityProduct(m, inverse);
    ExpectIdentityProduct(inverse, m);
    float back[16];
    ASSERT_TRUE(InvertMatrix4f(inverse, back));
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(back[i], m[i], 1e-4f);

    // Rows of very different magnitude are what the row scales are for.
    const float scaled[16] = {1e-4f, 1, 0, 0, 1, 1, 0, 0, 0, 0, 1e4f, 1, 0, 0, 1, 1e-3f};
    ASSERT_TRUE(InvertMatrix4f(scaled, inverse));
    ExpectIdentityProduct(scaled, inverse);
}

TEST(InvertMatrix4f, RefusesSingularMatricesAndLeavesTheOutputAlone)
{
    float out[16];
    for (float& v : out)
        v = 7;
    const float zeroRow[16] = {1, 2, 3, 4, 0, 0, 0, 0, 1, 0, 0, 1, 0, 1, 1, 0};
    EXPECT_FALSE(InvertMatrix4f(zeroRow, out));
    const float equalRows[16] = {1, 2, 3, 4, 1, 2, 3, 4, 0, 1, 0, 0, 0, 0, 1, 0};
    EXPECT_FALSE(InvertMatrix4f(equalRows, out));
    for (float v : out)
        EXPECT_EQ(v, 7.0f);
}
