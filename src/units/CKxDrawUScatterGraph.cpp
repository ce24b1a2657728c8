#include "units/CKxDrawUScatterGraph.h"

#include "scene/DataObject.h"
#include "units/UnitBox.h"

namespace velmor {

CKxDrawUScatterGraph::CKxDrawUScatterGraph(DrawGroup* ownerGroup) : CKxDrawUnit(ownerGroup) { note = L"ScatterGraph"; }

void CKxDrawUScatterGraph::GetBounds(double minimum[3], double maximum[3])
{
    if (coordinateData != nullptr)
        WriteUnitBox(coordinateData->boundsMin, coordinateData->boundsMax, lengthFactor, minimum, maximum);
}

} // namespace velmor
