#include "units/CKxDrawUConnector.h"

#include "units/UnitBox.h"

namespace velmor {

CKxDrawUConnector::CKxDrawUConnector(DrawGroup* ownerGroup) : CKxDrawUnit(ownerGroup) { note = L"Connector"; }

void CKxDrawUConnector::GetBounds(double minimum[3], double maximum[3])
{
    WriteUnitBox(coordinate, coordinate, lengthFactor, minimum, maximum);
}

} // namespace velmor
