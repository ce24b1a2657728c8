#include "units/CKxDrawULinkBoard.h"

#include "processing/MaterialPresets.h"
#include "units/PlainUnitDrawing.h"
#include "units/UnitBox.h"

#include <algorithm>

namespace velmor {

CKxDrawULinkBoard::CKxDrawULinkBoard(DrawGroup* ownerGroup) : CKxDrawUnit(ownerGroup)
{
    note = L"LinkBoard";
    ColorFrom255(material.ambient, 117, 176, 227, 255);
    ColorFrom255(material.diffuse, 0, 0, 0, 255);
    ColorFrom255(material.specular, 25, 25, 25, 255);
    material.shininess = 120.0f;
}

void CKxDrawULinkBoard::Draw(int pass)
{
    if (PlainUnitGL.drawLinkBoard != nullptr)
        PlainUnitGL.drawLinkBoard(*this, pass);
}

void CKxDrawULinkBoard::GetBounds(double minimum[3], double maximum[3])
{
    WriteCentredBox(coordinate, std::max(width, height), lengthFactor, minimum, maximum);
}

} // namespace velmor
