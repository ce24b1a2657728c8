#include "units/CKxDrawUTopoMap.h"

#include "scene/DataObject.h"
#include "units/UnitBox.h"

namespace velmor {

CKxDrawUTopoMap::CKxDrawUTopoMap(DrawGroup* ownerGroup) : CKxDrawUnit(ownerGroup) { note = L"TopoMap"; }

CKxDrawUTopoMap::~CKxDrawUTopoMap() = default;

void CKxDrawUTopoMap::GetBounds(double minimum[3], double maximum[3])
{
    const double zMin = heightData != nullptr ? heightData->boundsMin[0] : 0.0;
    const double zMax = heightData != nullptr ? heightData->boundsMax[0] : 0.0;
    const double low[3] = {extent[0], extent[1], zMin};
    const double high[3] = {extent[2], extent[3], zMax};
    WriteUnitBox(low, high, lengthFactor, minimum, maximum);
}

} // namespace velmor
