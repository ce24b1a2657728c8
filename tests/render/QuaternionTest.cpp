#include "render/GeometryRoutines.h"
#include "render/Quaternion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace velmor;

namespace {

void ExpectSameRotation(const Quaternion& a, const Quaternion& b, double tolerance = 1e-12)
{
    // q and -q are the same rotation.
    const double sign = a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z < 0 ? -1.0 : 1.0;
    EXPECT_NEAR(a.w, sign * b.w, tolerance);
    EXPECT_NEAR(a.x, sign * b.x, tolerance);
    EXPECT_NEAR(a.y, sign * b.y, tolerance);
    EXPECT_NEAR(a.z, sign * b.z, tolerance);
}

void Rotated(const Quaternion& q, const float point[3], float out[3])
{
    float m[16];
    QuatToMatrix(q, m);
    TransformPoint(point, m, out);
}

} // namespace

TEST(Quaternion, AxisAngleNormalisesTheAxisAndLetsItsLengthScaleTheAngle)
{
    const Quaternion quarter = QuatFromAxisAngle(90, 0, 0, 5);
    ExpectSameRotation(QuatFromAxisAngle(450, 0, 0, 1), quarter);
    const Quaternion plain = QuatFromAxisAngle(90, 0, 0, 1);
    EXPECT_NEAR(plain.w, std::sqrt(0.5), 1e-15);
    EXPECT_NEAR(plain.z, std::sqrt(0.5), 1e-15);
    EXPECT_NEAR(plain.w * plain.w + plain.z * plain.z, 1.0, 1e-15);

    // No axis, or values that are not numbers, turn nothing.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(QuatFromAxisAngle(90, 0, 0, 0), Quaternion{});
    EXPECT_EQ(QuatFromAxisAngle(nan, 0, 0, 1), Quaternion{});
    EXPECT_EQ(QuatFromAxisAngle(90, nan, 0, 1), Quaternion{});
    EXPECT_EQ(QuatFromAxisAngle(90, inf, 0, 1), Quaternion{});
    EXPECT_EQ(QuatFromAxisAngle(inf, 1, 0, 0), Quaternion{});
}

TEST(Quaternion, HugeAnglesAndAxesLoseOnlyTheirWholeTurns)
{
    EXPECT_EQ(ReduceDegrees(-725), -5);
    EXPECT_EQ(ReduceDegrees(std::numeric_limits<double>::infinity()), 0);
    ExpectSameRotation(QuatFromAxisAngle(1e308, 0, 0, 1), QuatFromAxisAngle(ReduceDegrees(1e308), 0, 0, 1));
    // Axes whose squares leave the double range keep their direction; a
    // scaled angle past that range turns nothing rather than into NaN.
    ExpectSameRotation(QuatFromAxisAngle(1e-200, 1e200, 0, 0), QuatFromAxisAngle(1, 1, 0, 0));
    EXPECT_EQ(QuatFromAxisAngle(1e308, 0, 0, 2), Quaternion{});

    double turn[3] = {810, 0, 0}, beyond[3] = {1.7e308, 1.7e308, 1.7e308};
    ReduceTurnAxis(turn);
    ReduceTurnAxis(beyond);
    EXPECT_DOUBLE_EQ(turn[0], 90);
    EXPECT_EQ(beyond[0], 0);
    double drawn[4];
    const float flat[4] = {std::numeric_limits<float>::max(), 0, 0, -2}, none[4] = {90, 0, 0, 0};
    ASSERT_TRUE(DrawingRotation(flat, drawn));
    EXPECT_EQ(drawn[0], ReduceDegrees(std::numeric_limits<float>::max()));
    EXPECT_EQ(drawn[3], -1);
    EXPECT_FALSE(DrawingRotation(none, drawn));
}

TEST(Quaternion, ProductAppliesTheRightFactorFirst)
{
    const Quaternion aboutZ = QuatFromAxisAngle(90, 0, 0, 1);
    const Quaternion aboutX = QuatFromAxisAngle(90, 1, 0, 0);
    ExpectSameRotation(QuatMultiply(aboutZ, aboutZ), QuatFromAxisAngle(180, 0, 0, 1));

    // Z after X sends x to y; X after Z sends y to -x and x to z.
    const float x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
    float out[3];
    Rotated(QuatMultiply(aboutZ, aboutX), x, out);
    EXPECT_NEAR(out[0], 0, 1e-6);
    EXPECT_NEAR(out[1], 1, 1e-6);
    EXPECT_NEAR(out[2], 0, 1e-6);
    Rotated(QuatMultiply(aboutX, aboutZ), y, out);
    EXPECT_NEAR(out[0], -1, 1e-6);
    EXPECT_NEAR(out[1], 0, 1e-6);
    EXPECT_NEAR(out[2], 0, 1e-6);
    Rotated(QuatMultiply(aboutX, aboutZ), x, out);
    EXPECT_NEAR(out[2], 1, 1e-6);
}

TEST(Quaternion, ConjugateUndoesARotationAndKeepsTheIdentity)
{
    const Quaternion q = QuatFromAxisAngle(37, 1, 2, 3);
    ExpectSameRotation(QuatMultiply(QuatConjugate(q), q), Quaternion{});
    EXPECT_EQ(QuatConjugate(q), (Quaternion{q.w, -q.x, -q.y, -q.z}));
    const Quaternion identityWithDust{1.0, 1e-9, 0, 0};
    EXPECT_EQ(QuatConjugate(identityWithDust), identityWithDust);
}

TEST(Quaternion, MatrixIsColumnMajorRotation)
{
    float m[16];
    QuatToMatrix(QuatFromAxisAngle(90, 0, 0, 1), m);
    // Columns are the images of the axes: x -> y, y -> -x.
    EXPECT_NEAR(m[0], 0, 1e-7);
    EXPECT_NEAR(m[1], 1, 1e-7);
    EXPECT_NEAR(m[4], -1, 1e-7);
    EXPECT_NEAR(m[5], 0, 1e-7);
    EXPECT_FLOAT_EQ(m[10], 1);
    for (int i : {3, 7, 11, 12, 13, 14})
        EXPECT_EQ(m[i], 0) << i;
    EXPECT_EQ(m[15], 1);

    const Quaternion q = QuatFromAxisAngle(123, -2, 1, 0.5);
    QuatToMatrix(q, m);
    const double xy = 2 * q.x * q.y, zw = 2 * q.z * q.w;
    EXPECT_EQ(m[1], static_cast<float>(xy) + static_cast<float>(zw));
    EXPECT_EQ(m[4], static_cast<float>(xy) - static_cast<float>(zw));
}

TEST(Quaternion, AngularStepCarriesCurrentToTargetInNSteps)
{
    const Quaternion current = QuatFromAxisAngle(20, 1, 1, 0);
    const Quaternion target = QuatMultiply(QuatFromAxisAngle(100, 0, 0.6, 0.8), current);
    double out[3] = {};
    ASSERT_TRUE(QuatAngularStep(target, current, 4, out));
    EXPECT_NEAR(std::sqrt(out[0] * out[0] + out[1] * out[1] + out[2] * out[2]), 25.0, 1e-9);
    Quaternion q = current;
    for (int i = 0; i < 4; ++i)
        q = QuatMultiply(QuatFromAxisAngle(1.0, out[0], out[1], out[2]), q);
    ExpectSameRotation(q, target, 1e-12);
}

TEST(Quaternion, AngularStepWithNothingToTurnLeavesTheOutput)
{
    const Quaternion q = QuatFromAxisAngle(33, 0, 1, 0);
    double out[3] = {7, 8, 9};
    EXPECT_FALSE(QuatAngularStep(q, q, 1, out));
    // The same rotation with every sign flipped has no axis to turn about.
    EXPECT_FALSE(QuatAngularStep(Quaternion{-q.w, -q.x, -q.y, -q.z}, q, 1, out));
    EXPECT_FALSE(QuatAngularStep(QuatFromAxisAngle(10, 1, 0, 0), q, 0, out));
    EXPECT_EQ(out[0], 7);
    EXPECT_EQ(out[1], 8);
    EXPECT_EQ(out[2], 9);
}
