#include "units/AxisGizmo.h"

#include "processing/MaterialPresets.h"
#include "units/CKxDrawUPrimitive.h"
#include "units/CKxDrawUText.h"
#include "units/DrawGroup.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace velmor {
namespace {

struct Rgb {
    float r, g, b;
};

void SetMaterial(CKxDrawUnit& unit, Rgb ambient, Rgb diffuse = {0, 0, 0}, Rgb specular = {0, 0, 0})
{
    ColorFrom255(unit.material.ambient, ambient.r, ambient.g, ambient.b, 255);
    ColorFrom255(unit.material.diffuse, diffuse.r, diffuse.g, diffuse.b, 255);
    ColorFrom255(unit.material.specular, specular.r, specular.g, specular.b, 255);
}

CKxDrawUPrimitive& AddPrimitive(DrawGroup& group, const wchar_t* shape)
{
    auto* unit = new CKxDrawUPrimitive(&group);
    unit->shape = shape;
    group.units.push_back(unit);
    return *unit;
}

void AddLine(DrawGroup& group, Rgb colour, const float from[3], const float to[3])
{
    CKxDrawUPrimitive& line = AddPrimitive(group, L"line");
    line.pixelSize = 2.0f;
    line.filled = false;
    for (int i = 0; i < 3; ++i) {
        line.points[0][i] = from[i];
        line.points[1][i] = to[i];
    }
    SetMaterial(line, colour);
}

// A marker solid of the arrows: filled, 1 pixel, counts 8, 8, 1.
CKxDrawUPrimitive& AddSolid(DrawGroup& group, const wchar_t* shape, const float size[3], const float at[3],
                            const float rot[4])
{
    CKxDrawUPrimitive& unit = AddPrimitive(group, shape);
    unit.pixelSize = 1.0f;
    unit.filled = true;
    unit.marker = true;
    const int32_t counts[4] = {8, 8, 1, unit.parameter[3]};
    for (int i = 0; i < 4; ++i) {
        unit.parameter[i] = counts[i];
        unit.rot[i] = rot[i];
    }
    for (int i = 0; i < 3; ++i) {
        unit.size[i] = size[i];
        unit.points[0][i] = at[i];
    }
    return unit;
}

void AddLetter(DrawGroup& group, Rgb colour, const wchar_t* letter, const float at[3])
{
    auto* text = new CKxDrawUText(&group);
    text->mode = 1;
    text->textScale = 0.2f;
    text->text = letter;
    for (int i = 0; i < 3; ++i)
        text->coordinate[i] = at[i];
    SetMaterial(*text, colour);
    group.units.push_back(text);
}

void BuildArrow(DrawGroup& group, Rgb colour, bool upperRight)
{
    group.layer = 2;
    const float sign = upperRight ? 1.0f : -1.0f;
    const float rot[4] = {90.0f * sign, 1, -1, 0};
    const float shaftSize[3] = {0.1f, 0.1f, 0.13f}, shaftAt[3] = {0.95404f * sign, 0.95404f * sign, 0};
    const float headSize[3] = {0.2f, 0.17f, 1.0f}, headAt[3] = {0.848f * sign, 0.848f * sign, 0};
    SetMaterial(AddSolid(group, L"cylinder", shaftSize, shaftAt, rot), colour);
    SetMaterial(AddSolid(group, L"cone", headSize, headAt, rot), colour);
}

void BuildSquareFrame(DrawGroup& group, Rgb colour)
{
    group.layer = 0;
    const float corners[5][3] = {{-1, 1, 0}, {-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
    for (int i = 0; i < 4; ++i)
        AddLine(group, colour, corners[i], corners[i + 1]);
}

void BuildCircle(DrawGroup& group, Rgb colour)
{
    group.layer = 0;
    constexpr float kStep = 0.08726646f;   // 5 degrees
    for (int k = 0; k < 72; ++k) {
        const float from[3] = {1.2f * std::cos(k * kStep), 1.2f * std::sin(k * kStep), 0};
        const float to[3] = {1.2f * std::cos((k + 1) * kStep), 1.2f * std::sin((k + 1) * kStep), 0};
        AddLine(group, colour, from, to);
    }
}

void BuildBoxEdges(DrawGroup& group, Rgb colour)
{
    group.layer = 1;
    group.clipAbility = false;
    static const float kEdges[12][2][3] = {
        {{-1, 1, 1}, {1, 1, 1}},     {{-1, -1, 1}, {1, -1, 1}},   {{-1, -1, 1}, {-1, 1, 1}},
        {{1, -1, 1}, {1, 1, 1}},     {{-1, 1, -1}, {1, 1, -1}},   {{-1, -1, -1}, {1, -1, -1}},
        {{-1, -1, -1}, {-1, 1, -1}}, {{1, -1, -1}, {1, 1, -1}},   {{-1, -1, -1}, {-1, -1, 1}},
        {{-1, 1, -1}, {-1, 1, 1}},   {{1, -1, -1}, {1, -1, 1}},   {{1, 1, -1}, {1, 1, 1}},
    };
    for (const auto& edge : kEdges)
        AddLine(group, colour, edge[0], edge[1]);
}

void BuildLetteredBox(DrawGroup& group, Rgb colour)
{
    BuildBoxEdges(group, colour);
    const float x[3] = {0, -1.05f, -1.05f}, y[3] = {-1.05f, 0, -1.05f}, z[3] = {-1.05f, -1.05f, 0};
    AddLetter(group, colour, L"x", x);
    AddLetter(group, colour, L"y", y);
    AddLetter(group, colour, L"z", z);
}

void BuildColouredBox(DrawGroup& group, Rgb colour)
{
    BuildBoxEdges(group, colour);
    for (CKxDrawUnit* edge : group.units)
        SetMaterial(*edge, colour, colour, colour);
    // The three edges from (-1, -1, -1): along x, y and z.
    ColorFrom255(group.units[5]->material.ambient, colour.r, 0, 0, 255);
    ColorFrom255(group.units[6]->material.ambient, 0, colour.g, 0, 255);
    ColorFrom255(group.units[8]->material.ambient, 0, 0, colour.b, 255);
}

void BuildAxisArrows(DrawGroup& group, Rgb colour)
{
    group.layer = 1;
    group.clipAbility = false;
    const float shaft[3] = {0.005f, 0.005f, 0.9f}, head[3] = {0.015f, 0.1f, 1.0f};
    const float rots[3][4] = {{-90, 0, -1, 0}, {-90, 1, 0, 0}, {0, 1, 0, 0}};
    const float shaftsAt[3][3] = {{-0.55f, -1, -1}, {-1, -0.55f, -1}, {-1, -1, -0.55f}};
    const float headsAt[3][3] = {{-0.05f, -1, -1}, {-1, -0.05f, -1}, {-1, -1, -0.05f}};
    const Rgb half{colour.r * 0.5f, colour.g * 0.5f, colour.b * 0.5f};
    const Rgb tenth{colour.r * 0.1f, colour.g * 0.1f, colour.b * 0.1f};
    for (int axis = 0; axis < 3; ++axis)
        SetMaterial(AddSolid(group, L"cylinder", shaft, shaftsAt[axis], rots[axis]), half, half, tenth);
    for (int axis = 0; axis < 3; ++axis)
        SetMaterial(AddSolid(group, L"cone", head, headsAt[axis], rots[axis]), half, half, tenth);
    const float x[3] = {0.05f, -1.05f, -1.05f}, y[3] = {-1.05f, 0.05f, -1.05f}, z[3] = {-1.05f, -1.05f, 0.05f};
    AddLetter(group, colour, L"x", x);
    AddLetter(group, colour, L"y", y);
    AddLetter(group, colour, L"z", z);
}

} // namespace

void BuildAxisGizmo(std::vector<DrawGroup*>& groups)
{
    const size_t first = groups.size();
    for (int i = 0; i < kAxisGizmoGroups; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "PG_%02d", i);
        groups.push_back(new DrawGroup(std::wstring(name, name + std::char_traits<char>::length(name))));
    }
    DrawGroup** g = groups.data() + first;
    const Rgb white{255, 255, 255}, grey{128, 128, 128}, orange{255, 192, 55}, blue{117, 176, 227};
    BuildArrow(*g[1], white, false);
    BuildArrow(*g[2], grey, false);
    BuildArrow(*g[3], white, true);
    BuildArrow(*g[4], grey, true);
    BuildSquareFrame(*g[5], orange);
    BuildSquareFrame(*g[6], blue);
    BuildCircle(*g[7], orange);
    BuildCircle(*g[8], blue);
    BuildLetteredBox(*g[9], white);
    BuildLetteredBox(*g[10], grey);
    BuildColouredBox(*g[11], {160, 160, 160});
    BuildColouredBox(*g[12], {80, 80, 80});
    BuildAxisArrows(*g[13], white);
    BuildAxisArrows(*g[14], grey);
}

void FreeUnitArray(std::vector<DrawGroup*>& groups)
{
    for (DrawGroup* group : groups)
        delete group;
    groups.clear();
}

} // namespace velmor
