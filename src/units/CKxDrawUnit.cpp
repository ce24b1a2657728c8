#include "units/CKxDrawUnit.h"

namespace velmor {

Material HighlightMaterial;
uint32_t PickCounter = 0;

namespace {

Material DefaultHighlight()
{
    Material m;
    const float ambient[4] = {127 / 255.0f, 96 / 255.0f, 27 / 255.0f, 1.0f};
    for (int i = 0; i < 4; ++i) {
        m.ambient[i] = ambient[i];
        m.diffuse[i] = ambient[i];
        m.specular[i] = i < 3 ? 10 / 255.0f : 1.0f;
    }
    m.shininess = 120.0f;
    return m;
}

} // namespace

CKxDrawUnit::CKxDrawUnit(DrawGroup* ownerGroup) : owner(ownerGroup) { HighlightMaterial = DefaultHighlight(); }

} // namespace velmor
