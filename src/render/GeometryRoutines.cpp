#include "render/GeometryRoutines.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace velmor {

double VecLength3d(const double v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

void SetFloat3(float dst[3], float a, float b, float c)
{
    dst[0] = a;
    dst[1] = b;
    dst[2] = c;
}

void SetFloat4(float dst[4], float a, float b, float c, float d)
{
    SetFloat3(dst, a, b, c);
    dst[3] = d;
}

void CrossProduct3d(const double a[3], const double b[3], double out[3])
{
    const double x = a[1] * b[2] - a[2] * b[1];
    const double y = a[2] * b[0] - a[0] * b[2];
    const double z = a[0] * b[1] - a[1] * b[0];
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

void UnitCrossProduct3d(const double a[3], const double b[3], double out[3])
{
    double c[3];
    CrossProduct3d(a, b, c);
    const float length = static_cast<float>(VecLength3d(c));
    if (length == 0.0f) {
        out[0] = 1.0;
        out[1] = 0.0;
        out[2] = 0.0;
        return;
    }
    for (int i = 0; i < 3; ++i)
        out[i] = c[i] / length;
}

namespace {

template <typename T>
T AngleBetween(const T a[3], const T b[3])
{
    const T dot = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    const T lengths = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]) * std::sqrt(b[0] * b[0] + b[1] * b[1] + b[2] * b[2]);
    // A zero vector has no direction; dividing by its length would give NaN.
    if (!(lengths > T(0)))
        return T(0);
    return std::acos(std::clamp(dot / lengths, T(-1), T(1)));
}

float LengthOf(const float v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

} // namespace

double VecAngle3d(const double a[3], const double b[3]) { return AngleBetween(a, b); }

float VecAngle3f(const float a[3], const float b[3]) { return AngleBetween(a, b); }

void TriangleNormal(const float p0[3], const float p1[3], const float p2[3], float out[3])
{
    const float u[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    const float v[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
    out[0] = u[1] * v[2] - u[2] * v[1];
    out[1] = u[2] * v[0] - u[0] * v[2];
    out[2] = u[0] * v[1] - u[1] * v[0];
}

void UnitTriangleNormal(const float p0[3], const float p1[3], const float p2[3], float out[3])
{
    TriangleNormal(p0, p1, p2, out);
    const float length = LengthOf(out);
    if (length == 0.0f) {
        SetFloat3(out, 0, 0, 0);
        return;
    }
    for (int i = 0; i < 3; ++i)
        out[i] /= length;
}

void NormalizeVec3f(float v[3])
{
    const float length = LengthOf(v);
    if (length == 0.0f) {
        SetFloat3(v, 1, 0, 0);
        return;
    }
    for (int i = 0; i < 3; ++i)
        v[i] /= length;
}

void MeanDirection(const float* vectors, int64_t count, float out[3])
{
    SetFloat3(out, 0, 0, 0);
    if (count <= 0)
        return;
    double sum[3] = {0, 0, 0};
    for (int64_t k = 0; k < count; ++k)
        for (int i = 0; i < 3; ++i)
            sum[i] += vectors[3 * k + i];
    for (int i = 0; i < 3; ++i)
        out[i] = static_cast<float>(sum[i] / static_cast<double>(count));
    if (LengthOf(out) != 0.0f)
        NormalizeVec3f(out);
}

int LengthUnitCode(std::wstring_view name)
{
    if (name == L"um")
        return 1;
    if (name == L"mm")
        return 2;
    if (name == L"cm")
        return 3;
    if (name == L"m")
        return 4;
    return 0;
}

double UnitFactor(std::wstring_view to, std::wstring_view from)
{
    // Rows: from; columns: to.
    static const double table[4][4] = {
        {1, 0.001, 0.0001, 0.000001},
        {1000, 1, 0.1, 0.001},
        {10000, 10, 1, 0.01},
        {1000000, 1000, 100, 1},
    };
    const int t = LengthUnitCode(to) - 1;
    const int f = LengthUnitCode(from) - 1;
    if (t < 0 || f < 0)
        return 1.0;
    return table[f][t];
}

void TransformPoint(const float point[3], const float matrix[16], float out[3])
{
    float result[3];
    for (int i = 0; i < 3; ++i)
        result[i] = matrix[i] * point[0] + matrix[4 + i] * point[1] + matrix[8 + i] * point[2] + matrix[12 + i];
    SetFloat3(out, result[0], result[1], result[2]);
}

bool InvertMatrix4f(const float in[16], float out[16])
{
    double lu[4][4];
    double rowScale[4];
    int order[4] = {0, 1, 2, 3};
    for (int r = 0; r < 4; ++r) {
        double largest = 0.0;
        for (int c = 0; c < 4; ++c) {
            lu[r][c] = in[4 * r + c];
            largest = std::max(largest, std::fabs(lu[r][c]));
        }
        if (largest == 0.0)
            return false;
        rowScale[r] = 1.0 / largest;
    }
    for (int k = 0; k < 4; ++k) {
        int pivot = k;
        double best = 0.0;
        for (int r = k; r < 4; ++r) {
            const double scaled = rowScale[r] * std::fabs(lu[r][k]);
            if (scaled > best) {
                best = scaled;
                pivot = r;
            }
        }
        if (pivot != k) {
            std::swap(lu[pivot], lu[k]);
            std::swap(rowScale[pivot], rowScale[k]);
            std::swap(order[pivot], order[k]);
        }
        if (lu[k][k] == 0.0)
            return false;
        for (int r = k + 1; r < 4; ++r) {
            lu[r][k] /= lu[k][k];
            for (int c = k + 1; c < 4; ++c)
                lu[r][c] -= lu[r][k] * lu[k][c];
        }
    }
    float result[16];
    for (int column = 0; column < 4; ++column) {
        double x[4];
        for (int r = 0; r < 4; ++r) {
            double sum = order[r] == column ? 1.0 : 0.0;
            for (int c = 0; c < r; ++c)
                sum -= lu[r][c] * x[c];
            x[r] = sum;
        }
        for (int r = 3; r >= 0; --r) {
            double sum = x[r];
            for (int c = r + 1; c < 4; ++c)
                sum -= lu[r][c] * x[c];
            x[r] = sum / lu[r][r];
        }
        for (int r = 0; r < 4; ++r)
            result[4 * r + column] = static_cast<float>(x[r]);
    }
    std::copy(result, result + 16, out);
    return true;
}

} // namespace velmor
