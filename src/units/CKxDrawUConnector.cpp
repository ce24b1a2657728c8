#include "units/CKxDrawUConnector.h"

#include "units/PlainUnitDrawing.h"
#include "units/UnitBox.h"

namespace velmor {

CKxDrawUConnector::CKxDrawUConnector(DrawGroup* ownerGroup) : CKxDrawUnit(ownerGroup) { note = L"Connector"; }

void CKxDrawUConnector::Draw(int pass)
{
    if (PlainUnitGL.drawConnector != nullptr)
        PlainUnitGL.drawConnector(*this, pass);
}

void CKxDrawUConnector::GetBounds(double minimum[3], double maximum[3])
{
    WriteUnitBox(coordinate, coordinate, lengthFactor, minimum, maximum);
}

} // namespace velmor
