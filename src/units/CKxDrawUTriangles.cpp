#include "units/CKxDrawUTriangles.h"

#include "scene/DataObject.h"
#include "units/DrawGroup.h"

namespace velmor {
namespace {

void MarkClipCapForRebuild(CKxDrawUnit& meshUnit) { static_cast<CKxDrawUTriangles&>(meshUnit).capRebuild = true; }

} // namespace

CKxDrawUTriangles::CKxDrawUTriangles(DrawGroup* ownerGroup) : CKxDrawUnit(ownerGroup)
{
    InvalidateMeshClipCap = &MarkClipCapForRebuild;
}

void CKxDrawUTriangles::GetDataBounds(double minimum[3], double maximum[3]) const
{
    if (data == nullptr)
        return;
    for (int i = 0; i < 3; ++i) {
        minimum[i] = data->boundsMin[i] * pitch[i] * lengthFactor;
        maximum[i] = data->boundsMax[i] * pitch[i] * lengthFactor;
    }
}

} // namespace velmor
