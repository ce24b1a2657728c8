#include "units/CKxDrawUImage.h"

#include "units/UnitBox.h"

namespace velmor {

CKxDrawUImage::CKxDrawUImage(DrawGroup* ownerGroup) : CKxDrawUnit(ownerGroup) { note = L"Image"; }

void CKxDrawUImage::GetBounds(double minimum[3], double maximum[3])
{
    WriteCentredBox(position, size / 2.0, lengthFactor, minimum, maximum);
}

} // namespace velmor
