#include "units/CKxDrawUText.h"

#include "units/UnitBox.h"

namespace velmor {

CKxDrawUText::CKxDrawUText(DrawGroup* ownerGroup) : CKxDrawUnit(ownerGroup) { note = L"Text"; }

void CKxDrawUText::GetBounds(double minimum[3], double maximum[3])
{
    if (mode != 3)
        WriteUnitBox(coordinate, coordinate, lengthFactor, minimum, maximum);
}

} // namespace velmor
