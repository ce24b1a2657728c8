#pragma once
// Points, lines, triangles, flat shapes and solids of the scene element
// "primitive"; also built at run time by the axis handle and the scale bar.
#include "units/CKxDrawUnit.h"

#include <cstdint>
#include <string>

namespace velmor {

class CKxDrawUPrimitive : public CKxDrawUnit {
public:
    explicit CKxDrawUPrimitive(DrawGroup* owner);
    void Load() override;
    void Draw(int pass) override;
    void GetBounds(double minimum[3], double maximum[3]) override;
    std::wstring& GetClassName(std::wstring& name) override { return name = L"CKxDrawUPrimitive"; }
    UnitKind Kind() const override { return UnitKind::kPrimitive; }

    float pixelSize = 1.0f;   // line width or point size of unfilled drawing
    bool filled = true;       // solid and lit, else wire and unlit
    bool marker = true;       // keeps its size in view units
    std::wstring shape;
    float rot[4] = {0, 1, 0, 0};   // degrees, then the axis
    float points[3][3] = {};       // the first is the centre of every shape but line and triangle
    float size[3] = {1, 1, 1};
    int32_t parameter[4] = {16, 8, 8, 4};   // tessellation counts
    float radii[3] = {};                    // derived from size by Load
};

} // namespace velmor
