#include "units/CKxDrawUnit.h"

#include "platform/MessageSink.h"
#include "processing/MaterialPresets.h"
#include "render/GeometryRoutines.h"
#include "units/DrawGroup.h"

#include <algorithm>

namespace velmor {

Material HighlightMaterial;
uint32_t PickCounter = 0;

namespace {

Material DefaultHighlight()
{
    Material m;
    ColorFrom255(m.ambient, 127, 96, 27, 255);
    ColorFrom255(m.diffuse, 127, 96, 27, 255);
    ColorFrom255(m.specular, 10, 10, 10, 255);
    m.shininess = 120.0f;
    return m;
}

} // namespace

CKxDrawUnit::CKxDrawUnit(DrawGroup* ownerGroup) : owner(ownerGroup)
{
    ColorFrom255(material.ambient, 76, 76, 76, 255);
    ColorFrom255(material.diffuse, 178, 178, 178, 255);
    ColorFrom255(material.specular, 10, 10, 10, 255);
    material.shininess = 120.0f;
    HighlightMaterial = DefaultHighlight();
}

void CKxDrawUnit::TakeSpaceTransform()
{
    if (topGroup == nullptr)
        return;
    for (int i = 0; i < 3; ++i) {
        pivot[i] = topGroup->offset[i] / lengthFactor;
        translation[i] = topGroup->translation[i];
        scale[i] = topGroup->scale[i] * lengthFactor;
    }
}

void CKxDrawUnit::UpdateUnitScale()
{
    if (topGroup != nullptr)
        lengthFactor = UnitFactor(topGroup->lengthUnit, lengthUnit);
}

void CKxDrawUnit::ReportLoadFailure(const std::wstring& text)
{
    if (std::find(m_reportedFailures.begin(), m_reportedFailures.end(), text) != m_reportedFailures.end())
        return;
    m_reportedFailures.push_back(text);
    ShowMessage(text);
}

} // namespace velmor
