#include "units/CKxDrawUVolumeR.h"

#include "units/UnitBox.h"

namespace velmor {

CKxDrawUVolumeR::CKxDrawUVolumeR(DrawGroup* ownerGroup) : CKxDrawUnit(ownerGroup) { note = L"VolumeR"; }

void CKxDrawUVolumeR::FreeWork()
{
    for (CommittedBuffer& volume : displayVolume)
        volume.Reset();
    clearBuffer.Reset();
}

void CKxDrawUVolumeR::GetBounds(double minimum[3], double maximum[3])
{
    WriteVolumeBox(halfExtent, pitch, lengthFactor, minimum, maximum);
}

} // namespace velmor
