#pragma once
// Small vector, normal, matrix and length-unit routines shared by draw units,
// dialogs and exporters. Free of GL so that core code and tests can use them.
#include <cstdint>
#include <string_view>

namespace velmor {

double VecLength3d(const double v[3]);
void SetFloat3(float dst[3], float a, float b, float c);
void SetFloat4(float dst[4], float a, float b, float c, float d);
void CrossProduct3d(const double a[3], const double b[3], double out[3]);
// a x b scaled to length 1; (1, 0, 0) for parallel or zero vectors.
void UnitCrossProduct3d(const double a[3], const double b[3], double out[3]);
// Angle in radians; 0 when either vector has no length.
double VecAngle3d(const double a[3], const double b[3]);
float VecAngle3f(const float a[3], const float b[3]);
// (p1 - p0) x (p2 - p0), not normalised.
void TriangleNormal(const float p0[3], const float p1[3], const float p2[3], float out[3]);
// The same scaled to length 1; (0, 0, 0) for a degenerate triangle.
void UnitTriangleNormal(const float p0[3], const float p1[3], const float p2[3], float out[3]);
// In place; (1, 0, 0) for a zero vector.
void NormalizeVec3f(float v[3]);
// Mean of `count` vectors stored as consecutive triples, normalised unless
// it has no length; (0, 0, 0) when there are none.
void MeanDirection(const float* vectors, int64_t count, float out[3]);
// "um" 1, "mm" 2, "cm" 3, "m" 4, any other name 0: larger codes are larger units.
int LengthUnitCode(std::wstring_view name);
// The factor that turns a length in unit `from` into unit `to` ("um", "mm",
// "cm", "m"); 1 when either name is another one.
double UnitFactor(std::wstring_view to, std::wstring_view from);
// point (w = 1) times a column-major 4x4 matrix.
void TransformPoint(const float point[3], const float matrix[16], float out[3]);
// False for a singular matrix (a zero row or a zero pivot); `out` is then
// left unchanged.
bool InvertMatrix4f(const float in[16], float out[16]);

} // namespace velmor
