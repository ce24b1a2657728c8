#include "units/ImageShapes.h"

#include "render/Tessellation.h"

#include <cmath>
#include <numbers>

namespace velmor {

bool ImageHalfExtents(uint64_t width, uint64_t height, float size, float& halfWidth, float& halfHeight)
{
    if (width == 0 || height == 0)
        return false;
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    if (width > height) {
        halfWidth = size / 2;
        halfHeight = h / w * size / 2;
    } else {
        halfWidth = w / h * size / 2;
        halfHeight = size / 2;
    }
    return true;
}

void ForDiscFan(float halfWidth, float halfHeight, int32_t count, float texMaxS, float texMaxT,
                void (*visit)(const ShapeVertex&, void*), void* context)
{
    const int32_t divide = BoundedDivisions(count);
    if (divide < 1)
        return;
    ShapeVertex centre;
    centre.s = texMaxS / 2, centre.t = texMaxT / 2;
    visit(centre, context);
    for (int32_t k = 0; k <= divide; ++k) {
        const double a = 2.0 * k * std::numbers::pi / divide;
        const double c = std::cos(a), s = std::sin(a);
        ShapeVertex v;
        v.position[0] = static_cast<float>(c * halfWidth);
        v.position[1] = static_cast<float>(s * halfHeight);
        v.s = static_cast<float>(c * texMaxS / 2 + texMaxS / 2);
        v.t = static_cast<float>(s * texMaxT / 2 + texMaxT / 2);
        visit(v, context);
    }
}

namespace {

ShapeVertex SphereVertex(float radius, double azimuth, double polar, float s, float t)
{
    const double direction[3] = {std::sin(polar) * std::cos(azimuth), std::cos(polar), std::sin(polar) * std::sin(azimuth)};
    ShapeVertex v;
    v.s = s, v.t = t;
    for (int i = 0; i < 3; ++i) {
        v.normal[i] = static_cast<float>(direction[i]);
        v.position[i] = static_cast<float>(radius * direction[i]);
    }
    return v;
}

} // namespace

void ForSphereQuads(float radius, int32_t stacks, float texMaxS, float texMaxT,
                    void (*visit)(const ShapeVertex&, void*), void* context)
{
    if (stacks < 1)
        return;
    // Twice as many slices as stacks: the slices are what the bound holds.
    const int64_t n = BoundedDivisions(stacks, kMostShapeDivisions / 2), slices = 2 * n;
    for (int64_t i = 0; i < n; ++i) {
        const double p0 = i * std::numbers::pi / n, p1 = (i + 1) * std::numbers::pi / n;
        const float t0 = static_cast<float>(double(n - i) / n * texMaxT);
        const float t1 = static_cast<float>(double(n - i - 1) / n * texMaxT);
        for (int64_t j = 0; j < slices; ++j) {
            const double a0 = j * 2.0 * std::numbers::pi / slices, a1 = (j + 1) * 2.0 * std::numbers::pi / slices;
            const float s0 = static_cast<float>(double(slices - j) / slices * texMaxS);
            const float s1 = static_cast<float>(double(slices - j - 1) / slices * texMaxS);
            visit(SphereVertex(radius, a0, p1, s0, t1), context);
            visit(SphereVertex(radius, a0, p0, s0, t0), context);
            visit(SphereVertex(radius, a1, p0, s1, t0), context);
            visit(SphereVertex(radius, a1, p1, s1, t1), context);
        }
    }
}

} // namespace velmor
