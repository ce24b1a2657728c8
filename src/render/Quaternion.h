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
// own speed. A zero-length axis, or any value that is not finite, gives the
// identity, so a bad input never turns the scene into NaNs.
Quaternion QuatFromAxisAngle(double angle, double x, double y, double z);
void QuatToMatrix(const Quaternion& q, float matrix[16]);
// The axis (x, y, z), scaled to degrees per step, that carries `current` to
// `target` in `steps` rotations by QuatFromAxisAngle(1.0, out). False, with
// `out` unchanged, when there is nothing to turn (equal components or the same
// rotation) or `steps` is not positive.
bool QuatAngularStep(const Quaternion& target, const Quaternion& current, double steps, double out[3]);

} // namespace velmor
