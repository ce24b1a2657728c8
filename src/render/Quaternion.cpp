#include "render/Quaternion.h"

#include <cmath>
#include <numbers>

namespace velmor {

Quaternion QuatMultiply(const Quaternion& a, const Quaternion& b)
{
    return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x, a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

Quaternion QuatConjugate(const Quaternion& q)
{
    if (q.w == 1.0)
        return q;
    return {q.w, -q.x, -q.y, -q.z};
}

namespace {

constexpr double kFullTurn = 360.0;

// The length of (x, y, z) also where its squares leave the range of doubles;
// not finite for non-finite components or a length past that range.
double AxisLength(double x, double y, double z)
{
    const double length = std::sqrt(x * x + y * y + z * z);
    return std::isfinite(length) ? length : std::hypot(x, y, z);
}

} // namespace

double ReduceDegrees(double degrees)
{
    return std::isfinite(degrees) ? std::fmod(degrees, kFullTurn) : 0.0;
}

void ReduceTurnAxis(double axis[3])
{
    const double length = AxisLength(axis[0], axis[1], axis[2]);
    if (!std::isfinite(length)) {
        axis[0] = axis[1] = axis[2] = 0.0;
        return;
    }
    if (length < kFullTurn)
        return;
    const double scale = ReduceDegrees(length) / length;
    for (int i = 0; i < 3; ++i)
        axis[i] *= scale;
}

bool DrawingRotation(const float rot[4], double out[4])
{
    const double length = AxisLength(rot[1], rot[2], rot[3]);
    if (!(length > 0.0) || !std::isfinite(length) || !std::isfinite(rot[0]))
        return false;
    out[0] = ReduceDegrees(rot[0]);
    for (int i = 1; i < 4; ++i)
        out[i] = rot[i] / length;
    return true;
}

Quaternion QuatFromAxisAngle(double angle, double x, double y, double z)
{
    const double length = AxisLength(x, y, z);
    if (length == 0.0 || !std::isfinite(length) || !std::isfinite(angle))
        return {};
    const double turn = angle * length;
    if (!std::isfinite(turn))
        return {};
    const double half = ReduceDegrees(turn) * 0.5 * std::numbers::pi / 180.0;
    const double sine = std::sin(half) / length;
    return {std::cos(half), x * sine, y * sine, z * sine};
}

void QuatToMatrix(const Quaternion& q, float m[16])
{
    // Each doubled product is rounded to float before the sums, as the
    // matrices of stored scenes were always built.
    const auto f = [](double v) { return static_cast<float>(v); };
    const float xx = f(2 * q.x * q.x), yy = f(2 * q.y * q.y), zz = f(2 * q.z * q.z);
    const float xy = f(2 * q.x * q.y), xz = f(2 * q.x * q.z), yz = f(2 * q.y * q.z);
    const float xw = f(2 * q.x * q.w), yw = f(2 * q.y * q.w), zw = f(2 * q.z * q.w);
    m[0] = 1 - (yy + zz);
    m[1] = xy + zw;
    m[2] = xz - yw;
    m[3] = 0;
    m[4] = xy - zw;
    m[5] = 1 - (xx + zz);
    m[6] = yz + xw;
    m[7] = 0;
    m[8] = xz + yw;
    m[9] = yz - xw;
    m[10] = 1 - (xx + yy);
    m[11] = 0;
    m[12] = m[13] = m[14] = 0;
    m[15] = 1;
}

bool QuatAngularStep(const Quaternion& target, const Quaternion& current, double steps, double out[3])
{
    if (target == current || !(steps > 0))
        return false;
    const Quaternion d = QuatMultiply(target, QuatConjugate(current));
    const double s = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    const double angle = 2.0 * std::atan2(s, d.w);
    // s == 0 with a negative w is the same rotation written the other way
    // round: no axis to turn about.
    if (angle == 0.0 || s == 0.0 || !std::isfinite(angle))
        return false;
    const double degreesPerStep = angle * 180.0 / std::numbers::pi / steps;
    out[0] = d.x / s * degreesPerStep;
    out[1] = d.y / s * degreesPerStep;
    out[2] = d.z / s * degreesPerStep;
    return true;
}

} // namespace velmor
