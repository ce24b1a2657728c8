#pragma once
// Rotation arithmetic of the trackball: quaternions of doubles, w first, and
// the column-major float matrices that GL multiplies with.
namespace velmor {

struct Quaternion {
    double w = 1, x = 0, y = 0, z = 0;
    bool operator==(const Quaternion&) const = default;
};

// The Hamilton product a x b: rotate by b, then by a.
Quaternion QuatMultiply(const Quaternion& a, const Quaternion& b);
// The identity (w exactly 1) is returned as it is.
Quaternion QuatConjugate(const Quaternion& q);
// The axis length scales the angle (degrees), so a drag's axis may carry its
// own speed. Whole turns of the scaled angle are dropped first (ReduceDegrees)
// so that a huge angle keeps its precision. A zero-length axis, any value that
// is not finite, or a scaled angle past the range of doubles gives the
// identity, so a bad input never turns the scene into NaNs.
Quaternion QuatFromAxisAngle(double angle, double x, double y, double z);
// An angle in degrees without its whole turns: the remainder of division by
// 360, with the sign of the angle. 0 for a value that is not finite.
double ReduceDegrees(double degrees);
// A turn given as an axis whose length is the angle in degrees (per tick of
// an animation): the same direction with the length reduced as above; no turn
// (all zero) when the length is not finite.
void ReduceTurnAxis(double axis[3]);
// The rotation of a unit drawn with glRotate from its 'angle, x, y, z': the
// reduced angle and the axis scaled to length 1. False when it turns nothing
// (a zero axis, or values that are not finite).
bool DrawingRotation(const float rot[4], double out[4]);
void QuatToMatrix(const Quaternion& q, float matrix[16]);
// The axis (x, y, z), scaled to degrees per step, that carries `current` to
// `target` in `steps` rotations by QuatFromAxisAngle(1.0, out). False, with
// `out` unchanged, when there is nothing to turn (equal components or the same
// rotation) or `steps` is not positive.
bool QuatAngularStep(const Quaternion& target, const Quaternion& current, double steps, double out[3]);

} // namespace velmor
