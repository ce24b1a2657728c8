#pragma once
// The geometry of an image unit's shapes, free of GL: half extents from the
// picture's aspect ratio and the textured vertices of the rectangle, the disc
// and the sphere, handed to a visitor one by one so that a fine sphere needs
// no buffer.
#include <cstdint>

namespace velmor {

struct ShapeVertex {
    float s = 0, t = 0;
    float normal[3] = {0, 0, 1};
    float position[3] = {0, 0, 0};
};

// The longer side of a width x height picture becomes `size`; false for a
// picture without pixels, which has no aspect ratio.
bool ImageHalfExtents(uint64_t width, uint64_t height, float size, float& halfWidth, float& halfHeight);

// One quad: lower left, lower right, upper right, upper left.
template <typename Visit>
void ForFlatQuad(float halfWidth, float halfHeight, float texMaxS, float texMaxT, Visit visit)
{
    const float corners[4][4] = {{0, 0, -halfWidth, -halfHeight},
                                 {texMaxS, 0, halfWidth, -halfHeight},
                                 {texMaxS, texMaxT, halfWidth, halfHeight},
                                 {0, texMaxT, -halfWidth, halfHeight}};
    for (const auto& c : corners) {
        ShapeVertex v;
        v.s = c[0], v.t = c[1];
        v.position[0] = c[2], v.position[1] = c[3];
        visit(v);
    }
}

// A triangle fan: the centre, then divide + 1 rim vertices (the first
// repeated at the end). Nothing for fewer than one segment; at most
// kMostShapeDivisions segments.
void ForDiscFan(float halfWidth, float halfHeight, int32_t divide, float texMaxS, float texMaxT,
                void (*visit)(const ShapeVertex&, void*), void* context);

// Quads of a sphere of `radius` with `stacks` stacks and twice as many
// slices, four vertices each. Nothing for fewer than one stack; at most
// kMostShapeDivisions slices.
void ForSphereQuads(float radius, int32_t stacks, float texMaxS, float texMaxT,
                    void (*visit)(const ShapeVertex&, void*), void* context);

// The callable form of the two above.
template <typename Visit>
void ForDiscFan(float halfWidth, float halfHeight, int32_t divide, float texMaxS, float texMaxT, Visit visit)
{
    ForDiscFan(halfWidth, halfHeight, divide, texMaxS, texMaxT,
               [](const ShapeVertex& v, void* c) { (*static_cast<Visit*>(c))(v); }, &visit);
}
template <typename Visit>
void ForSphereQuads(float radius, int32_t stacks, float texMaxS, float texMaxT, Visit visit)
{
    ForSphereQuads(radius, stacks, texMaxS, texMaxT, [](const ShapeVertex& v, void* c) { (*static_cast<Visit*>(c))(v); },
                   &visit);
}

} // namespace velmor
